#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/desktop/placement.hpp"
#include "platform/ui/geometry.hpp"

namespace sonaris::platform::desktop {

// Where a widget was dropped with the pointer, with the placement the settings file and the
// command line asked for at that time: while they still ask for that one, the dropped place
// stands; once they ask for another, theirs wins.
struct DroppedPlacement {
    Placement dropped;
    Placement configured;

    bool operator==(const DroppedPlacement&) const = default;
};

// The placement the widget takes: the dropped one while the configured one is what it was
// dropped over.
Placement placementInForce(const Placement& configured,
                           const std::optional<DroppedPlacement>& stored);

// The anchor and margins that keep a widget standing at `widget` (in the monitor's units) on
// `monitor`: on each axis the nearer edge, or the middle when the widget is centred to within
// a point; margins in points, never below 0.
Placement placementAt(const ui::Rect& widget, const ui::Rect& monitor, double unitsPerPoint,
                      std::optional<std::string> output);

// $XDG_STATE_HOME/sonaris/placement.toml, or ~/.local/state/sonaris/placement.toml when that is
// unset or not absolute; nothing when there is no home either.
std::optional<std::filesystem::path> placementStorePath();

// The dropped places of every widget, one table a widget name, in a file the program alone
// writes (never the user's widget.toml).
class PlacementStore {
  public:
    explicit PlacementStore(std::filesystem::path file) : file_(std::move(file)) {}

    // Nothing when the file, or its entry for `name`, is missing or unreadable.
    std::optional<DroppedPlacement> read(const std::string& name) const;

    // Replaces `name`'s entry and keeps the others; the file is written whole under a temporary
    // name and then renamed. A one-line reason when it could not be written.
    std::optional<std::string> write(const std::string& name, const DroppedPlacement& placement);

    const std::filesystem::path& file() const { return file_; }

  private:
    std::filesystem::path file_;
};

}  // namespace sonaris::platform::desktop
