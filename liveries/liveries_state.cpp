#include "liveries/liveries_state.h"

namespace oxl
{

LiveriesState gLiveries;

} // namespace oxl
