// The SimClient thread: opens the program's one connection to the simulator, registers everything the
// program asks of it, and pumps its messages every millisecond until the cycle stops it.
#pragma once

#include <chrono>
#include <cstdint>
#include <stop_token>

namespace oxl
{

/// The client name the simulator sees.
inline constexpr const char* kSimClientName = "Ordalis_P3D";
/// Pause between two attempts to open the connection.
inline constexpr std::chrono::milliseconds kOpenRetry{100};
/// Pause between two dispatch calls.
inline constexpr std::chrono::milliseconds kDispatchPeriod{1};

/// The thread body: connect, register, dispatch until stopped, close. The cycle worker owns the thread.
void SimClient(std::stop_token stop);
/// Registers the system events, data definitions, client events and the notification group on
/// gSimLink.gSimHandle.
void gf_defineSimData();
/// Adds one client event to the notification group, maskable.
void gf_addToEventGroup(std::uint32_t eventId);

} // namespace oxl
