#include "inprocess_engine.h"

#include "board/position.h"
#include "board/tables.h"
#include "interface/import_position.h"
#include "movegen/generator.h"

void loadEnginePosition(chess::GameRecord& record) {
    installGenerators();
    initTables();
    importPosition(record.data());
    rebuildPosition();
    MoveCount = 0;
}
