// Captured traffic datagrams as the program's traffic lines: reading the capture's
// "(arrival, ':', 'DATAGRAM')" lines, converting the source's older comma format, and the time stamp
// field by which a recording is spaced and restamped when it is replayed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace oxl::capture
{

/// One captured datagram: its arrival time as written in the capture, and its text.
struct CapturedDatagram
{
    std::string arrival;  ///< [s] Unix time, the capture's own digits
    std::string datagram; ///< the datagram as received
};

/// Reads one capture line "(time, ':', 'DATAGRAM')"; nullopt when the line is not one.
std::optional<CapturedDatagram> readCapturedLine(std::string_view line);

/// The traffic line of a datagram in the older "AITFC,…" format (14 fields) stamped with `timestamp`;
/// nullopt when the datagram is not in that format.
std::optional<std::string> trafficLineOfOldFormat(std::string_view datagram, std::string_view timestamp);

/// The traffic line of a capture line; nullopt when the line is neither read nor converted.
std::optional<std::string> trafficLineOfCapture(std::string_view line);

/// The report time of a traffic line (field 14); nullopt when it is not a finite number.
std::optional<double> timestampOf(std::string_view trafficLine);

/// The traffic line with field 14 replaced by `timestamp`; the line unchanged when it has no field 14.
std::string withTimestamp(std::string_view trafficLine, std::string_view timestamp);

} // namespace oxl::capture
