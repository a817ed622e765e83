#include "traffic/source/source_state.h"

namespace oxl
{

SourceState gSource;

void gf_installSourceLinkPort(SourceLinkPort* port)
{
    gSource.gSourceLink.install(port);
}

void gf_installTrafficDisplayPort(TrafficDisplayPort* window)
{
    gSource.gTrafficDisplay.install(window);
}

} // namespace oxl
