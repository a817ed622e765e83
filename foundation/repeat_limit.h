// Repeated errors of outside input in the log: every source named, and no flood can take the log.
#pragma once

#include "foundation/log.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace oxl
{

/// Where a repeated error came from: the address of the datagram's sender, without its port (the sockets
/// of one machine share one allowance), and the aircraft (its hexid as sent); either may be empty.
struct ErrorSource
{
    std::string_view sender;
    std::string_view aircraft;
};

/// Writes the lines of repeated errors and counts the lines that it leaves out, so that a flood of bad
/// input can neither flood the log nor hide another error or go unseen. A line passes when none of its
/// kind from its source (sender and aircraft) was written for a second and its sender's share of the
/// allowance for lines has room; a source without a line for a minute goes before the others. Every
/// source left out is named in its kind's next count line, written a second or more after the kind's last
/// count, within the allowance for counts. The allowances (gFoundation.gRepeatAllowance) are shared by every
/// RepeatLimitedLog of the process: all of them together write about 2.2 MB an hour at most, count lines
/// included, whatever comes in and from however many senders.
class RepeatLimitedLog
{
  public:
    /// What the limit does when the lines of a kind come from ever new sources: it names each (a reader's
    /// senders and aircraft), or, once more than a few new ones come within a second, it takes the kind's
    /// lines as from one source and counts them without names until a minute passes without a new one
    /// (the simulator's numbers, which a faulty simulator may make new for every message).
    enum class NewSources
    {
        named,
        foldedWhenFlooding,
    };
    /// Count lines name a kind after the prefix and what was held back: "{prefix}{kind}: {n} more like it
    /// left out", followed by ", of " and the sources held back ("4000123, 4000124 from 127.0.0.1;
    /// 127.0.0.2") and " and {m} more" for the lines of sources beyond those remembered.
    explicit RepeatLimitedLog(std::string_view kindPrefix = {}, NewSources newSources = NewSources::named);
    /// Writes the line in the form when a line of the kind from the source may be written now, after the
    /// kind's count line when lines were left out; else the line is counted as left out. True when written.
    /// `makeLine` is called only when the line may be written: a flood costs no formatting.
    bool write(std::string_view kind, const std::function<std::string()>& makeLine,
               LogForm form = LogForm::plain, ErrorSource source = {});
    /// The same for a line already made.
    bool write(std::string_view kind, std::string_view line, LogForm form = LogForm::plain,
               ErrorSource source = {});
    /// Writes the count line of every kind whose lines were left out and whose last count is a second old,
    /// longest waiting first, within the allowance for counts (every such kind at once when `all` is set).
    void flush(bool all = false);
    /// Writes every count held back and forgets the lines written: the next line of each kind and source
    /// is written as a first one (a link opened anew).
    void forget();

  private:
    using TimePoint = std::chrono::steady_clock::time_point;
    // Names looked up by a view, without a string made for each line held back.
    struct NameHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;
    // The sources held back since a kind's last count: one sender and its aircraft, as they came (cut),
    // escaped only when a count names them.
    struct Held
    {
        std::string sender;
        std::vector<std::string> aircraft; // in the order first held
        NameSet known;                     // the same names, looked up
    };
    struct Kind
    {
        std::string name;
        TimePoint counted; // the kind's last count
        std::uint64_t leftOut = 0;
        std::vector<Held> held; // in the order first held
        std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>>
            heldSenders;                  // index in `held`
        std::size_t heldBytes = 0;        // [bytes] of the names in `held`
        std::uint64_t heldFromOthers = 0; // lines held back from sources beyond those remembered
        TimePoint freshSince{};           // the start of the second whose new sources are counted
        std::uint32_t fresh = 0;          // new sources since then
        TimePoint foldedUntil{};          // its sources are taken as one until then
    };
    Kind& kindOf(std::string_view kind, TimePoint now);
    void hold(Kind& kind, ErrorSource source);
    std::string takeCount(Kind& kind, TimePoint now, bool all);
    void makeKey(std::string_view kind, ErrorSource source);
    bool joinsFlood(Kind& kind, TimePoint now);

    std::string kindPrefix_;
    NewSources newSources_;
    std::uint64_t id_; // its share of the allowance for counts
    std::mutex mutex_;
    std::vector<Kind> kinds_; // the few kinds of a caller, searched in order
    std::unordered_map<std::string, TimePoint, NameHash, std::equal_to<>> written_; // kind, sender, aircraft
    std::string key_; // the key of the line at hand, its room kept between lines
};

} // namespace oxl
