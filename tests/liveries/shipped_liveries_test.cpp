// A user's small install scanned, indexed and matched with the database the build ships: generic and
// private liveries are kept, and the newer generation of a family flies in the liveries of the older.

#include "foundation/config_keys.h"
#include "foundation/worker_slots.h"
#include "liveries/aircraft_cfg.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_matching.h"
#include "records/aircraft_words.h"
#include "tests/liveries/livery_index_fixture.h"
#include "tests/liveries/livery_scan_fixture.h"
#include "tests/support/livery_fixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using ::testing::IsEmpty;

struct InstalledLivery
{
    const char* type;
    const char* title;
    const char* parkingCode;
    const char* atcId;
};

// One aircraft folder per livery, as AI packages install them.
constexpr InstalledLivery kInstall[] = {
    {"B738", "Ryanair Boeing 737-800 EI-DCL", "RYR", "EI-DCL"},
    {"A321", "Turkish Airlines A321 TC-JRA", "THY", "TC-JRA"},
    {"B744", "Generic Boeing 747-400 white", "ZZZ", "N744ZZ"},
    {"A20N", "Generic A320neo house colours", "ZZZ", ""},
    {"B744", "Private Boeing 747-400 VIP", "PVT", ""},
};

class ShippedLiveriesTest : public test::LiveryIndexTest
{
  protected:
    ShippedLiveriesTest() : drive_("OXL_DRIVE_D", root_.path().string())
    {
        // The shipped files, copied so that nothing decrypted appears in the build's own input folder.
        fs::copy_file(fs::path(OXL_BIN_DIR) / "input" / "dbase.enc", shipped_ / "dbase.enc");
        fs::copy_file(fs::path(OXL_BIN_DIR) / "input" / "AIG-regcodes.enc",
                      work_ / "input" / "AIG-regcodes.enc");
        EXPECT_TRUE(gf_readDbase(shipped_.path()));
        gf_clearScanContainers();
        gFoundation.gRunningWorkers = 0;
    }
    ~ShippedLiveriesTest() override
    {
        gf_clearScanContainers();
        gLiveries.MatchStepCounters.fill(0);
        gf_clearPendingTitles();
        MATCHING_DEPTH.set(4);
    }

    /// Scans every installed aircraft folder with the ordinary section reader.
    std::vector<LiveryData> scanInstall()
    {
        std::vector<LiveryData> scanned;
        for (const InstalledLivery& livery : kInstall)
        {
            test::AircraftFolder folder;
            folder.folder = fs::path("SimObjects") / livery.title;
            folder.lines = {"[General]",
                            std::string("atc_model=") + livery.type,
                            "[fltsim.0]",
                            std::string("title=") + livery.title,
                            "sim=base",
                            "model=",
                            "texture=paint",
                            std::string("atc_parking_codes=") + livery.parkingCode,
                            "atc_parking_types=GATE"};
            if (*livery.atcId != '\0')
                folder.lines.push_back(std::string("atc_id=") + livery.atcId);
            folder.subfolders = {"model", "texture.paint"};
            folder.files = {"base.air"};
            test::writeAircraftFolder(root_.path(), folder);
            for (LiveryData& record : gf_searchLiveriesinFile(
                     0, WinPath(std::string("D:\\SimObjects\\") + livery.title + "\\aircraft.cfg")))
                scanned.push_back(std::move(record));
        }
        return scanned;
    }

    /// The title the live match gives an aircraft of the airline and type.
    static std::string liveMatch(const std::string& airline, const std::string& type)
    {
        AcIdent ident;
        ident.airline = airline;
        ident.type = type;
        ident.callsign = airline + "1";
        AcProfile ac(std::move(ident));
        ac.category = gf_aircraftCategory(type);
        ac.hexid = 0x400000;
        gf_matchLiveAcLivery(ac);
        return std::string(ac.livery);
    }

    test::TempFolder root_;
    test::TempFolder shipped_;
    test::ScopedEnv drive_;
};

TEST_F(ShippedLiveriesTest, GenericAndPrivateLiveriesAreKeptAndStandIn)
{
    const std::vector<LiveryData> scanned = scanInstall();

    ASSERT_EQ(scanned.size(), std::size(kInstall)) << "every installed livery is kept";
    EXPECT_THAT(test::linesOf(gLiveries.InvalidAirlineCodes), IsEmpty());
    EXPECT_THAT(test::linesOf(gLiveries.IncompleteSections), IsEmpty());
    for (std::size_t i = 0; i < scanned.size(); ++i)
    {
        EXPECT_EQ(scanned[i].airl, kInstall[i].parkingCode) << kInstall[i].title;
        EXPECT_EQ(scanned[i].type, kInstall[i].type) << kInstall[i].title;
    }
    EXPECT_EQ(scanned[2].atcid, "") << "a generic livery carries no registration";

    writeScanned(scanned);
    gf_processScannedLiveries();
    MATCHING_DEPTH.set(4);
    // An airline without liveries of its own flies the generic one of its type.
    EXPECT_EQ(liveMatch("KLM", "B744"), "Generic Boeing 747-400 white");
    EXPECT_EQ(liveMatch("PVT", "A20N"), "Generic A320neo house colours");
}

TEST_F(ShippedLiveriesTest, NewerGenerationsFlyTheOlderGenerationsLiveries)
{
    writeScanned(scanInstall());
    gf_processScannedLiveries();
    MATCHING_DEPTH.set(3);

    EXPECT_EQ(liveMatch("RYR", "B38M"), "Ryanair Boeing 737-800 EI-DCL");
    EXPECT_EQ(liveMatch("THY", "A21N"), "Turkish Airlines A321 TC-JRA");
    EXPECT_EQ(liveMatch("RYR", "A21N"), "") << "Large aircraft take no livery of another family at depth 3";
}

} // namespace
} // namespace oxl
