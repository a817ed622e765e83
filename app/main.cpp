// Ordalis_P3D: live air traffic for a running flight simulator.
#include "app/program_hooks.h"
#include "foundation/log.h"
#include "platform/single_instance.h"
#include "traffic/cycle/cycle_worker.h"
#include "window/gui_main.h"

#include <cstdio>
#include <exception>

int main()
{
    // A second instance does nothing at all: the running one's log is not even rotated.
    if (!oxl::plat::acquireSingleInstance(oxl::kSingleInstanceMutexName))
        return -1;
    try
    {
        oxl::gf_openLog();
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    oxl::gf_installProgramHooks();
    const int code = oxl::gf_guiMain();
    oxl::gf_stopSimClientThread();
    oxl::gf_closeLog();
    return code;
}
