#include "traffic/engine/live_list.h"

namespace oxl
{

void LiveList::reserve(std::size_t count)
{
    records_.reserve(count);
    byHexid_.reserve(count);
    byCallsign_.reserve(count);
}

void LiveList::clear()
{
    records_.clear();
    byHexid_.clear();
    byCallsign_.clear();
    ++membershipChanges_;
}

void LiveList::eraseAt(std::size_t position)
{
    unindex(position);
    const std::size_t last = records_.size() - 1;
    if (position != last)
    {
        records_[position] = std::move(records_[last]);
        moved(last, position);
    }
    records_.pop_back();
}

void LiveList::rename(LiveAc& ac, const std::string& callsign)
{
    const std::size_t position = positionOf(ac);
    eraseEntry(callsignEntry(ac.callsign, position));
    ac.callsign = callsign;
    byCallsign_.emplace(ac.callsign, position);
}

LiveAc* LiveList::findByHexid(std::uint32_t hexid)
{
    const auto it = byHexid_.find(hexid);
    return it == byHexid_.end() ? nullptr : &records_[it->second.first];
}

void LiveList::index(std::size_t position)
{
    ++membershipChanges_;
    const LiveAc& ac = records_[position];
    // An appended record lies behind every other one: it is the first of its hexid only when alone.
    ++byHexid_.try_emplace(ac.hexid, HexidSlot{position, 0}).first->second.count;
    byCallsign_.emplace(ac.callsign, position);
}

void LiveList::unindex(std::size_t position)
{
    ++membershipChanges_;
    const LiveAc& ac = records_[position];
    eraseEntry(callsignEntry(ac.callsign, position));
    const auto it = byHexid_.find(ac.hexid);
    HexidSlot& slot = it->second;
    if (--slot.count == 0)
    {
        byHexid_.erase(it);
        return;
    }
    // The next record with the hexid lies behind this one and has not moved yet.
    if (slot.first == position)
        for (std::size_t next = position + 1; next < records_.size(); ++next)
            if (records_[next].hexid == ac.hexid)
            {
                slot.first = next;
                break;
            }
}

void LiveList::moved(std::size_t from, std::size_t to)
{
    if (const auto entry = callsignEntry(records_[to].callsign, from); entry != byCallsign_.end())
        entry->second = to;
    HexidSlot& slot = byHexid_.find(records_[to].hexid)->second;
    if (slot.first == from || to < slot.first)
        slot.first = to;
}

std::unordered_multimap<std::string, std::size_t>::iterator
LiveList::callsignEntry(const std::string& callsign, std::size_t position)
{
    const auto [from, to] = byCallsign_.equal_range(callsign);
    for (auto it = from; it != to; ++it)
        if (it->second == position)
            return it;
    // Only a callsign written past rename() leads here: its entry is found by the position alone.
    for (auto it = byCallsign_.begin(); it != byCallsign_.end(); ++it)
        if (it->second == position)
            return it;
    return byCallsign_.end();
}

void LiveList::eraseEntry(std::unordered_multimap<std::string, std::size_t>::iterator entry)
{
    if (entry != byCallsign_.end())
        byCallsign_.erase(entry);
}

} // namespace oxl
