// The engine library linked into the tool itself, for perft and bench: the same code as the module,
// with access to the node counter that the module does not show its host.
#pragma once

#include "host/chess/game_record.h"

#include <cstdint>

// Sets the engine's position from a game record as a think call would, without searching.
void loadEnginePosition(chess::GameRecord& record);
