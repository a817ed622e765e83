#include "foundation/repeat_limit.h"

#include "foundation/foundation_state.h"
#include "platform/clock.h"

#include <algorithm>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <utility>

namespace oxl
{
namespace
{
using TimePoint = std::chrono::steady_clock::time_point;
using Bucket = RepeatAllowance::Bucket;

// Lines of one kind of repeated error from one source are written at most this often.
constexpr auto kRepeatInterval = std::chrono::seconds(1);
// A source without a line for this long goes before the others.
constexpr auto kNamedWithin = std::chrono::seconds(60);
// A sender counts in the sharing of the allowance for lines while it sent an error this recently.
constexpr auto kActiveWithin = std::chrono::seconds(10);
// [bytes, bytes/s] what all repeated errors together may write at once and in the long run, for lines and
// for count lines: about 0.9 MB and 1.3 MB an hour. The counts have the larger part: they name the sources.
constexpr double kLineBurst = 6000.0;
constexpr double kLinesPerSecond = 250.0;
constexpr double kCountBurst = 6000.0;
constexpr double kCountsPerSecond = 350.0;
// [s, bytes] a count line takes at most its kind's share of this much of the allowance for counts, so that
// each kind has its count within a minute under any flood; but never less than the smallest budget.
constexpr double kCountShareS = 30.0;
constexpr std::size_t kCountMinBytes = 500;
// More new sources of one kind than this within a second are a flood, when the limit folds them.
constexpr std::uint32_t kFreshPerSecond = 10;
// [bytes] left in a sender's share for its sources not named for a minute.
constexpr double kNewcomerReserve = 600.0;
// [bytes] a line longer than this is cut: no line can take a whole share.
constexpr std::size_t kMaxLineBytes = 1000;
// Bounds of what is remembered: keys of sources written, senders sharing the allowance, and the names a
// count line holds (some of them kept for senders, so that every sender is named).
constexpr std::size_t kMaxKeys = 1024;
constexpr std::size_t kMaxSenders = 64;
constexpr std::size_t kHeldBytes = 3000;
constexpr std::size_t kSenderNameReserve = 1000;
constexpr std::size_t kHeldAircraft = 200;
constexpr std::size_t kSenderNameLength = 64;
constexpr std::size_t kAircraftNameLength = 16;

// Refills the bucket for the time since it was last refilled, up to its size; a new one starts full. The
// readers read the clock before they take the lock: a reading older than the last refill adds nothing.
void refill(Bucket& bucket, TimePoint now, double size, double perSecond)
{
    if (!bucket.started)
    {
        bucket = {size, now, true};
        return;
    }
    if (now <= bucket.refilled)
        return;
    bucket.bytes = std::min(
        size, bucket.bytes + std::chrono::duration<double>(now - bucket.refilled).count() * perSecond);
    bucket.refilled = now;
}

RepeatAllowance::Sender& senderOf(RepeatAllowance& allowance, std::string_view address, TimePoint now)
{
    auto found = std::find_if(allowance.senders.begin(), allowance.senders.end(),
                              [&](const auto& s) { return s.address == address; });
    if (found != allowance.senders.end())
        return *found;
    if (allowance.senders.size() >= kMaxSenders)
        std::erase_if(allowance.senders, [&](const auto& s) { return now - s.seen >= kActiveWithin; });
    // Beyond the bound, further senders share one share.
    const std::string_view name = allowance.senders.size() < kMaxSenders ? address : "\x01 further senders";
    found = std::find_if(allowance.senders.begin(), allowance.senders.end(),
                         [&](const auto& s) { return s.address == name; });
    if (found != allowance.senders.end())
        return *found;
    return allowance.senders.emplace_back(RepeatAllowance::Sender{std::string(name), {}, now});
}

// Takes the bytes of a line from the sender's share, when it and the allowance for all have room: the
// allowance for lines is shared evenly among the senders of the last seconds. `newcomer`: the source had
// no line for a minute, and may take what the others leave. The line is made (`makeLine`, its bytes) only
// once it has room.
bool takeLine(std::string_view sender, bool newcomer, TimePoint now,
              const std::function<std::size_t()>& makeLine)
{
    std::lock_guard lock(gFoundation.gRepeatMutex);
    RepeatAllowance& allowance = gFoundation.gRepeatAllowance;
    RepeatAllowance::Sender& from = senderOf(allowance, sender, now);
    from.seen = std::max(from.seen, now);
    const auto active = static_cast<double>(std::max<std::ptrdiff_t>(
        1, std::count_if(allowance.senders.begin(), allowance.senders.end(),
                         [&](const auto& s) { return now - s.seen < kActiveWithin; })));
    refill(allowance.lines, now, kLineBurst, kLinesPerSecond);
    // A sender's burst is half its share, so that a newcomer always finds the other half.
    const double burst = kLineBurst / 2.0 / active;
    refill(from.lines, now, burst, kLinesPerSecond / active);
    const double keep = newcomer ? 0.0 : std::min(kNewcomerReserve, burst / 2.0);
    if (allowance.lines.bytes <= 0.0 || from.lines.bytes <= keep)
        return false;
    const auto bytes = static_cast<double>(makeLine());
    allowance.lines.bytes -= bytes;
    from.lines.bytes -= bytes;
    return true;
}

RepeatAllowance::Limiter& limiterOf(RepeatAllowance& allowance, std::uint64_t id, TimePoint now)
{
    auto found = std::find_if(allowance.limiters.begin(), allowance.limiters.end(),
                              [&](const auto& l) { return l.id == id; });
    if (found != allowance.limiters.end())
        return *found;
    // Limits that held nothing back for a while (or are gone) are forgotten.
    std::erase_if(allowance.limiters, [&](const auto& l) { return now - l.seen >= kActiveWithin; });
    return allowance.limiters.emplace_back(RepeatAllowance::Limiter{id, {}, now});
}

// The limit's share of the allowance for counts, shared evenly by the limits that held lines back in the
// last seconds (the readers' limits each have their turn): whether it has room now (always when `all`),
// and its rate [bytes/s].
std::pair<bool, double> countShare(std::uint64_t limiter, TimePoint now, bool all)
{
    std::lock_guard lock(gFoundation.gRepeatMutex);
    RepeatAllowance& allowance = gFoundation.gRepeatAllowance;
    refill(allowance.counts, now, kCountBurst, kCountsPerSecond);
    RepeatAllowance::Limiter& mine = limiterOf(allowance, limiter, now);
    mine.seen = std::max(mine.seen, now);
    const auto active = static_cast<double>(std::max<std::ptrdiff_t>(
        1, std::count_if(allowance.limiters.begin(), allowance.limiters.end(),
                         [&](const auto& l) { return now - l.seen < kActiveWithin; })));
    refill(mine.counts, now, kCountBurst / active, kCountsPerSecond / active);
    return {all || (allowance.counts.bytes > 0.0 && mine.counts.bytes > 0.0), kCountsPerSecond / active};
}

void takeCountBytes(std::uint64_t limiter, std::size_t bytes, TimePoint now)
{
    std::lock_guard lock(gFoundation.gRepeatMutex);
    RepeatAllowance& allowance = gFoundation.gRepeatAllowance;
    allowance.counts.bytes -= static_cast<double>(bytes + 1);
    limiterOf(allowance, limiter, now).counts.bytes -= static_cast<double>(bytes + 1);
}

std::size_t prefixBytes(LogForm form)
{
    return form == LogForm::marked ? 5 : form == LogForm::indented ? 10 : 0;
}

} // namespace

RepeatLimitedLog::Kind& RepeatLimitedLog::kindOf(std::string_view kind, TimePoint now)
{
    auto found = std::find_if(kinds_.begin(), kinds_.end(), [&](const Kind& k) { return k.name == kind; });
    if (found == kinds_.end())
        found = kinds_.insert(kinds_.end(),
                              Kind{std::string(kind), now - kRepeatInterval, 0, {}, {}, 0, 0, {}, 0, {}});
    return *found;
}

void RepeatLimitedLog::hold(Kind& kind, ErrorSource source)
{
    ++kind.leftOut;
    if (source.sender.empty() && source.aircraft.empty())
        return;
    const std::string_view sender = source.sender.substr(0, kSenderNameLength);
    auto group = kind.heldSenders.find(sender);
    if (group == kind.heldSenders.end())
    {
        const std::size_t bytes = sender.size() + 2;
        if (kind.heldBytes + bytes > kHeldBytes)
        {
            ++kind.heldFromOthers;
            return;
        }
        kind.heldBytes += bytes;
        kind.held.push_back(Held{std::string(sender), {}, {}});
        group = kind.heldSenders.emplace(sender, kind.held.size() - 1).first;
    }
    if (source.aircraft.empty())
        return;
    Held& held = kind.held[group->second];
    const std::string_view aircraft = source.aircraft.substr(0, kAircraftNameLength);
    if (held.known.contains(aircraft))
        return;
    const std::size_t bytes = aircraft.size() + 2;
    // A sender's share of the aircraft remembered shrinks as further senders come: one flooding sender
    // cannot fill the memory for the rest.
    if (kind.heldBytes + bytes > kHeldBytes - kSenderNameReserve ||
        held.aircraft.size() >= std::max<std::size_t>(2, kHeldAircraft / kind.held.size()))
    {
        ++kind.heldFromOthers;
        return;
    }
    kind.heldBytes += bytes;
    held.aircraft.emplace_back(aircraft);
    held.known.emplace(aircraft);
}

RepeatLimitedLog::RepeatLimitedLog(std::string_view kindPrefix, NewSources newSources)
    : kindPrefix_(kindPrefix), newSources_(newSources), id_(++gFoundation.gRepeatLimitSerial)
{
}

void RepeatLimitedLog::makeKey(std::string_view kind, ErrorSource source)
{
    // Cut, so that a flood of long fields cannot make the remembered keys large.
    key_.assign(kind).append(1, '\0').append(source.sender.substr(0, kSenderNameLength)).append(1, '\0');
    key_.append(source.aircraft.substr(0, kAircraftNameLength));
}

bool RepeatLimitedLog::joinsFlood(Kind& kind, TimePoint now)
{
    const auto last = written_.find(key_);
    if (last == written_.end() || now - last->second >= kNamedWithin)
    {
        if (now - kind.freshSince >= kRepeatInterval)
        {
            kind.freshSince = now;
            kind.fresh = 0;
        }
        if (++kind.fresh > kFreshPerSecond)
            kind.foldedUntil = now + kNamedWithin;
    }
    return now < kind.foldedUntil;
}

std::string RepeatLimitedLog::takeCount(Kind& kind, TimePoint now, bool all)
{
    if (kind.leftOut == 0)
        return {};
    const auto [room, perSecond] = countShare(id_, now, all);
    if (!room)
        return {};
    // A count takes at most its kind's part of the limit's share for a while: every kind has its turn.
    const auto pending =
        std::count_if(kinds_.begin(), kinds_.end(), [](const Kind& k) { return k.leftOut > 0; });
    const std::size_t budget = std::clamp(static_cast<std::size_t>(perSecond * kCountShareS) /
                                              static_cast<std::size_t>(std::max<std::ptrdiff_t>(pending, 1)),
                                          kCountMinBytes, kHeldBytes + kCountMinBytes);
    std::string text =
        fmt::format("{}{}: {} more like it left out", kindPrefix_, kind.name, std::exchange(kind.leftOut, 0));
    // The names as the log shows outside text, made once for the count.
    for (Held& group : kind.held)
    {
        group.sender = gf_outsideText(group.sender);
        for (std::string& aircraft : group.aircraft)
            aircraft = gf_outsideText(aircraft);
    }
    // Round by round, each sender (with its first aircraft), then each sender's next aircraft: within the
    // budget, every sender is named before any is named twice.
    std::vector<std::size_t> taken(kind.held.size(), 0);
    std::size_t used = text.size();
    std::size_t named = 0;
    std::size_t names = 0;
    for (const Held& group : kind.held)
        names += std::max<std::size_t>(group.aircraft.size(), 1);
    bool full = false;
    for (std::size_t round = 0; !full && named < names; ++round)
        for (std::size_t g = 0; g < kind.held.size() && !full; ++g)
        {
            const Held& group = kind.held[g];
            const std::size_t cost = round == 0 ? group.sender.size() + 8 : 2;
            const std::size_t aircraft = round < group.aircraft.size() ? group.aircraft[round].size() : 0;
            if ((round > 0 && aircraft == 0) || taken[g] < round)
                continue;
            full = used + cost + aircraft > budget;
            if (full)
                break;
            used += cost + aircraft;
            taken[g] = round + 1;
            ++named;
        }
    for (std::size_t g = 0, shown = 0; g < kind.held.size(); ++g)
    {
        const Held& group = kind.held[g];
        if (taken[g] == 0)
            continue;
        text += shown++ == 0 ? ", of " : "; ";
        const std::size_t aircraft = std::min(taken[g], group.aircraft.size());
        text += fmt::format("{}", fmt::join(group.aircraft.begin(), group.aircraft.begin() + aircraft, ", "));
        if (aircraft > 0 && !group.sender.empty())
            text += " from ";
        if (aircraft == 0 || !group.sender.empty())
            text += group.sender;
    }
    if (const std::uint64_t more = names - named + kind.heldFromOthers; more > 0)
        text += fmt::format(" and {} more", more);
    kind.held.clear();
    kind.heldSenders.clear();
    kind.heldBytes = 0;
    kind.heldFromOthers = 0;
    kind.counted = now;
    takeCountBytes(id_, text.size(), now);
    return text;
}

bool RepeatLimitedLog::write(std::string_view kind, std::string_view line, LogForm form, ErrorSource source)
{
    return write(
        kind, [line] { return std::string(line); }, form, source);
}

bool RepeatLimitedLog::write(std::string_view kind, const std::function<std::string()>& makeLine,
                             LogForm form, ErrorSource source)
{
    const auto now = plat::steadyNow();
    std::string shown;
    std::string count;
    {
        std::lock_guard lock(mutex_);
        Kind& k = kindOf(kind, now);
        makeKey(kind, source);
        if (newSources_ == NewSources::foldedWhenFlooding && !source.aircraft.empty() && joinsFlood(k, now))
        {
            source.aircraft = {};
            makeKey(kind, source);
        }
        auto last = written_.find(key_);
        if (last == written_.end() && written_.size() >= kMaxKeys)
            std::erase_if(written_, [&](const auto& entry) { return now - entry.second >= kNamedWithin; });
        const bool remembered = last != written_.end() || written_.size() < kMaxKeys;
        const bool due = remembered && (last == written_.end() || now - last->second >= kRepeatInterval);
        const bool newcomer = last == written_.end() || now - last->second >= kNamedWithin;
        // Only a line that is written is made: a flood costs no formatting.
        const auto make = [&]
        {
            const std::string line = makeLine();
            shown = line.substr(0, kMaxLineBytes);
            if (line.size() > kMaxLineBytes)
                shown += fmt::format("... ({} bytes)", line.size());
            return prefixBytes(form) + shown.size() + 1;
        };
        if (!due || !takeLine(source.sender, newcomer, now, make))
        {
            hold(k, source);
            return false;
        }
        written_[key_] = now;
        count = takeCount(k, now, false);
    }
    if (!count.empty())
        gf_log(count);
    gf_logAs(form, shown);
    return true;
}

void RepeatLimitedLog::flush(bool all)
{
    std::vector<std::string> counts;
    {
        std::lock_guard lock(mutex_);
        // Called for every datagram: the clock is read only when something is held back.
        if (std::none_of(kinds_.begin(), kinds_.end(), [](const Kind& k) { return k.leftOut > 0; }))
            return;
        const auto now = plat::steadyNow();
        // The kind that waited longest goes first, and none goes past it: every kind has its turn.
        std::vector<Kind*> due;
        for (Kind& k : kinds_)
            if (k.leftOut > 0 && (all || now - k.counted >= kRepeatInterval))
                due.push_back(&k);
        std::sort(due.begin(), due.end(),
                  [](const Kind* a, const Kind* b) { return a->counted < b->counted; });
        for (Kind* k : due)
        {
            std::string count = takeCount(*k, now, all);
            if (count.empty())
                break;
            counts.push_back(std::move(count));
        }
    }
    for (const std::string& count : counts)
        gf_log(count);
}

void RepeatLimitedLog::forget()
{
    flush(true);
    std::lock_guard lock(mutex_);
    written_.clear();
    for (Kind& k : kinds_)
        k.foldedUntil = k.freshSince = {};
}

} // namespace oxl
