#include "airports/airport_reading.h"

#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/units.h"
#include "liveries/liveries_state.h"
#include "tests/support/airport_file_builder.h"
#include "tests/support/http_server.h"
#include "tests/support/parking_services.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"
#include "window/window_state.h"

#include <fmt/format.h>
#include <gsl/util>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::AirportFileBuilder;
using test::optionAttributes;

/// [deg] of latitude per metre on the program's sphere.
constexpr double kDegPerMetre = 1.0 / (60.0 * kMetresPerNm);

/// A program folder of its own with the download site served over HTTP from another temporary folder.
class AirportReadingTest : public ::testing::Test
{
  protected:
    AirportReadingTest()
        : server_(site_.path()), base_("OXL_DOWNLOAD_BASE", server_.baseUrl()), cwd_(program_.path())
    {
    }

    void SetUp() override
    {
        test::resetSettingsToDefaults();
        gf_forgetStockProbes();
        gf_installAirportReadPort(nullptr);
        state_.reset();
        state_.parkAirport.code = "EHAM";
        gLiveries.gDbase.registrations.clear();
    }

    void TearDown() override
    {
        gf_installAirportReadPort(nullptr);
        gf_forgetStockProbes();
        gLiveries.gDbase.registrations.clear();
        gLiveries.gDbase.halfSpansNm.clear();
        test::resetSettingsToDefaults();
    }

    /// A file on the download site, below its airport-file folder.
    void onSite(const std::string& sitePath, const AirportFileBuilder& file) const
    {
        file.write(site_ / "P3D" / sitePath);
    }

    static AirportFileBuilder schiphol()
    {
        return AirportFileBuilder::airportFile("Schiphol", "stock", -11)
            .param("RT_traffic_week", 31)
            .stand("A1", 52.3, 4.76, 20.0, 90.0, {{"ramp", "true"}})
            .stand("B2", 52.31, 4.77, 30.0);
    }

    std::string read(const std::string& path) { return gf_readApf(state_, path, info_, quality_); }

    std::size_t requestsFor(const std::string& path) const
    {
        const auto all = server_.requests();
        return static_cast<std::size_t>(std::count_if(
            all.begin(), all.end(), [&path](const test::HttpRequest& r) { return r.path == path; }));
    }

    test::SettingsFolder settings_;
    test::TempFolder program_;
    test::TempFolder site_;
    test::LoopbackHttpServer server_;
    test::ScopedEnv base_;
    test::ScopedCurrentPath cwd_;
    ParkingState state_;
    ParkFileInfo info_;
    QualityPair quality_;
};

struct LookupRow
{
    const char* name;
    std::vector<std::pair<std::string, std::string>> localFiles; // path, first line (or "xml")
    bool stockOnSite;
    std::string expected;
};

class AirportFileLookup : public AirportReadingTest, public ::testing::WithParamInterface<LookupRow>
{
};

TEST_P(AirportFileLookup, FirstHitWins)
{
    const LookupRow& row = GetParam();
    for (const auto& [path, content] : row.localFiles)
    {
        if (content == "xml")
        {
            schiphol().write(path);
        }
        else
        {
            test::writeBytes(path, content + "\r\nsecond line.xml\r\n");
        }
    }
    if (row.stockOnSite)
    {
        onSite("archive/stock/EHAM.xml", schiphol());
    }
    EXPECT_EQ(gf_findAirportFile("EHAM"), row.expected);
    EXPECT_EQ(gf_haveAirportFile("EHAM"),
              !row.localFiles.empty() || row.stockOnSite ? FileAnswer::found : FileAnswer::none);
    EXPECT_FALSE(fs::exists("EHAM.xml")) << "the probe's download is removed at once";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AirportFileLookup,
    ::testing::Values(LookupRow{"thirdparty_link_first",
                                {{"airports/my_thirdparty/EHAM.txt",
                                  "archive/thirdparty/Fly%20Tampa/EHAM.xml  \t"},
                                 {"airports/my_thirdparty/EHAM.xml", "xml"},
                                 {"airports/my_ORBX/EHAM.txt", "archive/simaddon/EHAM.xml"}},
                                true,
                                "archive/thirdparty/Fly%20Tampa/EHAM.xml"},
                      LookupRow{"thirdparty_file_before_orbx_link",
                                {{"airports/my_thirdparty/EHAM.xml", "xml"},
                                 {"airports/my_ORBX/EHAM.txt", "archive/simaddon/EHAM.xml"}},
                                true,
                                "airports/my_thirdparty/EHAM.xml"},
                      LookupRow{"orbx_link",
                                {{"airports/my_ORBX/EHAM.txt", "archive/simaddon/EHAM.xml trailing"}},
                                false,
                                "archive/simaddon/EHAM.xml"},
                      LookupRow{"bad_link_is_passed_over",
                                {{"airports/my_ORBX/EHAM.txt", "archive/simaddon/EHAM"},
                                 {"airports/my_ORBX/EHAM.xml", "xml"}},
                                false,
                                "airports/my_ORBX/EHAM.xml"},
                      LookupRow{"stock_on_the_site", {}, true, "archive/stock/EHAM.xml"},
                      LookupRow{"nothing", {}, false, ""}),
    [](const ::testing::TestParamInfo<LookupRow>& info) { return std::string(info.param.name); });

struct RedirectRow
{
    const char* name;
    std::string bytes;
    bool found;
    std::string siteName;
};

class LinkFiles : public AirportReadingTest, public ::testing::WithParamInterface<RedirectRow>
{
};

TEST_P(LinkFiles, OnlyTheFirstLineCounts)
{
    const RedirectRow& row = GetParam();
    test::writeBytes("link.txt", row.bytes);
    std::string siteName = "kept";
    EXPECT_EQ(gf_readRedirect("link.txt", siteName), row.found);
    EXPECT_EQ(siteName, row.found ? row.siteName : "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LinkFiles,
    ::testing::Values(RedirectRow{"plain", "archive/stock/EHAM.xml\n", true, "archive/stock/EHAM.xml"},
                      RedirectRow{"trailing_blanks", "archive/simaddon/EHAM.xml   \r\n", true,
                                  "archive/simaddon/EHAM.xml"},
                      RedirectRow{"cut_after_xml", "a/EHAM.xml.bak and more", true, "a/EHAM.xml"},
                      RedirectRow{"four_characters", ".xml", true, ".xml"},
                      RedirectRow{"too_short", "xml\n", false, ""},
                      RedirectRow{"no_xml", "archive/stock/EHAM.txt\nEHAM.xml\n", false, ""},
                      RedirectRow{"empty", "", false, ""}),
    [](const ::testing::TestParamInfo<RedirectRow>& info) { return std::string(info.param.name); });

TEST_F(AirportReadingTest, MissingLinkFileNamesNothing)
{
    std::string siteName;
    EXPECT_FALSE(gf_readRedirect("airports/my_ORBX/NONE.txt", siteName));
}

TEST_F(AirportReadingTest, TheSiteIsAskedOncePerCycleForEachCode)
{
    EXPECT_EQ(gf_probeStockAirport("EHAM"), FileAnswer::none);
    onSite("archive/stock/EHAM.xml", schiphol());
    EXPECT_EQ(gf_probeStockAirport("EHAM"), FileAnswer::none) << "the failed probe is remembered";
    EXPECT_EQ(gf_haveAirportFile("EHAM"), FileAnswer::none);
    EXPECT_EQ(requestsFor("/P3D/archive/stock/EHAM.xml"), 1u);

    state_.reset(); // a new cycle
    EXPECT_EQ(gf_probeStockAirport("EHAM"), FileAnswer::found);
    EXPECT_EQ(gf_findAirportFile("EHAM"), "archive/stock/EHAM.xml");
    EXPECT_EQ(requestsFor("/P3D/archive/stock/EHAM.xml"), 2u);
}

// The program folder on a full disk of its own: the refused downloads are no answer of the site, and the
// file is found once there is room.
TEST_F(AirportReadingTest, AFullDiskIsNoAnswerOfTheSite)
{
    onSite("archive/stock/EHAM.xml", schiphol());
    if (::mount("tmpfs", program_.path().c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    const auto unmount = gsl::finally([this] { ::umount2(program_.path().c_str(), MNT_DETACH); });
    fs::current_path(program_.path()); // onto the small disk
    for (int i = 0; std::ofstream(std::to_string(i)) << std::string(4096, 'x'); ++i)
    {
    }
    EXPECT_EQ(gf_probeStockAirport("EHAM"), FileAnswer::waitsForDisk);
    EXPECT_EQ(gf_downloadAirportFile("archive/stock/EHAM.xml", "x.xml"),
              "The airport file 'archive/stock/EHAM.xml' waits for disk space (No space left on device)");
    for (int i = 0; fs::remove(std::to_string(i)); ++i)
    {
    }
    EXPECT_EQ(gf_haveAirportFile("EHAM"), FileAnswer::found);
    EXPECT_EQ(requestsFor("/P3D/archive/stock/EHAM.xml"), 3u);
}

TEST_F(AirportReadingTest, FailedDownloadNamesTheAddress)
{
    const std::string expected =
        fmt::format("failed to download: '{}P3D/archive/stock/EHAM.xml'", server_.baseUrl());
    EXPECT_EQ(gf_downloadAirportFile("archive/stock/EHAM.xml", "x.xml"), expected);
    EXPECT_TRUE(settings_.logged(expected));
    EXPECT_FALSE(fs::exists("x.xml"));
}

TEST_F(AirportReadingTest, SitePathIsDownloadedToTheParkAirportFile)
{
    onSite("archive/stock/EHAM.xml", schiphol());
    fs::create_directories("airports");
    EXPECT_EQ(read("archive/stock/EHAM.xml"), "");
    EXPECT_TRUE(fs::exists(kParkAirportFile));
    EXPECT_EQ(state_.stands.size(), 2u);
    EXPECT_EQ(info_.name, "Schiphol");
    EXPECT_EQ(info_.publisher, "stock");
    EXPECT_EQ(info_.altitude, -11);
    EXPECT_EQ(state_.parkAirport.altitude, -11.0);
    EXPECT_EQ(state_.trafficWeek, 31);
}

TEST_F(AirportReadingTest, SpacesInPublisherFoldersTravelEscaped)
{
    fs::create_directories("airports");
    // The test server does not decode its paths: the folder is named as the address spells it.
    onSite("archive/thirdparty/Fly%20Tampa/LOWW.xml", schiphol());
    EXPECT_EQ(read("archive/thirdparty/Fly%20Tampa/LOWW.xml"), "");
    EXPECT_EQ(state_.stands.size(), 2u);
}

TEST_F(AirportReadingTest, LocalFileIsReadInPlace)
{
    schiphol().write("airports/my_ORBX/EHAM.xml");
    EXPECT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    EXPECT_FALSE(fs::exists(kParkAirportFile));
    EXPECT_TRUE(server_.requests().empty());
    EXPECT_TRUE(settings_.logged("Airport file read from 'airports/my_ORBX/EHAM.xml' for Schiphol"));
}

struct RefusalRow
{
    const char* name;
    std::string path;
    std::string bytes; // written to path when not empty
    std::string expected;
};

class AirportFileRefusals : public AirportReadingTest, public ::testing::WithParamInterface<RefusalRow>
{
};

TEST_P(AirportFileRefusals, GiveTheReason)
{
    const RefusalRow& row = GetParam();
    if (!row.bytes.empty())
    {
        test::writeBytes(row.path, row.bytes);
    }
    const std::string expected = fmt::format(fmt::runtime(row.expected), server_.baseUrl());
    EXPECT_EQ(read(row.path), expected);
    EXPECT_TRUE(state_.stands.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AirportFileRefusals,
    ::testing::Values(
        RefusalRow{"empty_path", "", "", "gf_readApf: xml is empty"},
        RefusalRow{"short_path_is_a_site_path", "airp.x", "", "failed to download: '{}P3D/airp.x'"},
        RefusalRow{"missing_on_the_site", "archive/stock/EHAM.xml", "",
                   "failed to download: '{}P3D/archive/stock/EHAM.xml'"},
        RefusalRow{"not_xml", "airports/my_ORBX/EHAM.xml", "<meta><info",
                   "airports/my_ORBX/EHAM.xml: could not load file: airports/my_ORBX/EHAM.xml"},
        RefusalRow{
            "no_date", "airports/my_ORBX/EHAM.xml",
            AirportFileBuilder::airportFile("S", "stock", 1).withoutMeta("date").stand("A", 1, 1, 9).text(),
            "airports/my_ORBX/EHAM.xml: refused to load (copyright)"}),
    [](const ::testing::TestParamInfo<RefusalRow>& info) { return std::string(info.param.name); });

TEST_F(AirportReadingTest, NoParkAirportNoRead)
{
    schiphol().write("airports/my_ORBX/EHAM.xml");
    state_.parkAirport.code.clear();
    EXPECT_EQ(read("airports/my_ORBX/EHAM.xml"), "gf_readApf: no park airport set");
}

TEST_F(AirportReadingTest, MissingAltitudeIsAUserError)
{
    AirportFileBuilder().param("airport_name", "S").stand("A", 1, 1, 9).write("airports/my_ORBX/EHAM.xml");
    try
    {
        (void)read("airports/my_ORBX/EHAM.xml");
        FAIL() << "no exception";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_STREQ(e.what(), "65: Parameter altitude not found");
    }
}

TEST_F(AirportReadingTest, RepeatedIdIsAUserErrorEvenAfterAPositionlessStand)
{
    AirportFileBuilder::airportFile("S", "stock", 1)
        .stand("A", 1, 1, 9)
        .parkpos({{"id", "Z"}, {"latitude", "0"}, {"longitude", "0"}})
        .stand("Z", 2, 2, 9)
        .write("airports/my_ORBX/EHAM.xml");
    try
    {
        (void)read("airports/my_ORBX/EHAM.xml");
        FAIL() << "no exception";
    }
    catch (const UserErrorException& e)
    {
        EXPECT_STREQ(e.what(), "94: Parking position Z appears more than once?");
    }
    EXPECT_EQ(state_.stands.size(), 1u) << "the stands read before stay";
}

TEST_F(AirportReadingTest, FileWithoutUsableStand)
{
    AirportFileBuilder::airportFile("S", "stock", 1)
        .parkpos({{"id", "A"}})
        .parkpos({{"id", "B"}, {"latitude", "0.0"}, {"longitude", "0"}, {"radius", "20"}})
        .write("airports/my_ORBX/EHAM.xml");
    EXPECT_EQ(read("airports/my_ORBX/EHAM.xml"), "no stands found");
    EXPECT_EQ(gWindow.gMainWindow.standCount.load(), 0u);
}

TEST_F(AirportReadingTest, StandsOffTheGlobeAreSkippedAndLogged)
{
    test::LogCapture log;
    AirportFileBuilder::airportFile("S", "stock", 1)
        .stand("A", 47.45, 8.56, 30.0)
        .stand("North", 94.457963, 8.56, 30.0)
        .stand("West", 47.45, -180.5, 30.0)
        .write("airports/my_ORBX/EHAM.xml");
    EXPECT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    ASSERT_EQ(state_.stands.size(), 1u);
    EXPECT_EQ(state_.stands[0].name, "A");
    EXPECT_TRUE(log.contains("===> Parking position North skipped: invalid lalo 94.457963,8.560000"));
    EXPECT_TRUE(log.contains("===> Parking position West skipped: invalid lalo 47.450000,-180.500000"));
}

TEST_F(AirportReadingTest, StandsAndOptionsAreReadWithTheirUnits)
{
    gLiveries.gDbase.registrations["PH-BXA"] = DbaseRecord{"KLM", "B738", "", false};
    gLiveries.gDbase.registrations["PH-EXA"] = DbaseRecord{"KLM", "E190", "KLC", false};
    AirportFileBuilder::airportFile("S", "stock", 1)
        .stand("H1", 52.5, 4.5, 7.4, 180.0, {{"heli", "yes"}, {"cargo", "1"}})
        .stand("C1", 52.6, 4.6, 27.8, 0.0, {{"cargo", "true"}, {"ramp", "T"}})
        .opt(optionAttributes("PH-BXA", "XXX", "YYY", 1, "14,15,16", "KLM1234:KLM1235"))
        .opt(optionAttributes("PH-EXA", "", "", 3, "0", "KLM99", true))
        .opt(optionAttributes("N123", "PVT", "C172", 7, "47,x,60"))
        .write("airports/my_ORBX/EHAM.xml");
    ASSERT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    ASSERT_EQ(state_.stands.size(), 2u);

    const Stand& heli = state_.stands[0];
    EXPECT_EQ(heli.name, "H1");
    EXPECT_EQ(heli.standId, 1u);
    EXPECT_DOUBLE_EQ(heli.latitude, 52.5);
    EXPECT_DOUBLE_EQ(heli.heading, 180.0 * kDegToRad);
    EXPECT_DOUBLE_EQ(heli.radius, metresToNm(7.4));
    EXPECT_EQ(heli.helipad, 1u);
    EXPECT_EQ(heli.cargo, 1u);
    EXPECT_EQ(heli.ramp, 0u);
    EXPECT_TRUE(heli.options.empty());

    const Stand& cargo = state_.stands[1];
    EXPECT_EQ(cargo.standId, 2u);
    EXPECT_EQ(cargo.ramp, 1u);
    ASSERT_EQ(cargo.options.size(), 3u);
    const StandOccupancy& known = cargo.options[0];
    EXPECT_EQ(known.airline, "KLM");
    EXPECT_EQ(known.type, "B738");
    EXPECT_EQ(known.callsign, "KLM1234");
    EXPECT_EQ(known.coupledCallsign, "KLM1235");
    EXPECT_EQ(known.kind, StandOptionKind::real);
    EXPECT_EQ(known.halfHours, gf_hours2bitset("14,15,16"));
    EXPECT_EQ(known.weekday, 1u);
    EXPECT_EQ(known.id, 1u);
    EXPECT_EQ(known.fixed, 1u);
    const StandOccupancy& operated = cargo.options[1];
    EXPECT_EQ(operated.airline, "KLC") << "the operator before the airline";
    EXPECT_EQ(operated.type, "E190");
    EXPECT_EQ(operated.kind, StandOptionKind::soft);
    EXPECT_EQ(operated.coupledCallsign, "");
    EXPECT_EQ(operated.id, 2u);
    const StandOccupancy& unknown = cargo.options[2];
    EXPECT_EQ(unknown.airline, "PVT");
    EXPECT_EQ(unknown.type, "C172");
    EXPECT_EQ(unknown.registration, "N123");
    EXPECT_EQ(unknown.callsign, "");
    EXPECT_EQ(unknown.halfHours, HalfHourSet().set(47)) << "bad half-hours are skipped";
}

TEST_F(AirportReadingTest, NeighboursAreStandsWhoseCirclesOverlapWithSpacing)
{
    // Radii of 20 m: centres 36 m apart are neighbours (39.6 < 40), 37 m apart are not (40.7).
    AirportFileBuilder::airportFile("S", "stock", 1)
        .stand("A", 10.0, 4.0, 20.0)
        .stand("B", 10.0 + 36.0 * kDegPerMetre, 4.0, 20.0)
        .stand("C", 10.0 - 37.0 * kDegPerMetre, 4.0, 20.0)
        .stand("D", 11.0, 4.0, 20.0)
        .write("airports/my_ORBX/EHAM.xml");
    ASSERT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    EXPECT_EQ(state_.stands[0].adjacent, (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(state_.stands[1].adjacent, (std::vector<std::uint32_t>{1}));
    EXPECT_TRUE(state_.stands[2].adjacent.empty());
    EXPECT_TRUE(state_.stands[3].adjacent.empty());
}

TEST_F(AirportReadingTest, WithoutLearnedFileTheFileQualityAndThirtyPercentHold)
{
    parking_percentage.set(80);
    schiphol().param("Qf_real", 55).write("airports/my_ORBX/EHAM.xml");

    ASSERT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    EXPECT_FALSE(settings_.logged("Read from learned airport file: 'airports/learned/simaddon/EHAM.xml'"));
    EXPECT_EQ(quality_, (QualityPair{55, -1}));
    EXPECT_EQ(parking_percentage.value(), 30);
    EXPECT_TRUE(settings_.logged(fmt::format("          {:24}: 30", "parking_percentage")));
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::qualityText), "55");
}

TEST_F(AirportReadingTest, LearnedFileIsMergedAndRated)
{
    RANDOM.set(false);
    gLiveries.gDbase.halfSpansNm["C172"] = metresToNm(19.0);
    gLiveries.gDbase.halfSpansNm["B77W"] = metresToNm(30.0);
    schiphol().param("Qf_real", 55).write("airports/my_ORBX/EHAM.xml");
    // Generated files of simaddon sceneries are learned below the simaddon folder; fake occupants are
    // switched on by the learned file itself.
    AirportFileBuilder::handmadeFile("Schiphol", "stock", -11)
        .param("PARK_FAKE", "true")
        .stand("A1", 52.3, 4.76, 20.0, 90.0, {{"ramp", "true"}})
        .stand("B2", 52.31, 4.77, 30.0)
        .opt(optionAttributes("PH-ABC", "KLM", "B738", 2, "3"))
        .write("airports/learned/simaddon/EHAM.xml");

    ASSERT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    // One real option (1 weekday, 1 half-hour) at one of two stands of equal weight, rated before the fakes.
    EXPECT_EQ(quality_, (QualityPair{32, 0}));
    EXPECT_EQ(state_.handmadeFile, 1u);
    EXPECT_EQ(gWindow.gMainWindow.handmadeFile.load(), 1u);
    EXPECT_TRUE(settings_.logged("A handmade airport file overruled the archived file!"));
    EXPECT_TRUE(settings_.logged("Airport file read from 'airports/learned/simaddon/EHAM.xml' for Schiphol"));
    ASSERT_EQ(state_.stands[0].options.size(), 1u);
    EXPECT_EQ(state_.stands[0].options[0].callsign, "FAKE1");
    EXPECT_EQ(state_.stands[0].options[0].airline, "PVT") << "a ramp stand of the file";
    EXPECT_EQ(state_.stands[1].options.back().callsign, "FAKE2");
    EXPECT_EQ(state_.stands[1].options.back().airline, "KLM") << "the region of the file's name";
}

TEST_F(AirportReadingTest, ReadingTellsTheWindowAndTheNeighbours)
{
    schiphol().write("airports/my_ORBX/EHAM.xml");
    state_.handmadeFile = 1;
    int repaints = 0;
    state_.services = std::make_unique<test::CountingRepaints>(repaints);
    class ReadWatch final : public NoAirportReadPort
    {
      public:
        void fileRead() override { ++fileReadCalls; }
        void setReferenceElevation(std::optional<double> elevationFt) override { elevation = elevationFt; }
        int fileReadCalls = 0;
        std::optional<double> elevation;
    };
    ReadWatch watch;
    gf_installAirportReadPort(&watch);

    ASSERT_EQ(read("airports/my_ORBX/EHAM.xml"), "");
    EXPECT_EQ(state_.handmadeFile, 0u) << "cleared at every read";
    EXPECT_EQ(watch.fileReadCalls, 1);
    EXPECT_EQ(watch.elevation, -11.0);
    EXPECT_GE(repaints, 1);
    EXPECT_EQ(gWindow.gMainWindow.standCount.load(), 2u);
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::parkPublisher), "stock");
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::qualityText), "  ");
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::trafficWeek), "31");
    EXPECT_EQ(state_.locator.standAt(52.3, 4.76), "A1");
    for (const std::string line :
         {"          publisher               : stock", "          altitude                : -11 ft",
          "          num_parkpos             : 2",
          "          quality factor          :   ", "          RT traffic week         : 31"})
    {
        EXPECT_TRUE(settings_.logged(line)) << line;
    }
}

TEST_F(AirportReadingTest, ParameterGettersTellAbsentFromEmpty)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(AirportFileBuilder()
                                    .param("flag", "yes")
                                    .param("number", "-42")
                                    .param("text", "Fly Tampa")
                                    .text()
                                    .c_str()));
    doc.child("parameters").append_child("parameter").append_attribute("name").set_value("bare");
    EXPECT_EQ(gf_getParamBool(doc, "flag"), true);
    EXPECT_EQ(gf_getParamInt(doc, "number"), -42);
    EXPECT_EQ(gf_getParamString(doc, "text"), "Fly Tampa");
    EXPECT_EQ(gf_getParamBool(doc, "bare"), false);
    EXPECT_EQ(gf_getParamInt(doc, "bare"), 0);
    EXPECT_EQ(gf_getParamString(doc, "bare"), "");
    EXPECT_FALSE(gf_getParamBool(doc, "absent").has_value());
    EXPECT_FALSE(gf_getParamInt(doc, "absent").has_value());
    EXPECT_FALSE(gf_getParamString(doc, "absent").has_value());
}

TEST_F(AirportReadingTest, ClosestStandOfALocalFile)
{
    AirportFileBuilder::airportFile("S", "stock", 1)
        .parkpos({{"id", "ZERO"}, {"latitude", "0"}, {"longitude", "0"}})
        .stand("FAR", 52.4, 4.8, 20.0)
        .stand("NEAR", 52.30, 4.76, 20.0)
        .write("airports/my_thirdparty/EHAM.xml");
    std::string name;
    const double nm = gf_readDestApfForClosestStand("EHAM", 52.301, 4.76, name);
    EXPECT_EQ(name, "NEAR");
    EXPECT_NEAR(nm, 0.06, 0.001);
}

TEST_F(AirportReadingTest, ClosestStandOfASiteFileRemovesTheDownload)
{
    onSite("archive/stock/EHAM.xml", schiphol());
    std::string name;
    EXPECT_LT(gf_readDestApfForClosestStand("EHAM", 52.31, 4.77, name), 0.001);
    EXPECT_EQ(name, "B2");
    EXPECT_FALSE(fs::exists(kClosestStandDownload));
}

TEST_F(AirportReadingTest, ClosestStandWithoutFileIsFarAway)
{
    std::string name = "kept";
    EXPECT_EQ(gf_readDestApfForClosestStand("EHAM", 52.31, 4.77, name), kNoFileDistanceNm);
    EXPECT_EQ(name, "kept");
    test::writeBytes("airports/my_ORBX/EHAM.txt", "archive/simaddon/EHAM.xml\n");
    EXPECT_EQ(gf_readDestApfForClosestStand("EHAM", 52.31, 4.77, name), kNoFileDistanceNm)
        << "a linked file missing on the site";
}

struct OfflineRow
{
    const char* name;
    std::string bytes; // on the site; none when empty
    bool suitable;
    std::string logLine; // "" for none
};

class OfflineLearning : public AirportReadingTest, public ::testing::WithParamInterface<OfflineRow>
{
};

TEST_P(OfflineLearning, NeedsLearnedDataAndTwentyEightWeeks)
{
    const OfflineRow& row = GetParam();
    if (!row.bytes.empty())
    {
        test::writeBytes(site_ / "P3D/archive/stock/EHAM.xml", row.bytes);
    }
    EXPECT_EQ(gf_getStockArchivedAirport("EHAM"), row.suitable);
    EXPECT_TRUE(settings_.logged(fmt::format("{}P3D/archive/stock/EHAM.xml", server_.baseUrl())));
    if (!row.logLine.empty())
    {
        EXPECT_TRUE(settings_.logged("===> " + row.logLine)) << row.logLine;
    }
    EXPECT_FALSE(fs::exists("EHAM.xml"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OfflineLearning,
    ::testing::Values(
        OfflineRow{"real_quality",
                   AirportFileBuilder().param("Qf_real", 0).param("RT_traffic_week", 28).text(), true, ""},
        OfflineRow{"soft_quality",
                   AirportFileBuilder().param("Qf_soft", 12).param("RT_traffic_week", 40).text(), true, ""},
        OfflineRow{"unknown_quality",
                   AirportFileBuilder().param("Qf_real", -1).param("RT_traffic_week", 40).text(), false,
                   "EHAM not suitable for offline learning"},
        OfflineRow{"young_week",
                   AirportFileBuilder().param("Qf_real", 50).param("RT_traffic_week", 27).text(), false,
                   "EHAM not suitable for offline learning"},
        OfflineRow{"no_week", AirportFileBuilder().param("Qf_real", 50).text(), false,
                   "EHAM not suitable for offline learning"},
        OfflineRow{"not_xml", "<parameters", false, "Failed to load EHAM.xml"},
        OfflineRow{"not_on_the_site", "", false, "Failed to download EHAM.xml"}),
    [](const ::testing::TestParamInfo<OfflineRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl
