// The owning thread of a folder's state, checked in debug builds and in builds with OXL_OWNER_CHECKS: the
// first thread that touches the state owns it until the owner is released, and a touch from any other
// thread stops the program.
#pragma once

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if defined(OXL_OWNER_CHECKS) || !defined(NDEBUG)
#define OXL_OWNER_CHECKED 1
#endif

namespace oxl
{

// The checking and the empty variant are different types, so a test built with the checks links with
// libraries built without them.
#ifdef OXL_OWNER_CHECKED
inline namespace checked
{
#else
inline namespace unchecked
{
#endif

/// Remembers the thread that owns a piece of state and, where checks are built in, stops the program when
/// another thread touches it.
class ThreadOwner
{
  public:
    /// Takes the state for the calling thread if it has no owner; stops the program if another owns it.
    void check() noexcept
    {
#ifdef OXL_OWNER_CHECKED
        const std::thread::id self = std::this_thread::get_id();
        std::thread::id previous{};
        if (!owner_.compare_exchange_strong(previous, self) && previous != self)
        {
            // Not assert(): the sanitizer builds keep NDEBUG and must still stop here.
            std::fputs("state touched off its owning thread\n", stderr);
            std::abort();
        }
#endif
    }

    /// Gives the state up: the next thread that touches it owns it (a new cycle's thread).
    void release() noexcept
    {
#ifdef OXL_OWNER_CHECKED
        owner_.store(std::thread::id{});
#endif
    }

#ifdef OXL_OWNER_CHECKED
  private:
    std::atomic<std::thread::id> owner_{};
#endif
};

} // namespace

} // namespace oxl
