// The worker's main loop and the web build's host library: the notification entry, the tick counter,
// and the pause points. The search runs synchronously on the worker's only thread; every few
// milliseconds the tick counter, which the engine reads at every node, yields to the worker's event
// loop (the build unwinds and rewinds the stack with Asyncify), so that `stop`, `isready` and the
// clock's deadlines are handled while the search is paused. Built without exceptions: no frame on the
// way to a pause may be a call the exception support routes through JavaScript.
#include "web_session.h"

#include "engine/interface/entry_points.h"
#include "platform/morlix32.h"

#include <emscripten.h>

#include <cstdlib>
#include <vector>

// The page's side of the worker (korvane-port.js): the input queue, the pause and the exit.
EM_JS(char*, webTakeLine, (), {
    var lines = Module['korvaneLines'];
    if (!lines.length) return 0;
    var text = lines.shift();
    var size = lengthBytesUTF8(text) + 1;
    var copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
EM_JS(int, webInputEnded, (), { return Module['korvaneEnded'] ? 1 : 0; });
EM_ASYNC_JS(void, webWaitInput, (), { await new Promise(function(wake) { Module['korvaneWake'] = wake; }); });
EM_ASYNC_JS(void, webYield, (), { await Module['korvaneYield'](); });
EM_JS(void, webExit, (int status), { Module['korvaneExit'](status); });

namespace {

// How long the search runs between two pauses, and how many clock reads share one reading of the
// real clock (the engine reads it at every node; a pause costs a round trip through the event loop).
constexpr double PauseEveryMs = 10;
constexpr int ReadsPerRefresh = 64;

MorlixNotificationHandler notificationHandler = nullptr;
void* notificationContext = nullptr;
MorlixTickCounter tickCounter = nullptr;
void* tickContext = nullptr;

bool working = false;
int readsLeft = 0;
uint32_t cachedTicks = 0;
double lastPause = 0;

void pullInput() {
    while (char* line = webTakeLine()) {
        web::addInput(line);
        std::free(line);
    }
    if (webInputEnded()) web::endInput();
}

void refreshClock() {
    readsLeft = ReadsPerRefresh;
    const double now = emscripten_get_now();
    cachedTicks = uint32_t(uint64_t(now));
    if (!working) return;
    web::onClock();
    if (now - lastPause >= PauseEveryMs) {
        webYield();
        pullInput();
        web::onPause();
        lastPause = emscripten_get_now();
    }
}

void startWork() {
    working = true;
    readsLeft = 0;
    lastPause = emscripten_get_now();
}

uint64_t countLeaves(const chess::Board& board, int depth) {
    if (depth <= 0) return 1;
    const std::vector<chess::Move> moves = board.legalMoves();
    if (depth == 1) return moves.size();
    uint64_t total = 0;
    for (const chess::Move& move : moves) {
        if (--readsLeft <= 0) refreshClock();
        if (web::perftStopped()) break;
        chess::Board next = board;
        next.apply(move);
        total += countLeaves(next, depth - 1);
    }
    return total;
}

// Each root move's count goes out as soon as it is known, so a stopped perft has printed what it counted.
void runPerft() {
    startWork();
    const chess::Board& board = web::perftBoard();
    const std::vector<chess::Move> moves = board.legalMoves();
    uint64_t total = 0;
    size_t counted = 0;
    for (const chess::Move& move : moves) {
        chess::Board next = board;
        next.apply(move);
        const uint64_t count = countLeaves(next, web::perftDepth() - 1);
        if (web::perftStopped()) break;
        web::perftCounted(move, count);
        total += count;
        ++counted;
    }
    working = false;
    web::endPerft(counted, moves.size(), total);
}

void runSearch() {
    uint8_t* record = web::beginSearch();
    startWork();
    Eng9(record);
    working = false;
    web::endSearch();
}

} // namespace

extern "C" {

void morlixSetNotificationHandler(MorlixNotificationHandler handler, void* context) {
    notificationContext = context;
    notificationHandler = handler;
}

int32_t Func3(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    if (notificationHandler == nullptr) return 0;
    return notificationHandler(notificationContext, code, hostParam1, hostParam2, record);
}

void morlixSetTickCounter(MorlixTickCounter counter, void* context) {
    tickContext = context;
    tickCounter = counter;
}

uint32_t GetTickCount(void) {
    if (tickCounter != nullptr) return tickCounter(tickContext);
    if (--readsLeft <= 0) refreshClock();
    return cachedTicks;
}

// Speaks UCI until quit, or the end of the input once the work has ended.
EMSCRIPTEN_KEEPALIVE void korvaneMain() {
    web::startSession();
    for (;;) {
        pullInput();
        if (!web::hasInput()) {
            if (web::inputEnded()) break;
            webWaitInput();
            continue;
        }
        const web::Next next = web::handleNextLine();
        if (next == web::Next::Quit) break;
        if (next == web::Next::Search) runSearch();
        else if (next == web::Next::Perft) runPerft();
    }
    web::endSession();
    webExit(web::failed() ? 1 : 0);
}
}
