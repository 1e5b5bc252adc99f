#include "desktops/xwayland.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace sonaris::testing {

namespace {

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<pid_t> children(pid_t parent) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(parent) + "/task", error)) {
        std::istringstream in(readWhole(task.path() / "children"));
        for (pid_t child = 0; in >> child;)
            found.push_back(child);
    }
    return found;
}

}  // namespace

Environment XwaylandServer::clientEnvironment(Environment base) const {
    if (!display.empty())
        base["DISPLAY"] = display;
    if (!authority.empty())
        base["XAUTHORITY"] = authority;
    return base;
}

std::optional<XwaylandServer> findXwayland(pid_t compositor) {
    std::vector<pid_t> pending{compositor};
    while (!pending.empty()) {
        pid_t pid = pending.back();
        pending.pop_back();
        std::vector<std::string> arguments;
        std::istringstream in(readWhole("/proc/" + std::to_string(pid) + "/cmdline"));
        for (std::string argument; std::getline(in, argument, '\0');)
            arguments.push_back(argument);
        if (!arguments.empty() && arguments[0].ends_with("Xwayland")) {
            XwaylandServer server;
            for (std::size_t i = 1; i < arguments.size(); ++i) {
                if (arguments[i].starts_with(":"))
                    server.display = arguments[i];
                if (arguments[i] == "-auth" && i + 1 < arguments.size())
                    server.authority = arguments[i + 1];
            }
            if (!server.display.empty())
                return server;
        }
        for (pid_t child : children(pid))
            pending.push_back(child);
    }
    return std::nullopt;
}

void ensureXSocketFolder() {
    if (!std::filesystem::exists("/tmp/.X11-unix")) {
        mkdir("/tmp/.X11-unix", 01777);
        chmod("/tmp/.X11-unix", 01777);
    }
}

}  // namespace sonaris::testing
