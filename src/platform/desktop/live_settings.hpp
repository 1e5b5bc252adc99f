#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/desktop/live_widget_options.hpp"
#include "platform/desktop/widget_settings.hpp"

namespace sonaris::platform::desktop {

// The running widget's settings: its command line over its table in widget.toml, read again
// when the file changes so that an edit applies without a restart.
class LiveSettings {
  public:
    LiveSettings(LiveWidgetOptions options, std::optional<std::filesystem::path> file,
                 LiveWidgetChoice chosen)
        : options_(std::move(options)), file_(std::move(file)), chosen_(std::move(chosen)) {}

    // What a new reading of the file brings.
    struct Reread {
        // The widget as it is to be now, when that differs from before.
        std::optional<LiveWidgetRequest> changed;
        // Why the file could not be taken, in one line naming it; said once for each new fault
        // (the widget stays as it is meanwhile).
        std::optional<std::string> complaint;
    };
    Reread reread();

    const LiveWidgetChoice& chosen() const { return chosen_; }
    const std::optional<std::filesystem::path>& file() const { return file_; }

  private:
    LiveWidgetOptions options_;
    std::optional<std::filesystem::path> file_;
    LiveWidgetChoice chosen_;
    std::optional<std::string> lastComplaint_;
};

}  // namespace sonaris::platform::desktop
