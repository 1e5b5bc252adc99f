#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sdbus-c++/IConnection.h>
#include <sdbus-c++/IProxy.h>

#include "host/players/player_choice.hpp"
#include "host/players/player_properties.hpp"

namespace sonaris::host::players {

using SteadyClock = std::chrono::steady_clock;

// One MPRIS player on the bus as the watcher sees it.
struct WatchedPlayer {
    std::string busName;
    std::string name;  // without the MPRIS prefix
    PlayerProperties properties;
    bool known = false;  // its properties have been read at least once
    // When properties.positionMicroseconds held; a player seen for the first time is at 0 then.
    SteadyClock::time_point positionReadAt{};
    std::uint64_t lastChange = 0;
    // Which track it plays, numbered across every player the watcher has seen: a new track, or
    // a player that comes back under the same name, never takes an old track's number.
    std::uint64_t trackSerial = 0;

    // Where playback stands at `now`: the last position read, moved on by the rate while playing,
    // never before 0 nor (when the length is known) past the end.
    std::int64_t positionAt(SteadyClock::time_point now) const;

    // Applies property values that arrived at `now`. A change that comes without a position
    // keeps playback where it was estimated to stand (a pause, a new rate), or starts it at 0 (a
    // new track): a player that never tells its position is thus followed by the playing time
    // the host has seen, never by more than could have played. A position that only confirms
    // the estimate is not reported as a change.
    PropertyChange apply(const PropertyMap& values, SteadyClock::time_point now);
};

enum class PlayerEvent { appeared, changed, seeked, vanished };

struct PlayerUpdate {
    std::string name;
    PlayerEvent event;
    PropertyChange change;  // for `changed`
};

// Follows every org.mpris.MediaPlayer2.* player on one connection: ListNames, then
// NameOwnerChanged; PropertiesChanged and Seeked for each player. Every call to a player is
// asynchronous, so a player that hangs never holds up the caller's loop; all callbacks come from
// the connection's processing, on the caller's thread.
class PlayerWatcher {
  public:
    using Listener = std::function<void(const PlayerUpdate&)>;

    PlayerWatcher(sdbus::IConnection& connection, Listener listener);
    ~PlayerWatcher();
    PlayerWatcher(const PlayerWatcher&) = delete;
    PlayerWatcher& operator=(const PlayerWatcher&) = delete;

    // Subscribes and asks for the names already there; false (with the reason) when the bus
    // refuses.
    bool start(std::string& error);

    // Whether the first listing of names has been answered (and every player in it has been read
    // or has failed to answer).
    bool settled() const;

    const std::map<std::string, WatchedPlayer>& players() const { return players_; }
    const WatchedPlayer* find(const std::string& name) const;
    std::vector<PlayerStanding> standings() const;

    // Asks the player for its position; a `seeked` update follows when it answers.
    void readPosition(const std::string& name);

    // Calls a method of org.mpris.MediaPlayer2.Player without waiting for the reply.
    bool callPlayer(const std::string& name, const std::string& method);

  private:
    struct Tracked;
    void onNameOwnerChanged(const std::string& busName, const std::string& oldOwner,
                            const std::string& newOwner);
    void lookUpOwner(const std::string& busName);
    void addPlayer(const std::string& busName, const std::string& owner);
    void removePlayer(const std::string& busName);
    void readAll(const std::string& name);
    void onProperties(const std::string& name, const PropertyMap& values);
    void notify(const std::string& name, PlayerEvent event, PropertyChange change = {});

    sdbus::IConnection& connection_;
    Listener listener_;
    std::unique_ptr<sdbus::IProxy> bus_;
    std::map<std::string, WatchedPlayer> players_;             // by player name
    std::map<std::string, std::unique_ptr<Tracked>> proxies_;  // by player name
    std::uint64_t changeCounter_ = 0;
    std::uint64_t trackCounter_ = 0;
    bool listed_ = false;
    int lookups_ = 0;  // GetNameOwner calls not answered yet
};

}  // namespace sonaris::host::players
