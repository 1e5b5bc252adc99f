#include "host/daemon/daemon.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <ostream>

#include <sdbus-c++/sdbus-c++.h>

#include "host/art/cover_art_fetcher.hpp"
#include "host/daemon/host_bus.hpp"
#include "host/daemon/host_files_writer.hpp"
#include "host/daemon/state_composer.hpp"
#include "host/daemon/status_json.hpp"
#include "host/daemon/track_history.hpp"
#include "host/players/player_control.hpp"
#include "host/players/player_name.hpp"
#include "host/players/player_watcher.hpp"
#include "platform/foundation/file.hpp"
#include "state/state_json.hpp"

namespace sonaris::host::daemon {
namespace {

using players::SteadyClock;
using namespace std::chrono_literals;

// Changes that come in a burst (a new track: status, metadata, position) make one write.
constexpr auto coalesceDelay = 3ms;
// How long a new track's state waits for its cover, so the widget does not show the old one.
constexpr auto artHold = 1000ms;
// How long a position refresh waits for the player's answer before writing the estimate.
constexpr auto positionReplyWait = 250ms;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

class Daemon {
  public:
    Daemon(const DaemonOptions& options, std::ostream& err)
        : options_(options), err_(err), writer_(options.containerFolder, options.coverOwnerMark) {
        if (options_.historyFile)
            if (auto rows = loadHistory(*options_.historyFile))
                history_ = TrackHistory(*rows);
    }

    int run() {
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGHUP);
        sigprocmask(SIG_BLOCK, &signals, nullptr);
        FileDescriptor signalFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
        if (signalFd.get() < 0) {
            // Blocked and never read, SIGTERM could not stop the host at all.
            sigprocmask(SIG_UNBLOCK, &signals, nullptr);
            return fail("cannot receive signals");
        }

        try {
            connection_ = sdbus::createSessionBusConnection();
        } catch (const sdbus::Error& error) {
            return fail("cannot reach the session bus: " + error.getMessage());
        }
        if (auto error = exportControl())
            return fail(*error);
        watcher_ = std::make_unique<players::PlayerWatcher>(
            *connection_, [this](const players::PlayerUpdate& update) { onUpdate(update); });
        // The name last: whoever sees it may call the interface at once.
        try {
            connection_->requestName(hostBusName);
        } catch (const sdbus::Error&) {
            return fail("another sonaris-host is running on this session bus");
        }
        std::string error;
        if (!watcher_->start(error))
            return fail("cannot follow the players: " + error);
        art_ = art::CoverArtFetcher::start();

        while (true) {
            try {
                while (connection_->processPendingRequest()) {
                }
            } catch (const sdbus::Error& failure) {
                finish();
                return fail("lost the session bus: " + failure.getMessage());
            }
            if (!settled_ && watcher_->settled()) {
                settled_ = true;
                if (!chosen_)
                    clearStalePlaying();
            }
            auto now = SteadyClock::now();
            if (writeDue_ && *writeDue_ <= now)
                writeNow(now);
            if (progressDue_ && *progressDue_ <= now)
                refreshProgress(now);

            auto pollData = connection_->getEventLoopPollData();
            pollfd fds[3] = {{pollData.fd, pollData.events, 0},
                             {signalFd.get(), POLLIN, 0},
                             {art_ ? art_->readyFd() : -1, POLLIN, 0}};
            int timeout = pollData.getPollTimeout();
            for (auto due : {writeDue_, progressDue_}) {
                if (!due)
                    continue;
                auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now).count();
                wait = std::max<decltype(wait)>(wait, 0);
                timeout = timeout < 0 ? static_cast<int>(wait)
                                      : std::min(timeout, static_cast<int>(wait));
            }
            if (::poll(fds, 3, timeout) < 0 && errno != EINTR) {
                finish();
                return fail("cannot wait for events");
            }
            if (fds[1].revents & POLLIN) {
                finish();
                return 0;
            }
            if (art_ && (fds[2].revents & POLLIN))
                takeArt();
        }
    }

  private:
    int fail(const std::string& message) {
        err_ << "sonaris-host: " << message << '\n';
        return 1;
    }

    std::optional<std::string> exportControl() {
        try {
            object_ = sdbus::createObject(*connection_, hostObjectPath);
            object_->registerMethod("Control")
                .onInterface(hostInterface)
                .withInputParamNames("action")
                .implementedAs([this](const std::string& action) { control(action); });
            object_->registerMethod("Status")
                .onInterface(hostInterface)
                .withOutputParamNames("json")
                .implementedAs([this]() { return status(); });
            object_->finishRegistration();
        } catch (const sdbus::Error& error) {
            return "cannot offer the host's bus interface: " + error.getMessage();
        }
        return std::nullopt;
    }

    void control(const std::string& name) {
        auto action = players::controlActionNamed(name);
        if (!action)
            throw sdbus::Error("org.freedesktop.DBus.Error.InvalidArgs",
                               "unknown action " + name.substr(0, 64));
        const players::WatchedPlayer* player = chosen_ ? watcher_->find(*chosen_) : nullptr;
        if (!player)
            throw sdbus::Error(noPlayerError, "no MPRIS player is running");
        auto method = players::controlMethod(*action, player->properties, player->name);
        if (auto* refused = std::get_if<players::ControlRefused>(&method))
            throw sdbus::Error(refusedError, refused->reason);
        if (!watcher_->callPlayer(player->name, std::get<std::string>(method)))
            throw sdbus::Error(refusedError,
                               "the player " + player->name + " did not take the call");
    }

    std::string status() const {
        std::vector<PlayerSummary> summaries;
        for (const auto& [name, player] : watcher_->players())
            if (player.known)
                summaries.push_back({name, player.properties.status,
                                     trackTitle(player.properties.metadata),
                                     player.properties.metadata.artist});
        return statusJson(summaries, chosen_);
    }

    void onUpdate(const players::PlayerUpdate& update) {
        auto choice = players::choosePlayer(watcher_->standings(), options_.rules, chosen_);
        if (choice != chosen_) {
            chosen_ = choice;
            if (const auto* player = chosen_ ? watcher_->find(*chosen_) : nullptr) {
                onTrack(*player);
                watcher_->readPosition(player->name);
            }
            scheduleWrite();
            return;
        }
        if (!chosen_ || update.name != *chosen_)
            return;
        const auto* player = watcher_->find(*chosen_);
        if (!player)
            return;
        if (update.event == players::PlayerEvent::changed) {
            if (update.change.metadata)
                onTrack(*player);
            // Position is not signalled: read it whenever playback may have moved differently.
            if (update.change.metadata || update.change.status || update.change.rate)
                watcher_->readPosition(player->name);
        }
        scheduleWrite();
    }

    void onTrack(const players::WatchedPlayer& player) {
        const auto& track = player.properties.metadata;
        // The watcher tells a new track from tags filled in, whatever the player keeps the same.
        auto identity = std::to_string(player.trackSerial);
        bool newTrack = identity != shownIdentity_;
        if (newTrack) {
            // A player between files reports an empty track; that is not something played.
            bool played = shownRow_ && !(shownRow_->title.empty() && shownRow_->path.empty());
            if (played && history_.add(*shownRow_) && options_.historyFile) {
                if (auto error = saveHistory(*options_.historyFile, history_.rows()))
                    report(*error);
            }
            shownIdentity_ = identity;
        }
        shownRow_ = trackRow(track);
        // Art is read again on every metadata report: players reuse one path for new pictures.
        ++artTicket_;
        if (track.artUrl.empty() || !art_) {
            artPending_ = false;
            if (cover_ || !coverSettled_) {
                cover_.reset();
                coverDirty_ = true;
            }
            return;
        }
        art_->request(artTicket_, track.artUrl);
        artPending_ = true;
        if (newTrack) {
            // The old cover must not stand beside the new title; it goes unless art arrives.
            cover_.reset();
            coverDirty_ = true;
            artHoldUntil_ = SteadyClock::now() + artHold;
        }
    }

    void takeArt() {
        for (auto& result : art_->takeResults()) {
            if (result.ticket != artTicket_)
                continue;
            artPending_ = false;
            // Browsers send a track's picture, then a thumbnail of it: the best one seen stays.
            if (cover_ && result.sourcePixels < coverPixels_) {
                scheduleWrite();
                continue;
            }
            coverPixels_ = result.sourcePixels;
            // The same picture read again (a player re-sending its metadata) is not rewritten.
            if (result.jpeg != cover_) {
                cover_ = std::move(result.jpeg);
                coverDirty_ = true;
            }
            scheduleWrite();
        }
        for (const auto& notice : art_->takeNotices())
            err_ << "sonaris-host: " << notice << '\n';
    }

    void scheduleWrite() {
        auto due = SteadyClock::now() + coalesceDelay;
        if (!writeDue_ || *writeDue_ > due)
            writeDue_ = due;
    }

    void refreshProgress(SteadyClock::time_point now) {
        progressDue_.reset();
        if (chosen_)
            watcher_->readPosition(*chosen_);
        // Written when the player answers; the estimate goes out if it does not.
        if (!writeDue_ || *writeDue_ > now + positionReplyWait)
            writeDue_ = now + positionReplyWait;
    }

    void writeNow(SteadyClock::time_point now) {
        writeDue_.reset();
        if (artPending_ && artHoldUntil_ && now < *artHoldUntil_) {
            writeDue_ = *artHoldUntil_;
            return;
        }
        artHoldUntil_.reset();
        const auto* player = chosen_ ? watcher_->find(*chosen_) : nullptr;
        state::WidgetSharedState state;
        if (player) {
            state = composeState(*player, now, history_.rows(), cover_.has_value(),
                                 platform::foundation::Date::now());
        } else if (lastState_) {
            if (!lastState_->isPlaying)
                return;  // nothing plays and the widget knows it already
            state = *lastState_;
            state.isPlaying = false;
            state.updatedAt = platform::foundation::Date::now();
        } else {
            return;
        }
        if (coverDirty_) {
            auto error = cover_ ? writer_.writeCover(*cover_) : writer_.removeOwnCover();
            if (error)
                report(*error);
            coverDirty_ = false;
            coverSettled_ = true;
        }
        if (auto error = writer_.writeState(state))
            report(*error);
        lastState_ = std::move(state);
        progressDue_.reset();
        if (player && lastState_->isPlaying)
            progressDue_ = now + options_.progressInterval;
    }

    // A state left "playing" by a host that was killed must not outlive it.
    void clearStalePlaying() {
        auto bytes = platform::foundation::readWholeFile(writer_.statePath());
        if (!bytes)
            return;
        auto state = state::decodeWidgetSharedState(
            {reinterpret_cast<const char*>(bytes->data()), bytes->size()});
        if (!state || !state->isPlaying)
            return;
        state->isPlaying = false;
        state->updatedAt = platform::foundation::Date::now();
        if (auto error = writer_.writeState(*state))
            report(*error);
    }

    // The last words: nothing may stay "playing" once the host is gone.
    void finish() {
        if (!lastState_ || !lastState_->isPlaying)
            return;
        auto state = *lastState_;
        if (const auto* player = chosen_ ? watcher_->find(*chosen_) : nullptr)
            state.currentTime = static_cast<double>(player->positionAt(SteadyClock::now())) / 1e6;
        state.isPlaying = false;
        state.updatedAt = platform::foundation::Date::now();
        if (auto error = writer_.writeState(state))
            report(*error);
    }

    // A failing write is told once, not on every refresh.
    void report(const std::string& error) {
        if (error == lastError_)
            return;
        lastError_ = error;
        err_ << "sonaris-host: " << error << '\n';
        err_.flush();
    }

    const DaemonOptions& options_;
    std::ostream& err_;
    HostFilesWriter writer_;
    TrackHistory history_;
    std::unique_ptr<sdbus::IConnection> connection_;
    std::unique_ptr<sdbus::IObject> object_;
    std::unique_ptr<players::PlayerWatcher> watcher_;
    std::unique_ptr<art::CoverArtFetcher> art_;
    std::optional<std::string> chosen_;
    bool settled_ = false;

    std::string shownIdentity_;
    std::optional<state::WidgetTrackInfo> shownRow_;

    std::uint64_t artTicket_ = 0;
    bool artPending_ = false;
    std::optional<SteadyClock::time_point> artHoldUntil_;
    std::optional<std::vector<std::uint8_t>> cover_;
    std::int64_t coverPixels_ = 0;  // the source picture's, for cover_
    bool coverDirty_ = false;
    bool coverSettled_ = false;

    std::optional<SteadyClock::time_point> writeDue_;
    std::optional<SteadyClock::time_point> progressDue_;
    std::optional<state::WidgetSharedState> lastState_;
    std::string lastError_;
};

}  // namespace

int runDaemon(const DaemonOptions& options, std::ostream& err) {
    Daemon daemon(options, err);
    return daemon.run();
}

}  // namespace sonaris::host::daemon
