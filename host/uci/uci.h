// The UCI front end: loads Korvane.eng and speaks UCI on the given streams until `quit` or the end of
// the input; when the first command is `xboard`, the xboard protocol instead. Returns the process exit
// code. Only one front end may run in a process at a time, since the host library delivers the engine's
// notifications to one handler.
#pragma once

#include <iosfwd>
#include <string>

int runUci(std::istream& in, std::ostream& out, const std::string& modulePath);
