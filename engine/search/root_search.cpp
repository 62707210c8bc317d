#include "search/root_search.h"

#include "board/make_move.h"
#include "interface/engine_state.h"
#include "interface/host_records.h"
#include "interface/host_score.h"
#include "interface/notify.h"
#include "interface/platform.h"
#include "interface/time_budget.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"
#include "search/alpha_beta.h"
#include "search/search_state.h"

Move RootKillers[2][RootKillerSlots];

namespace {

constexpr uint32_t EarlyReportMs = 500;
constexpr int32_t MateThreshold = 29900;

inline bool stopRequested() { return loadFlag(EngineState.stopRequested) != 0; }

inline void emptySlot(Move& slot) {
    slot.from = 0;
    slot.to = 0;
    slot.flags = 0;
    slot.promotion = 0;
}

inline bool isEmptySlot(const Move& slot) { return slot.from == slot.to; }

inline void writeHostMove(uint8_t* record, int32_t offset, const Move& move) {
    record[offset] = move.from;
    record[offset + 1] = move.to;
    record[offset + 2] = move.flags;
    record[offset + 3] = move.promotion;
}

// A budget time below zero can only come from negative clock fields: it allows no time at all.
inline uint32_t nonNegative(int32_t milliseconds) { return milliseconds < 0 ? 0u : uint32_t(milliseconds); }

void announceDepth(int32_t depth) {
    uint8_t* record = EngineState.depthRecord;
    HostRecord::writeU16(record, HostRecord::Depth::DepthValue, uint16_t(depth));
    HostRecord::writeU16(record, HostRecord::Depth::DepthWord2, 0);
    notifyHost(NOTIFY_DEPTH, record);
}

void announceRootMove(const Move& move, int32_t number, int32_t count) {
    uint8_t* record = EngineState.currentMoveRecord;
    writeHostMove(record, HostRecord::CurrentMove::RootMove, move);
    HostRecord::writeU16(record, HostRecord::CurrentMove::RootMoveNumber, uint16_t(number));
    HostRecord::writeU16(record, HostRecord::CurrentMove::RootMoveCount, uint16_t(count));
    notifyHost(NOTIFY_CURRENT_MOVE, record);
}

// Moves the entry at index to the front, the entries before it one place back.
void moveToFront(int32_t index) {
    const Move best = MoveStack[index];
    for (int32_t j = index; j > 0; --j) MoveStack[j] = MoveStack[j - 1];
    MoveStack[0] = best;
}

} // namespace

void clearSearchTables() {
    MoveCount = 0;
    Pos.ply = 0;
    for (auto& pair : KillerMoves) {
        emptySlot(pair[0]);
        emptySlot(pair[1]);
    }
    for (auto& slots : RootKillers)
        for (Move& slot : slots) emptySlot(slot);
}

void reportBestMove(int32_t score, const Move& move) {
    if (stopRequested()) return;
    uint8_t* record = EngineState.bestMoveRecord;
    const HostScore shown = hostScore(score);
    HostRecord::writeU16(record, HostRecord::BestMove::ScoreValue, uint16_t(shown.value));
    HostRecord::writeU16(record, HostRecord::BestMove::ScoreKind, shown.kind);
    writeHostMove(record, HostRecord::BestMove::Line, move);
    HostRecord::writeU16(record, HostRecord::BestMove::LineLength, 1);
    HostRecord::writeU32(record, HostRecord::BestMove::ElapsedSeconds,
                         roundedSeconds(GetTickCount(), EngineState.thinkStart));
    HostRecord::writeU32(record, HostRecord::BestMove::ReportWord, 65553);
    notifyHost(NOTIFY_BEST_MOVE, record);
}

void rootSearch() {
    const int32_t iterations = depthLimit;
    const uint32_t hardLimit = nonNegative(maxTime);
    const uint32_t target = nonNegative(targetTime);

    clearSearchTables();
    generateMoves();
    filterLegalRootMoves();
    if (MoveCount == 0) return;

    searchStart = GetTickCount();
    searchTimeLimit = hardLimit;
    const int32_t n = MoveCount;

    for (int32_t d = 1; d <= iterations; ++d) {
        int32_t bestScore = -MateValue;
        int32_t bestIndex = -1;
        bool reported = false;
        if (!stopRequested()) announceDepth(d);

        for (int32_t j = 0; j < n; ++j) {
            Move& entry = MoveStack[j];
            if ((d > 3 || elapsedSinceSearchStart() > EarlyReportMs) && !stopRequested())
                announceRootMove(entry, j + 1, n);

            Pos.plies[0].moveIndex = j;
            makeMove(entry);
            // Past the last slot the killers of ply 1 simply carry over from the previous root move.
            const bool hasSlot = j < RootKillerSlots;
            if (hasSlot && !isEmptySlot(RootKillers[0][j])) KillerMoves[1][0] = RootKillers[0][j];
            if (hasSlot && !isEmptySlot(RootKillers[1][j])) KillerMoves[1][1] = RootKillers[1][j];
            int32_t v = d > 1 ? alphaBeta(-MateValue, MateValue, d - 1) : quiesce(-MateValue, MateValue);
            if (hasSlot) {
                RootKillers[0][j] = KillerMoves[1][0];
                RootKillers[1][j] = KillerMoves[1][1];
            }
            unmakeMove(entry);
            if (stopRequested()) return;

            v = -v;
            // The first move searched is the iteration's best whatever its value: on an impossible
            // board every value can lie below -MateValue, and the best must still be a real move.
            if (j == 0 || v > bestScore) {
                bestScore = v;
                bestIndex = j;
                if (d > 2 || elapsedSinceSearchStart() > EarlyReportMs) {
                    reportBestMove(v, entry);
                    reported = true;
                }
            }
            if (d > 1 && elapsedSinceSearchStart() > hardLimit / 2) break;
        }

        if (!reported) reportBestMove(bestScore, MoveStack[bestIndex]);
        if (d > 3 && (bestScore > MateThreshold || bestScore < -MateThreshold)) return;
        if (elapsedSinceSearchStart() > target / 3) return;
        moveToFront(bestIndex);
    }
}
