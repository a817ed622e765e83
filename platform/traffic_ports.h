// The UDP ports on which the program reads the traffic source's datagrams. The source sends to fixed
// ports; runs that share one machine (tests side by side, a second demo) move them with OXL_TRAFFIC_PORT
// and OXL_QNH_PORT.
#pragma once

#include <cstdint>

namespace oxl::plat
{

/// The port number in the environment variable when it holds one (1..65535, digits only), else fallback.
std::uint16_t portFromEnvironment(const char* name, std::uint16_t fallback);

} // namespace oxl::plat
