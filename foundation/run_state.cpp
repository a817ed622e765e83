#include "foundation/run_state.h"

namespace oxl
{

std::atomic<std::uint8_t> gStopRequested{0};
std::atomic<std::uint8_t> gWindowClosed{0};
std::atomic<double> gTrafficTime{0.0};
std::atomic<std::uint8_t> gProfessionalLevel{0};

} // namespace oxl
