// Ordalis_P3D: live air traffic for a running flight simulator.
#include "app/program_hooks.h"
#include "foundation/log.h"
#include "platform/error_output.h"
#include "platform/memory_limit.h"
#include "platform/single_instance.h"
#include "traffic/cycle/cycle_worker.h"
#include "window/gui_main.h"

#include <exception>
#include <string>

int main()
{
    oxl::plat::fitThreadsToMemoryLimit();
    // A second instance does nothing at all: the running one's log is not even rotated.
    if (!oxl::plat::acquireSingleInstance(oxl::kSingleInstanceMutexName))
        return -1;
    try
    {
        oxl::gf_openLog();
    }
    catch (const std::exception& e)
    {
        // No folder takes a log: the program runs all the same, and its lines are dropped.
        oxl::plat::writeErrorOutputNoWait(std::string(e.what()) + "\n");
    }
    oxl::gf_installProgramHooks();
    const int code = oxl::gf_guiMain();
    oxl::gf_stopSimClientThread();
    oxl::gf_closeLog();
    return code;
}
