#pragma once

#include "platform/runtime/widget_configuration.hpp"

namespace sonaris::platform::cli {

// Binds the labels' translations installed with (or built beside) the running program.
void bindProgramMessageCatalogue();

// Runs a widget from the command line (render, timeline, snapshot, placeholder, tree, tap,
// config, run); returns the process exit status.
int widgetMain(const runtime::WidgetConfiguration& configuration, int argc, char** argv);

// The same for the program itself: the labels' language is set up from the environment before
// the declaration, whose display name and description are labels, is built.
template <class Widget>
int widgetProgramMain(int argc, char** argv) {
    bindProgramMessageCatalogue();
    return widgetMain(Widget().body(), argc, argv);
}

}  // namespace sonaris::platform::cli
