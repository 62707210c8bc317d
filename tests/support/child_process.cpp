#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment) {
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
    // Prepared before fork: the child only calls async-signal-safe functions.
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.push_back(*entry);
    for (const std::string& entry : extraEnvironment) environment.push_back(const_cast<char*>(entry.c_str()));
    environment.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        close(toChild[0]);
        close(toChild[1]);
        close(fromChild[0]);
        close(fromChild[1]);
        execve(args[0], args.data(), environment.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
    fcntl(input_, F_SETFD, FD_CLOEXEC);
    fcntl(output_, F_SETFD, FD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    closeInput();
    wait(std::chrono::milliseconds(10000));
    if (output_ >= 0) close(output_);
}

void ChildProcess::send(const std::string& line) {
    if (input_ < 0) return;
    const std::string text = line + "\n";
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(input_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // the child has gone; its exit status tells the test
        written += size_t(n);
    }
}

void ChildProcess::closeInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const size_t newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        if (ended_) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd descriptor{output_, POLLIN, 0};
        const int ready = poll(&descriptor, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char chunk[4096];
        const ssize_t n = read(output_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ended_ = true;
            continue;
        }
        buffer_.append(chunk, size_t(n));
    }
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
    if (status_ || pid_ <= 0) return status_;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (Clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            status_ = 128 + SIGKILL;
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
