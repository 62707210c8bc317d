#include "search_core.h"

#include "engine/interface/host_records.h"
#include "engine/interface/notify.h"
#include "platform/morlix32.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

namespace frontend {

namespace {

using Clock = std::chrono::steady_clock;

// How often the host repeats Eng3 until the search has returned: a stop that lands before Eng9 has
// cleared its flag would otherwise be lost.
constexpr auto StopRepeat = std::chrono::milliseconds(5);

std::atomic<bool> coreActive{false};

} // namespace

void Output::line(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    out_ << text << '\n' << std::flush;
}

SearchCore::SearchCore(std::ostream& out, const std::string& modulePath)
    : out_(out),
      module_(modulePath),
      eng_(module_.entries()),
      bestRecord_(size_t(HostRecord::BestMove::MinimumLength)),
      currentRecord_(size_t(HostRecord::CurrentMove::MinimumLength)),
      depthRecord_(size_t(HostRecord::Depth::MinimumLength)),
      statusRecord_(size_t(HostRecord::Status::MinimumLength)) {
    if (coreActive.exchange(true)) throw std::logic_error("a front end is already running in this process");
    morlixSetNotificationHandler(&SearchCore::onNotification, this);
    eng_.eng1(bestRecord_.data(), currentRecord_.data(), depthRecord_.data(), 0, statusRecord_.data());
}

SearchCore::~SearchCore() {
    requestStop(true);
    waitForWork();
    eng_.eng2();
    morlixSetNotificationHandler(nullptr, nullptr);
    coreActive.store(false);
}

void SearchCore::resetEngine() {
    finishWork();
    eng_.eng2();
    eng_.eng1(bestRecord_.data(), currentRecord_.data(), depthRecord_.data(), 0, statusRecord_.data());
}

void SearchCore::startSearch(const chess::Game& game, const uci::SearchPlan& plan) {
    auto search = std::make_unique<Search>(Search{game.current, chess::GameRecord(game), plan, {}, 0, false, {}, {}});
    search->record.setTimeMode(plan.timeMode);
    search->record.setRemainingSeconds(plan.remainingSeconds);
    search->record.setIncrementSeconds(plan.incrementSeconds);
    search->record.setMovesToGo(plan.movesToGo);
    search->record.setFixedDepth(plan.fixedDepth);
    search->iterationStarts.reserve(64);

    waitForWork();
    search_ = std::move(search);
    search_->start = Clock::now();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = false;
        perftRunning_ = false;
        stopWanted_ = false;
        hostStop_ = false;
        forceStop_ = false;
        abandoned_ = false;
    }
    worker_ = std::thread(&SearchCore::searchThread, this);
    supervisor_ = std::thread(&SearchCore::supervisorThread, this);
}

void SearchCore::startPerft(const chess::Board& board, int depth) {
    waitForWork();
    perftStop_.store(false);
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = false;
        perftRunning_ = true;
    }
    worker_ = std::thread(&SearchCore::perftThread, this, board, depth);
}

void SearchCore::perftThread(chess::Board board, int depth) {
    // Each move's count goes out as soon as it is known, so a stopped perft has printed what it counted.
    const std::vector<chess::Move> moves = board.legalMoves();
    uint64_t total = 0;
    size_t counted = 0;
    for (const chess::Move& move : moves) {
        chess::Board next = board;
        next.apply(move);
        const uint64_t count = chess::perft(next, depth - 1, perftStop_);
        if (perftStop_.load()) break;
        out_.line(chess::moveToUci(move) + ": " + std::to_string(count));
        total += count;
        ++counted;
    }
    if (counted < moves.size()) {
        listener_->remark("perft stopped after " + std::to_string(counted) + " of " + std::to_string(moves.size()) +
                          " moves; " + std::to_string(total) + " nodes counted");
    } else {
        out_.line("");
        out_.line("Nodes searched: " + std::to_string(total));
    }
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = true;
    }
    stateChanged_.notify_all();
}

void SearchCore::endOfInput() {
    // Nobody is left to send a stop: a search that waits for it is stopped; other work, a perft too, is
    // finished.
    bool perft = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        perft = perftRunning_;
    }
    if (!perft && search_ && search_->plan.untilStop) requestStop(false);
    waitForWork();
}

void SearchCore::requestStop(bool force) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (workDone_) return;
        if (perftRunning_) {
            perftStop_.store(true);
            return;
        }
        stopWanted_ = true;
        forceStop_ = forceStop_ || force;
    }
    stateChanged_.notify_all();
}

void SearchCore::finishWork() {
    bool perft = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        perft = perftRunning_;
    }
    if (!perft) requestStop(false);
    waitForWork();
}

void SearchCore::abandon() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (!workDone_ && !perftRunning_) abandoned_ = true;
    }
    requestStop(true);
    waitForWork();
}

void SearchCore::waitForWork() {
    if (worker_.joinable()) worker_.join();
    if (supervisor_.joinable()) supervisor_.join();
}

void SearchCore::searchThread() {
    Search& search = *search_;
    eng_.eng9(search.record.data());

    SearchOutcome outcome;
    const std::vector<chess::Move> legal = search.board.legalMoves();
    std::string why;
    if (!legal.empty()) {
        const auto match = std::find_if(legal.begin(), legal.end(), [&](const chess::Move& move) {
            return search.reported && move.from == search.best.from && move.to == search.best.to &&
                   move.promotion == search.best.promotion;
        });
        if (match != legal.end()) {
            outcome.move = *match;
        } else {
            outcome.move = legal.front();
            const std::string played = chess::moveToUci(legal.front());
            why = search.reported ? "the engine's move " + chess::moveToUci(search.best) + " is not legal here; playing " +
                                        played
                                  : "the engine reported no move; playing " + played;
        }
    }
    outcome.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - search.start).count();
    {
        // Abandoned or not is settled here, with the end of the work, so a late abandon() cannot miss it.
        std::lock_guard<std::mutex> lock(stateMutex_);
        outcome.abandoned = abandoned_;
        workDone_ = true;
    }
    stateChanged_.notify_all();
    if (!why.empty() && !outcome.abandoned) listener_->remark(why);
    listener_->searchFinished(outcome);
}

void SearchCore::supervisorThread() {
    Search& search = *search_;
    const auto after = [&](const std::optional<int64_t>& ms) {
        return ms ? search.start + std::chrono::milliseconds(*ms) : Clock::time_point::max();
    };
    const Clock::time_point hard = after(search.plan.hardMs);
    const Clock::time_point lastResort = after(search.plan.lastResortMs);
    bool stopping = false;
    std::unique_lock<std::mutex> lock(stateMutex_);
    while (!workDone_) {
        const Clock::time_point now = Clock::now();
        if (!stopping) {
            // Stop once depth 1 has given a searched move, unless the GUI's clock is about to run out.
            const bool wanted = stopWanted_ || hostStop_ || now >= hard;
            stopping = forceStop_ || (wanted && search.reported) || now >= lastResort;
            if (stopping && !search.reported && !forceStop_)
                listener_->remark("no move reported yet, stopped with the clock about to run out");
            else if (stopping && !stopWanted_ && !hostStop_)
                listener_->remark("stopped at the hard limit of " + std::to_string(*search.plan.hardMs) + " ms");
        }
        if (stopping) {
            // Repeated until the search returns: a stop that lands before Eng9 has cleared its flag
            // would otherwise be lost.
            lock.unlock();
            eng_.eng3();
            lock.lock();
            stateChanged_.wait_for(lock, StopRepeat, [this] { return workDone_; });
        } else if (now < hard) {
            stateChanged_.wait_until(lock, hard);
        } else if (now < lastResort && lastResort != Clock::time_point::max()) {
            stateChanged_.wait_until(lock, lastResort);
        } else {
            stateChanged_.wait(lock);
        }
    }
}

void SearchCore::receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    if (!search_) return;
    Search& search = *search_;
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    const int64_t elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - search.start).count();
    if (n.code == NOTIFY_DEPTH) {
        search.iterationStarts.push_back(elapsed);
        if (const std::optional<std::string> why = uci::stopAtIteration(search.plan, search.iterationStarts)) {
            // No line for an iteration that is stopped as it begins.
            search.lastDepth = n.depth;
            listener_->remark(*why);
            // Eng3 is a single store, safe from inside a notification: the search sees it at its next
            // poll, before it has spent anything on this iteration. The supervisor repeats it.
            eng_.eng3();
            {
                std::lock_guard<std::mutex> lock(stateMutex_);
                hostStop_ = true;
            }
            stateChanged_.notify_all();
            return;
        }
    }
    listener_->searchNotification(n, search.lastDepth, elapsed);
    if (n.code == NOTIFY_DEPTH) search.lastDepth = n.depth;
    if (n.code == NOTIFY_BEST_MOVE) {
        search.best = chess::Move{n.line.from, n.line.to, n.line.flags, n.line.promotion};
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            search.reported = true;
        }
        stateChanged_.notify_all();
    }
}

int32_t SearchCore::onNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2,
                                   void* record) {
    static_cast<SearchCore*>(context)->receive(code, hostParam1, hostParam2, record);
    return 0;
}

} // namespace frontend
