// Parsing and filtering of the traffic source's comma-separated traffic lines (UDP 49005): what passes
// becomes a TrafficLine on the adding stack, due 30 s later.
#pragma once

#include "foundation/repeat_limit.h"
#include "records/aircraft_records.h"
#include "traffic/source/adding_stack.h"
#include "traffic/source/traffic_filter.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// What became of one traffic line.
enum class LineOutcome
{
    ignored,   ///< a vehicle line (" VEH"), not read at all
    dropped,   ///< filtered out silently
    error,     ///< a field could not be read; logged
    discarded, ///< complete, but the adding stack did not accept lines
    pushed,    ///< appended to the adding stack
};

/// Type codes of things that are not aircraft: balloons, gliders, ground vehicles and the like.
const std::unordered_set<std::string_view>& excludedTypeCodes();

/// The type and emitter-category filter: false drops the line.
bool gf_acceptTypeAndCategory(const AcIdent& ident, std::string_view category);

/// "null" becomes the empty text; anything else is kept.
std::string gf_nullToEmpty(std::string_view field);

/// "{:.6f},{:.6f}" of a position.
std::string gf_latLonText(double latDeg, double lonDeg);

/// The true airspeed assumed at an altitude when the source gives none (-1).
double gf_defaultTas(double altFt);

/// Turns traffic datagrams into TrafficLines and pushes them, on the Traffic Reader thread.
class TrafficLineParser
{
  public:
    /// A parser that filters with `filter`, collects callsigns into `callsigns`, stores each line's time
    /// stamp in `lastTimestamp` and pushes onto `stack` dated by `tickCounter`.
    TrafficLineParser(const TrafficFilter& filter, CallsignCollector& callsigns, AddingStack& stack,
                      const std::atomic<std::int32_t>& tickCounter, std::atomic<double>& lastTimestamp);

    /// One datagram from the sender ("a.b.c.d", empty when not known): ignored whole when it contains
    /// " VEH", else split at every ',' and parsed.
    LineOutcome handleDatagram(std::string_view datagram, std::string_view sender = {});

    /// Parses, filters and pushes the split line; logs every error (repeats of one kind from one aircraft
    /// and sender at most once a second) and never lets one escape.
    LineOutcome processLineSub(std::string_view datagram);

    /// Logs the count of errors held back for a second or more (every one held back when `all`).
    void logHeldErrors(bool all = false);

  private:
    std::string_view field(std::size_t index) const;
    LineOutcome parse(std::string_view datagram);
    void logError(std::string_view kind, std::string_view text);

    const TrafficFilter& filter_;
    CallsignCollector& callsigns_;
    AddingStack& stack_;
    const std::atomic<std::int32_t>& tickCounter_;
    std::atomic<double>& lastTimestamp_;
    std::vector<std::string_view> fields_; // views into the datagram, capacity kept between datagrams
    std::string_view sender_;              // the datagram's sender, while it is handled
    RepeatLimitedLog repeats_{"exception in processLineSub: "};
};

} // namespace oxl
