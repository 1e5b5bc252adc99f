#include "host/players/player_watcher.hpp"

#include <algorithm>
#include <cmath>
#include <exception>

#include <sdbus-c++/Error.h>
#include <sdbus-c++/Message.h>

#include "host/players/player_name.hpp"
#include "host/players/property_reader.hpp"

namespace sonaris::host::players {
namespace {

constexpr const char* busService = "org.freedesktop.DBus";
constexpr const char* busPath = "/org/freedesktop/DBus";
constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";
// A player that does not answer within this is treated as having said nothing.
constexpr std::uint64_t callTimeoutUs = 3'000'000;

// Callbacks run inside the bus library's C code, which an exception must never cross; a player
// that sends something unreadable is simply not listened to for that message.
template <typename F>
void guarded(F&& body) {
    try {
        body();
    } catch (const std::exception&) {
    }
}

}  // namespace

struct PlayerWatcher::Tracked {
    std::unique_ptr<sdbus::IProxy> proxy;
    bool reading = false;  // GetAll asked and not answered yet
};

std::int64_t WatchedPlayer::positionAt(SteadyClock::time_point now) const {
    double position = static_cast<double>(properties.positionMicroseconds);
    if (properties.status == PlaybackStatus::playing && now > positionReadAt) {
        auto elapsed = std::chrono::duration<double, std::micro>(now - positionReadAt).count();
        position += elapsed * properties.rate;
    }
    if (auto length = properties.metadata.lengthMicroseconds)
        position = std::min(position, static_cast<double>(*length));
    if (!(position > 0))
        return 0;
    return position >= 9e18 ? std::int64_t{9'000'000'000'000'000'000} : std::llround(position);
}

PropertyChange WatchedPlayer::apply(const PropertyMap& values, SteadyClock::time_point now) {
    auto predicted = positionAt(now);
    auto change = applyProperties(properties, values);
    if (change.position) {
        positionReadAt = now;
        // Some players report Position as it runs; only a jump (a seek) is news.
        auto drift = properties.positionMicroseconds - predicted;
        if (known && !change.newTrack && drift < 1'000'000 && drift > -1'000'000)
            change.position = false;
    } else if (change.newTrack || change.status || change.rate) {
        properties.positionMicroseconds = change.newTrack ? 0 : predicted;
        positionReadAt = now;
    }
    return change;
}

PlayerWatcher::PlayerWatcher(sdbus::IConnection& connection, Listener listener)
    : connection_(connection), listener_(std::move(listener)) {}

PlayerWatcher::~PlayerWatcher() = default;

bool PlayerWatcher::start(std::string& error) {
    try {
        bus_ = sdbus::createProxy(connection_, busService, busPath);
        bus_->registerSignalHandler(busService, "NameOwnerChanged", [this](sdbus::Signal& signal) {
            guarded([&] {
                std::string name, oldOwner, newOwner;
                signal >> name >> oldOwner >> newOwner;
                onNameOwnerChanged(name, oldOwner, newOwner);
            });
        });
        bus_->finishRegistration();
        auto call = bus_->createMethodCall(busService, "ListNames");
        bus_->callMethod(
            call,
            [this](sdbus::MethodReply& reply, const sdbus::Error* failure) {
                guarded([&] {
                    listed_ = true;
                    if (failure)
                        return;
                    std::vector<std::string> names;
                    reply >> names;
                    for (const auto& name : names)
                        if (playerNameOf(name))
                            lookUpOwner(name);
                });
            },
            callTimeoutUs);
    } catch (const sdbus::Error& failure) {
        error = failure.getMessage();
        return false;
    }
    return true;
}

void PlayerWatcher::lookUpOwner(const std::string& busName) {
    try {
        auto call = bus_->createMethodCall(busService, "GetNameOwner");
        call << busName;
        ++lookups_;
        bus_->callMethod(
            call,
            [this, busName](sdbus::MethodReply& reply, const sdbus::Error* failure) {
                --lookups_;
                guarded([&] {
                    if (failure)
                        return;  // gone already
                    std::string owner;
                    reply >> owner;
                    addPlayer(busName, owner);
                });
            },
            callTimeoutUs);
    } catch (const sdbus::Error&) {
    }
}

bool PlayerWatcher::settled() const {
    return listed_ && lookups_ == 0 &&
           std::none_of(proxies_.begin(), proxies_.end(),
                        [](const auto& entry) { return entry.second->reading; });
}

const WatchedPlayer* PlayerWatcher::find(const std::string& name) const {
    auto it = players_.find(name);
    return it == players_.end() ? nullptr : &it->second;
}

std::vector<PlayerStanding> PlayerWatcher::standings() const {
    std::vector<PlayerStanding> standings;
    for (const auto& [name, player] : players_)
        if (player.known)
            standings.push_back({name, player.properties.status, player.lastChange,
                                 hasTrack(player.properties.metadata)});
    return standings;
}

void PlayerWatcher::onNameOwnerChanged(const std::string& busName, const std::string& oldOwner,
                                       const std::string& newOwner) {
    if (!playerNameOf(busName))
        return;
    // A name that changes hands is a new player: the old one's state must not carry over.
    if (!oldOwner.empty())
        removePlayer(busName);
    if (!newOwner.empty())
        addPlayer(busName, newOwner);
}

void PlayerWatcher::addPlayer(const std::string& busName, const std::string& owner) {
    std::string name(*playerNameOf(busName));
    if (players_.contains(name))
        return;
    auto tracked = std::make_unique<Tracked>();
    try {
        // Signals come from the owner's unique name, and a match on a well-known name cannot be
        // checked locally: with two players, each proxy would hear both. So the owner is named.
        tracked->proxy = sdbus::createProxy(connection_, owner, std::string(mprisObjectPath));
        tracked->proxy->registerSignalHandler(
            propertiesInterface, "PropertiesChanged", [this, name](sdbus::Signal& signal) {
                guarded([&] {
                    char* interface = nullptr;
                    signal >> interface;
                    if (interface && interface == mprisPlayerInterface)
                        onProperties(name, readPropertyMap(signal));
                });
            });
        tracked->proxy->registerSignalHandler(
            std::string(mprisPlayerInterface), "Seeked", [this, name](sdbus::Signal& signal) {
                guarded([&] {
                    std::int64_t position = 0;
                    signal >> position;
                    auto it = players_.find(name);
                    if (it == players_.end())
                        return;
                    it->second.properties.positionMicroseconds = position;
                    it->second.positionReadAt = SteadyClock::now();
                    if (it->second.known)
                        notify(name, PlayerEvent::seeked);
                });
            });
        tracked->proxy->finishRegistration();
    } catch (const sdbus::Error&) {
        return;
    }
    WatchedPlayer player;
    player.busName = busName;
    player.name = name;
    player.lastChange = ++changeCounter_;
    player.positionReadAt = SteadyClock::now();
    players_.emplace(name, std::move(player));
    proxies_.emplace(name, std::move(tracked));
    readAll(name);
}

void PlayerWatcher::removePlayer(const std::string& busName) {
    std::string name(*playerNameOf(busName));
    auto it = players_.find(name);
    if (it == players_.end())
        return;
    bool known = it->second.known;
    players_.erase(it);
    // Dropping the proxy cancels its pending calls, so no reply arrives for a player gone.
    proxies_.erase(name);
    if (known)
        notify(name, PlayerEvent::vanished);
}

void PlayerWatcher::readAll(const std::string& name) {
    auto it = proxies_.find(name);
    if (it == proxies_.end())
        return;
    try {
        auto call = it->second->proxy->createMethodCall(propertiesInterface, "GetAll");
        call << std::string(mprisPlayerInterface);
        it->second->reading = true;
        it->second->proxy->callMethod(
            call,
            [this, name](sdbus::MethodReply& reply, const sdbus::Error* failure) {
                if (auto tracked = proxies_.find(name); tracked != proxies_.end())
                    tracked->second->reading = false;
                guarded([&] {
                    if (failure)
                        return;
                    onProperties(name, readPropertyMap(reply));
                });
            },
            callTimeoutUs);
    } catch (const sdbus::Error&) {
    }
}

void PlayerWatcher::readPosition(const std::string& name) {
    auto it = proxies_.find(name);
    if (it == proxies_.end())
        return;
    try {
        auto call = it->second->proxy->createMethodCall(propertiesInterface, "Get");
        call << std::string(mprisPlayerInterface) << std::string("Position");
        it->second->proxy->callMethod(
            call,
            [this, name](sdbus::MethodReply& reply, const sdbus::Error* failure) {
                guarded([&] {
                    if (failure)
                        return;
                    auto value = readVariant(reply);
                    auto position = value ? integerOf(*value) : std::nullopt;
                    auto player = players_.find(name);
                    if (!position || player == players_.end())
                        return;
                    player->second.properties.positionMicroseconds = *position;
                    player->second.positionReadAt = SteadyClock::now();
                    if (player->second.known)
                        notify(name, PlayerEvent::seeked);
                });
            },
            callTimeoutUs);
    } catch (const sdbus::Error&) {
    }
}

bool PlayerWatcher::callPlayer(const std::string& name, const std::string& method) {
    auto it = proxies_.find(name);
    if (it == proxies_.end())
        return false;
    try {
        auto call = it->second->proxy->createMethodCall(std::string(mprisPlayerInterface), method);
        call.dontExpectReply();
        it->second->proxy->callMethod(call);
    } catch (const sdbus::Error&) {
        return false;
    }
    return true;
}

void PlayerWatcher::onProperties(const std::string& name, const PropertyMap& values) {
    auto it = players_.find(name);
    if (it == players_.end())
        return;
    auto& player = it->second;
    auto change = player.apply(values, SteadyClock::now());
    if (change.newTrack)
        player.trackSerial = ++trackCounter_;
    if (change.status)
        player.lastChange = ++changeCounter_;
    if (!player.known) {
        player.known = true;
        notify(name, PlayerEvent::appeared);
        return;
    }
    if (change.any())
        notify(name, PlayerEvent::changed, change);
}

void PlayerWatcher::notify(const std::string& name, PlayerEvent event, PropertyChange change) {
    if (listener_)
        listener_({name, event, change});
}

}  // namespace sonaris::host::players
