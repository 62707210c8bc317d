#include "interface/engine_state.h"

EngineStateFields EngineState;
