#include "platform/runtime/program.hpp"

namespace sonaris::platform::runtime {

void reportError(std::ostream& err, std::string_view message) {
    err << "sonaris-widget: " << message << '\n';
    err.flush();
}

int finishOutput(Streams streams) {
    streams.out.flush();
    if (!streams.out) {
        reportError(streams.err, "cannot write to standard output");
        return exitOutputFailed;
    }
    return exitSuccess;
}

}  // namespace sonaris::platform::runtime
