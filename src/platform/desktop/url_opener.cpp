#include "platform/desktop/url_opener.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace sonaris::platform::desktop {

namespace {

// The handler must not inherit the widget's blocked signals or its dispositions.
class SpawnAttributes {
  public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGINT, SIGTERM, SIGCHLD, SIGPIPE, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &attributes_; }

  private:
    posix_spawnattr_t attributes_;
};

}  // namespace

void UrlOpener::open(const foundation::URL& url) {
    SpawnAttributes attributes;
    std::string program = handler_;
    std::string argument = url.absoluteString();
    std::vector<char*> argv{program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    int error =
        posix_spawnp(&pid, program.c_str(), nullptr, attributes.get(), argv.data(), environ);
    if (error != 0) {
        if (error == ENOENT)
            report_("cannot open " + argument + ": " + handler_ + " is not installed");
        else
            report_("cannot open " + argument + ": " + handler_ + ": " + std::strerror(error));
        return;
    }
    running_[pid] = argument;
}

void UrlOpener::reap() {
    for (auto it = running_.begin(); it != running_.end();) {
        int status = 0;
        pid_t pid;
        do {
            pid = waitpid(it->first, &status, WNOHANG);
        } while (pid < 0 && errno == EINTR);
        if (pid == 0) {
            ++it;
            continue;
        }
        if (pid > 0) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
                report_("cannot open " + it->second + ": " + handler_ + " could not be run");
            else if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
                report_("cannot open " + it->second + ": " + handler_ + " exited with status " +
                        std::to_string(WEXITSTATUS(status)));
            else if (WIFSIGNALED(status))
                report_("cannot open " + it->second + ": " + handler_ + " was killed by signal " +
                        std::to_string(WTERMSIG(status)));
        }
        it = running_.erase(it);
    }
}

}  // namespace sonaris::platform::desktop
