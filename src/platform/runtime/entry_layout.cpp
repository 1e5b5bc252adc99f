#include "platform/runtime/current_entry.hpp"

namespace sonaris::platform::runtime {

ui::LayoutResult layOut(const AnyEntry& entry, ui::WidgetFamily family, ui::Size size,
                        double scale) {
    // Geometry readers build their content during layout, so the family stays set through it.
    ui::ScopedEnvironment environment(
        ui::EnvironmentValues{.widgetFamily = family, .displayScale = scale});
    return ui::layout(entry.view(), size, scale);
}

LiveLayout layOutLive(const AnyEntry& entry, ui::WidgetFamily family, ui::Size size, double scale,
                      foundation::Date now) {
    ui::RedrawSchedule schedule;
    ui::ScopedEnvironment environment(ui::EnvironmentValues{.widgetFamily = family,
                                                            .liveDate = now,
                                                            .displayScale = scale,
                                                            .redrawSchedule = &schedule});
    auto laidOut = ui::layout(entry.view(), size, scale);
    return {std::move(laidOut), schedule.next()};
}

}  // namespace sonaris::platform::runtime
