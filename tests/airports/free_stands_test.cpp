// Free stands for live aircraft at a fixture airport: nearest free stand, fitting stands at a time,
// coupled callsigns, parked live aircraft and the stand at a position.
#include "airports/free_stands.h"

#include "foundation/config_keys.h"
#include "foundation/geodesy.h"
#include "foundation/units.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"

#include <gsl/narrow>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace oxl
{
namespace
{

constexpr double kM = metresToNm(1.0); // one metre in nautical miles
constexpr LatLon kOrigin{52.0, 4.0};   // where the aircraft stands in every test
constexpr double kEast = kTwoPi / 4.0; // [rad]

/// A position the given metres east of the origin.
LatLon east(double metres)
{
    return gf_destinationPoint(kOrigin, kEast, metresToFeet(metres));
}

/// Stands, settings and hooks of one test; the settings and clock go back to their defaults at the end.
class FreeStands : public ::testing::Test
{
  protected:
    FreeStands()
    {
        state_.services = std::make_unique<FixtureParking>(*this);
        RANDOM.set(false);
        INITIAL_LOAD_ONLY.set(false);
        state_.stands.reserve(64); // tests keep references to the stands they add
    }
    ~FreeStands() override
    {
        RANDOM.set(RANDOM.defaultValue);
        INITIAL_LOAD_ONLY.set(INITIAL_LOAD_ONLY.defaultValue);
        plat::setSteadySource({});
    }

    /// Adds a stand of the radius [m] the given metres east of the origin.
    Stand& addStand(const std::string& name, double metresEast, double radiusM)
    {
        const LatLon p = east(metresEast);
        state_.stands.emplace_back(name, static_cast<std::uint32_t>(state_.stands.size() + 1), p.lat, p.lon,
                                   0.0, radiusM);
        return state_.stands.back();
    }

    Stand* nearest(const AcProfile& ac, double maxNm, bool match)
    {
        return gf_nearestFreeStand(state_, kOrigin.lat, kOrigin.lon, ac, maxNm, match);
    }

    static AcProfile aircraft(double radiusM, AcCategory category = AcCategory::Large,
                              std::string callsign = "KLM1234")
    {
        AcProfile ac;
        ac.radius = radiusM * kM;
        ac.category = category;
        ac.callsign = std::move(callsign);
        ac.airline = "KLM";
        ac.type = "B738";
        return ac;
    }

    static StandOccupancy option(std::uint32_t weekday, std::uint32_t half, std::string callsign = "KLM1234")
    {
        StandOccupancy o;
        o.airline = "KLM";
        o.type = "B738";
        o.callsign = std::move(callsign);
        o.id = 1;
        o.weekday = weekday;
        o.kind = StandOptionKind::real;
        o.halfHours.set(half);
        return o;
    }

    test::LogCapture log_;
    ParkingState state_;
    std::vector<std::string> removed_;
    int repaints_ = 0;
    std::atomic<bool> onGround_{true};

    // The parking code's neighbours here: the fixture's user, and a record of removals and repaints.
    class FixtureParking final : public NoParkingServices
    {
      public:
        explicit FixtureParking(FreeStands& test) : t_(test) {}
        UserAcData userAircraft() override { return UserAcData{.onGround = t_.onGround_.load()}; }
        void removeAircraftFromSim(SimAc& ac) override { t_.removed_.push_back(ac.callsign); }
        void repaint() override { ++t_.repaints_; }

      private:
        FreeStands& t_;
    };
};

TEST_F(FreeStands, NearestFittingStandWithinTheDistance)
{
    addStand("A1", 30.0, 20.0);
    addStand("A2", 10.0, 20.0);
    addStand("A3", 5.0, 20.0).occupied = 1;
    Stand* s = nearest(aircraft(18.0), kParkTaxiingNm, false);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, "A2");
    EXPECT_EQ(nearest(aircraft(18.0), 5.0 * kM, false), nullptr);
}

TEST_F(FreeStands, TooSmallStandWithin20mLearnsTheAircraftsSize)
{
    Stand& small = addStand("A1", 15.0, 20.0);
    Stand* s = nearest(aircraft(25.0), kParkTaxiingNm, false);
    ASSERT_EQ(s, &small);
    EXPECT_NEAR(nmToMetres(small.radius), 24.0, 1e-9);
    EXPECT_EQ(small.radiusChanged, 1);
    EXPECT_EQ(state_.learnedUpdates, 1u);
    EXPECT_EQ(repaints_, 1);
}

TEST_F(FreeStands, TooSmallStandBeyond20mIsSkipped)
{
    Stand& small = addStand("A1", 25.0, 20.0);
    EXPECT_EQ(nearest(aircraft(25.0), kParkTaxiingNm, false), nullptr);
    EXPECT_NEAR(nmToMetres(small.radius), 20.0, 1e-9);
    EXPECT_EQ(state_.learnedUpdates, 0u);
}

TEST_F(FreeStands, AircraftUpTo1_8mLargerFitsWithoutLearning)
{
    Stand& s = addStand("A1", 30.0, 20.0);
    EXPECT_EQ(nearest(aircraft(21.8), kParkTaxiingNm, false), &s);
    EXPECT_EQ(s.radiusChanged, 0);
}

TEST_F(FreeStands, HelipadIsNoStandForAnAirlinerAndKeepsItsSize)
{
    Stand& pad = addStand("H1", 10.0, 10.0);
    pad.helipad = 1;
    addStand("A1", 40.0, 30.0);
    EXPECT_EQ(nearest(aircraft(25.0), kParkTaxiingNm, false), nullptr);
    EXPECT_NEAR(nmToMetres(pad.radius), 10.0, 1e-9);
    EXPECT_EQ(pad.radiusChanged, 0);
}

TEST_F(FreeStands, RotorcraftOnlyOnHelipads)
{
    addStand("A1", 10.0, 20.0);
    Stand& pad = addStand("H1", 30.0, 15.0);
    pad.helipad = 1;
    EXPECT_EQ(nearest(aircraft(8.0, AcCategory::Rotorcraft), kParkTaxiingNm, false), nullptr);
    state_.stands[0].occupied = 1;
    EXPECT_EQ(nearest(aircraft(8.0, AcCategory::Rotorcraft), kParkTaxiingNm, false), &state_.stands[1]);
}

TEST_F(FreeStands, LearnedMatchWithin85mOnlyWhenNothingCloserFits)
{
    Stand& far = addStand("M1", 70.0, 20.0);
    far.options.push_back(option(3, 20));
    EXPECT_EQ(nearest(aircraft(18.0), kParkTaxiingNm, true), &far);
    EXPECT_EQ(nearest(aircraft(18.0), kParkTaxiingNm, false), nullptr);
    EXPECT_EQ(nearest(aircraft(18.0, AcCategory::Large, ""), kParkTaxiingNm, true), nullptr);
    Stand& close = addStand("A1", 40.0, 20.0);
    EXPECT_EQ(nearest(aircraft(18.0), kParkTaxiingNm, true), &close);
}

TEST_F(FreeStands, LearnedMatchBeyond85mOrTooSmallIsNoMatch)
{
    addStand("M1", 90.0, 20.0).options.push_back(option(3, 20));
    addStand("M2", 60.0, 10.0).options.push_back(option(3, 20));
    EXPECT_EQ(nearest(aircraft(18.0), kParkTaxiingNm, true), nullptr);
}

class FittingStands : public FreeStands
{
  protected:
    Stand* search(const AcProfile& ac, DayHalfHour time = {3, 20}, bool retry = true)
    {
        return gf_searchFittingStands(state_, time, ac, retry);
    }
};

TEST_F(FittingStands, CargoAircraftGoesToACargoStand)
{
    addStand("G1", 10.0, 20.0);
    addStand("C1", 200.0, 20.0).cargo = 1;
    AcProfile ac = aircraft(19.0);
    ac.cargo = 1;
    ASSERT_NE(search(ac), nullptr);
    EXPECT_EQ(search(ac)->name, "C1");
}

TEST_F(FittingStands, RotorcraftGoesToAHelipadThenToTheRamp)
{
    addStand("G1", 10.0, 10.0);
    Stand& ramp = addStand("R1", 20.0, 10.0);
    ramp.ramp = 1;
    const AcProfile heli = aircraft(8.0, AcCategory::Rotorcraft);
    EXPECT_EQ(search(heli), &ramp);
    addStand("H1", 30.0, 10.0).helipad = 1;
    EXPECT_EQ(search(heli)->name, "H1");
}

TEST_F(FittingStands, LightAircraftAndPrivateFlightsGoToTheRamp)
{
    addStand("G1", 10.0, 10.0);
    addStand("R1", 20.0, 10.0).ramp = 1;
    EXPECT_EQ(search(aircraft(9.0, AcCategory::Light))->name, "R1");
    AcProfile pvt = aircraft(9.0, AcCategory::Large);
    pvt.airline = "PVT";
    EXPECT_EQ(search(pvt)->name, "R1");
}

TEST_F(FittingStands, AirlinerAtAUsAirportAlwaysGetsAGate)
{
    state_.parkAirport.code = "KJFK";
    addStand("R1", 20.0, 20.0).ramp = 1;
    addStand("G1", 10.0, 20.0);
    for (unsigned seed = 0; seed < 50; ++seed)
    {
        gf_randomEngine().seed(seed);
        EXPECT_EQ(search(aircraft(19.0))->name, "G1") << seed;
    }
}

TEST_F(FittingStands, AirlinerElsewhereSometimesGetsTheRamp)
{
    state_.parkAirport.code = "EHAM";
    addStand("R1", 20.0, 20.0).ramp = 1;
    addStand("G1", 10.0, 20.0);
    int ramp = 0;
    for (unsigned seed = 0; seed < 200; ++seed)
    {
        gf_randomEngine().seed(seed);
        ramp += search(aircraft(19.0))->name == "R1" ? 1 : 0;
    }
    EXPECT_GT(ramp, 0);
    EXPECT_LT(ramp, 60);
}

TEST_F(FittingStands, StandUsedAtTheTimeIsLeftOut)
{
    addStand("G1", 10.0, 20.0).options.push_back(option(3, 20, "OTHER"));
    addStand("G2", 20.0, 20.0);
    EXPECT_EQ(search(aircraft(19.0))->name, "G2");
    EXPECT_EQ(search(aircraft(19.0), {4, 20})->name, "G1");
}

TEST_F(FittingStands, SmallestStepWinsUnlessAnotherStandMatches)
{
    addStand("BIG", 10.0, 30.0);   // step 1 for a 19 m aircraft
    addStand("EXACT", 20.0, 20.0); // step 0
    EXPECT_EQ(search(aircraft(19.0))->name, "EXACT");
    StandOccupancy past = option(2, 5); // another day: the stand is free now but matches
    state_.stands[0].options.push_back(past);
    EXPECT_EQ(search(aircraft(19.0))->name, "BIG");
}

TEST_F(FittingStands, FallbackTakesAStandTooSmallForTheAircraft)
{
    addStand("G1", 10.0, 20.0);
    EXPECT_EQ(search(aircraft(30.0))->name, "G1");
}

TEST_F(FittingStands, SmallAirportTriesTheNextHalfHour)
{
    for (int i = 0; i < 10; ++i)
    {
        addStand("G" + std::to_string(i), 10.0 * i, 20.0).options.push_back(option(3, 20, "OTHER"));
    }
    EXPECT_NE(search(aircraft(19.0)), nullptr);
    EXPECT_EQ(search(aircraft(19.0), {3, 20}, false), nullptr);
    state_.stands[4].options.push_back(option(3, 21, "OTHER"));
    addStand("G10", 100.0, 20.0).options.push_back(option(3, 20, "OTHER"));
    EXPECT_EQ(search(aircraft(19.0)), nullptr);
}

TEST_F(FittingStands, NextHalfHourAfterSundayNightIsMonday)
{
    addStand("G1", 10.0, 20.0).options.push_back(option(7, 47, "OTHER"));
    state_.stands[0].options.push_back(option(1, 0, "OTHER"));
    EXPECT_EQ(search(aircraft(19.0), {7, 47}), nullptr);
    state_.stands[0].options.pop_back();
    EXPECT_EQ(search(aircraft(19.0), {7, 47})->name, "G1");
}

TEST_F(FittingStands, HalfHour48RaisesTheBitsetError)
{
    addStand("G1", 10.0, 20.0).options.push_back(option(3, 20));
    EXPECT_THROW(search(aircraft(19.0), {3, 48}), std::out_of_range);
}

TEST_F(FittingStands, AbsurdSizesRaiseTheNarrowingError)
{
    addStand("G1", 10.0, 20.0);
    EXPECT_THROW(search(aircraft(1e15)), gsl::narrowing_error);
    EXPECT_THROW(search(aircraft(std::nan(""))), gsl::narrowing_error);
}

class CoupledCallsigns : public FreeStands
{
  protected:
    AcProfile searchAt(DayHalfHour time, AcProfile ac)
    {
        gf_searchForCoupledCsAroundThisTime(state_, time, ac);
        return ac;
    }
    void addOption(std::uint32_t weekday, std::uint32_t half)
    {
        StandOccupancy o = option(weekday, half, "KLM1234");
        o.coupledCallsign = "KLM1235";
        state_.stands.back().options.push_back(o);
    }
};

TEST_F(CoupledCallsigns, WindowOfTenHalfHoursForAnAirliner)
{
    addStand("G1", 10.0, 20.0);
    addOption(3, 14);
    EXPECT_TRUE(searchAt({3, 3}, aircraft(19.0)).coupledCallsign.empty());
    addOption(3, 13);
    const AcProfile ac = searchAt({3, 3}, aircraft(19.0));
    EXPECT_EQ(ac.secondCallsign, "KLM1234");
    EXPECT_EQ(ac.coupledCallsign, "KLM1235");
}

TEST_F(CoupledCallsigns, WindowOfFourteenHalfHoursForAHeavy)
{
    addStand("G1", 10.0, 20.0);
    addOption(3, 17);
    EXPECT_EQ(searchAt({3, 3}, aircraft(30.0, AcCategory::Heavy)).coupledCallsign, "KLM1235");
    EXPECT_TRUE(searchAt({4, 3}, aircraft(30.0, AcCategory::Heavy)).coupledCallsign.empty());
}

TEST_F(CoupledCallsigns, GhostCallsignAndCoupledCallsignFindTheOption)
{
    addStand("G1", 10.0, 20.0);
    addOption(3, 3);
    EXPECT_EQ(searchAt({3, 3}, aircraft(19.0, AcCategory::Large, "KLM1234_")).secondCallsign, "KLM1234");
    EXPECT_EQ(searchAt({3, 3}, aircraft(19.0, AcCategory::Large, "KLM1235")).secondCallsign, "KLM1234");
    AcProfile other = aircraft(19.0, AcCategory::Large, "KLM1234");
    other.airline = "TRA";
    EXPECT_TRUE(searchAt({3, 3}, other).secondCallsign.empty());
}

TEST_F(CoupledCallsigns, BadHalfHourIsLoggedAndChangesNothing)
{
    addStand("G1", 10.0, 20.0);
    addOption(3, 3);
    EXPECT_TRUE(searchAt({3, 48}, aircraft(19.0)).coupledCallsign.empty());
    EXPECT_TRUE(log_.contains("===> lf_searchForCoupledCsAroundThisTime: invalid bitset position"));
}

class ParkedLiveAircraft : public FreeStands
{
  protected:
    ParkedLiveAircraft()
    {
        plat::setSteadySource([this] { return now_; });
    }

    LiveAc& addParked(const std::string& callsign, AcCategory category, std::int64_t minutesAgo)
    {
        LiveAc ac;
        ac.callsign = callsign;
        ac.category = category;
        ac.phase = GroundPhase::parked;
        ac.simState = SimState::active;
        ac.extensionCount = -1; // its reports have stopped
        ac.standId = static_cast<std::uint32_t>(live_.size() + 1);
        using Ticks100ns = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
        ac.parkedSince = std::chrono::duration_cast<Ticks100ns>(
                             (now_ - std::chrono::minutes(minutesAgo)).time_since_epoch())
                             .count();
        live_.push_back(ac);
        return live_.back();
    }

    std::chrono::steady_clock::time_point now_{std::chrono::hours(1000)};
    std::vector<LiveAc> live_;
};

TEST_F(ParkedLiveAircraft, HeavyAfter180MinutesOthersAfter90AreRemoved)
{
    addParked("HVY1", AcCategory::Heavy, 181);
    addParked("HVY2", AcCategory::Heavy, 180);
    addParked("MED1", AcCategory::Large, 91);
    addParked("MED2", AcCategory::Large, 90);
    gf_checkLiveParkedTimes(state_, live_);
    EXPECT_EQ(removed_, (std::vector<std::string>{"HVY1", "MED1"}));
    ASSERT_EQ(state_.liveParked.size(), 2u);
    EXPECT_EQ(state_.liveParked[0].callsign, "MED2");
    EXPECT_EQ(state_.liveParked[0].minutes, 90u);
    EXPECT_EQ(state_.liveParked[1].callsign, "HVY2");
    EXPECT_EQ(state_.liveParked[1].standId, 2u);
}

TEST_F(ParkedLiveAircraft, NoneRemovedWithInitialLoadOnlyOrWhileStillReported)
{
    addParked("MED1", AcCategory::Large, 500);
    addParked("MED2", AcCategory::Large, 500).extensionCount = 0;
    addParked("TAXI", AcCategory::Large, 500).phase = GroundPhase::taxi;
    INITIAL_LOAD_ONLY.set(true);
    gf_checkLiveParkedTimes(state_, live_);
    EXPECT_TRUE(removed_.empty());
    ASSERT_EQ(state_.liveParked.size(), 2u);
    EXPECT_EQ(state_.liveParked[0].callsign, "MED2");
    EXPECT_EQ(state_.liveParked[0].minutes, 0u);
    INITIAL_LOAD_ONLY.set(false);
    gf_checkLiveParkedTimes(state_, live_);
    EXPECT_EQ(removed_, (std::vector<std::string>{"MED1"}));
}

TEST_F(ParkedLiveAircraft, CountWithTheAverageStay)
{
    addParked("A", AcCategory::Large, 0).parkedSlot = gf_packDayHalfHour({1, 10});
    addParked("B", AcCategory::Large, 0).parkedSlot = gf_packDayHalfHour({1, 14});
    addParked("C", AcCategory::Large, 0).parkedSlot = gf_packDayHalfHour({1, 20});
    addParked("D", AcCategory::Large, 0).simState = SimState::removingfromsim;
    EXPECT_EQ(gf_countLiveParked(state_, live_, {1, 20}, false), 3u);
    EXPECT_EQ(state_.averageLiveStay, -1.0f);
    EXPECT_EQ(gf_countLiveParked(state_, live_, {1, 20}, true), 3u);
    EXPECT_FLOAT_EQ(state_.averageLiveStay, 16.0f / 6.0f + 0.5f);
    EXPECT_EQ(repaints_, 1);
    (void)gf_countLiveParked(state_, live_, {1, 20}, true);
    EXPECT_EQ(repaints_, 1);
    live_.clear();
    (void)gf_countLiveParked(state_, live_, {1, 20}, true);
    EXPECT_EQ(state_.averageLiveStay, 0.0f);
}

TEST_F(ParkedLiveAircraft, ReservedStandLosesItsStaticAircraftFirst)
{
    addStand("G1", 10.0, 20.0);
    addStand("G2", 20.0, 20.0);
    state_.reservedStand = "G2";
    addParked("LIVE1", AcCategory::Large, 5).standId = 2;
    SimAc statics;
    statics.callsign = "KLM1*";
    statics.standId = 2;
    statics.simState = SimState::active;
    state_.staticAircraft.push_back(statics);
    gf_removeAtReservedStand(state_, live_);
    EXPECT_EQ(removed_, (std::vector<std::string>{"KLM1*"}));
    state_.staticAircraft.clear();
    gf_removeAtReservedStand(state_, live_);
    EXPECT_EQ(removed_, (std::vector<std::string>{"KLM1*", "LIVE1"}));
}

TEST_F(ParkedLiveAircraft, UnknownReservedStandRemovesNothing)
{
    addStand("G1", 10.0, 20.0);
    state_.reservedStand = "GONE";
    addParked("LIVE1", AcCategory::Large, 5).standId = 0;
    gf_removeAtReservedStand(state_, live_);
    EXPECT_TRUE(removed_.empty());
}

TEST_F(FreeStands, StandAtPositionWithin55m)
{
    addStand("A1", 50.0, 20.0);
    addStand("A2", 200.0, 20.0);
    state_.publishStandPositions();
    EXPECT_EQ(gf_standAtPosition(state_, kOrigin.lat, kOrigin.lon), "A1");
    const LatLon between = east(125.0);
    EXPECT_EQ(gf_standAtPosition(state_, between.lat, between.lon), "");
    const LatLon atA2 = east(199.0);
    onGround_ = false;
    EXPECT_EQ(gf_standAtPosition(state_, atA2.lat, atA2.lon), "");
    onGround_ = true;
    EXPECT_EQ(gf_standAtPosition(state_, atA2.lat, atA2.lon), "A2");
}

TEST_F(FreeStands, StandAtPositionForgetsStandsThatAreGone)
{
    addStand("A1", 10.0, 20.0);
    state_.publishStandPositions();
    EXPECT_EQ(gf_standAtPosition(state_, kOrigin.lat, kOrigin.lon), "A1");
    std::vector<Stand> renamed{state_.stands[0]};
    renamed[0].name = "B1";
    state_.setStands(std::move(renamed));
    EXPECT_EQ(gf_standAtPosition(state_, kOrigin.lat, kOrigin.lon), "B1");
    state_.reset();
    EXPECT_EQ(gf_standAtPosition(state_, kOrigin.lat, kOrigin.lon), "");
}

TEST_F(FreeStands, StandAtPositionWhileTheCycleWorkerReplacesTheStands)
{
    addStand("A1", 10.0, 20.0);
    std::atomic<bool> done{false};
    std::thread simulator(
        [&]
        {
            double lat = kOrigin.lat;
            while (!done)
            {
                const std::string name = gf_standAtPosition(state_, lat, kOrigin.lon);
                EXPECT_TRUE(name.empty() || name == "A1" || name == "B1") << name;
                lat = lat == kOrigin.lat ? kOrigin.lat + 1e-7 : kOrigin.lat;
            }
        });
    for (int i = 0; i < 2000; ++i)
    {
        std::vector<Stand> stands{state_.stands.empty() ? Stand("A1", 1, kOrigin.lat, kOrigin.lon, 0, 20)
                                                        : state_.stands[0]};
        stands[0].name = i % 2 == 0 ? "B1" : "A1";
        state_.setStands(std::move(stands));
        if (i % 100 == 0)
        {
            state_.reset();
        }
    }
    done = true;
    simulator.join();
}

} // namespace
} // namespace oxl
