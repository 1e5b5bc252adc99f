#include "cli/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

namespace sonaris::testing {

namespace {

struct Spawned {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

std::optional<Spawned> spawn(const std::string& program, const ProcessOptions& options,
                             bool captureOut) {
    int outPipe[2] = {-1, -1};
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return std::nullopt;
    if (captureOut && pipe2(outPipe, O_CLOEXEC) != 0)
        return std::nullopt;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (options.standardOutput)
        posix_spawn_file_actions_addopen(&actions, 1, options.standardOutput->c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    else if (captureOut)
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());

    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (auto& text : argvText)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (const auto& [name, value] : options.environment)
        envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envText)
        envp.push_back(text.data());
    envp.push_back(nullptr);

    Spawned spawned;
    int error =
        posix_spawn(&spawned.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    if (captureOut)
        close(outPipe[1]);
    if (error != 0) {
        close(errPipe[0]);
        if (captureOut)
            close(outPipe[0]);
        return std::nullopt;
    }
    spawned.err = errPipe[0];
    spawned.out = captureOut ? outPipe[0] : -1;
    return spawned;
}

bool readSome(int fd, std::string& into) {
    char buffer[4096];
    ssize_t length = read(fd, buffer, sizeof buffer);
    if (length > 0)
        into.append(buffer, static_cast<std::size_t>(length));
    return length > 0 || (length < 0 && (errno == EINTR || errno == EAGAIN));
}

int exitStatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult runProcess(const std::string& program, const ProcessOptions& options) {
    ProcessResult result;
    auto spawned = spawn(program, options, !options.standardOutput);
    if (!spawned)
        return result;
    auto deadline = std::chrono::steady_clock::now() + options.timeout;
    bool outOpen = spawned->out >= 0;
    bool errOpen = true;
    while (outOpen || errOpen) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(spawned->pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{outOpen ? spawned->out : -1, POLLIN, 0},
                         {errOpen ? spawned->err : -1, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        if (fds[0].revents && !readSome(spawned->out, result.out))
            outOpen = false;
        if (fds[1].revents && !readSome(spawned->err, result.err))
            errOpen = false;
    }
    int status = 0;
    waitpid(spawned->pid, &status, 0);
    if (spawned->out >= 0)
        close(spawned->out);
    close(spawned->err);
    result.exitStatus = result.timedOut ? -1 : exitStatusOf(status);
    return result;
}

std::optional<BackgroundProcess> BackgroundProcess::start(const std::string& program,
                                                          const ProcessOptions& options) {
    auto spawned = spawn(program, options, false);
    if (!spawned)
        return std::nullopt;
    fcntl(spawned->err, F_SETFL, O_NONBLOCK);
    return BackgroundProcess(spawned->pid, spawned->err);
}

BackgroundProcess::BackgroundProcess(BackgroundProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      err_(std::exchange(other.err_, -1)),
      status_(other.status_),
      errText_(std::move(other.errText_)) {}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (err_ >= 0)
        close(err_);
}

long BackgroundProcess::cpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold spaces.
    auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::stol(field);
        if (index == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

bool BackgroundProcess::running() {
    if (status_)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = exitStatusOf(status);
        return false;
    }
    return true;
}

std::optional<int> BackgroundProcess::stop(int signal, std::chrono::milliseconds timeout) {
    if (!running())
        return status_;
    kill(pid_, signal);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!running())
            return status_;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::string BackgroundProcess::errorOutput() {
    if (err_ >= 0) {
        char buffer[4096];
        ssize_t length;
        while ((length = read(err_, buffer, sizeof buffer)) > 0)
            errText_.append(buffer, static_cast<std::size_t>(length));
    }
    return errText_;
}

Environment baseEnvironment(const std::filesystem::path& home) {
    Environment environment{{"HOME", home.string()},
                            {"PATH", "/usr/local/bin:/usr/bin:/bin"},
                            {"LANG", "C.UTF-8"},
                            {"TZ", "UTC"}};
    // A sanitized build of the program runs under the same sanitizer settings as its tests.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            environment[name] = value;
    // The list of suppressions used would otherwise land on the program's stderr.
    if (environment.contains("LSAN_OPTIONS"))
        environment["LSAN_OPTIONS"] += ":print_suppressions=0";
    return environment;
}

}  // namespace sonaris::testing
