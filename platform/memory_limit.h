// What the process reserves of its address space for its threads: little under a memory limit.
#pragma once

namespace oxl::plat
{

/// Under a limit of the address space (`ulimit -v`) the threads share one heap and start with stacks of
/// 2 MB instead of reserving 64 MB and 8 MB each, so that every thread of the program can start; without
/// a limit nothing changes. Called before the first thread starts.
void fitThreadsToMemoryLimit();

} // namespace oxl::plat
