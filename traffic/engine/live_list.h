// Every live aircraft by value, with the indexes that find one by its hexid and by its callsign. Each
// insertion, removal and rename goes through the list, so the indexes always name what the list holds and
// a lookup costs the same with 30 aircraft as with 30,000.
#pragma once

#include "records/aircraft_records.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace oxl
{

/// Every live aircraft by value, in the order of their creation, found by hexid and callsign through
/// indexes kept with the list. Records change in place; only their callsign changes through rename.
class LiveList
{
  public:
    using iterator = std::vector<LiveAc>::iterator;
    using const_iterator = std::vector<LiveAc>::const_iterator;

    /// The records in list order.
    iterator begin() { return records_.begin(); }
    /// The end of the records.
    iterator end() { return records_.end(); }
    /// The records in list order.
    const_iterator begin() const { return records_.begin(); }
    /// The end of the records.
    const_iterator end() const { return records_.end(); }
    /// Number of records.
    std::size_t size() const { return records_.size(); }
    /// True without records.
    bool empty() const { return records_.empty(); }
    /// The record at the position.
    LiveAc& operator[](std::size_t position) { return records_[position]; }
    /// The record at the position.
    const LiveAc& operator[](std::size_t position) const { return records_[position]; }
    /// The first record.
    LiveAc& front() { return records_.front(); }
    /// The last record.
    LiveAc& back() { return records_.back(); }
    /// The first record.
    const LiveAc& front() const { return records_.front(); }
    /// The last record.
    const LiveAc& back() const { return records_.back(); }
    /// The records, to change in place: the list itself stays as it is.
    std::span<LiveAc> records() { return records_; }
    /// The records.
    std::span<const LiveAc> records() const { return records_; }
    /// Room for this many records and their index entries.
    void reserve(std::size_t count);

    /// Appends a record built from the arguments.
    template <class... Args> LiveAc& emplace_back(Args&&... args)
    {
        records_.emplace_back(std::forward<Args>(args)...);
        index(records_.size() - 1);
        return records_.back();
    }
    /// Appends the record.
    void push_back(LiveAc ac) { emplace_back(std::move(ac)); }
    /// Erases every record.
    void clear();
    /// Erases the record at once: the last record moves into its place.
    void eraseAt(std::size_t position);
    /// Erases every record for which `erased` holds; the others keep their order.
    template <class Pred> void eraseIf(Pred erased)
    {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < records_.size(); ++i)
        {
            if (erased(std::as_const(records_[i])))
            {
                unindex(i);
                continue;
            }
            if (kept != i)
            {
                records_[kept] = std::move(records_[i]);
                moved(i, kept);
            }
            ++kept;
        }
        records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(kept), records_.end());
    }
    /// Gives the record of this list a new callsign.
    void rename(LiveAc& ac, const std::string& callsign);
    /// Counts every record added and erased: it changes whenever the set of hexids may have.
    std::uint64_t membershipChanges() const { return membershipChanges_; }

    /// Position of a record of this list.
    std::size_t positionOf(const LiveAc& ac) const { return static_cast<std::size_t>(&ac - records_.data()); }
    /// The first record with the hexid, nullptr when none.
    LiveAc* findByHexid(std::uint32_t hexid);
    /// The first record in list order with the callsign for which `wanted` holds, nullptr when none.
    template <class Pred> LiveAc* firstWithCallsign(const std::string& callsign, Pred wanted)
    {
        const std::size_t first = firstPositionWithCallsign(callsign, wanted);
        return first < records_.size() ? &records_[first] : nullptr;
    }
    /// The first record in list order with the callsign for which `wanted` holds, nullptr when none.
    template <class Pred> const LiveAc* firstWithCallsign(const std::string& callsign, Pred wanted) const
    {
        const std::size_t first = firstPositionWithCallsign(callsign, wanted);
        return first < records_.size() ? &records_[first] : nullptr;
    }

  private:
    // Where the first record of a hexid lies, and how many records have it (one, unless a caller
    // appended a second).
    struct HexidSlot
    {
        std::size_t first = 0;
        std::size_t count = 0;
    };

    // The smallest position with the callsign for which `wanted` holds; size() when none.
    template <class Pred>
    std::size_t firstPositionWithCallsign(const std::string& callsign, Pred& wanted) const
    {
        std::size_t first = records_.size();
        const auto [from, to] = byCallsign_.equal_range(callsign);
        for (auto it = from; it != to; ++it)
            if (it->second < first && wanted(records_[it->second]))
                first = it->second;
        return first;
    }
    // Enters, removes and moves the index entries of the record at a position.
    void index(std::size_t position);
    void unindex(std::size_t position);
    void moved(std::size_t from, std::size_t to);
    // The callsign index's entry of the record at the position, which has that callsign.
    std::unordered_multimap<std::string, std::size_t>::iterator callsignEntry(const std::string& callsign,
                                                                              std::size_t position);
    void eraseEntry(std::unordered_multimap<std::string, std::size_t>::iterator entry);

    std::vector<LiveAc> records_;
    std::unordered_map<std::uint32_t, HexidSlot> byHexid_;
    std::unordered_multimap<std::string, std::size_t> byCallsign_; // callsign -> position
    std::uint64_t membershipChanges_ = 0;
};

} // namespace oxl
