#include "platform/memory_limit.h"

#include <cstddef>
#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

namespace oxl::plat
{
namespace
{
// [bytes] a thread's stack under a memory limit: far more than the program's deepest calls take.
constexpr std::size_t kLimitedStackBytes = 2 * 1024 * 1024;
} // namespace

void fitThreadsToMemoryLimit()
{
    rlimit limit = {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return;
    // Each further heap of the allocator reserves 64 MB of address space up front.
    ::mallopt(M_ARENA_MAX, 1);
    pthread_attr_t attributes;
    if (::pthread_getattr_default_np(&attributes) != 0)
        return;
    if (::pthread_attr_setstacksize(&attributes, kLimitedStackBytes) == 0)
        (void)::pthread_setattr_default_np(&attributes);
    ::pthread_attr_destroy(&attributes);
}

} // namespace oxl::plat
