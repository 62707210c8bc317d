// What both protocols of korvane-uci share: the loaded module and its records, the game record of each
// search, the host's time plan with its watchdog, and the worker thread a search or a perft runs on.
// The protocol layers only turn commands into searches and the results into their own lines.
#pragma once

#include "host/chess/game_record.h"
#include "host/module/engine_module.h"
#include "host/module/notification.h"
#include "uci_protocol.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace frontend {

// Whole lines, flushed one by one, from the command thread and the search thread alike.
class Output {
public:
    explicit Output(std::ostream& out) : out_(out) {}
    void line(const std::string& text);

private:
    std::ostream& out_;
    std::mutex mutex_;
};

struct SearchOutcome {
    // The move to play: the engine's last report if it is legal, else a legal move all the same;
    // nothing only when there is no legal move.
    std::optional<chess::Move> move;
    // Ended by abandon(): the protocol plays no move.
    bool abandoned = false;
    int64_t elapsedMs = 0;
};

// What a protocol layer does with a search. Called on the search thread, except remark, which any
// thread may call; a command that makes way for new work waits until searchFinished has returned.
class SearchListener {
public:
    virtual ~SearchListener() = default;
    // An engine notification, unless it begins an iteration the host stops at once. lastDepth is the
    // depth of the last depth notification of this search.
    virtual void searchNotification(const Notification& notification, int lastDepth, int64_t elapsedMs) = 0;
    // Why the host did something to the engine (an iteration not started, a stop at the hard limit).
    virtual void remark(const std::string& text) = 0;
    virtual void searchFinished(const SearchOutcome& outcome) = 0;
};

class SearchCore {
public:
    // Loads the module and initialises the engine; throws std::runtime_error when it cannot be loaded.
    // Only one core may exist in a process at a time, since the host library delivers the engine's
    // notifications to one handler.
    SearchCore(std::ostream& out, const std::string& modulePath);
    ~SearchCore();
    SearchCore(const SearchCore&) = delete;
    SearchCore& operator=(const SearchCore&) = delete;

    // Must be set before the first search, and outlive it.
    void setListener(SearchListener* listener) { listener_ = listener; }
    Output& output() { return out_; }
    const EngineEntries& entries() const { return eng_; }

    // A fresh engine (fresh history counts), after any running work has made way.
    void resetEngine();
    // Searches the game on the worker thread, with the plan's clock fields in the record, once any
    // earlier work has ended.
    void startSearch(const chess::Game& game, const uci::SearchPlan& plan);
    // Counts the legal moves below each root move on the worker thread, each line printed as known.
    void startPerft(const chess::Board& board, int depth);

    // Asks a running search to stop; it still waits for depth 1 to report unless force is set or the
    // GUI's clock runs out. A running perft is stopped at once.
    void requestStop(bool force);
    // Makes way for a new command: a running search is stopped and reports its move; a running
    // perft is finished.
    void finishWork();
    // Stops a running search at once; its outcome is marked abandoned.
    void abandon();
    void waitForWork();
    // The input has ended: a search that waits for a stop is stopped, any other work finishes.
    void endOfInput();

private:
    // One search: the record handed to Eng9 and what the notifications leave behind. Touched by the
    // search thread while it runs (reported also by the supervisor, under the state mutex), and by the
    // command thread once both have been joined.
    struct Search {
        chess::Board board;
        chess::GameRecord record;
        uci::SearchPlan plan;
        std::chrono::steady_clock::time_point start;
        int lastDepth = 0;
        bool reported = false;
        chess::Move best;
        // Elapsed milliseconds at which each iteration began.
        std::vector<int64_t> iterationStarts;
    };

    void searchThread();
    void supervisorThread();
    void perftThread(chess::Board board, int depth);
    void receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);
    static int32_t onNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2,
                                  void* record);

    Output out_;
    EngineModule module_;
    const EngineEntries& eng_;
    std::vector<uint8_t> bestRecord_, currentRecord_, depthRecord_, statusRecord_;
    SearchListener* listener_ = nullptr;

    // The work running on the worker thread: a search (with its supervisor) or a perft.
    std::unique_ptr<Search> search_;
    std::thread worker_;
    std::thread supervisor_;
    std::atomic<bool> perftStop_{false};
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool workDone_ = true;
    bool perftRunning_ = false;
    // Stop requests for the running search: by `stop` and the like, by the host's time rule at the
    // start of an iteration, and at once whatever was reported.
    bool stopWanted_ = false;
    bool hostStop_ = false;
    bool forceStop_ = false;
    bool abandoned_ = false;
};

} // namespace frontend
