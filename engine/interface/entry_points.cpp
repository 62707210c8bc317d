#include "interface/entry_points.h"

#include "board/position.h"
#include "board/tables.h"
#include "interface/engine_state.h"
#include "interface/host_records.h"
#include "interface/import_position.h"
#include "interface/notify.h"
#include "interface/platform.h"
#include "interface/time_budget.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"
#include "search/root_search.h"

static const char AuthorName[] = "Edrin Vaskolt";
static const char EngineName[] = "Korvane";
static const char CountryCode[] = "GER";

int32_t Eng1(void* best, void* current, void* depth, int32_t /*unused*/, void* status) {
    if (loadFlag(EngineState.initialised) == 1 || EngineState.bestMoveRecord != nullptr) return 1;
    storeFlag(EngineState.initialised, 1);
    installGenerators();
    initTables();
    EngineState.bestMoveRecord = static_cast<uint8_t*>(best);
    EngineState.currentMoveRecord = static_cast<uint8_t*>(current);
    EngineState.depthRecord = static_cast<uint8_t*>(depth);
    clearHistoryTable();
    if (status != nullptr) {
        uint8_t* record = static_cast<uint8_t*>(status);
        HostRecord::writeU32(record, HostRecord::Status::StatusWord1, 0);
        HostRecord::writeU32(record, HostRecord::Status::StatusWord2, 0);
    }
    return 0;
}

int32_t Eng2() {
    if (loadFlag(EngineState.initialised) == 1) {
        EngineState.bestMoveRecord = nullptr;
        EngineState.currentMoveRecord = nullptr;
        EngineState.depthRecord = nullptr;
        storeFlag(EngineState.initialised, 0);
    }
    return 0;
}

void Eng3() { storeFlag(EngineState.stopRequested, 1); }

int32_t Eng4() { return loadFlag(EngineState.searchRunning); }

int32_t Eng5() { return loadFlag(EngineState.initialised); }

const char* Eng6() { return AuthorName; }

const char* Eng7() { return EngineName; }

int32_t Eng8() { return 0; }

int32_t Eng9(void* game) {
    // Without its three notification records the engine has nowhere to report to: an engine that is
    // not initialised, or was given a null record, does nothing.
    if (loadFlag(EngineState.initialised) == 0 || EngineState.bestMoveRecord == nullptr ||
        EngineState.currentMoveRecord == nullptr || EngineState.depthRecord == nullptr)
        return 0;
    const uint8_t* record = static_cast<const uint8_t*>(game);
    EngineState.thinkStart = GetTickCount();
    importPosition(record);
    setTimeBudget(record);
    notifyHost(NOTIFY_START, EngineState.bestMoveRecord);
    storeFlag(EngineState.searchRunning, 1);
    storeFlag(EngineState.stopRequested, 0);
    rebuildPosition();
    rootSearch();
    storeFlag(EngineState.searchRunning, 0);
    return 0;
}

void Eng10() {}

int32_t Eng12() { return 8208; }

const char* Eng18() { return CountryCode; }

// Entries that share one routine. On Windows the module-definition file exports these names as
// aliases instead.
#if !defined(_WIN32)
extern "C" __attribute__((visibility("default"), alias("Eng8"))) int32_t Eng13();
extern "C" __attribute__((visibility("default"), alias("Eng10"))) void Eng11();
extern "C" __attribute__((visibility("default"), alias("Eng10"))) void Eng14();
#endif
