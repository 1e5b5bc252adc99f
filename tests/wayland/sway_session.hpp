#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/process.hpp"

namespace sonaris::testing {

// A screenshot or a rendered picture: premultiplied ARGB32 words, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
std::optional<Picture> readPicture(const std::filesystem::path& png);

// A headless sway of one output with a solid background. Sway refuses to run as root, so a root
// test runs it as an unprivileged user (made on first need) with a runtime folder of its own;
// clients run as root reach it through that folder.
class SwaySession {
  public:
    struct Options {
        int width = 1280;
        int height = 720;
        double scale = 1;
    };
    static constexpr std::uint32_t background = 0xff336699;

    // The session, or why sway cannot run here at all.
    static std::variant<std::unique_ptr<SwaySession>, std::string> start(const Options& options);
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    // What a client needs to reach the compositor, over `base`.
    Environment clientEnvironment(Environment base) const;
    ProcessResult swaymsg(std::vector<std::string> arguments) const;
    // The whole desktop, one output, or a region ("X,Y WxH" in logical units), in pixels at the
    // first output's scale.
    std::optional<Picture> screenshot(const std::string& output = "",
                                      const std::string& region = "") const;
    // The sway log so far, for failure messages.
    std::string log() const;

    const Options& options() const { return options_; }

  private:
    SwaySession() = default;
    bool waitUntilReady(std::chrono::milliseconds limit);

    Options options_;
    std::filesystem::path runtimeFolder_;
    std::filesystem::path ipcSocket_;
    mutable std::optional<BackgroundProcess> sway_;
};

}  // namespace sonaris::testing
