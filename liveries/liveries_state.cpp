#include "liveries/liveries_state.h"

namespace oxl
{

LiveriesState gLiveries;

void gf_releaseLiveries()
{
    gLiveries.cycleOwner.release();
}

} // namespace oxl
