#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/runtime/command_line.hpp"
#include "platform/runtime/widget_settings.hpp"

namespace sonaris::platform::desktop {

// The running widget's settings: its command line over its table in widget.toml, read again
// when the file changes so that an edit applies without a restart.
class LiveSettings {
  public:
    LiveSettings(runtime::Invocation invocation, std::optional<std::filesystem::path> file,
                 runtime::LiveWidgetChoice chosen)
        : invocation_(std::move(invocation)), file_(std::move(file)), chosen_(std::move(chosen)) {}

    // What a new reading of the file brings.
    struct Reread {
        // The widget as it is to be now, when that differs from before.
        std::optional<runtime::LiveWidgetRequest> changed;
        // Why the file could not be taken, in one line naming it; said once for each new fault
        // (the widget stays as it is meanwhile).
        std::optional<std::string> complaint;
    };
    Reread reread();

    const runtime::LiveWidgetChoice& chosen() const { return chosen_; }
    const std::optional<std::filesystem::path>& file() const { return file_; }

  private:
    runtime::Invocation invocation_;
    std::optional<std::filesystem::path> file_;
    runtime::LiveWidgetChoice chosen_;
    std::optional<std::string> lastComplaint_;
};

}  // namespace sonaris::platform::desktop
