#pragma once

#include <string>

#include "platform/runtime/widget_configuration.hpp"
#include "state/widget_kind.hpp"

namespace sonaris::widget {

// The one widget the extension offers: what the runtime registers, asks for timelines and draws.
struct SonarisWidget {
    // The identifier the platform registers the widget under: the extension's bundle identifier.
    std::string kind{state::extensionBundleIdentifier};

    platform::runtime::WidgetConfiguration body() const;

    // Hands the widget to the runtime, which owns the process from then on; returns the exit
    // status should the runtime ever return.
    static int main(int argc, char** argv);
};

}  // namespace sonaris::widget
