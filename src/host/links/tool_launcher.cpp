#include "host/links/tool_launcher.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "host/links/notification.hpp"
#include "host/links/one_line.hpp"

extern char** environ;

namespace sonaris::host::links {
namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

  private:
    int fd_;
};

class SpawnAttributes {
  public:
    SpawnAttributes() { ok_ = ::posix_spawnattr_init(&value_) == 0; }
    ~SpawnAttributes() {
        if (ok_) {
            ::posix_spawnattr_destroy(&value_);
        }
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &value_; }

  private:
    posix_spawnattr_t value_{};
    bool ok_ = false;
};

class SpawnFileActions {
  public:
    SpawnFileActions() { ok_ = ::posix_spawn_file_actions_init(&value_) == 0; }
    ~SpawnFileActions() {
        if (ok_) {
            ::posix_spawn_file_actions_destroy(&value_);
        }
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &value_; }

  private:
    posix_spawn_file_actions_t value_{};
    bool ok_ = false;
};

std::string_view toolName(HostAction action) {
    switch (action) {
        case HostAction::recordScreen:
            return "screen recording";
        case HostAction::recordAudio:
            return "audio recording";
        case HostAction::editor:
            return "editor";
        default:
            return "player";
    }
}

// Whether the tool may share our output `fd`. Not a pipe: whoever reads it (a caller capturing
// `sonaris-host open`) would wait for the tool to quit before seeing its end. A terminal, a file
// or the journal's socket keep the tool's messages where ours go.
bool passesOn(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && !S_ISFIFO(status.st_mode);
}

// The attributes and descriptors the tool starts with: its own session, the default signal
// dispositions and an empty mask (a daemon may ignore or block signals a tool relies on), and
// nothing of ours open but what is listed.
int prepare(SpawnAttributes& attributes, SpawnFileActions& actions) {
    if (!attributes.ok() || !actions.ok()) {
        return ENOMEM;
    }
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    int status = ::posix_spawnattr_setflags(
        attributes.get(), POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (status == 0) {
        status = ::posix_spawnattr_setsigmask(attributes.get(), &none);
    }
    if (status == 0) {
        status = ::posix_spawnattr_setsigdefault(attributes.get(), &all);
    }
    if (status == 0) {
        status = ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null",
                                                    O_RDONLY, 0);
    }
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (status == 0 && !passesOn(fd)) {
            status =
                ::posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/null", O_WRONLY, 0);
        }
    }
    if (status == 0) {
        status = ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
    }
    return status;
}

// Starts argv as a grandchild: a short-lived child spawns it and exits at once, so the tool is
// re-parented to the system, which reaps it. Returns 0 or the errno of the failed start.
int spawnDetached(const std::vector<std::string>& argv) {
    SpawnAttributes attributes;
    SpawnFileActions actions;
    if (const int status = prepare(attributes, actions); status != 0) {
        return status;
    }
    // Everything the child needs is built here: between fork and exec it may only make system
    // calls, since another thread of ours may have held the allocator's lock at the fork.
    std::vector<char*> arguments;
    arguments.reserve(argv.size() + 1);
    for (const auto& argument : argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return errno;
    }
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    // Signals stay blocked in the short-lived child, where our handlers (a daemon's SIGTERM
    // handler, say) must not run; the tool's mask is reset by the spawn attributes.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t middle = ::fork();
    const int forkError = errno;
    if (middle != 0) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    if (middle < 0) {
        return forkError;
    }
    if (middle == 0) {
        // glibc's posix_spawnp searches PATH and execs without allocating, so it is safe here.
        pid_t tool = 0;
        const int status = ::posix_spawnp(&tool, arguments[0], actions.get(), attributes.get(),
                                          arguments.data(), environ);
        [[maybe_unused]] const auto written = ::write(writeEnd.get(), &status, sizeof status);
        ::_exit(0);
    }
    writeEnd.reset();

    int status = 0;
    ssize_t got = 0;
    do {
        got = ::read(readEnd.get(), &status, sizeof status);
    } while (got < 0 && errno == EINTR);
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof status)) {
        return ECHILD;
    }
    return status;
}

std::string configPlace() {
    const auto path = hostConfigPath();
    return oneLine(path ? path->string() : std::string("$XDG_CONFIG_HOME/sonaris/host.toml"));
}

}  // namespace

int runToolAction(HostAction action, const HostConfig& config, std::ostream& err) {
    const auto key = commandKeyOf(action);
    if (!key) {
        err << "sonaris-host: " << urlOf(action) << " is a player action, not a tool\n";
        return 1;
    }
    const auto found = config.commands.find(action);
    if (found == config.commands.end() || found->second.empty() || found->second[0].empty()) {
        const std::string place = configPlace();
        err << "sonaris-host: no " << toolName(action) << " command is set: add " << *key
            << " under [commands] in " << place;
        // The most likely reason for an unset tool is a misspelt key; one line still says so.
        if (!config.warnings.empty()) {
            err << "; " << config.warnings.front();
        }
        err << '\n';
        notifyUser("No " + std::string(toolName(action)) + " command is set",
                   "Add " + std::string(*key) + " under [commands] in " + place + ".");
        return 1;
    }
    const auto& argv = found->second;
    if (const int status = spawnDetached(argv); status != 0) {
        const std::string reason = std::generic_category().message(status);
        const std::string program = oneLine(argv[0]);
        err << "sonaris-host: cannot start the " << toolName(action) << " command '" << program
            << "': " << reason << '\n';
        notifyUser("Could not start the " + std::string(toolName(action)) + " command",
                   program + ": " + reason);
        return 1;
    }
    return 0;
}

}  // namespace sonaris::host::links
