#include "foundation/message_hook.h"

#include "foundation/foundation_state.h"
#include "foundation/log.h"

namespace oxl
{
namespace
{

LogOnlyMessageLine gLogOnly;

} // namespace

void LogOnlyMessageLine::show(const std::string& text, bool log)
{
    if (log && !text.empty())
    {
        gf_logIfRunning(text);
    }
}

void gf_installMessageLinePort(MessageLinePort* port)
{
    gFoundation.gMessageLine.store(port);
}

void gf_foundationShowMessage(const std::string& text, bool log)
{
    MessageLinePort* const port = gFoundation.gMessageLine.load();
    (port != nullptr ? *port : gLogOnly).show(text, log);
}

} // namespace oxl
