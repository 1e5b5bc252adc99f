#include "platform/desktop/live_profile.hpp"

namespace sonaris::platform::desktop {

namespace {

using namespace std::chrono_literals;

// Long enough for an editor's write-and-rename to finish, short enough to feel immediate.
constexpr auto settleTime = 100ms;

}  // namespace

LiveProfile::LiveProfile(std::string name, LiveSettings settings,
                         std::optional<SingleInstance> instance, Report report)
    : name_(std::move(name)),
      settings_(std::move(settings)),
      instance_(std::move(instance)),
      report_(std::move(report)) {
    if (settings_.file())
        watch_ = HostFolderWatch::create({settings_.file()->parent_path()});
    if (auto path = placementStorePath()) {
        store_.emplace(*path);
        droppedPlace_ = store_->read(name_);
    }
}

LiveWidgetRequest LiveProfile::request() const {
    auto request = settings_.chosen().request;
    request.placement = placementInForce(request.placement, droppedPlace_);
    return request;
}

void LiveProfile::settingsFolderChanged() {
    if (watch_ && watch_->readEvents())
        settleDeadline_ = std::chrono::steady_clock::now() + settleTime;
}

std::optional<LiveWidgetRequest> LiveProfile::settle() {
    settleDeadline_.reset();
    auto before = request();
    auto reread = settings_.reread();
    if (reread.complaint)
        report_(*reread.complaint);
    if (!reread.changed)
        return std::nullopt;
    auto now = request();
    if (now.family == before.family && now.points == before.points && now.scale == before.scale &&
        now.placement == before.placement)
        return std::nullopt;
    return now;
}

void LiveProfile::dropped(const Placement& placement) {
    droppedPlace_ = DroppedPlacement{placement, settings_.chosen().request.placement};
    if (!store_)
        return;
    if (auto reason = store_->write(name_, *droppedPlace_))
        report_(*reason);
}

}  // namespace sonaris::platform::desktop
