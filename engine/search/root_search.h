// The top of the search: iterative deepening over the legal root moves, with time control and the
// reports to the host.
#pragma once

#include "board/position.h"

constexpr int32_t RootKillerSlots = 256;

// The ply-1 killer pair as it stood after each root position was last searched.
extern Move RootKillers[2][RootKillerSlots];

void clearSearchTables();
void rootSearch();
// Fills the best-move record and notifies the host, unless a stop has been requested.
void reportBestMove(int32_t score, const Move& move);
