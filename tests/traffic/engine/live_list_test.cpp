#include "traffic/engine/live_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

// One change of the list: append (hexid, callsign), erase at once the record at position `hexid`,
// compact away every record of the hexid, rename the first record of the hexid, or clear.
struct Change
{
    char what; // 'a', 'e', 'c', 'r', 'x'
    std::uint32_t hexid;
    const char* callsign;
};

struct ListRow
{
    const char* name;
    std::vector<Change> changes;
};

LiveAc record(std::uint32_t hexid, const char* callsign)
{
    AcProfile profile;
    profile.hexid = hexid;
    profile.callsign = callsign;
    profile.type = hexid % 2 ? "A320" : "B738";
    return LiveAc(Report{}, std::move(profile), 0.0);
}

// After every change, each lookup answers what a walk over the records in list order answers.
TEST(LiveList, IndexedLookupsAnswerAsTheWalk)
{
    const ListRow rows[] = {
        {"appends", {{'a', 1, "AAA1"}, {'a', 2, "BBB2"}, {'a', 3, "AAA1"}}},
        {"erase at once moves the last",
         {{'a', 1, "A"}, {'a', 2, "B"}, {'a', 3, "A"}, {'e', 0, ""}, {'e', 1, ""}}},
        {"compaction keeps the order",
         {{'a', 1, "A"}, {'a', 2, "B"}, {'a', 3, "A"}, {'a', 4, "B"}, {'c', 2, ""}}},
        {"renames", {{'a', 1, "A"}, {'a', 2, "B"}, {'r', 2, "A"}, {'r', 1, "C"}, {'r', 1, ""}}},
        {"a hexid twice",
         {{'a', 5, "A"}, {'a', 6, "B"}, {'a', 5, "B"}, {'e', 0, ""}, {'a', 5, "C"}, {'c', 5, ""}}},
        {"clear and again", {{'a', 1, "A"}, {'x', 0, ""}, {'a', 1, "B"}}},
    };
    const std::vector<std::string> callsigns = {"", "A", "B", "C", "AAA1", "BBB2"};
    for (const ListRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        LiveList list;
        for (const Change& c : row.changes)
        {
            if (c.what == 'a')
                list.push_back(record(c.hexid, c.callsign));
            else if (c.what == 'e')
                list.eraseAt(c.hexid);
            else if (c.what == 'c')
                list.eraseIf([&](const LiveAc& ac) { return ac.hexid == c.hexid; });
            else if (c.what == 'r')
                list.rename(*list.findByHexid(c.hexid), c.callsign);
            else
                list.clear();
            for (std::uint32_t hexid = 0; hexid <= 6; ++hexid)
            {
                const LiveAc* walked = nullptr;
                for (const LiveAc& ac : list)
                    if (walked == nullptr && ac.hexid == hexid)
                        walked = &ac;
                EXPECT_EQ(list.findByHexid(hexid), walked) << hexid;
            }
            for (const std::string& callsign : callsigns)
            {
                const LiveAc* walked = nullptr;
                for (const LiveAc& ac : list)
                    if (walked == nullptr && ac.callsign == callsign && ac.type == "A320")
                        walked = &ac;
                EXPECT_EQ(
                    list.firstWithCallsign(callsign, [](const LiveAc& ac) { return ac.type == "A320"; }),
                    walked)
                    << callsign;
            }
        }
    }
}

} // namespace
} // namespace oxl
