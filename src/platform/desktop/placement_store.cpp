#include "platform/desktop/placement_store.hpp"

#include <toml++/toml.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/foundation/file.hpp"
#include "platform/foundation/home_directory.hpp"
#include "platform/foundation/staged_file.hpp"

namespace sonaris::platform::desktop {

namespace {

// A placement file is a few lines a widget; anything far larger is not one of ours.
constexpr std::size_t largestStore = 1 << 20;

// -1 leading edge, 0 middle, 1 trailing edge.
int sideOf(double start, double size, double areaStart, double areaSize, double unitsPerPoint) {
    double before = start - areaStart;
    double after = areaStart + areaSize - (start + size);
    if (std::abs(before - after) / 2 < unitsPerPoint)
        return 0;
    return before < after ? -1 : 1;
}

Anchor anchorOf(int horizontal, int vertical) {
    static constexpr Anchor anchors[3][3] = {
        {Anchor::topLeft, Anchor::top, Anchor::topRight},
        {Anchor::left, Anchor::center, Anchor::right},
        {Anchor::bottomLeft, Anchor::bottom, Anchor::bottomRight},
    };
    return anchors[vertical + 1][horizontal + 1];
}

// Whole points as integers, so that the file reads as a person would write it.
toml::array pairOf(ui::Point point) {
    toml::array pair;
    for (double value : {point.x, point.y}) {
        if (value == std::round(value) && std::abs(value) < 1e9)
            pair.push_back(static_cast<std::int64_t>(value));
        else
            pair.push_back(value);
    }
    return pair;
}

toml::table tableOf(const Placement& placement) {
    toml::table table{{"anchor", std::string(nameOf(placement.anchor))},
                      {"margin", pairOf(placement.margin)}};
    if (placement.output)
        table.insert("output", *placement.output);
    return table;
}

std::optional<Placement> placementOf(const toml::node* node) {
    const toml::table* table = node ? node->as_table() : nullptr;
    if (!table)
        return std::nullopt;
    auto anchorName = (*table)["anchor"].value<std::string_view>();
    auto anchor = anchorName ? anchorNamed(*anchorName) : std::nullopt;
    const toml::array* margin = (*table)["margin"].as_array();
    if (!anchor || !margin || margin->size() != 2)
        return std::nullopt;
    auto x = (*margin)[0].value<double>();
    auto y = (*margin)[1].value<double>();
    if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y))
        return std::nullopt;
    Placement placement{*anchor, {std::max(*x, 0.0), std::max(*y, 0.0)}, std::nullopt};
    if (auto output = (*table)["output"].value<std::string>())
        placement.output = std::move(*output);
    return placement;
}

// The widget's name as a key of the file. toml++ writes a key that holds a control character
// in a form it cannot read back, so those are spelled \xNN.
std::string keyOf(std::string_view name) {
    std::string key;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            key += escaped;
        } else {
            key += static_cast<char>(c);
        }
    }
    return key;
}

std::optional<toml::table> parsed(const std::filesystem::path& file) {
    auto bytes = foundation::readWholeFile(file, largestStore);
    if (!bytes)
        return std::nullopt;
    try {
        return toml::parse(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    } catch (const toml::parse_error&) {
        return std::nullopt;
    }
}

}  // namespace

Placement placementInForce(const Placement& configured,
                           const std::optional<DroppedPlacement>& stored) {
    if (stored && stored->configured == configured)
        return stored->dropped;
    return configured;
}

Placement placementAt(const ui::Rect& widget, const ui::Rect& monitor, double unitsPerPoint,
                      std::optional<std::string> output) {
    int horizontal = sideOf(widget.x, widget.width, monitor.x, monitor.width, unitsPerPoint);
    int vertical = sideOf(widget.y, widget.height, monitor.y, monitor.height, unitsPerPoint);
    auto gap = [&](int side, double start, double size, double areaStart, double areaSize) {
        double units = side < 0 ? start - areaStart : areaStart + areaSize - (start + size);
        // Whole points: the file stays readable and a drop lands where it was let go.
        return side == 0 ? 0.0 : std::max(0.0, std::round(units / unitsPerPoint));
    };
    return Placement{anchorOf(horizontal, vertical),
                     {gap(horizontal, widget.x, widget.width, monitor.x, monitor.width),
                      gap(vertical, widget.y, widget.height, monitor.y, monitor.height)},
                     std::move(output)};
}

std::optional<std::filesystem::path> placementStorePath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state && std::filesystem::path(state).is_absolute())
        return std::filesystem::path(state) / "sonaris" / "placement.toml";
    auto home = foundation::homeDirectoryForCurrentUser();
    if (!home)
        return std::nullopt;
    return *home / ".local" / "state" / "sonaris" / "placement.toml";
}

std::optional<DroppedPlacement> PlacementStore::read(const std::string& name) const {
    auto document = parsed(file_);
    if (!document)
        return std::nullopt;
    const toml::table* entry = document->get_as<toml::table>(keyOf(name));
    if (!entry)
        return std::nullopt;
    auto dropped = placementOf(entry->get("dropped"));
    auto configured = placementOf(entry->get("configured"));
    if (!dropped || !configured)
        return std::nullopt;
    return DroppedPlacement{std::move(*dropped), std::move(*configured)};
}

std::optional<std::string> PlacementStore::write(const std::string& name,
                                                 const DroppedPlacement& placement) {
    // Other widgets' places are kept; a file that is not ours to read is started afresh.
    toml::table document = parsed(file_).value_or(toml::table{});
    document.insert_or_assign(keyOf(name),
                              toml::table{{"dropped", tableOf(placement.dropped)},
                                          {"configured", tableOf(placement.configured)}});
    std::ostringstream text;
    text << "# Where each widget was dropped with the pointer, and the placement widget.toml and\n"
            "# the command line asked for then; written by sonaris-widget.\n"
         << document << '\n';
    std::string contents = text.str();
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error)
        return "cannot keep the widget's place in " + file_.string() + ": " + error.message();
    auto staged = foundation::StagedFile::write(
        file_, {reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size()});
    if (auto* reason = std::get_if<std::string>(&staged))
        return "cannot keep the widget's place in " + file_.string() + ": " + *reason;
    if (auto reason = std::get<foundation::StagedFile>(staged).commit())
        return "cannot keep the widget's place in " + file_.string() + ": " + *reason;
    return std::nullopt;
}

}  // namespace sonaris::platform::desktop
