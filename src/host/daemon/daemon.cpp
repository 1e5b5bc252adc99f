#include "host/daemon/daemon.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <ostream>
#include <thread>
#include <variant>

#include <sdbus-c++/sdbus-c++.h>

#include "host/art/cover_art_fetcher.hpp"
#include "host/daemon/history_file.hpp"
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

// A change is written at the end of the turn that handled it: changes that arrive together (a new
// track's status and metadata) make one write, and waiting for more would only cost a wakeup.
constexpr auto coalesceDelay = 0ms;
// A change of playback (a pause, a new rate) waits this long at most for the position asked of the
// player, so that the state written says where playback stopped. A new track does not wait: it
// starts where the estimate says, and the answer corrects it when it does not.
constexpr auto positionHold = 25ms;
// Under a flood of changes the state is written at most this often: the widget cannot show more.
constexpr auto minWriteGap = 20ms;
// The history is written at most this often, whatever a player announces.
constexpr auto historySaveGap = 1000ms;
// Position reads asked of a player at most this often, so a flood of changes is not echoed back.
constexpr auto positionReadGap = 50ms;
// Messages handled in one turn of the loop before the writes, timers and signals get theirs.
constexpr int messagesPerTurn = 64;
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
        : options_(options),
          err_(err),
          writer_(options.liveFolder, options.coverOwnerMark, options.liveFlush) {
        // What a killed host left half-written is named so that only it matches.
        writer_.removeLeftovers();
        if (options_.historyFile) {
            removeLeftoverTemporaries(options_.historyFile->parent_path(),
                                      {options_.historyFile->filename().string()});
            auto read = readHistory(*options_.historyFile);
            history_ = TrackHistory(read.rows);
            if (read.notice)
                report(*read.notice);
        }
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
            bool backlog = false;
            try {
                int handled = 0;
                while (handled < messagesPerTurn && connection_->processPendingRequest())
                    ++handled;
                backlog = handled == messagesPerTurn;
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
            if (positionWanted_ && lastPositionRead_ + positionReadGap <= now)
                readPosition(now);
            if (writeDue_ && *writeDue_ <= now)
                writeNow(now);
            if (progressDue_ && *progressDue_ <= now)
                refreshProgress(now);
            if (historyDue_ && *historyDue_ <= now)
                saveHistoryNow(now);

            auto pollData = connection_->getEventLoopPollData();
            pollfd fds[3] = {{pollData.fd, pollData.events, 0},
                             {signalFd.get(), POLLIN, 0},
                             {art_ ? art_->readyFd() : -1, POLLIN, 0}};
            // Messages left over from this turn are waiting already: only look, do not wait.
            int timeout = backlog ? 0 : pollData.getPollTimeout();
            std::optional<SteadyClock::time_point> positionDue;
            if (positionWanted_)
                positionDue = lastPositionRead_ + positionReadGap;
            for (auto due : {writeDue_, progressDue_, historyDue_, positionDue}) {
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
                positionWanted_ = true;
            }
            scheduleWrite();
            return;
        }
        if (!chosen_ || update.name != *chosen_)
            return;
        const auto* player = watcher_->find(*chosen_);
        if (!player)
            return;
        if (update.event == players::PlayerEvent::seeked && awaitingPosition_) {
            // The answer to a read: written at once, however recent the last write.
            awaitingPosition_ = false;
            writeDue_ = SteadyClock::now();
            if (!writeWantedSince_)
                writeWantedSince_ = writeDue_;
            return;
        }
        if (update.event == players::PlayerEvent::changed) {
            if (update.change.metadata)
                onTrack(*player);
            // Position is not signalled: read it whenever playback may have moved differently.
            if (update.change.metadata || update.change.status || update.change.rate)
                positionWanted_ = true;
            if (update.change.status || update.change.rate)
                holdForPosition_ = true;
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
            if (played && history_.add(*shownRow_))
                rememberPlayed(*shownRow_);
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
            // The same picture read again (a player re-sending its metadata) is not rewritten,
            // unless writing it failed before.
            if (result.jpeg != cover_ || (cover_ && !coverOnDisk_)) {
                cover_ = std::move(result.jpeg);
                coverDirty_ = true;
            }
            scheduleWrite();
        }
        for (const auto& notice : art_->takeNotices())
            err_ << "sonaris-host: " << notice << '\n';
    }

    void scheduleWrite() {
        auto now = SteadyClock::now();
        if (!writeWantedSince_)
            writeWantedSince_ = now;
        auto due = std::max(now + coalesceDelay, lastWriteAt_ + minWriteGap);
        if (!writeDue_ || *writeDue_ > due)
            writeDue_ = due;
    }

    void readPosition(SteadyClock::time_point now) {
        positionWanted_ = false;
        lastPositionRead_ = now;
        if (chosen_) {
            watcher_->readPosition(*chosen_);
            awaitingPosition_ = true;
        }
    }

    // A row for the history file, written later from the loop: a player announcing thousands of
    // tracks a second must not make as many writes.
    void rememberPlayed(const state::WidgetTrackInfo& row) {
        if (!options_.historyFile)
            return;
        playedSinceSave_.push_back(row);
        // Older rows would fall off the end of the merged list anyway.
        if (playedSinceSave_.size() > TrackHistory::limit)
            playedSinceSave_.pop_front();
        if (!historyDue_)
            historyDue_ = std::max(SteadyClock::now(), lastHistorySave_ + historySaveGap);
    }

    // False while another host holds the history's lock.
    bool saveHistoryNow(SteadyClock::time_point now) {
        historyDue_.reset();
        if (playedSinceSave_.empty())
            return true;
        lastHistorySave_ = now;
        auto saved =
            saveHistory(*options_.historyFile, {playedSinceSave_.begin(), playedSinceSave_.end()});
        if (std::holds_alternative<HistoryBusy>(saved)) {
            historyDue_ = now + historySaveGap;
            return false;
        }
        if (auto* error = std::get_if<std::string>(&saved)) {
            // Kept for the next try, which the next track brings.
            report(*error);
            return true;
        }
        auto& read = std::get<HistoryRead>(saved);
        playedSinceSave_.clear();
        if (read.notice)
            report(*read.notice);
        // Rows another session of this user wrote show here too.
        if (read.rows != history_.rows()) {
            history_ = TrackHistory(read.rows);
            scheduleWrite();
        }
        return true;
    }

    void refreshProgress(SteadyClock::time_point now) {
        progressDue_.reset();
        // The refresh is written even when nothing else changed: it is what keeps the bar true.
        progressWrite_ = true;
        if (chosen_)
            readPosition(now);
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
        // The answer to a position read usually comes within a millisecond; a player that does
        // not answer gets the estimate.
        if (holdForPosition_ && (positionWanted_ || awaitingPosition_) && writeWantedSince_) {
            // Counted from when the read goes out: one held back by positionReadGap, because a
            // read went out just before, still gets its full time.
            auto asked =
                std::max(*writeWantedSince_,
                         positionWanted_ ? lastPositionRead_ + positionReadGap : lastPositionRead_);
            if (now < asked + positionHold) {
                writeDue_ = asked + positionHold;
                return;
            }
        }
        holdForPosition_ = false;
        writeWantedSince_.reset();
        bool forced = progressWrite_ || coverDirty_;
        progressWrite_ = false;
        if (coverDirty_)
            writeCover();
        const auto* player = chosen_ ? watcher_->find(*chosen_) : nullptr;
        state::WidgetSharedState state;
        if (player) {
            state = composeState(*player, now, history_.rows(), coverOnDisk_,
                                 platform::foundation::Date::now());
        } else if (lastState_) {
            state = stoppedState(now);
        } else {
            return;
        }
        if (!forced && lastState_ &&
            showsTheSame(*lastState_, secondsBetween(lastStateAt_, now), state))
            return;
        if (auto error = writer_.writeState(state))
            report(*error);
        lastState_ = std::move(state);
        lastStateAt_ = now;
        lastWriteAt_ = now;
        progressDue_.reset();
        if (player && lastState_->isPlaying)
            progressDue_ = now + options_.progressInterval;
    }

    // A cover that cannot be written must not leave the last track's picture beside the new
    // title: the host's own old cover goes, and the state says there is none.
    void writeCover() {
        coverDirty_ = false;
        coverSettled_ = true;
        if (cover_) {
            auto error = writer_.writeCover(*cover_);
            coverOnDisk_ = !error;
            if (!error)
                return;
            report(*error);
        } else {
            coverOnDisk_ = false;
        }
        if (auto error = writer_.removeOwnCover())
            report(*error);
    }

    static double secondsBetween(SteadyClock::time_point from, SteadyClock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    }

    // The last state written, as it stands now that nothing plays: a state written while playing
    // has moved on since.
    state::WidgetSharedState stoppedState(SteadyClock::time_point now) const {
        auto state = *lastState_;
        if (state.isPlaying) {
            state.currentTime += secondsBetween(lastStateAt_, now);
            if (state.duration > 0)
                state.currentTime = std::min(state.currentTime, state.duration);
        }
        state.isPlaying = false;
        state.hasArtwork = state.hasArtwork && coverOnDisk_;
        state.recentTracks = history_.rows();
        state.updatedAt = platform::foundation::Date::now();
        return state;
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

    // The last words: the history played so far, and nothing may stay "playing" once the host
    // is gone. The position is the one of this moment, not of the last refresh.
    void finish() {
        for (int attempt = 0; attempt < 20 && options_.historyFile; ++attempt) {
            if (saveHistoryNow(SteadyClock::now()))
                break;
            std::this_thread::sleep_for(10ms);  // another host is writing it
        }
        if (!lastState_ || !lastState_->isPlaying)
            return;
        auto now = SteadyClock::now();
        // A new track's cover not written yet: the old one must not stand beside its title.
        if (coverDirty_)
            writeCover();
        state::WidgetSharedState state;
        if (const auto* player = chosen_ ? watcher_->find(*chosen_) : nullptr) {
            state = composeState(*player, now, history_.rows(), coverOnDisk_,
                                 platform::foundation::Date::now());
            state.isPlaying = false;
        } else {
            state = stoppedState(now);
        }
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
    bool coverOnDisk_ = false;  // the cover file holds cover_

    bool positionWanted_ = false;    // a read to send when the gap allows
    bool awaitingPosition_ = false;  // a read sent and not answered
    bool holdForPosition_ = false;   // the next write waits for the answer (see positionHold)
    SteadyClock::time_point lastPositionRead_{};

    std::deque<state::WidgetTrackInfo> playedSinceSave_;  // oldest first
    std::optional<SteadyClock::time_point> historyDue_;
    SteadyClock::time_point lastHistorySave_{};

    std::optional<SteadyClock::time_point> writeDue_;
    std::optional<SteadyClock::time_point> writeWantedSince_;
    std::optional<SteadyClock::time_point> progressDue_;
    bool progressWrite_ = false;
    SteadyClock::time_point lastWriteAt_{};
    std::optional<state::WidgetSharedState> lastState_;
    SteadyClock::time_point lastStateAt_{};
    std::string lastError_;
};

}  // namespace

int runDaemon(const DaemonOptions& options, std::ostream& err) {
    Daemon daemon(options, err);
    return daemon.run();
}

}  // namespace sonaris::host::daemon
