#include "host/links/notification.hpp"

namespace sonaris::host::links {

bool notifyUser(std::string_view, std::string_view) { return false; }

}  // namespace sonaris::host::links
