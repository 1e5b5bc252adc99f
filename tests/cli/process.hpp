#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sonaris::testing {

using Environment = std::map<std::string, std::string>;

struct ProcessOptions {
    std::vector<std::string> arguments;  // without the program
    Environment environment;             // the child's whole environment
    std::filesystem::path workingFolder = ".";
    std::optional<std::filesystem::path> standardOutput;  // a file instead of a pipe
    std::chrono::milliseconds timeout{30000};
};

struct ProcessResult {
    int exitStatus = -1;  // -1 when killed by a signal or over time
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs `program` to its end (or kills it after the timeout) and collects its output.
ProcessResult runProcess(const std::string& program, const ProcessOptions& options);

// A program left running in the background; killed when the value goes out of scope.
class BackgroundProcess {
  public:
    static std::optional<BackgroundProcess> start(const std::string& program,
                                                  const ProcessOptions& options);
    BackgroundProcess(BackgroundProcess&& other) noexcept;
    BackgroundProcess& operator=(BackgroundProcess&&) = delete;
    ~BackgroundProcess();

    pid_t pid() const { return pid_; }
    // CPU time used so far, user and system, in clock ticks.
    long cpuTicks() const;
    // Whether it is still running.
    bool running();
    // Sends `signal` and waits (bounded) for the end; the exit status, or nothing.
    std::optional<int> stop(int signal, std::chrono::milliseconds timeout);
    // What it has written to stderr so far.
    std::string errorOutput();

  private:
    BackgroundProcess(pid_t pid, int err) : pid_(pid), err_(err) {}

    pid_t pid_ = -1;
    int err_ = -1;
    std::optional<int> status_;
    std::string errText_;
};

// The environment tests give the program: a scratch home, the usual PATH, no display.
Environment baseEnvironment(const std::filesystem::path& home);

}  // namespace sonaris::testing
