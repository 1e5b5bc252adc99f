#include "host/links/tool_launcher.hpp"

namespace sonaris::host::links {

int runToolAction(HostAction, const HostConfig&, std::ostream& err) {
    err << "sonaris-host: tool commands are not available yet\n";
    return 1;
}

}  // namespace sonaris::host::links
