#include "platform/ui/environment.hpp"

namespace sonaris::platform::ui {

namespace {
thread_local EnvironmentValues current;
}

const EnvironmentValues& currentEnvironment() {
    return current;
}

ScopedEnvironment::ScopedEnvironment(EnvironmentValues values) : previous_(current) {
    current = values;
}

ScopedEnvironment::~ScopedEnvironment() {
    current = previous_;
}

}  // namespace sonaris::platform::ui
