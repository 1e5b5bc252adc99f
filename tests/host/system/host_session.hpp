#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/process.hpp"
#include "platform/runtime/scratch_folder.hpp"
#include "state/widget_shared_state.hpp"

namespace sonaris::testing {

using namespace std::chrono_literals;

// One test's world: a scratch home and a private session bus (a dbus-daemon of its own, ended
// with the test), with helpers to start the host, mpv and scripted players.
class HostSession {
  public:
    HostSession();

    // False when the private bus did not come up.
    bool hasBus() const { return !busAddress_.empty(); }
    Environment environment() const;
    const ScratchFolder& home() const { return home_; }
    // The session's runtime folder ($XDG_RUNTIME_DIR, inside the scratch home) and the host's
    // folder in it, where the widget's files go.
    std::filesystem::path runtimeFolder() const { return home_.path() / "run"; }
    std::filesystem::path liveFolder() const { return runtimeFolder() / "sonaris"; }
    // Where the files went before there was a runtime folder, and still go without one.
    std::filesystem::path containerFolder() const;
    std::filesystem::path statePath() const { return liveFolder() / "widget_state.json"; }
    std::filesystem::path coverPath() const { return liveFolder() / "widget_cover.jpg"; }

    std::optional<BackgroundProcess> startHost(std::vector<std::string> arguments = {}) const;
    ProcessResult runHost(std::vector<std::string> arguments) const;

    // A scripted player (fake_player.py) named org.mpris.MediaPlayer2.NAME.
    std::optional<BackgroundProcess> startFakePlayer(const std::string& name,
                                                     const std::string& initialJson) const;
    bool setFake(const std::string& name, const std::string& json, bool quietly = false) const;
    std::string fakeCalls(const std::string& name) const;

    // mpv with the MPRIS plugin, playing `file` (paused at the start with `paused`).
    std::optional<BackgroundProcess> startMpv(const std::filesystem::path& file,
                                              bool paused = false) const;
    // An audio file of `seconds` with tags, made by mpv; nothing when mpv cannot.
    std::optional<std::filesystem::path> makeTaggedAudio(const std::string& name,
                                                         const std::string& title,
                                                         int seconds) const;

    std::optional<state::WidgetSharedState> readState() const;
    // The first state read that satisfies `test`, polling until `limit`.
    std::optional<state::WidgetSharedState> waitForState(
        const std::function<bool(const state::WidgetSharedState&)>& test,
        std::chrono::milliseconds limit = 20s) const;

  private:
    ScratchFolder home_;
    std::optional<BackgroundProcess> bus_;
    std::string busAddress_;
};

// Polls `test` until it holds or `limit` passes.
bool waitUntil(const std::function<bool()>& test, std::chrono::milliseconds limit = 20s);

// The mpv MPRIS plugin where Debian puts it; empty when it is not installed.
std::string mprisPlugin();

// A picture file made with ImageMagick; false when that is not there.
bool makePicture(const std::filesystem::path& path, int width, int height);

// A process's peak resident memory in kB (VmHWM), or -1 when it cannot be read.
long peakResidentKilobytes(pid_t pid);

}  // namespace sonaris::testing
