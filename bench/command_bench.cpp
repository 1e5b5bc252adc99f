// Whole commands timed side by side: each run is a fresh process, and its time is the CPU time
// the kernel charged to it (user plus system), which the other tenants of a shared machine hardly
// move, unlike wall time (kept beside it as a counter).
//
//   command_bench [--benchmark_...] -- NAME PROGRAM ARGS... [-- NAME PROGRAM ARGS...]
//
// Standard input and output are /dev/null; standard error is kept. A run that fails to start or
// exits with anything but 0 fails its benchmark.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace {

struct Command {
    std::string name;
    std::vector<std::string> arguments;
};

struct RunResult {
    bool succeeded = false;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

class SpawnActions {
  public:
    SpawnActions() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

RunResult runOnce(const Command& command) {
    static const SpawnActions actions;
    std::vector<char*> argv;
    for (const auto& argument : command.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], actions.get(), nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return {};
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0,
            seconds(usage.ru_utime) + seconds(usage.ru_stime), wall.count()};
}

void runCommand(benchmark::State& state, const Command& command) {
    double wallTotal = 0;
    for (auto _ : state) {
        const RunResult run = runOnce(command);
        if (!run.succeeded) {
            state.SkipWithError(("'" + command.arguments.front() + "' failed").c_str());
            return;
        }
        state.SetIterationTime(run.cpuSeconds);
        wallTotal += run.wallSeconds;
    }
    state.counters["wall_ms"] =
        benchmark::Counter(wallTotal * 1e3, benchmark::Counter::kAvgIterations);
}

std::vector<Command> parseCommands(int argc, char** argv) {
    std::vector<Command> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            commands.emplace_back();
        } else if (commands.empty()) {
            return {};
        } else if (commands.back().name.empty()) {
            commands.back().name = argument;
        } else {
            commands.back().arguments.emplace_back(argument);
        }
    }
    for (const auto& command : commands)
        if (command.arguments.empty())
            return {};
    return commands;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<Command> commands = parseCommands(argc, argv);
    if (commands.empty()) {
        std::fprintf(stderr,
                     "usage: command_bench [--benchmark_...] -- NAME PROGRAM ARGS... "
                     "[-- NAME PROGRAM ARGS...]\n");
        return 2;
    }
    for (const auto& command : commands)
        benchmark::RegisterBenchmark(command.name.c_str(), runCommand, command)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
