// The BGL airport decoder on synthetic scenery files: the quick test, the fields and sub-records it
// reads, the checks on stands and helipads, and files that are cut short or corrupt.
#include "airports/bgl_decoding.h"

#include "airports/airport_scan.h"
#include "foundation/units.h"
#include "foundation/worker_slots.h"
#include "tests/support/bgl_writer.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace oxl
{
namespace
{

using test::BglAirport;
using test::BglFile;
using test::BglHelipadEntry;
using test::BglParkingEntry;
using test::BglSection;

/// Runs the worker on written files and keeps what it hands on, with the scan log it writes.
class BglDecodingTest : public ::testing::Test
{
  protected:
    void SetUp() override { scanLogStart_ = gf_scanLogLines().size(); }

    /// The scan-log lines written by this test.
    std::vector<std::string> scanLog() const
    {
        const std::vector<std::string> all = gf_scanLogLines();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(scanLogStart_, all.size())), all.end()};
    }

    /// Writes the file and decodes it; the airports that reach the generation step are kept.
    void decode(const BglFile& file, std::optional<std::size_t> truncateAt = {})
    {
        file.write(path, truncateAt);
        run();
    }

    void run()
    {
        BglAirportSteps steps;
        steps.link = [this](ScannedAirport& a, std::uint32_t& archived, const std::string& p)
        {
            a.bglPath = p;
            a.publisher = "unknown";
            archived = 0;
            linkCalls.push_back(a.ident);
            return false;
        };
        steps.generate = [this](ScannedAirport& a) { airports.push_back(a); };
        gf_processBGLfile(path, steps);
    }

    const ScannedAirport& only() const
    {
        EXPECT_EQ(airports.size(), 1u);
        return airports.front();
    }

    bool scanLogHas(const std::string& line) const
    {
        const std::vector<std::string> lines = scanLog();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::vector<std::string> standNames() const
    {
        std::vector<std::string> names;
        for (const Stand& s : only().stands)
        {
            names.push_back(s.name);
        }
        return names;
    }

    test::LogCapture log;
    test::TempFolder folder;
    std::filesystem::path path = folder / "scenery" / "AP_TEST.bgl";
    std::vector<ScannedAirport> airports;
    std::vector<std::string> linkCalls;

  private:
    std::size_t scanLogStart_ = 0;
};

BglParkingEntry gate(std::uint32_t letterIndex, std::uint32_t number, double lat, double lon)
{
    BglParkingEntry e;
    e.nameIndex = letterIndex;
    e.number = number;
    e.lat = lat;
    e.lon = lon;
    return e;
}

TEST_F(BglDecodingTest, QuickTestLooksOnlyForAnAirportSection)
{
    struct Row
    {
        const char* name;
        std::string bytes;
        bool expected;
    };
    BglSection other;
    other.type = 0x65;
    other.records.push_back(test::BglRecord::make(0x77, std::string(10, 'x')));
    const std::string airportFile = BglFile().airports({BglAirport("EHAM").name("Schiphol")}).bytes();
    const std::string otherFile = BglFile().section(other).bytes();
    const std::string headerOnly = BglFile().bytes();
    const std::vector<Row> rows = {
        {"airport section", airportFile, true},
        {"other section only", otherFile, false},
        {"airport section after another", BglFile().section(other).airports({BglAirport("EHAM")}).bytes(),
         true},
        {"56 bytes", headerOnly, false},
        {"section count 0", BglFile().sectionCountField(0).airports({BglAirport("EHAM")}).bytes(), false},
        {"entries beyond the file", airportFile.substr(0, 56 + 20), false},
        {"header size not checked", BglFile().headerSizeField(60).airports({BglAirport("EHAM")}).bytes(),
         true},
        {"count larger than the entries", BglFile().sectionCountField(500).section(other).bytes(), false},
    };
    for (const Row& row : rows)
    {
        test::writeBytes(path, row.bytes);
        EXPECT_EQ(gf_bglHasAirportSection(path), row.expected) << row.name;
    }
    EXPECT_FALSE(gf_bglHasAirportSection(folder / "missing.bgl"));
}

TEST(BglIdentTest, DecodesBase38IdentsAndTellsValidOnes)
{
    struct Row
    {
        std::uint32_t packed;
        std::string text;
        bool valid;
    };
    const std::vector<Row> rows = {
        {test::bglPackIdent("EHAM"), "EHAM", true},
        {test::bglPackIdent("K2W0"), "K2W0", true},
        {test::bglPackIdent("EHA"), "EHA", false},
        {test::bglPackIdent("EH M"), "EH M", false},
        {test::bglPackIdent("EHAMX"), "EHAMX", false},
        {0, " ", false},
        {((12u * 38 + 1) * 38 * 38 + 12 * 38 + 12) << 5, "A6AA", true},
        {test::bglPackIdent("EHAM") | 0x1F, "EHAM", true}, // the low 5 bits are not part of the ident
    };
    for (const Row& row : rows)
    {
        const auto [text, valid] = gf_decodeIdentifierOrRegionCode(row.packed);
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(valid, row.valid) << row.text;
    }
}

TEST(BglParkingNameTest, NamesEveryIndex)
{
    const std::vector<std::pair<std::uint32_t, std::string>> rows = {
        {0, ""},   {1, "r"},   {2, "p"},  {3, "np"}, {4, "ep"}, {5, "sep"}, {6, "sp"}, {7, "swp"},
        {8, "wp"}, {9, "nwp"}, {10, "g"}, {11, ""},  {12, "A"}, {37, "Z"},  {38, "["}, {63, "t"},
    };
    for (const auto& [index, text] : rows)
    {
        EXPECT_EQ(gf_parkingNameText(index), text) << index;
    }
}

TEST_F(BglDecodingTest, DecodesAnAirportWithHelipadsAndStands)
{
    BglParkingEntry cargo = gate(12, 5, 52.301, 4.761);
    cargo.type = 5;
    cargo.radiusM = 37.0;
    cargo.headingDeg = 0.0;
    BglParkingEntry named = gate(3, 7, 52.302, 4.762);
    named.type = 9;
    BglParkingEntry plain = gate(0, 12, 52.303, 4.763);
    plain.type = 7;
    decode(BglFile().airports({BglAirport("EHAM")
                                   .altitudeMm(-3000)
                                   .name("Schiphol")
                                   .helipad(BglHelipadEntry{52.31, 4.77, 30.0, 45.0})
                                   .parking({cargo, named, plain})}));

    const ScannedAirport& a = only();
    EXPECT_EQ(a.ident, "EHAM");
    EXPECT_EQ(a.name, "Schiphol");
    EXPECT_EQ(a.altitudeFt, -10);
    EXPECT_EQ(a.helipadCount, 1u);
    EXPECT_EQ(linkCalls, std::vector<std::string>{"EHAM"});
    ASSERT_EQ(a.stands.size(), 4u);

    const Stand& pad = a.stands[0];
    EXPECT_EQ(pad.name, "helipad1");
    EXPECT_EQ(pad.helipad, 1);
    EXPECT_NEAR(pad.latitude, 52.31, 1e-6);
    EXPECT_NEAR(pad.longitude, 4.77, 1e-6);
    EXPECT_NEAR(pad.heading, kPi / 4.0, 1e-6);
    EXPECT_NEAR(nmToMetres(pad.radius), 15.0, 1e-4);

    const Stand& a5 = a.stands[1];
    EXPECT_EQ(a5.name, "A5");
    EXPECT_EQ(a5.cargo, 1);
    EXPECT_EQ(a5.ramp, 1);
    EXPECT_EQ(a5.helipad, 0);
    EXPECT_DOUBLE_EQ(a5.heading, kTwoPi); // north kept as a full turn
    EXPECT_NEAR(nmToMetres(a5.radius), 37.0, 1e-4);
    EXPECT_NEAR(a5.latitude, 52.301, 1e-6);
    EXPECT_NEAR(a5.longitude, 4.761, 1e-6);

    EXPECT_EQ(a.stands[2].name, "np7");
    EXPECT_EQ(a.stands[2].ramp, 0);
    EXPECT_EQ(a.stands[2].cargo, 0);
    EXPECT_NEAR(a.stands[2].heading, kPi / 2.0, 1e-9);
    EXPECT_EQ(a.stands[3].name, "12");
    EXPECT_EQ(a.stands[3].ramp, 1);
    EXPECT_EQ(a.stands[3].standId, 0u);
    EXPECT_TRUE(a.stands[3].options.empty());
}

TEST_F(BglDecodingTest, AltitudesOutsideTheSaneRangeBecomeZero)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> rows = {
        {-3000, -10}, {-7000, 0}, {3100000, 0}, {100000, 328}, {3048000, 10000}, {0, 0},
    };
    for (const auto& [mm, feet] : rows)
    {
        airports.clear();
        decode(BglFile().airports({BglAirport("EHAM").altitudeMm(mm).parking({gate(12, 1, 52.3, 4.7)})}));
        EXPECT_EQ(only().altitudeFt, feet) << mm;
    }
}

TEST_F(BglDecodingTest, NameRecordsMustAgree)
{
    struct Row
    {
        std::vector<std::string> names;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {{"Schiphol"}, "Schiphol"},
        {{"Schiphol", "Schiphol"}, "Schiphol"},
        {{"Schiphol", "Amsterdam"}, ""},
        {{"Schiphol", "Amsterdam", "Lelystad"}, "Lelystad"},
        {{"An airport name much longer than forty-four characters"},
         "An airport name much longer than forty-four "},
        {{"ab"}, "ab"},
        {{""}, ""},
    };
    for (const Row& row : rows)
    {
        airports.clear();
        BglAirport ap("EHAM");
        for (const std::string& n : row.names)
        {
            ap.name(n);
        }
        decode(BglFile().airports({ap.parking({gate(12, 1, 52.3, 4.7)})}));
        EXPECT_EQ(only().name, row.expected) << row.names.front();
    }
}

TEST_F(BglDecodingTest, OnlyTheAirportsOwnNameRecordsCount)
{
    // A NAME record after the airport's record, beside it in the section, is none of its names.
    BglSection section;
    section.records = {BglAirport("EHAM").name("Schiphol").parking({gate(12, 1, 52.3, 4.7)}).record(),
                       test::BglRecord::make(0x19, std::string("Amsterdam\0", 10)),
                       BglAirport("EHLE").name("Lelystad").parking({gate(12, 1, 52.4, 5.5)}).record()};
    decode(BglFile().section(section));
    ASSERT_EQ(airports.size(), 2u);
    EXPECT_EQ(airports[0].name, "Schiphol");
    EXPECT_EQ(airports[1].name, "Lelystad");
}

TEST_F(BglDecodingTest, SkipsFilesAndSectionsItDoesNotRead)
{
    BglSection flagged;
    flagged.flags = test::kBglLongHeaders;
    flagged.records.push_back(BglAirport("EHAM").parking({gate(12, 1, 52.3, 4.7)}).record());
    decode(BglFile().section(flagged));
    EXPECT_TRUE(airports.empty());

    decode(BglFile().headerSizeField(60).airports({BglAirport("EHAM").parking({gate(12, 1, 52.3, 4.7)})}));
    EXPECT_TRUE(airports.empty());

    decode(BglFile().airports({BglAirport("EHA").parking({gate(12, 1, 52.3, 4.7)}),
                               BglAirport("EHAM").identWord(0).parking({gate(12, 1, 52.3, 4.7)})}));
    EXPECT_TRUE(airports.empty());
    EXPECT_TRUE(linkCalls.empty());
}

TEST_F(BglDecodingTest, OnlyTheFirstParkingSubrecordOfTheAirportsKindIsRead)
{
    decode(BglFile().airports({BglAirport("EHAM")
                                   .foreignParking({gate(12, 9, 52.3, 4.7)})
                                   .parking({gate(12, 1, 52.3, 4.7)})
                                   .parking({gate(12, 2, 52.3, 4.7)})
                                   .helipad({})}));
    EXPECT_EQ(standNames(), std::vector<std::string>{"A1"});

    airports.clear();
    decode(BglFile().airports({BglAirport("EHAM").parking({}).parking({gate(12, 2, 52.3, 4.7)})}));
    EXPECT_TRUE(airports.empty() || only().stands.empty());
}

TEST_F(BglDecodingTest, ReadsTheLongRecordKindWithItsExtraWordAndAirlineCodes)
{
    BglParkingEntry first = gate(13, 1, 52.31, 4.71);
    first.airlineCodes = {0x4B4C4D00, 0x41464C00, 0x44414C00};
    BglParkingEntry second = gate(13, 2, 52.32, 4.72);
    decode(BglFile().airports({BglAirport("LFPG", true)
                                   .name("Roissy")
                                   .foreignParking({gate(12, 9, 52.3, 4.7)})
                                   .parking({first, second})}));
    EXPECT_EQ(standNames(), (std::vector<std::string>{"B1", "B2"}));
    EXPECT_EQ(only().name, "Roissy");
    EXPECT_NEAR(only().stands[1].latitude, 52.32, 1e-6);
}

TEST_F(BglDecodingTest, KeepsStandsInsideTheRadiusWindowOnly)
{
    const std::vector<std::pair<double, bool>> rows = {
        {1.0, false}, {1.01, true}, {199.9, true}, {200.0, false}, {0.0, false}, {-5.0, false},
    };
    std::vector<BglParkingEntry> entries;
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        BglParkingEntry e = gate(12, static_cast<std::uint32_t>(i + 1), 52.3, 4.7);
        e.radiusM = rows[i].first;
        entries.push_back(e);
    }
    decode(BglFile().airports({BglAirport("EHAM").parking(entries)}));
    EXPECT_EQ(standNames(), (std::vector<std::string>{"A2", "A3"}));
    EXPECT_TRUE(scanLogHas(fmt::format("Skipped position with radius 1.0 m in {}", path.string())));
    EXPECT_TRUE(scanLogHas(fmt::format("Skipped position with radius 200.0 m in {}", path.string())));
    EXPECT_TRUE(scanLogHas(fmt::format("Skipped position with radius -5.0 m in {}", path.string())));
}

TEST_F(BglDecodingTest, SkipsUnknownTypesSilentlyAndInvalidPositionsWithALine)
{
    BglParkingEntry type0 = gate(12, 1, 52.3, 4.7);
    type0.type = 0;
    BglParkingEntry type12 = gate(12, 2, 52.3, 4.7);
    type12.type = 12;
    BglParkingEntry type11 = gate(12, 3, 52.3, 4.7);
    type11.type = 11;
    const BglParkingEntry south = gate(12, 4, -100.0, 4.7);
    const BglParkingEntry nowhere = gate(12, 5, 0.00005, -0.00005);
    decode(BglFile().airports({BglAirport("EHAM")
                                   .helipad(BglHelipadEntry{0.0, 0.0, 20.0, 10.0})
                                   .parking({type0, type12, type11, south, nowhere})}));
    EXPECT_EQ(standNames(), std::vector<std::string>{"A3"});
    EXPECT_EQ(only().stands[0].ramp, 0);
    EXPECT_TRUE(scanLogHas("lat/lon helipad incorrect (skipped): 0.000000,0.000000"));
    EXPECT_TRUE(scanLogHas("LatLon -100.000000,4.700000 invalid (skipped)"));
    EXPECT_TRUE(scanLogHas("LatLon 0.000050,-0.000050 invalid (skipped)"));
    EXPECT_EQ(scanLog().size(), 4u) << ::testing::PrintToString(scanLog()); // and the stand count line
}

TEST_F(BglDecodingTest, DuplicateNamesGetLettersUpToTen)
{
    const std::vector<BglParkingEntry> entries(12, gate(12, 1, 52.3, 4.7));
    decode(BglFile().airports({BglAirport("EHAM").parking(entries)}));
    EXPECT_EQ(standNames(), (std::vector<std::string>{"A1", "A1a", "A1b", "A1c", "A1d", "A1e", "A1f", "A1g",
                                                      "A1h", "A1i", "A1j"}));
    EXPECT_TRUE(scanLogHas(fmt::format("===> Warning: more than 10 duplicate IDs A1 in {}", path.string())));
}

TEST_F(BglDecodingTest, SkippedEntriesStillAdvanceToTheNext)
{
    BglParkingEntry small = gate(12, 1, 52.3, 4.7);
    small.radiusM = 0.5;
    small.airlineCodes = {1, 2};
    BglParkingEntry badType = gate(12, 2, 52.3, 4.7);
    badType.type = 0;
    badType.airlineCodes = {3};
    decode(BglFile().airports({BglAirport("EHAM").parking({small, badType, gate(12, 3, 52.3, 4.7)})}));
    EXPECT_EQ(standNames(), std::vector<std::string>{"A3"});
}

TEST_F(BglDecodingTest, HelipadsAtTheSamePlaceCountOncePerAirport)
{
    const BglHelipadEntry pad{52.31, 4.77, 20.0, 0.0};
    decode(BglFile().airports(
        {BglAirport("EHAM").name("Schiphol").helipad(pad).helipad(pad).helipad({52.32, 4.77}),
         BglAirport("EHLE").helipad(pad)}));
    ASSERT_EQ(airports.size(), 2u);
    EXPECT_EQ(airports[0].stands.size(), 2u);
    EXPECT_EQ(airports[0].stands[1].name, "helipad2");
    EXPECT_EQ(airports[0].helipadCount, 2u);
    EXPECT_EQ(airports[1].stands.size(), 1u);
    EXPECT_TRUE(scanLogHas("double helipad Schiphol (skipped) 52.310000,4.770000"));
}

TEST_F(BglDecodingTest, StopsAfterFiveThousandSubrecordsAndKeepsWhatItFound)
{
    decode(
        BglFile().airports({BglAirport("EHAM").helipad({}).filler(5000).parking({gate(12, 1, 52.3, 4.7)}),
                            BglAirport("EHLE").helipad({}).filler(4998).parking({gate(12, 1, 52.3, 4.7)})}));
    ASSERT_EQ(airports.size(), 2u);
    EXPECT_EQ(airports[0].stands.size(), 1u);
    EXPECT_EQ(airports[1].stands.size(), 2u);
    EXPECT_TRUE(log.contains(
        "   Error: Maximum loop iterations reached \xE2\x80\x94 possible corrupt SIA or malformed "
        "input."));
}

TEST_F(BglDecodingTest, AirportsOfSeveralSectionsAreDecodedOnce)
{
    const BglAirport ap = BglAirport("EHAM").parking({gate(12, 1, 52.3, 4.7)});
    BglSection empty;
    decode(BglFile().airports({ap}).section(empty).airports(
        {BglAirport("EHLE").parking({gate(12, 1, 52.3, 4.7)})}));
    ASSERT_EQ(airports.size(), 2u);
    EXPECT_EQ(airports[0].ident, "EHAM");
    EXPECT_EQ(airports[1].ident, "EHLE");
}

TEST_F(BglDecodingTest, ZeroSizesEndTheWalkWithAWarning)
{
    decode(BglFile().airports({BglAirport("EHAM")
                                   .helipad({})
                                   .raw(test::BglRecord::make(0x55, std::string(10, '\0'), 0))
                                   .parking({gate(12, 1, 52.3, 4.7)})}));
    EXPECT_EQ(only().stands.size(), 1u);
    EXPECT_EQ(only().stands[0].name, "helipad1");
    const auto first = log.lines();
    EXPECT_TRUE(std::any_of(first.begin(), first.end(),
                            [](const std::string& l) {
                                return l.starts_with("   Warning: decodeSizeAtBoundary returned 0 at o3 = ");
                            }));

    airports.clear();
    decode(BglFile().airports({BglAirport("EHAM").recordSizeField(0).parking({gate(12, 1, 52.3, 4.7)})}));
    EXPECT_TRUE(airports.empty());
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("Warning: decodeSizeAtBoundary returned 0 at o2 = ") !=
                                       std::string::npos;
                            }));
}

TEST_F(BglDecodingTest, ACountLargerThanTheDataKeepsTheEntriesBeforeTheCut)
{
    decode(
        BglFile().airports({BglAirport("EHAM").parking({gate(12, 1, 52.3, 4.7), gate(12, 2, 52.3, 4.7)}, 40),
                            BglAirport("EHLE").parking({gate(12, 1, 52.3, 4.7)})}));
    ASSERT_EQ(airports.size(), 2u);
    EXPECT_EQ(airports[0].stands.size(), 2u);
    EXPECT_EQ(airports[1].stands.size(), 1u);
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l)
                            {
                                return l.find("parking entry 3 of 40") != std::string::npos &&
                                       l.find("lies beyond its data") != std::string::npos;
                            }));
}

TEST_F(BglDecodingTest, AFileCutShortKeepsTheStandsBeforeTheCut)
{
    std::vector<BglParkingEntry> entries;
    for (std::uint32_t n = 1; n <= 6; ++n)
    {
        entries.push_back(gate(12, n, 52.3, 4.7));
    }
    const BglFile file = BglFile().airports({BglAirport("EHAM").name("Schiphol").parking(entries)});
    const std::size_t full = file.bytes().size();
    decode(file, full - 36 - 20); // the last two entries are cut
    EXPECT_EQ(standNames(), (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
    EXPECT_EQ(only().name, "Schiphol");
}

TEST_F(BglDecodingTest, SizesThatAreNotWholeWordsAreReported)
{
    decode(BglFile().airports({BglAirport("EHAM")
                                   .parking({gate(12, 1, 52.3, 4.7)})
                                   .raw(test::BglRecord::make(0x55, std::string(7, '\0')))}));
    decode(BglFile().airports({BglAirport("EHLE")
                                   .raw(test::BglRecord::make(0x55, std::string(5, '\0'), 11))
                                   .parking({gate(12, 1, 52.3, 4.7)})}));
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l)
                            { return l.find("has size 11, not a multiple of 4") != std::string::npos; }));
}

TEST_F(BglDecodingTest, EveryCutAndDamagedByteIsSurvivedAndReleasesTheSlot)
{
    BglParkingEntry coded = gate(13, 4, 52.3, 4.7);
    coded.airlineCodes = {7};
    const std::string bytes =
        BglFile()
            .airports(
                {BglAirport("EHAM").name("Schiphol").helipad({}).parking({gate(12, 1, 52.3, 4.7), coded}),
                 BglAirport("LFPG", true).name("Roissy").parking({gate(12, 1, 49.0, 2.5)})})
            .bytes();
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
    {
        test::writeBytes(path, bytes.substr(0, cut));
        gFoundation.gRunningWorkers.store(1);
        EXPECT_NO_THROW(run()) << cut;
        EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0) << cut;
    }
    std::mt19937 rng(20261207);
    for (int round = 0; round < 400; ++round)
    {
        std::string damaged = bytes;
        for (int k = 0; k < 4; ++k)
        {
            damaged[rng() % damaged.size()] = static_cast<char>(rng() & 0xFF);
        }
        test::writeBytes(path, damaged);
        EXPECT_NO_THROW(run()) << round;
    }
}

TEST_F(BglDecodingTest, AFailingStepIsLoggedRaisedAndReleasesTheSlot)
{
    BglFile().airports({BglAirport("EHAM").parking({gate(12, 1, 52.3, 4.7)})}).write(path);
    BglAirportSteps steps;
    steps.link = [](ScannedAirport&, std::uint32_t&, const std::string&) { return false; };
    steps.generate = [](ScannedAirport&) { throw std::runtime_error("disk full"); };
    gFoundation.gRunningWorkers.store(1);
    EXPECT_THROW(gf_processBGLfile(path, steps), std::runtime_error);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
    EXPECT_TRUE(log.contains("===> Exception in lf_processBGLfile: " + path.string()));

    gFoundation.gRunningWorkers.store(1);
    gf_processBGLfile(folder / "missing.bgl", steps);
    EXPECT_EQ(gFoundation.gRunningWorkers.load(), 0);
}

TEST(BglWordsTest, ReadsLittleEndianWordsWithAZeroPaddedTail)
{
    std::istringstream in(std::string("\x01\x02\x03\x04\x05\x06", 6));
    const BglWords words = gf_readBglWords(in);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words.at(0), 0x04030201u);
    EXPECT_EQ(words.at(1), 0x00000605u);
    EXPECT_EQ(words.byteAt(0, 5), 0x06);
    EXPECT_THROW((void)words.at(2), std::out_of_range);
    EXPECT_THROW((void)words.recordSize(1), std::out_of_range);
}

} // namespace
} // namespace oxl
