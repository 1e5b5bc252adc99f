#include "wayland/sway_session.hpp"

#include <pwd.h>
#include <signal.h>
#include <spng.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

#include "platform/image/pixels.hpp"

namespace sonaris::testing {

namespace {

using namespace std::chrono_literals;

constexpr const char* testUser = "sonaris-test";

// The unprivileged user sway runs as under root, made when missing.
std::optional<passwd> testAccount() {
    if (!getpwnam(testUser)) {
        ProcessOptions options;
        options.arguments = {"-m", testUser};
        options.environment = {{"PATH", "/usr/sbin:/usr/bin:/sbin:/bin"}};
        runProcess("/usr/sbin/useradd", options);
    }
    passwd* account = getpwnam(testUser);
    if (!account)
        return std::nullopt;
    return *account;
}

}  // namespace

// Screenshots are read with libspng itself: the widget's picture loader holds every picture to
// what a cover may cost, and a whole desktop is far more.
std::optional<Picture> readPicture(const std::filesystem::path& png) {
    std::ifstream in(png, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(0), spng_ctx_free);
    spng_ihdr header{};
    std::size_t size = 0;
    if (!context || bytes.empty() ||
        spng_set_png_buffer(context.get(), bytes.data(), bytes.size()) != 0 ||
        spng_get_ihdr(context.get(), &header) != 0 ||
        spng_decoded_image_size(context.get(), SPNG_FMT_RGBA8, &size) != 0)
        return std::nullopt;
    std::vector<std::uint8_t> rgba(size);
    if (spng_decode_image(context.get(), rgba.data(), size, SPNG_FMT_RGBA8, 0) != 0)
        return std::nullopt;
    Picture picture{static_cast<int>(header.width), static_cast<int>(header.height), {}};
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const std::uint8_t* p = &rgba[i * 4];
        picture.pixels[i] = platform::image::premultipliedPixel(p[0], p[1], p[2], p[3]);
    }
    return picture;
}

std::variant<std::unique_ptr<SwaySession>, std::string> SwaySession::start(const Options& options) {
    if (access("/usr/bin/sway", X_OK) != 0 || access("/usr/bin/grim", X_OK) != 0)
        return std::string("sway or grim is not installed");
    std::unique_ptr<SwaySession> session(new SwaySession());
    session->options_ = options;
    std::string pattern = (std::filesystem::temp_directory_path() / "sonaris-sway-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return std::string("cannot make a runtime folder");
    session->runtimeFolder_ = pattern;
    std::filesystem::path config = session->runtimeFolder_ / "config";
    {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06x", background & 0xffffff);
        std::ofstream out(config);
        out << "output HEADLESS-1 resolution " << options.width << "x" << options.height
            << " scale " << options.scale << " bg " << colour << " solid_color\n"
            << "default_border none\n";
    }

    ProcessOptions swayOptions;
    swayOptions.environment = {{"XDG_RUNTIME_DIR", session->runtimeFolder_.string()},
                               {"WLR_BACKENDS", "headless"},
                               {"WLR_RENDERER", "pixman"},
                               {"WLR_LIBINPUT_NO_DEVICES", "1"},
                               {"PATH", "/usr/local/bin:/usr/bin:/bin"},
                               {"HOME", session->runtimeFolder_.string()}};
    std::string program = "/usr/bin/sway";
    swayOptions.arguments = {"-c", config.string()};
    if (geteuid() == 0) {
        auto account = testAccount();
        if (!account)
            return std::string("cannot make the unprivileged user ") + testUser + " for sway";
        std::filesystem::permissions(session->runtimeFolder_, std::filesystem::perms::owner_all);
        if (chown(session->runtimeFolder_.c_str(), account->pw_uid, account->pw_gid) != 0 ||
            chown(config.c_str(), account->pw_uid, account->pw_gid) != 0)
            return std::string("cannot hand the runtime folder to ") + testUser;
        swayOptions.arguments.insert(
            swayOptions.arguments.begin(),
            {"--reuid=" + std::to_string(account->pw_uid),
             "--regid=" + std::to_string(account->pw_gid), "--clear-groups", program});
        program = "/usr/bin/setpriv";
    }
    auto sway = BackgroundProcess::start(program, swayOptions);
    if (!sway)
        return std::string("sway cannot be started");
    session->sway_.emplace(std::move(*sway));
    if (!session->waitUntilReady(20s))
        return "sway did not start: " + session->log();
    return session;
}

SwaySession::~SwaySession() {
    if (sway_)
        sway_->stop(SIGTERM, 10s);
    std::error_code ignored;
    if (!runtimeFolder_.empty())
        std::filesystem::remove_all(runtimeFolder_, ignored);
}

std::string SwaySession::log() const {
    return sway_ ? sway_->errorOutput() : "";
}

bool SwaySession::waitUntilReady(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!sway_->running())
            return false;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(runtimeFolder_, error))
            if (entry.path().filename().string().starts_with("sway-ipc."))
                ipcSocket_ = entry.path();
        if (!ipcSocket_.empty() && std::filesystem::exists(runtimeFolder_ / "wayland-1") &&
            swaymsg({"-t", "get_outputs"}).exitStatus == 0) {
            // The background is drawn by swaybg, a client of its own: wait until it shows.
            auto shot = screenshot();
            if (shot && !shot->pixels.empty() &&
                shot->at(shot->width / 2, shot->height / 2) == background)
                return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

Environment SwaySession::clientEnvironment(Environment base) const {
    base["XDG_RUNTIME_DIR"] = runtimeFolder_.string();
    base["WAYLAND_DISPLAY"] = "wayland-1";
    base["SWAYSOCK"] = ipcSocket_.string();
    return base;
}

ProcessResult SwaySession::swaymsg(std::vector<std::string> arguments) const {
    ProcessOptions options;
    options.arguments = {"-s", ipcSocket_.string()};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.environment = clientEnvironment({{"PATH", "/usr/bin:/bin"}});
    options.timeout = 20s;
    return runProcess("/usr/bin/swaymsg", options);
}

std::optional<Picture> SwaySession::screenshot(const std::string& output,
                                               const std::string& region) const {
    std::filesystem::path file = runtimeFolder_ / "shot.png";
    ProcessOptions options;
    // At the output's own scale, which for a fractional one grim would otherwise round up.
    std::ostringstream scale;
    scale << options_.scale;
    options.arguments = {"-t", "png", "-l", "0", "-s", scale.str()};
    if (!output.empty())
        options.arguments.insert(options.arguments.end(), {"-o", output});
    if (!region.empty())
        options.arguments.insert(options.arguments.end(), {"-g", region});
    options.arguments.push_back(file.string());
    options.environment = clientEnvironment({{"PATH", "/usr/bin:/bin"}});
    options.timeout = 20s;
    if (runProcess("/usr/bin/grim", options).exitStatus != 0)
        return std::nullopt;
    return readPicture(file);
}

}  // namespace sonaris::testing
