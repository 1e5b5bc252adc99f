#include "platform/cli/widget_main.hpp"

#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/cli/command_line.hpp"
#include "platform/cli/commands.hpp"
#include "platform/desktop/live_widget.hpp"
#include "platform/ui/message_catalogue.hpp"

namespace sonaris::platform::cli {

using namespace runtime;

void bindProgramMessageCatalogue() {
    std::error_code error;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    ui::bindMessageCatalogue(ui::messageCatalogueFolder(executable));
}

int widgetMain(const WidgetConfiguration& configuration, int argc, char** argv) {
    std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    Streams streams{std::cout, std::cerr};
    auto parsed = parseCommandLine(arguments);
    if (auto* error = std::get_if<UsageError>(&parsed)) {
        reportError(streams.err, error->message + " (see sonaris-widget --help)");
        return exitUsage;
    }
    const auto& invocation = std::get<Invocation>(parsed);
    switch (invocation.command) {
        case Command::help:
            streams.out << usageText();
            return finishOutput(streams);
        case Command::version:
            streams.out << "sonaris-widget " << SONARIS_VERSION << '\n';
            return finishOutput(streams);
        case Command::config:
            return printConfiguration(configuration, streams);
        case Command::timeline:
        case Command::snapshot:
        case Command::placeholder:
            return printEntry(configuration, invocation, streams);
        case Command::tree:
            return printTree(configuration, invocation, streams);
        case Command::tap:
            return printTap(configuration, invocation, streams);
        case Command::render:
            return renderPngs(configuration, invocation, streams);
        case Command::run:
            return desktop::runLiveWidget(configuration, invocation.liveWidgetOptions(), streams);
    }
    return exitUsage;
}

}  // namespace sonaris::platform::cli
