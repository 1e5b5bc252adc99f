#pragma once

#include <optional>

#include "platform/foundation/date.hpp"

namespace sonaris::platform::ui {

enum class WidgetFamily {
    systemSmall,
    systemMedium,
    systemLarge,
    systemExtraLarge,
    accessoryCircular,
    accessoryRectangular,
    accessoryInline,
};

// When a live drawing next looks different by itself, as the views in it say: the earliest
// date any of them asks for.
class RedrawSchedule {
  public:
    void redrawAt(foundation::Date date) {
        if (!next_ || date.timeIntervalSinceReferenceDate < next_->timeIntervalSinceReferenceDate)
            next_ = date;
    }
    std::optional<foundation::Date> next() const { return next_; }

  private:
    std::optional<foundation::Date> next_;
};

// Values the runtime sets around the building of a view tree.
struct EnvironmentValues {
    WidgetFamily widgetFamily = WidgetFamily::systemSmall;
    // The moment a live widget is drawn for, so that views may show what has moved on since the
    // entry was made (a playing track's position). Unset where a drawing shows the entry exactly
    // as it stands (render, tree, tap).
    std::optional<foundation::Date> liveDate;
    // Pixels per point of the drawing.
    double displayScale = 2;
    // Where views that move by themselves say when they next change by a whole pixel; not
    // owned, unset when nobody asks.
    RedrawSchedule* redrawSchedule = nullptr;
};

// The environment in effect on this thread.
const EnvironmentValues& currentEnvironment();

// Sets the thread's environment for its lifetime and restores the previous one after.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(EnvironmentValues values);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    EnvironmentValues previous_;
};

// A property bound to one environment value, read each time it is read.
template <class T>
class Environment {
  public:
    explicit Environment(T EnvironmentValues::*key) : key_(key) {}
    T operator*() const { return currentEnvironment().*key_; }

  private:
    T EnvironmentValues::*key_;
};

}  // namespace sonaris::platform::ui
