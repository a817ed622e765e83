// Every message the simulator sends, turned into the program's state and answers for the main loop.
// All of it runs on the SimClient thread, inside SimConnect_CallDispatch.
#pragma once

#include "simlink/client/sc_receive.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace oxl
{

/// Distance [nm] beyond which a jump of the user aircraft counts as a teleport.
inline constexpr double kTeleportNm = 10.0;
/// Ground speed [kt] up to which the user aircraft counts as standing.
inline constexpr double kStandingKt = 2.0;
/// Longest user title kept [bytes].
inline constexpr std::size_t kUserTitleMaxBytes = 48;

/// The dispatch procedure handed to SimConnect_CallDispatch; a null message is ignored.
void gf_dispatchProc(const std::byte* data, std::uint32_t size, void* context);
/// The OPEN message: the simulator's name and version, and whether it is the configured simulator.
void gf_onOpen(const ScRecvOpen& open);
/// An EXCEPTION message.
void gf_onException(const ScRecvException& exception);
/// A SIMOBJECT_DATA message (replies 102, 106, 107, 108 and 109).
void gf_onSimObjectData(const ScRecvSimObjectData& reply);
/// The user aircraft's title (reply 106).
void gf_onUserAcTitle(const ScRecvSimObjectData& reply);
/// The user aircraft's ATC model (reply 107).
void gf_onUserAcModel(const ScRecvSimObjectData& reply);
/// Hands the stand the standing user aircraft is at to the cycle worker (which keeps it reserved).
void gf_recordUserStand();
/// Days since 1970-01-01 of a day of year (1-based) in a year.
std::int64_t gf_daysSince1970(std::int64_t dayOfYear, std::int64_t year);
/// Writes the count lines of the simulator's repeated lines that are due (every one when `all` is set).
void gf_logHeldSimLines(bool all = false);
/// Empties the dispatch's own state (previous user position) for a new cycle.
void gf_resetDispatchState();

} // namespace oxl
