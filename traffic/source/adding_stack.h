// The hand-over from the Traffic Reader to the main loop: parsed traffic lines in arrival order, under
// one mutex that also guards the flag letting the reader add to them.
#pragma once

#include "records/aircraft_records.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace oxl
{

/// Ticks between a report's arrival and the tick at which it falls due (30 s).
inline constexpr std::int32_t kReportDelayTicks = 3000;

/// Traffic lines waiting for the main loop, and the accept flag, under one mutex.
class AddingStack
{
  public:
    /// Appends the line, due kReportDelayTicks after `tickNow`, when the accept flag is set; else drops it.
    /// Returns whether it was appended.
    bool push(TrafficLine&& line, std::int32_t tickNow);

    /// Sets or clears the accept flag.
    void setAccept(bool accept);

    /// The accept flag.
    bool accepting() const;

    /// Holds the mutex while `handle` runs for each of at most `limit` lines taken from the front, so
    /// that no line is added meanwhile. Returns the count handled.
    template <class Handle> std::size_t takeUpTo(std::size_t limit, Handle&& handle)
    {
        std::lock_guard lock(mutex_);
        std::size_t taken = 0;
        while (taken < limit && !lines_.empty())
        {
            TrafficLine line = std::move(lines_.front());
            lines_.pop_front();
            ++taken;
            handle(line);
        }
        return taken;
    }

    /// Number of waiting lines.
    std::size_t size() const;

    /// Drops every waiting line (the cycle reset); the accept flag is left alone.
    void clear();

    /// Adds datagrams that the system dropped before the reader could read them.
    void countSystemDrops(std::uint64_t count) { systemDrops_.fetch_add(count); }
    /// The datagrams the system dropped since the last call.
    std::uint64_t takeSystemDrops() { return systemDrops_.exchange(0); }

  private:
    mutable std::mutex mutex_;
    std::deque<TrafficLine> lines_; // guarded by mutex_
    bool accept_ = false;           // guarded by mutex_
    std::atomic<std::uint64_t> systemDrops_{0};
};

} // namespace oxl
