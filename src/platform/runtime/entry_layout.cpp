#include "platform/runtime/current_entry.hpp"

namespace sonaris::platform::runtime {

ui::LayoutResult layOut(const AnyEntry& entry, ui::WidgetFamily family, ui::Size size,
                        double scale) {
    // Geometry readers build their content during layout, so the family stays set through it.
    ui::ScopedEnvironment environment(ui::EnvironmentValues{family});
    return ui::layout(entry.view(), size, scale);
}

}  // namespace sonaris::platform::runtime
