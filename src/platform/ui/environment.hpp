#pragma once

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

// Values the runtime sets around the building of a view tree.
struct EnvironmentValues {
    WidgetFamily widgetFamily = WidgetFamily::systemSmall;
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
