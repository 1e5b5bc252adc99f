#include "host/system/host_session.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "state/state_json.hpp"

namespace sonaris::testing {

HostSession::HostSession() {
    std::filesystem::create_directory(runtimeFolder());
    std::filesystem::permissions(runtimeFolder(), std::filesystem::perms::owner_all);
    auto socket = home_.path() / "bus";
    ProcessOptions options;
    options.arguments = {"--session", "--nofork", "--nopidfile",
                         "--address=unix:path=" + socket.string()};
    options.environment = baseEnvironment(home_.path());
    if (auto daemon = BackgroundProcess::start("/usr/bin/dbus-daemon", options))
        bus_.emplace(std::move(*daemon));
    if (bus_ && waitUntil([&] { return std::filesystem::exists(socket); }, 10s))
        busAddress_ = "unix:path=" + socket.string();
}

Environment HostSession::environment() const {
    auto environment = baseEnvironment(home_.path());
    environment["DBUS_SESSION_BUS_ADDRESS"] = busAddress_;
    environment["XDG_STATE_HOME"] = (home_.path() / ".local/state").string();
    environment["XDG_CONFIG_HOME"] = (home_.path() / ".config").string();
    environment["XDG_RUNTIME_DIR"] = runtimeFolder().string();
    // Python's own packages, not a version manager's that lacks python3-dbus.
    environment["PATH"] = "/usr/bin:/bin";
    return environment;
}

std::filesystem::path HostSession::containerFolder() const {
    return home_.path() / "Library/Containers/com.tavrin.sonaris.widget/Data/Documents";
}

std::optional<BackgroundProcess> HostSession::startHost(std::vector<std::string> arguments) const {
    ProcessOptions options;
    options.arguments = std::move(arguments);
    options.environment = environment();
    options.workingFolder = home_.path();
    return BackgroundProcess::start(SONARIS_HOST_BINARY, options);
}

ProcessResult HostSession::runHost(std::vector<std::string> arguments) const {
    ProcessOptions options;
    options.arguments = std::move(arguments);
    options.environment = environment();
    options.workingFolder = home_.path();
    options.timeout = 20s;
    return runProcess(SONARIS_HOST_BINARY, options);
}

std::optional<BackgroundProcess> HostSession::startFakePlayer(
    const std::string& name, const std::string& initialJson) const {
    ProcessOptions options;
    options.arguments = {SONARIS_HOST_TEST_DIR "/fake_player.py", name, initialJson};
    options.environment = environment();
    return BackgroundProcess::start("/usr/bin/python3", options);
}

bool HostSession::setFake(const std::string& name, const std::string& json, bool quietly) const {
    ProcessOptions options;
    options.arguments = {
        "--session",
        "--print-reply",
        "--dest=org.mpris.MediaPlayer2." + name,
        "/org/mpris/MediaPlayer2",
        std::string("com.tavrin.sonaris.FakePlayer.") + (quietly ? "SetQuietly" : "Set"),
        "string:" + json};
    options.environment = environment();
    options.timeout = 10s;
    return runProcess("/usr/bin/dbus-send", options).exitStatus == 0;
}

std::string HostSession::fakeCalls(const std::string& name) const {
    ProcessOptions options;
    options.arguments = {"--session", "--print-reply=literal",
                         "--dest=org.mpris.MediaPlayer2." + name, "/org/mpris/MediaPlayer2",
                         "com.tavrin.sonaris.FakePlayer.Calls"};
    options.environment = environment();
    options.timeout = 10s;
    auto out = runProcess("/usr/bin/dbus-send", options).out;
    // dbus-send prints a literal string after three spaces of indentation.
    return out.starts_with("   ") ? out.substr(3) : out;
}

std::optional<BackgroundProcess> HostSession::startMpv(const std::filesystem::path& file,
                                                       bool paused) const {
    ProcessOptions options;
    options.arguments = {"--no-config",    "--vo=null", "--ao=null",
                         "--really-quiet", "--idle=no", "--script=" + mprisPlugin(),
                         file.string()};
    if (paused)
        options.arguments.insert(options.arguments.begin(), "--pause");
    options.environment = environment();
    return BackgroundProcess::start("/usr/bin/mpv", options);
}

std::optional<std::filesystem::path> HostSession::makeTaggedAudio(const std::string& name,
                                                                  const std::string& title,
                                                                  int seconds) const {
    auto path = home_.path() / name;
    ProcessOptions options;
    options.arguments = {"--no-config",
                         "--really-quiet",
                         "--ao=null",
                         "--vo=null",
                         "--of=mp3",
                         "--oac=libmp3lame",
                         "--oset-metadata=title=" + title + ",artist=Тестовый артист,album=Альбом",
                         "--o=" + path.string(),
                         "av://lavfi:sine=frequency=440:duration=" + std::to_string(seconds)};
    options.environment = environment();
    options.timeout = 60s;
    auto result = runProcess("/usr/bin/mpv", options);
    if (result.exitStatus != 0 || !std::filesystem::exists(path))
        return std::nullopt;
    return path;
}

std::optional<state::WidgetSharedState> HostSession::readState() const {
    std::ifstream in(statePath(), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return state::decodeWidgetSharedState(text.str());
}

std::optional<state::WidgetSharedState> HostSession::waitForState(
    const std::function<bool(const state::WidgetSharedState&)>& test,
    std::chrono::milliseconds limit) const {
    std::optional<state::WidgetSharedState> found;
    waitUntil(
        [&] {
            auto state = readState();
            if (state && test(*state))
                found = std::move(state);
            return found.has_value();
        },
        limit);
    return found;
}

bool waitUntil(const std::function<bool()>& test, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        if (test())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string mprisPlugin() {
    for (const char* path : {"/usr/lib/mpv-mpris/mpris.so", "/etc/mpv/scripts/mpris.so",
                             "/usr/lib/x86_64-linux-gnu/mpv/scripts/mpris.so"})
        if (std::filesystem::exists(path))
            return path;
    return "";
}

bool makePicture(const std::filesystem::path& path, int width, int height) {
    ProcessOptions options;
    options.arguments = {"-size", std::to_string(width) + "x" + std::to_string(height),
                         "gradient:red-blue", path.string()};
    options.environment = baseEnvironment(path.parent_path());
    return runProcess("/usr/bin/convert", options).exitStatus == 0 && std::filesystem::exists(path);
}

long peakResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    return -1;
}

}  // namespace sonaris::testing
