// The xboard front end (protocol version 2), for a korvane-uci whose first command is `xboard`: reads
// commands from the stream until `quit` or its end and answers through the core's output. Returns the
// process exit code.
#pragma once

#include "search_core.h"

#include <iosfwd>

int runXboard(frontend::SearchCore& core, std::istream& in);
