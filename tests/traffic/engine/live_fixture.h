// Common set-up of the live engine's scenario tests: the program's aircraft database, every setting at
// its default, the log captured and a fresh harness per test.
#pragma once

#include "foundation/config_keys.h"
#include "tests/support/live_harness.h"
#include "tests/support/log_capture.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <memory>

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

    /// One line of the hexid at source time ts [s] with the given report values.
    static TrafficLine line(std::uint32_t hexid, double ts, double gs, double track, double alt,
                            const std::string& callsign = "ABC123", const std::string& type = "A320")
    {
        TrafficLine l;
        l.hexid = hexid;
        l.callsign = callsign;
        l.type = type;
        l.timestamp = ts;
        l.report.lat = 51.5;
        l.report.lon = -0.2;
        l.report.gs = gs;
        l.report.tas = gs;
        l.report.track = track;
        l.report.alt = alt;
        l.report.airborne = alt > 0.0 ? 1 : 0;
        return l;
    }

    LogCapture log;
    std::unique_ptr<LiveHarness> harness;
};

} // namespace oxl::test
