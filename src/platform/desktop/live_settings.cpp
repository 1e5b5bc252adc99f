#include "platform/desktop/live_settings.hpp"

namespace sonaris::platform::desktop {

namespace {

bool sameRequest(const LiveWidgetRequest& a, const LiveWidgetRequest& b) {
    return a.family == b.family && a.points == b.points && a.scale == b.scale &&
           a.placement == b.placement;
}

}  // namespace

LiveSettings::Reread LiveSettings::reread() {
    auto chosen = chooseLiveWidget(options_, file_);
    if (auto* error = std::get_if<runtime::UsageError>(&chosen)) {
        if (lastComplaint_ == error->message)
            return {};
        lastComplaint_ = error->message;
        return {std::nullopt, error->message + "; the widget stays as it is"};
    }
    lastComplaint_.reset();
    auto& now = std::get<LiveWidgetChoice>(chosen);
    // The window system is chosen once, at the start; a new one would need a new process.
    if (sameRequest(now.request, chosen_.request))
        return {};
    chosen_.request = now.request;
    return {chosen_.request, std::nullopt};
}

}  // namespace sonaris::platform::desktop
