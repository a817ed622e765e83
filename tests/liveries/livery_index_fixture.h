// A working folder, a settings folder and a small database for the tests of the livery indexes, the
// registration codes and the similar-model tables; every index is empty before and after each test.
#pragma once

#include "foundation/config_keys.h"
#include "liveries/dbase.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/livery_indexes.h"
#include "liveries/livery_processing.h"
#include "liveries/regcodes.h"
#include "liveries/similar_models.h"
#include "tests/liveries/dbase_fixture.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxl::test
{

/// Types of every category, two similar-type groups, a few airlines.
inline void installIndexDbase()
{
    gLiveries.gDbase = Dbase{};
    gLiveries.gDbase.aircraftTypes = {"A20N", "A319", "A320", "A321", "B744",
                                      "C172", "EC35", "F16",  "GLF5", "PA28"};
    gLiveries.gDbase.largeTypes = {"A20N", "A319", "A320", "A321"};
    gLiveries.gDbase.heavyTypes = {"B744"};
    gLiveries.gDbase.buzjetTypes = {"GLF5"};
    gLiveries.gDbase.rotorcraftTypes = {"EC35"};
    gLiveries.gDbase.highPerfTypes = {"F16"};
    gLiveries.gDbase.airlineCodes = {"BAW", "DLH", "EZY"};
    gLiveries.gDbase.similarGroups = {{"A319", "A320", "A321"}, {"A20N", "A320"}};
}

/// The <liv> element of a livery as LiveriesScanned.xml holds it.
inline std::string livElement(const LiveryData& livery)
{
    std::string element = "<liv airl=\"" + livery.airl + "\" type=\"" + livery.type + "\"";
    if (livery.cargo)
        element += " cargo=\"true\"";
    element += " title=\"" + livery.title + "\"";
    if (!livery.atcid.empty())
        element += " atcid=\"" + livery.atcid + "\"";
    return element + "/>";
}

/// Base of the index tests: the working folder is a temporary folder with input/ and output/.
class LiveryIndexTest : public ::testing::Test
{
  protected:
    LiveryIndexTest() : current_(work_.path())
    {
        std::filesystem::create_directories(work_ / "input");
        std::filesystem::create_directories(work_ / "output");
        installIndexDbase();
        resetAll();
    }
    ~LiveryIndexTest() override { resetAll(); }

    static void resetAll()
    {
        gf_serveLiveryIndexClearRequest();
        gf_clearLiveryIndexes();
        gLiveries.gLiveriesProcessed = false;
        gLiveries.ScannedLiveries.clear();
        gLiveries.DontUseTitles.clear();
        RANDOM.set(false);
    }

    /// Writes output/LiveriesScanned.xml with the liveries in the given order.
    void writeScanned(const std::vector<LiveryData>& liveries) const
    {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<liveries>\n";
        for (const LiveryData& livery : liveries)
            text += livElement(livery) + "\n";
        writeBytes(work_ / "output" / "LiveriesScanned.xml", text + "</liveries>\n");
    }

    /// Encrypts the text into input/AIG-regcodes.enc with the program's tool.
    void writeRegcodesEnc(const std::string& xml) const
    {
        writeBytes(work_ / "plain-regcodes.xml", xml);
        ASSERT_TRUE(encryptWithTool(work_ / "plain-regcodes.xml", work_ / "input" / "AIG-regcodes.enc"));
    }

    /// Fills gLiveries.ScannedLiveries as the reader leaves it and builds the main and airline indexes.
    static void buildFrom(const std::vector<LiveryData>& liveries)
    {
        gLiveries.ScannedLiveries.assign(liveries.begin(), liveries.end());
        gf_buildMainIndex();
        gf_buildAirlineIndexes();
    }

    /// True when the view points into a title stored in gLiveries.MainLiveryIndex.
    static bool isStoredTitle(std::string_view view)
    {
        for (const auto& [airline, types] : gLiveries.MainLiveryIndex)
            for (const auto& [type, records] : types)
                for (const TitleRecord& record : records)
                    if (record.title.data() == view.data() && record.title.size() == view.size())
                        return true;
        return false;
    }

    SettingsFolder settings_;
    TempFolder work_;
    ScopedCurrentPath current_;
};

} // namespace oxl::test
