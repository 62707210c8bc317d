#include "movegen/ordering.h"

#include <cstring>

uint8_t HistoryTable[64][64];
Move KillerMoves[MaxPlies][2];

void clearHistoryTable() { std::memset(HistoryTable, 0, sizeof HistoryTable); }
