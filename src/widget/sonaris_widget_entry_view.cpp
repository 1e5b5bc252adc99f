#include "widget/sonaris_widget_entry_view.hpp"

#include "views/large_widget_view.hpp"
#include "views/medium_widget_view.hpp"
#include "views/small_widget_view.hpp"

namespace sonaris::widget {

using platform::ui::WidgetFamily;

platform::ui::ViewNode SonarisWidgetEntryView::body() const {
    const WidgetFamily current = *family;
    if (current == WidgetFamily::systemSmall || current == WidgetFamily::systemMedium) {
        if (current == WidgetFamily::systemSmall)
            return views::SmallWidgetView{entry}.body();
        return views::MediumWidgetView{entry}.body();
    }
    if (current == WidgetFamily::systemLarge)
        return views::LargeWidgetView{entry}.body();
    // Families the widget does not declare still get a usable tile rather than nothing.
    return views::SmallWidgetView{entry}.body();
}

}  // namespace sonaris::widget
