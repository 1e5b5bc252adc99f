#include "platform/foundation/date.hpp"

#include <chrono>

namespace sonaris::platform::foundation {

Date Date::now() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    const double unixSeconds = std::chrono::duration<double>(sinceEpoch).count();
    return {unixSeconds - referenceDateUnixOffset};
}

}  // namespace sonaris::platform::foundation
