#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/desktop/host_folder_watch.hpp"
#include "platform/desktop/live_settings.hpp"
#include "platform/desktop/placement_store.hpp"
#include "platform/desktop/single_instance.hpp"

namespace sonaris::platform::desktop {

// What a running widget keeps besides its window: its name's claim, its settings as they are
// edited, and the place it was last dropped. The loop polls settingsFd() and instanceFd() with
// its other sources.
class LiveProfile {
  public:
    using Report = std::function<void(const std::string& line)>;

    LiveProfile(std::string name, LiveSettings settings, std::optional<SingleInstance> instance,
                Report report);

    const std::string& name() const { return name_; }
    // The request to show now: the settings' own, at the dropped place while it stands.
    LiveWidgetRequest request() const;

    // The settings file's folder changed: settleDeadline() is when to read it again (editors
    // write in bursts); unset while nothing is waiting.
    int settingsFd() const { return watch_ ? watch_->fd() : -1; }
    void settingsFolderChanged();
    std::optional<std::chrono::steady_clock::time_point> settleDeadline() const {
        return settleDeadline_;
    }
    // At the deadline: the request, when the edit changed it (a broken edit is reported and
    // changes nothing).
    std::optional<LiveWidgetRequest> settle();

    int instanceFd() const { return instance_ ? instance_->fd() : -1; }
    void answerInstance() const {
        if (instance_)
            instance_->answer();
    }

    // The widget was dropped at `placement`: it stays there, now and at the next start, until
    // the settings ask for another placement.
    void dropped(const Placement& placement);

  private:
    std::string name_;
    LiveSettings settings_;
    std::optional<SingleInstance> instance_;
    Report report_;
    std::optional<HostFolderWatch> watch_;
    std::optional<std::chrono::steady_clock::time_point> settleDeadline_;
    std::optional<PlacementStore> store_;
    std::optional<DroppedPlacement> droppedPlace_;
};

}  // namespace sonaris::platform::desktop
