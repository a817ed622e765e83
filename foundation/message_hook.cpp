#include "foundation/message_hook.h"

#include "foundation/log.h"

#include <mutex>

namespace oxl
{
namespace
{
std::mutex gHookMutex;
ShowMessageHook gHook;
} // namespace

void gf_setShowMessageHook(ShowMessageHook hook)
{
    std::lock_guard lock(gHookMutex);
    gHook = std::move(hook);
}

void gf_foundationShowMessage(const std::string& text, bool log)
{
    ShowMessageHook hook;
    {
        std::lock_guard lock(gHookMutex);
        hook = gHook;
    }
    if (hook)
    {
        hook(text, log);
    }
    else if (log && !text.empty())
    {
        gf_logIfRunning(text);
    }
}

} // namespace oxl
