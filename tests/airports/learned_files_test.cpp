// Where learned files lie beside their airport files, and which learned options repeat known ones.
#include "airports/learned_files.h"

#include "foundation/half_hours.h"

#include <gtest/gtest.h>

#include <string>

namespace oxl
{
namespace
{

struct PathRow
{
    const char* name;
    const char* airportFile;
    const char* publisher;
    const char* learned;
};

class LearnedFilePath : public ::testing::TestWithParam<PathRow>
{
};

TEST_P(LearnedFilePath, FollowsTheAirportFile)
{
    const PathRow& row = GetParam();
    EXPECT_EQ(gf_learnedFilePath(row.airportFile, row.publisher).generic_string(), row.learned);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LearnedFilePath,
    ::testing::Values(PathRow{"StockArchive", "archive/stock/EHAM.xml", "stock",
                              "airports/learned/stock/EHAM.xml"},
                      PathRow{"ThirdpartyArchive", "archive/thirdparty/Fly%20Tampa/EHAM.xml", "Fly Tampa",
                              "airports/learned/thirdparty/Fly Tampa/EHAM.xml"},
                      PathRow{"WindowsSiteText", "archive\\simaddon\\EGLL.xml", "simaddon",
                              "airports/learned/simaddon/EGLL.xml"},
                      PathRow{"MyThirdparty", "airports/my_thirdparty/LOWW.xml", "P",
                              "airports/learned/thirdparty/P/LOWW.xml"},
                      PathRow{"MyThirdparty2024", "airports\\my_thirdparty2024\\LOWW.xml", "Fly Tampa",
                              "airports/learned/thirdparty/Fly Tampa/LOWW.xml"},
                      PathRow{"MyOrbxIsSimaddon", "airports/my_ORBX/EGLL.xml", "simaddon",
                              "airports/learned/simaddon/EGLL.xml"},
                      PathRow{"Elsewhere", "other/EGLL.xml", "x", "other/EGLL.xml"},
                      PathRow{"Empty", "", "x", ""},
                      PathRow{"PublisherClimbsOut", "airports/my_thirdparty/LOWW.xml", "../..", ""},
                      PathRow{"PublisherWithSlash", "airports/my_thirdparty/LOWW.xml", "a/b", ""},
                      PathRow{"NoPublisher", "airports/my_thirdparty/LOWW.xml", "", ""}),
    [](const ::testing::TestParamInfo<PathRow>& info) { return std::string(info.param.name); });

StandOccupancy option(std::uint32_t weekday, StandOptionKind kind, const char* reg, const char* airline,
                      const char* type, std::initializer_list<std::size_t> halves)
{
    StandOccupancy o;
    o.weekday = weekday;
    o.kind = kind;
    o.registration = reg;
    o.airline = airline;
    o.type = type;
    for (const std::size_t h : halves)
        o.halfHours.set(h);
    return o;
}

TEST(LearnedOption, IsTheSameWhenItsIdentityMatchesAndItsHalfHoursOverlap)
{
    const StandOccupancy base = option(1, StandOptionKind::real, "PH-A", "KLM", "B738", {10, 11});
    EXPECT_TRUE(gf_sameOption(option(1, StandOptionKind::real, "PH-A", "KLM", "B738", {11, 30}), base));
    EXPECT_FALSE(gf_sameOption(option(1, StandOptionKind::real, "PH-A", "KLM", "B738", {12}), base));
    EXPECT_FALSE(gf_sameOption(option(2, StandOptionKind::real, "PH-A", "KLM", "B738", {10}), base));
    EXPECT_FALSE(gf_sameOption(option(1, StandOptionKind::soft, "PH-A", "KLM", "B738", {10}), base));
    EXPECT_FALSE(gf_sameOption(option(1, StandOptionKind::real, "PH-B", "KLM", "B738", {10}), base));
    EXPECT_FALSE(gf_sameOption(option(1, StandOptionKind::real, "PH-A", "TRA", "B738", {10}), base));
    EXPECT_FALSE(gf_sameOption(option(1, StandOptionKind::real, "PH-A", "KLM", "B739", {10}), base));
}

} // namespace
} // namespace oxl
