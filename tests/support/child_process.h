// Test fixture: a program run with pipes on its standard input and output, read line by line with a
// time limit, as a GUI or match tool drives an engine.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts argv[0] with the given arguments; standard error is inherited. extraEnvironment holds
    // NAME=VALUE entries added to the child's environment.
    explicit ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void send(const std::string& line);
    void closeInput();
    // The next line, or nothing when the limit passes or the output ends first.
    std::optional<std::string> readLine(std::chrono::milliseconds limit);
    bool outputEnded() const { return ended_; }
    // The exit status (the signal number + 128 for a killed child), or nothing if it has not exited
    // within the limit; it is then killed.
    std::optional<int> wait(std::chrono::milliseconds limit);

private:
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool ended_ = false;
    std::string buffer_;
    std::optional<int> status_;
};
