// The owning thread of a folder's state, checked in debug builds: the first thread that touches the
// state owns it until the owner is released, and a touch from any other thread stops the program.
#pragma once

#include <atomic>
#include <cassert>
#include <thread>

namespace oxl
{

// The checking and the empty variant are different types, so a test built without NDEBUG links with
// libraries built with it.
#ifdef NDEBUG
inline namespace unchecked
{
#else
inline namespace checked
{
#endif

/// Remembers the thread that owns a piece of state and, in debug builds, asserts each touch comes from it.
class ThreadOwner
{
  public:
    /// Takes the state for the calling thread if it has no owner; asserts the caller owns it.
    void check() noexcept
    {
#ifndef NDEBUG
        const std::thread::id self = std::this_thread::get_id();
        std::thread::id previous{};
        if (!owner_.compare_exchange_strong(previous, self))
            assert(previous == self && "state touched off its owning thread");
#endif
    }

    /// Gives the state up: the next thread that touches it owns it (a new cycle's thread).
    void release() noexcept
    {
#ifndef NDEBUG
        owner_.store(std::thread::id{});
#endif
    }

#ifndef NDEBUG
  private:
    std::atomic<std::thread::id> owner_{};
#endif
};

} // namespace

} // namespace oxl
