#include "airports/airports_state.h"

namespace oxl
{

AirportsState gAirports;

} // namespace oxl
