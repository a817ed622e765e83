// The UDP ports on which the program reads the traffic source's datagrams. The source sends to fixed
// ports; runs that share one machine (tests side by side, a second demo) move them with OXL_TRAFFIC_PORT
// and OXL_QNH_PORT. OXL_TRAFFIC_RECEIVE_BUFFER sets the Traffic Reader's socket receive buffer in bytes,
// so that a run can see what a small one loses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oxl::plat
{

/// The port number in the environment variable when it holds one (1..65535, digits only), else fallback.
std::uint16_t portFromEnvironment(const char* name, std::uint16_t fallback);

/// The byte count in the environment variable when it holds one (digits only, not 0), else fallback.
std::size_t bytesFromEnvironment(const char* name, std::size_t fallback);

} // namespace oxl::plat
