// Common set-up of the live engine's scenario tests: the program's aircraft database, every setting at
// its default, the log captured and a fresh harness per test.
#pragma once

#include "airports/airports_state.h"
#include "foundation/config_keys.h"
#include "tests/support/live_harness.h"
#include "tests/support/log_capture.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace oxl::test
{

class LiveScenario : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadProgramDatabase(OXL_BIN_DIR)); }

    void SetUp() override
    {
        resetSettingsToDefaults();
        // Spawning and stand choice must not depend on draws.
        RANDOM.set(false);
        harness = std::make_unique<LiveHarness>();
    }

    void TearDown() override
    {
        harness.reset();
        resetSettingsToDefaults();
    }

    /// One line of the hexid at source time ts [s] with the given report values; in the air it moves along
    /// its track by a hair a second (no flying aircraft stands still).
    static TrafficLine line(std::uint32_t hexid, double ts, double gs, double track, double alt,
                            const std::string& callsign = "ABC123", const std::string& type = "A320")
    {
        TrafficLine l;
        l.hexid = hexid;
        l.callsign = callsign;
        l.type = type;
        l.timestamp = ts;
        // [deg] a hair along the track a second, within a few hundred metres
        const double movedDeg = alt > 0.0 ? std::remainder(ts, 3600.0) * 1e-6 : 0.0;
        l.report.lat = 51.5 + movedDeg * std::cos(degToRad(track));
        l.report.lon = -0.2 + movedDeg * std::sin(degToRad(track));
        l.report.gs = gs;
        l.report.tas = gs;
        l.report.track = track;
        l.report.alt = alt;
        l.report.airborne = alt > 0.0 ? 1 : 0;
        return l;
    }

    /// The simulator events of one event id the harness recorded, in order.
    std::vector<RecordedEvent> eventsOf(std::uint32_t eventId) const
    {
        std::vector<RecordedEvent> found;
        for (const RecordedEvent& e : harness->events)
            if (e.event.eventId == eventId)
                found.push_back(e);
        return found;
    }

    /// Heathrow as the park airport, with stand A1 and stand A2 111 m north of it.
    static void heathrowWithTwoStands()
    {
        gAirports.gParking.parkAirport.code = "EGLL";
        gAirports.gParking.parkAirport.latitude = 51.47;
        gAirports.gParking.parkAirport.longitude = -0.46;
        std::vector<Stand> stands;
        stands.emplace_back("A1", 1, 51.4700, -0.4600, 1.0, 40.0);
        stands.emplace_back("A2", 2, 51.4710, -0.4600, 1.0, 40.0);
        gAirports.gParking.setStands(std::move(stands));
    }

    LogCapture log;
    std::unique_ptr<LiveHarness> harness;
};

/// A report at the position [deg], altitude [ft] and ground speed [kt] (also its airspeed), due at the tick.
inline Report at(double lat, double lon, double alt, double gs, std::int32_t due)
{
    Report r;
    r.lat = lat;
    r.lon = lon;
    r.alt = alt;
    r.gs = gs;
    r.tas = gs;
    r.airborne = alt > 0.0 ? 1 : 0;
    r.dueTick = due;
    return r;
}

} // namespace oxl::test
