// A small database and a drive D: in a temporary folder for the livery scan's tests; the scan's shared
// lists are emptied before and after each test.
#pragma once

#include "foundation/worker_slots.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "platform/win_path.h"
#include "tests/support/livery_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

namespace oxl::test
{

/// Fills the process-wide database with the types, airlines, fixes and registrations the tests use.
inline void installLiveryDbase()
{
    gLiveries.gDbase = Dbase{};
    gLiveries.gDbase.aircraftTypes = {"A320", "B738", "B744", "C172", "GLID", "T154"};
    gLiveries.gDbase.heavyTypes = {"B744"};
    gLiveries.gDbase.largeTypes = {"A320", "B738"};
    gLiveries.gDbase.airlineCodes = {"AAL", "BAW", "DLH", "SHT", "ZZZ"};
    gLiveries.gDbase.modelFixes = {{"B737-800", "B738"}, {"b738", "B738"}};
    gLiveries.gDbase.registrations = {{"G-EUPA", DbaseRecord{"BAW", "A320", "", false}},
                                      {"N744DL", DbaseRecord{"DLH", "B744", "", true}},
                                      {"N12", DbaseRecord{"AAL", "C172", "", false}}};
    gLiveries.gDbase.shortRegKeys = {"N12"};
}

/// Lines of a copy of a report list.
inline std::vector<std::string> linesOf(const ReportList& list)
{
    const std::list<std::string> lines = list.lines();
    return {lines.begin(), lines.end()};
}

/// Base of the scan tests: drive D: is a temporary folder, the log is captured, the lists are empty.
class LiveryScanTest : public ::testing::Test
{
  protected:
    LiveryScanTest() : drive_("OXL_DRIVE_D", root_.path().string())
    {
        installLiveryDbase();
        gf_clearScanContainers();
        gFoundation.gRunningWorkers = 0;
    }
    ~LiveryScanTest() override
    {
        gf_clearScanContainers();
        gLiveries.ScannedLiveries.clear();
    }

    /// The Windows path of a file below drive D:.
    static WinPath onDriveD(const std::string& relative) { return WinPath("D:\\" + relative); }

    TempFolder root_;
    ScopedEnv drive_;
    LogCapture log_;
};

} // namespace oxl::test
