// The park airport at the shipped airport list: choosing it on the ground and in the air, reading its
// file, the reserved stand in my_park_airports.txt, leaving it out of sight, and closing it.
#include "airports/park_airport.h"

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/periodic_requests.h"
#include "foundation/units.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"
#include "window/window_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace oxl
{
namespace
{

using test::LogCapture;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

constexpr LatLon kEddf{50.033306, 8.570456}; // as the shipped airport list holds it
constexpr LatLon kEdfh{49.945808, 7.261081};

/// A position the given distance from EDDF towards EDFH [nm].
LatLon towardsEdfh(double nm)
{
    return gf_destinationPoint(kEddf, gf_bearingRad(kEddf, kEdfh), nmToFeet(nm));
}

class ParkAirportTest : public ::testing::Test
{
  protected:
    ParkAirportTest()
    {
        EXPECT_TRUE(
            gAirports.gAirportList.read(std::filesystem::path(OXL_SOURCE_DIR) / "data" / "airports_p3d.xml"));
        std::filesystem::create_directories(folder_ / "my_thirdparty");
        gf_resetParkAirport();
        gWindow.gMainWindow.resetForCycle();
        gWindow.gMainWindow.parkingBusy.store(0);
        gFoundation.gParametersChanged.store(0);
        gFoundation.gSavedLiveLimit.store(MAX_LIVE_SEL.value());
        state_.stands.reserve(64);
        state_.services = std::make_unique<FixtureParking>(*this);

        gf_installParkAirportPort(&port_);
    }

    ~ParkAirportTest() override
    {
        gf_installParkAirportPort(nullptr);
        gf_resetParkAirport();
        AIRP_RANGE.set(AIRP_RANGE.defaultValue);
        AIRP_HEIGHT.set(AIRP_HEIGHT.defaultValue);
        MAX_LIVE_SEL.set(MAX_LIVE_SEL.defaultValue);
        DESTINATION.set("");
        LEARN_SOFT.set(LEARN_SOFT.defaultValue);
        gWindow.gMainWindow.resetForCycle();
        gWindow.gMainWindow.parkingBusy.store(0);
        gFoundation.gParametersChanged.store(0);
    }

    // The airport file of the test: stands at EDDF, 40 m apart eastwards.
    std::string readApf(const std::string& path, ParkFileSummary& summary)
    {
        calls_.push_back("read:" + path);
        if (throwOnRead_)
            throw UserErrorException(94, "Parking position A1 appears more than once?");
        for (std::size_t i = 0; i < standCount_; ++i)
        {
            const LatLon p =
                gf_destinationPoint(kEddf, kTwoPi / 4.0, metresToFeet(40.0 * static_cast<double>(i)));
            state_.stands.emplace_back(i == 0 ? "V155" : "A" + std::to_string(i),
                                       static_cast<std::uint32_t>(i + 1), p.lat, p.lon, 0.0, 20.0);
        }
        summary.airportName = "Frankfurt Main";
        summary.qfReal = qfReal_;
        return standCount_ == 0 ? "no stands found" : "";
    }

    void standAt(LatLon p, bool onGround, double altFt = 0.0)
    {
        user_ = UserAcData{.lat = p.lat, .lon = p.lon, .alt = altFt, .onGround = onGround};
    }

    std::string myParkAirports() const { return readBytes(folder_ / "my_park_airports.txt"); }

    std::vector<std::string> codes() const
    {
        std::vector<std::string> out;
        for (const ParkAirport& entry : state_.parkAirports)
            out.push_back(entry.code);
        return out;
    }

    void addListed(const std::string& code, const std::string& reserved = "")
    {
        const Airport* airport = gf_findAirport(code);
        ASSERT_NE(airport, nullptr);
        state_.parkAirports.push_back(
            ParkAirport{code, reserved, airport->latitude, airport->longitude, 0.0});
    }

    /// EDDF made the park airport and its file read, as the first two steps on the ground do.
    void parkAtEddf(LatLon userAt = kEddf)
    {
        standAt(userAt, true);
        gf_updateParkAirport(state_, true);
        gf_updateParkAirport(state_, false);
        gf_setStaticParkingActive(true);
        calls_.clear();
    }

    TempFolder folder_;
    LogCapture log_;
    ParkingState state_;
    UserAcData user_;
    std::set<std::string> files_{"EDDF", "EDFH"};
    std::size_t standCount_ = 3;
    std::int32_t qfReal_ = -1;
    bool throwOnRead_ = false;
    int probes_ = 0;
    bool diskFull_ = false;
    std::vector<std::string> calls_;
    std::vector<std::string> removed_;
    std::vector<LiveAc> live_;

    // The park airport's neighbours here: the fixture's user, files, engine and a record of the calls.
    class FixturePort final : public NoParkAirportPort
    {
      public:
        explicit FixturePort(ParkAirportTest& test) : t_(test) {}
        [[nodiscard]] std::filesystem::path airportsFolder() const override { return t_.folder_.path(); }
        [[nodiscard]] UserAcData userAircraft() override
        {
            UserAcData user = t_.user_;
            user.dataValid = userKnown;
            return user;
        }
        [[nodiscard]] FileAnswer haveAirportFile(const std::string& code) override
        {
            ++t_.probes_;
            if (t_.diskFull_)
                return FileAnswer::waitsForDisk;
            return t_.files_.count(code) != 0 ? FileAnswer::found : FileAnswer::none;
        }
        [[nodiscard]] std::string findAirportFile(const std::string& code) override
        {
            if (!foundPath.empty())
                return foundPath;
            return t_.files_.count(code) != 0 ? "airports/my_thirdparty/" + code + ".xml" : std::string();
        }
        [[nodiscard]] std::string readApf(const std::string& path, ParkFileSummary& summary) override
        {
            return t_.readApf(path, summary);
        }
        void saveAirportFile() override { t_.calls_.push_back("save"); }
        void startStaticParking(bool show) override { t_.calls_.push_back(show ? "start:show" : "start"); }
        void calcStaticParking() override { t_.calls_.push_back("calc"); }
        void removeQueuedStatic() override { t_.calls_.push_back("flush"); }
        void countParkedForWindow() override { t_.calls_.push_back("count"); }
        [[nodiscard]] std::span<LiveAc> liveAircraft() override { return t_.live_; }
        void recountLive() override { t_.calls_.push_back("recount"); }
        void parkAirportChanged(const Airport* airport) override
        {
            t_.calls_.push_back(airport != nullptr ? "filter:" + airport->code : std::string("filter:none"));
        }

        bool userKnown = true;
        std::string foundPath; ///< when set, the path found for every airport

      private:
        ParkAirportTest& t_;
    };
    FixturePort port_{*this};

    // The parking code's neighbours here: the fixture's user, and a record of the removed aircraft.
    class FixtureParking final : public NoParkingServices
    {
      public:
        explicit FixtureParking(ParkAirportTest& test) : t_(test) {}
        [[nodiscard]] UserAcData userAircraft() override { return t_.user_; }
        void removeAircraftFromSim(SimAc& ac) override { t_.removed_.push_back(ac.callsign); }

      private:
        ParkAirportTest& t_;
    };
};

TEST_F(ParkAirportTest, OnTheGroundTheAirportWithAFileIsChosenThenReadAndCalculated)
{
    standAt(kEddf, true);
    gf_updateParkAirport(state_, true);
    EXPECT_EQ(state_.parkAirport.code, "EDDF");
    EXPECT_TRUE(gf_parkCalculationRequested());
    EXPECT_EQ(calls_, (std::vector<std::string>{"filter:EDDF", "start:show"}));
    EXPECT_TRUE(log_.contains("User aircraft on the ground at EDDF"));
    EXPECT_TRUE(log_.contains("The park airport is EDDF (FRA)"));

    calls_.clear();
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(calls_, (std::vector<std::string>{"read:airports/my_thirdparty/EDDF.xml", "calc"}));
    EXPECT_FALSE(gf_parkCalculationRequested());
    EXPECT_TRUE(state_.fileLoaded);
    EXPECT_EQ(state_.stands.size(), 3u);
    EXPECT_EQ(gWindow.gMainWindow.text(StatusText::parkAirportName), "Frankfurt Main");
}

TEST_F(ParkAirportTest, OnTheGroundWithoutAFileOrAnAirportNothingIsChosen)
{
    files_.clear();
    standAt(kEddf, true);
    gf_updateParkAirport(state_, true);
    EXPECT_TRUE(state_.parkAirport.code.empty());
    EXPECT_EQ(gf_shownMessage(), "User aircraft on the ground at EDDF, no airport file found");
    // The airport is not asked again in this cycle.
    gf_clearMessage();
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(gf_shownMessage(), "User aircraft on the ground at EDDF, no airport file found");
    EXPECT_EQ(probes_, 1);
    const auto lines = log_.lines();
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "User aircraft on the ground at EDDF, no airport file found"),
        1);

    standAt({45.0, -30.0}, true); // the middle of the Atlantic
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(gf_shownMessage(), "User aircraft on the ground, no airport in sight");
    EXPECT_TRUE(calls_.empty());
}

TEST_F(ParkAirportTest, AnAirportFileThatWaitsForDiskSpaceIsAskedForAgain)
{
    diskFull_ = true;
    standAt(kEddf, true);
    gf_updateParkAirport(state_, true);
    EXPECT_TRUE(state_.parkAirport.code.empty());
    EXPECT_EQ(gf_shownMessage(),
              "User aircraft on the ground at EDDF, its airport file waits for disk space");
    diskFull_ = false;
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(state_.parkAirport.code, "EDDF");
    EXPECT_EQ(probes_, 2);
}

TEST_F(ParkAirportTest, NoPositionYetDoesNothing)
{
    addListed("EDDF");
    standAt({0.00005, -0.00005}, false);
    gf_updateParkAirport(state_, true);
    EXPECT_TRUE(state_.parkAirport.code.empty());
    EXPECT_DOUBLE_EQ(state_.parkAirports.front().distance, 0.0);
}

TEST_F(ParkAirportTest, InTheAirTheFirstListedAirportInSightIsChosen)
{
    struct Case
    {
        const char* name;
        double nm;
        double altFt;
        bool chosen;
    };
    for (const Case& c :
         {Case{"inside range and height", 19.0, 18000.0, true}, Case{"beyond the range", 21.0, 5000.0, false},
          Case{"above the height", 10.0, 18001.0, false}})
    {
        SCOPED_TRACE(c.name);
        state_.parkAirports.clear();
        state_.parkAirport = Airport{};
        addListed("EDDF");
        standAt(towardsEdfh(c.nm), false, c.altFt);
        gf_updateParkAirport(state_, false);
        EXPECT_EQ(state_.parkAirport.code, c.chosen ? "EDDF" : "");
        EXPECT_EQ(gf_parkCalculationRequested(), c.chosen);
        gf_resetParkAirport();
    }
    EXPECT_TRUE(log_.contains("EDDF in sight at 19.0 nm"));
}

TEST_F(ParkAirportTest, TheParkAirportIsLeftOutOfSightAndStaticParkingEnds)
{
    struct Case
    {
        const char* name;
        double nm;
        double altFt;
        bool left;
    };
    for (const Case& c :
         {Case{"21 nm with a range of 20", 21.0, 3000.0, true}, Case{"above the height", 5.0, 19000.0, true},
          Case{"in sight", 19.5, 3000.0, false}})
    {
        SCOPED_TRACE(c.name);
        state_.parkAirports.clear();
        addListed("EDDF");
        parkAtEddf();
        standAt(towardsEdfh(c.nm), false, c.altFt);
        gf_updateParkAirport(state_, false);
        EXPECT_EQ(state_.parkAirport.code.empty(), c.left);
        EXPECT_EQ(gf_staticParkingActive(), !c.left);
        EXPECT_EQ(state_.stands.empty(), c.left);
        if (c.left)
        {
            EXPECT_EQ(calls_, (std::vector<std::string>{"flush", "filter:none"}));
        }
    }
    const auto lines = log_.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.ends_with(
                                    " EDDF (FRA) is out of sight (21.0 nm), parked aircraft will be removed");
                            }));
}

TEST_F(ParkAirportTest, ANearerListedAirportInSightReplacesTheParkAirport)
{
    AIRP_RANGE.set(30);
    addListed("EDDF");
    addListed("EDFH");
    parkAtEddf();
    standAt(towardsEdfh(26.0), false, 4000.0);
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDFH", "EDDF"}));
    EXPECT_TRUE(state_.parkAirport.code.empty());
    const auto lines = log_.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line)
                            {
                                return line.find(" EDFH is in sight (") != std::string::npos &&
                                       line.ends_with(
                                           "nm), parked aircraft at EDDF (FRA) will be removed first");
                            }));
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(state_.parkAirport.code, "EDFH");
}

TEST_F(ParkAirportTest, WithADestinationTheListKeepsItsOrder)
{
    addListed("EDFH");
    addListed("EDDF");
    DESTINATION.set("EDFH");
    standAt(towardsEdfh(3.0), false, 30000.0);
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDFH", "EDDF"}));

    DESTINATION.set("");
    standAt(towardsEdfh(4.0), false, 30000.0);
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDDF", "EDFH"}));
    EXPECT_NEAR(state_.parkAirports.front().distance, 4.0, 1e-6);
}

TEST_F(ParkAirportTest, AFileThatCannotBeReadClosesTheParkAirportAndTheCycleGoesOn)
{
    struct Case
    {
        const char* name;
        std::set<std::string> files;
        bool throws;
        std::size_t stands;
        std::string message;
    };
    for (const Case& c : {Case{"file gone", {}, false, 3, "lf_readParkedFile EDDF not found"},
                          Case{"repeated stand id",
                               {"EDDF"},
                               true,
                               3,
                               "lf_readParkedFile airports/my_thirdparty/EDDF.xml: 94: Parking position A1 "
                               "appears more than once?"},
                          Case{"no stands", {"EDDF"}, false, 0, "no stands found"}})
    {
        SCOPED_TRACE(c.name);
        files_ = {"EDDF"};
        standAt(kEddf, true);
        gf_updateParkAirport(state_, true);
        ASSERT_EQ(state_.parkAirport.code, "EDDF");
        files_ = c.files;
        throwOnRead_ = c.throws;
        standCount_ = c.stands;
        gf_updateParkAirport(state_, false);
        EXPECT_TRUE(state_.parkAirport.code.empty());
        EXPECT_FALSE(state_.fileLoaded);
        EXPECT_EQ(gf_shownMessage(), c.message);
        EXPECT_TRUE(log_.contains(c.message));
    }
}

TEST_F(ParkAirportTest, ThePublisherUnknownIsRefused)
{
    port_.foundPath = "archive/thirdparty/unknown/EDDF.xml";
    standAt(kEddf, true);
    gf_updateParkAirport(state_, true);
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(gf_shownMessage(),
              "lf_readParkedFile EDDF has publisher:unknown, archive/thirdparty/unknown/EDDF.xml");
    EXPECT_TRUE(state_.parkAirport.code.empty());
}

TEST_F(ParkAirportTest, TheUserStandBecomesTheReservedStandInASortedFile)
{
    writeBytes(folder_ / "my_park_airports.txt", "LSZH\r\nEDDF,A1\r\nEGLL\r\n");
    ASSERT_TRUE(gf_readMyParkAirports(state_, folder_.path()));
    parkAtEddf();
    EXPECT_EQ(myParkAirports(), "EDDF,V155\nEGLL\nLSZH\n");
    EXPECT_EQ(state_.reservedStand, "V155");
    EXPECT_EQ(gWindow.gMainWindow.reservedStandOk.load(), 1);
    EXPECT_TRUE(log_.contains("my_park_airports.txt:EDDF,V155 updated stand"));
}

TEST_F(ParkAirportTest, AnUnlistedParkAirportIsAddedFirstAndTheFileCreated)
{
    user_.onGround = true;
    parkAtEddf();
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDDF"}));
    EXPECT_EQ(myParkAirports(), "EDDF,V155\n");
    EXPECT_TRUE(log_.contains("my_park_airports.txt created with EDDF,V155"));
}

TEST_F(ParkAirportTest, AReservedStandListedFurtherDownIsKeptWhenTheUserStandsElsewhere)
{
    writeBytes(folder_ / "my_park_airports.txt", "EDDF,A1\nEDFH\n");
    ASSERT_TRUE(gf_readMyParkAirports(state_, folder_.path()));
    DESTINATION.set("EDFH");
    state_.parkAirports.reverse();
    standAt(gf_destinationPoint(kEddf, 0.0, 2000.0), true); // on the airport, at no stand
    gf_updateParkAirport(state_, true);
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(codes(), (std::vector<std::string>{"EDDF", "EDFH"}));
    EXPECT_EQ(myParkAirports(), "EDDF,A1\nEDFH\n");
    EXPECT_EQ(state_.reservedStand, "A1");
}

TEST_F(ParkAirportTest, AReservedStandTheAirportLacksIsDropped)
{
    writeBytes(folder_ / "my_park_airports.txt", "EDDF,Z99\n");
    ASSERT_TRUE(gf_readMyParkAirports(state_, folder_.path()));
    port_.userKnown = false;
    parkAtEddf();
    EXPECT_EQ(state_.reservedStand, "");
    EXPECT_EQ(gWindow.gMainWindow.reservedStandOk.load(), 0);
}

TEST_F(ParkAirportTest, SoftLearningIsSwitchedOffWhereTheFileHasEnoughObservedData)
{
    struct Case
    {
        const char* name;
        std::int32_t qf;
        std::size_t stands;
        bool allowed;
    };
    for (const Case& c : {Case{"quality 45 at 20 stands", 45, 20, false}, Case{"quality 44", 44, 20, true},
                          Case{"19 stands", 90, 19, true}})
    {
        SCOPED_TRACE(c.name);
        LEARN_SOFT.set(true);
        gFoundation.gParametersChanged.store(0);
        qfReal_ = c.qf;
        standCount_ = c.stands;
        state_.parkAirport = Airport{};
        parkAtEddf();
        EXPECT_EQ(gf_softLearningAllowed(), c.allowed);
        EXPECT_EQ(LEARN_SOFT.value(), c.allowed);
        EXPECT_EQ(gFoundation.gParametersChanged.load() != 0, !c.allowed);
        gf_closeParkAirport(state_);
    }
}

TEST_F(ParkAirportTest, LeavingRemovesStaticAndLiveAircraftAtStandsAndRestoresTheLiveLimit)
{
    parkAtEddf();
    gFoundation.gSavedLiveLimit.store(100);
    MAX_LIVE_SEL.set(50);
    struct Row
    {
        const char* callsign;
        GroundPhase phase;
        SimState simState;
        bool removed;
    };
    const std::vector<Row> rows{{"PARKED", GroundPhase::parked, SimState::active, true},
                                {"TAXI", GroundPhase::taxi, SimState::adding2sim, true},
                                {"PUSH", GroundPhase::pushing_back, SimState::buffer, false},
                                {"FLYING", GroundPhase::flying, SimState::active, false},
                                {"ARRIVING", GroundPhase::parking, SimState::active, false}};
    for (const Row& row : rows)
    {
        LiveAc ac;
        ac.callsign = row.callsign;
        ac.phase = row.phase;
        ac.simState = row.simState;
        ac.standId = 2;
        ac.standLat = 50.0;
        live_.push_back(ac);
    }
    state_.learnedUpdates = 3;
    gf_leaveParkAirport(state_);
    EXPECT_EQ(removed_, (std::vector<std::string>{"PARKED", "TAXI"}));
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        const bool keepsStand = rows[i].phase == GroundPhase::flying || rows[i].phase == GroundPhase::parking;
        EXPECT_EQ(live_[i].standId, keepsStand ? 2u : 0u) << rows[i].callsign;
    }
    EXPECT_EQ(calls_, (std::vector<std::string>{"flush", "save", "filter:none", "recount"}));
    EXPECT_EQ(MAX_LIVE_SEL.value(), 100);
    EXPECT_FALSE(gf_staticParkingActive());
    EXPECT_EQ(state_.learnedUpdates, 0u);
}

TEST_F(ParkAirportTest, ClosingSavesOnlyWhatChangedWhileStaticParkingRan)
{
    struct Case
    {
        const char* name;
        bool active;
        bool parametersChanged;
        std::uint32_t updates;
        bool saved;
    };
    for (const Case& c :
         {Case{"learned updates", true, false, 1, true}, Case{"a parameter", true, true, 0, true},
          Case{"nothing changed", true, false, 0, false},
          Case{"static parking not active", false, true, 4, false}})
    {
        SCOPED_TRACE(c.name);
        calls_.clear();
        gf_setStaticParkingActive(c.active);
        gFoundation.gParametersChanged.store(c.parametersChanged ? 1 : 0);
        state_.learnedUpdates = c.updates;
        gf_closeParkAirport(state_);
        EXPECT_EQ(!calls_.empty() && calls_.front() == "save", c.saved);
        EXPECT_EQ(gFoundation.gParametersChanged.load(), 0);
    }
}

TEST_F(ParkAirportTest, TheStandTheSimulatorThreadPostsIsWrittenByTheCycleWorker)
{
    addListed("EDDF", "A1");
    parkAtEddf(gf_destinationPoint(kEddf, 0.0, 2000.0)); // on the airport, at no stand
    EXPECT_EQ(state_.reservedStand, "A1");
    std::thread simClient([] { gf_postUserStand("A2"); });
    simClient.join();
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(state_.parkAirports.front().reservedStand, "A2");
    EXPECT_EQ(myParkAirports(), "EDDF,A2\n");
}

TEST_F(ParkAirportTest, FinishedPlacementEnablesTheParkingControlsAndCountsTheParkedAircraft)
{
    parkAtEddf();
    gWindow.gMainWindow.parkingBusy.store(1);
    state_.staticParked.push_back(StaticParked{});
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 1);

    state_.staticParked.clear();
    gf_updateParkAirport(state_, false);
    EXPECT_EQ(gWindow.gMainWindow.parkingBusy.load(), 0);
    EXPECT_EQ(gWindow.gMainWindow.minutesToRenewal.load(), 19u);
    EXPECT_EQ(calls_, (std::vector<std::string>{"count"}));
}

TEST_F(ParkAirportTest, TheCheckTakesOverAReservedStandChangedInTheFile)
{
    addListed("EDDF", "V155");
    parkAtEddf();
    ASSERT_EQ(state_.reservedStand, "V155");
    std::string message;
    writeBytes(folder_ / "my_park_airports.txt", "EDDF,A2\n");
    gWindow.gMainWindow.setText(StatusText::userStand, "");
    gf_findStandByName(state_.stands, "V155")->excluded = 1;
    EXPECT_TRUE(gf_checkParkAirports(state_, true, message));
    EXPECT_EQ(message, "reserved stand changed from 'V155' to 'A2'");
    EXPECT_EQ(state_.reservedStand, "A2");
    EXPECT_EQ(gf_findStandByName(state_.stands, "V155")->excluded, 0);
    EXPECT_EQ(gf_findStandByName(state_.stands, "A2")->excluded, 1);

    message.clear();
    EXPECT_TRUE(gf_checkParkAirports(state_, true, message));
    EXPECT_EQ(message, "park airports and stands are okay");

    writeBytes(folder_ / "my_park_airports.txt", "ZZZZ\n");
    message.clear();
    EXPECT_FALSE(gf_checkParkAirports(state_, true, message));
}

} // namespace
} // namespace oxl
