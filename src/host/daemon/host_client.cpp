#include "host/daemon/host_client.hpp"

#include <chrono>
#include <ostream>
#include <variant>

#include <sdbus-c++/sdbus-c++.h>

#include "host/daemon/host_bus.hpp"
#include "host/daemon/state_composer.hpp"
#include "host/daemon/status_json.hpp"
#include "host/links/links.hpp"
#include "host/links/one_line.hpp"
#include "host/players/player_control.hpp"
#include "host/players/player_name.hpp"
#include "host/players/player_properties.hpp"

namespace sonaris::host::daemon {
namespace {

using namespace std::chrono_literals;

constexpr auto hostCallTimeout = 3s;
constexpr auto playerCallTimeout = 2s;

int fail(std::ostream& err, const std::string& message, int status = 1) {
    err << "sonaris-host: " << message << '\n';
    return status;
}

bool noHostRunning(const sdbus::Error& error) {
    return error.getName() == "org.freedesktop.DBus.Error.ServiceUnknown" ||
           error.getName() == "org.freedesktop.DBus.Error.NameHasNoOwner";
}

struct SeenPlayer {
    std::string busName;
    std::string name;
    players::PlayerProperties properties;
};

// The players on the bus and their properties, read one by one; a player that does not answer
// is left out.
std::vector<SeenPlayer> lookAtPlayers(sdbus::IConnection& connection) {
    auto bus = sdbus::createProxy(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    std::vector<std::string> names;
    bus->callMethod("ListNames")
        .onInterface("org.freedesktop.DBus")
        .withTimeout(hostCallTimeout)
        .storeResultsTo(names);
    std::vector<SeenPlayer> seen;
    for (const auto& busName : names) {
        auto name = players::playerNameOf(busName);
        if (!name)
            continue;
        try {
            auto proxy =
                sdbus::createProxy(connection, busName, std::string(players::mprisObjectPath));
            players::PropertyMap values;
            proxy->callMethod("GetAll")
                .onInterface("org.freedesktop.DBus.Properties")
                .withTimeout(playerCallTimeout)
                .withArguments(std::string(players::mprisPlayerInterface))
                .storeResultsTo(values);
            SeenPlayer player{busName, std::string(*name), {}};
            players::applyProperties(player.properties, values);
            seen.push_back(std::move(player));
        } catch (const sdbus::Error&) {
        }
    }
    return seen;
}

const SeenPlayer* choose(const std::vector<SeenPlayer>& seen) {
    std::vector<players::PlayerStanding> standings;
    for (const auto& player : seen)
        standings.push_back({player.name, player.properties.status, 0});
    auto chosen = players::choosePlayer(standings, {}, std::nullopt);
    for (const auto& player : seen)
        if (chosen && player.name == *chosen)
            return &player;
    return nullptr;
}

std::optional<players::ControlAction> controlActionOf(links::HostAction action) {
    switch (action) {
        case links::HostAction::toggle:
            return players::ControlAction::toggle;
        case links::HostAction::play:
            return players::ControlAction::play;
        case links::HostAction::prev:
            return players::ControlAction::prev;
        case links::HostAction::next:
            return players::ControlAction::next;
        default:
            return std::nullopt;
    }
}

int controlDirectly(sdbus::IConnection& connection, players::ControlAction action,
                    std::ostream& err) {
    auto seen = lookAtPlayers(connection);
    const auto* player = choose(seen);
    if (!player)
        return fail(err, "no MPRIS player is running");
    auto method = players::controlMethod(action, player->properties, player->name);
    if (auto* refused = std::get_if<players::ControlRefused>(&method))
        return fail(err, refused->reason);
    try {
        auto proxy =
            sdbus::createProxy(connection, player->busName, std::string(players::mprisObjectPath));
        proxy->callMethod(std::get<std::string>(method))
            .onInterface(std::string(players::mprisPlayerInterface))
            .withTimeout(playerCallTimeout);
    } catch (const sdbus::Error& error) {
        return fail(err, "the player " + player->name + " refused: " + error.getMessage());
    }
    return 0;
}

}  // namespace

int openUrl(std::string_view url, std::ostream& err) {
    auto action = links::hostActionFor(url);
    if (!action)
        return fail(err, "not a sonaris link: " + links::escapedForDisplay(url.substr(0, 200)), 2);
    if (!links::isPlayerAction(*action)) {
        links::HostConfig config;
        if (auto path = links::hostConfigPath()) {
            auto loaded = links::loadHostConfig(*path);
            if (auto* error = std::get_if<links::ConfigError>(&loaded))
                return fail(err, error->message, 2);
            config = std::get<links::HostConfig>(std::move(loaded));
        }
        return links::runToolAction(*action, config, err);
    }
    auto control = *controlActionOf(*action);
    try {
        auto connection = sdbus::createSessionBusConnection();
        try {
            auto host = sdbus::createProxy(*connection, hostBusName, hostObjectPath);
            host->callMethod("Control")
                .onInterface(hostInterface)
                .withTimeout(hostCallTimeout)
                .withArguments(std::string(players::controlActionName(control)));
            return 0;
        } catch (const sdbus::Error& error) {
            if (!noHostRunning(error))
                return fail(err, error.getMessage());
        }
        return controlDirectly(*connection, control, err);
    } catch (const sdbus::Error& error) {
        return fail(err, "cannot reach the session bus: " + error.getMessage());
    }
}

int printStatus(std::ostream& out, std::ostream& err) {
    try {
        auto connection = sdbus::createSessionBusConnection();
        try {
            auto host = sdbus::createProxy(*connection, hostBusName, hostObjectPath);
            std::string json;
            host->callMethod("Status")
                .onInterface(hostInterface)
                .withTimeout(hostCallTimeout)
                .storeResultsTo(json);
            out << json << '\n';
            return 0;
        } catch (const sdbus::Error& error) {
            if (!noHostRunning(error))
                return fail(err, error.getMessage());
        }
        auto seen = lookAtPlayers(*connection);
        std::vector<PlayerSummary> summaries;
        for (const auto& player : seen)
            summaries.push_back({player.name, player.properties.status,
                                 trackTitle(player.properties.metadata),
                                 player.properties.metadata.artist});
        const auto* chosen = choose(seen);
        out << statusJson(summaries, chosen ? std::optional(chosen->name) : std::nullopt) << '\n';
        return 0;
    } catch (const sdbus::Error& error) {
        return fail(err, "cannot reach the session bus: " + error.getMessage());
    }
}

}  // namespace sonaris::host::daemon
