#pragma once

namespace sonaris::host::daemon {

// The running host's own bus interface: `sonaris-host open` and `status` go through it.
inline constexpr const char* hostBusName = "com.tavrin.sonaris.Host";
inline constexpr const char* hostObjectPath = "/com/tavrin/sonaris/Host";
inline constexpr const char* hostInterface = "com.tavrin.sonaris.Host1";
inline constexpr const char* noPlayerError = "com.tavrin.sonaris.Host.Error.NoPlayer";
inline constexpr const char* refusedError = "com.tavrin.sonaris.Host.Error.Refused";

}  // namespace sonaris::host::daemon
