#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "host/daemon/command_line.hpp"
#include "host/daemon/daemon.hpp"
#include "host/daemon/host_client.hpp"
#include "host/daemon/track_history.hpp"
#include "platform/foundation/home_directory.hpp"
#include "state/host_contract.hpp"

namespace {

using namespace sonaris::host::daemon;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
// clang 14 does not deduce an aggregate's arguments without a guide.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

int run(const RunCommand& command) {
    DaemonOptions options;
    options.rules = command.rules;
    options.progressInterval = command.progressInterval;
    // The live files change every few seconds and mean nothing after logout: they go to the
    // session's runtime folder, in memory, when there is one.
    if (auto runtime = sonaris::state::HostFiles::runtimeFolder()) {
        options.liveFolder = *runtime;
        options.liveFlush = Flush::none;
    } else if (auto home = sonaris::platform::foundation::homeDirectoryForCurrentUser()) {
        options.liveFolder = *home / sonaris::state::HostFiles::containerFolder();
    } else {
        std::cerr << "sonaris-host: no home folder to write the widget's files in\n";
        return 1;
    }
    options.historyFile = historyFilePath();
    if (options.historyFile)
        options.coverOwnerMark = options.historyFile->parent_path() / "cover-written";
    return runDaemon(options, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return std::visit(
        Overloaded{
            [](const RunCommand& command) { return run(command); },
            [](const OpenCommand& command) { return openUrl(command.url, std::cerr); },
            [](const StatusCommand&) { return printStatus(std::cout, std::cerr); },
            [](const HelpCommand&) {
                std::cout << hostUsage;
                return 0;
            },
            [](const VersionCommand&) {
                std::cout << "sonaris-host " << SONARIS_VERSION << '\n';
                return 0;
            },
            [](const UsageError& error) {
                std::cerr << "sonaris-host: " << error.message << " (see sonaris-host --help)\n";
                return 2;
            },
        },
        parseCommandLine(arguments));
}
