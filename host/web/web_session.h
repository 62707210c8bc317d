// The UCI session of the web build: korvane-uci's protocol on one thread. The main loop (web_main.cpp)
// feeds it input lines and runs the work it asks for (a search or a perft) itself; while that work runs,
// the tick counter pauses every few milliseconds and hands the session the lines that came meanwhile.
#pragma once

#include "host/chess/board.h"

#include <cstdint>
#include <string>

namespace web {

enum class Next { Nothing, Search, Perft, Quit };

void startSession();
void endSession();

void addInput(std::string line);
void endInput();
bool hasInput();
bool inputEnded();

// Handles the next input line when no work runs: what the main loop must do next. Quit also follows
// an error no command answers; failed() then says so.
Next handleNextLine();
bool failed();

// A search: the record for Eng9, then the bestmove once Eng9 has returned.
uint8_t* beginSearch();
void endSearch();

// A perft: its position and depth, whether it was stopped, each root move's count, the end.
const chess::Board& perftBoard();
int perftDepth();
bool perftStopped();
void perftCounted(const chess::Move& move, uint64_t count);
void endPerft(size_t counted, size_t moves, uint64_t total);

// While work runs: the clock (deadlines, at every refresh of the tick counter) and the input that
// arrived (at every pause).
void onClock();
void onPause();

} // namespace web
