#include "cli/virtual_display.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace sonaris::testing {

std::optional<VirtualDisplay> VirtualDisplay::start(const std::string& screen) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> arguments = {"Xvfb", "-displayfd", "3",         "-screen",
                                          "0",    screen,       "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    int error = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (error != 0) {
        close(ready[0]);
        return std::nullopt;
    }
    // Xvfb writes the display number it took once it accepts connections.
    std::string number;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{ready[0], POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0)
            continue;
        char buffer[16];
        ssize_t length = read(ready[0], buffer, sizeof buffer);
        if (length <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(length));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return std::nullopt;
    }
    number.erase(number.find('\n'));
    return VirtualDisplay(pid, ":" + number);
}

VirtualDisplay::VirtualDisplay(VirtualDisplay&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), name_(std::move(other.name_)) {}

VirtualDisplay& VirtualDisplay::operator=(VirtualDisplay&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        name_ = std::move(other.name_);
    }
    return *this;
}

VirtualDisplay::~VirtualDisplay() {
    stop();
}

void VirtualDisplay::stop() {
    if (pid_ <= 0)
        return;
    pid_t pid = std::exchange(pid_, -1);
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace sonaris::testing
