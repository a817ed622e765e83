// Every setting exists with the key, class, default, range or choices, control id and row of the
// configuration-key table, in the table's order.
#include "foundation/config_keys.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxl
{
namespace
{

enum class Kind
{
    String,
    Int,
    Bool,
    CheckBox,
    Combo,
    EditInt,
    EditFloat,
    StringEdit,
    Button
};

struct Row
{
    std::string key;
    Kind kind;
    std::string defaultText; // "" for buttons
    double minimum = 0;      // Int, EditInt, EditFloat
    double maximum = 0;
    std::vector<std::int32_t> choices; // Combo
    std::uint32_t id = 0;
    std::int32_t row = 0;
};

Row text(std::string key, std::string def)
{
    return Row{std::move(key), Kind::String, std::move(def), 0, 0, {}, 0, 0};
}

Row number(std::string key, Kind kind, std::string def, double min, double max, std::uint32_t id = 0,
           std::int32_t row = 0)
{
    return Row{std::move(key), kind, std::move(def), min, max, {}, id, row};
}

Row bound(std::string key, Kind kind, std::string def, std::uint32_t id, std::int32_t row)
{
    return Row{std::move(key), kind, std::move(def), 0, 0, {}, id, row};
}

Row combo(std::string key, std::string def, std::vector<std::int32_t> choices, std::uint32_t id,
          std::int32_t row)
{
    return Row{std::move(key), Kind::Combo, std::move(def), 0, 0, std::move(choices), id, row};
}

const std::vector<std::int32_t> kCountChoices{0, 10, 25, 50, 75, 100, 500};

std::vector<Row> table()
{
    std::vector<Row> rows{
        text("DBASE_VERSION", ""),
        text("AIG_VERSION", ""),
        bound("HIGH_PERF_AIRCRAFT", Kind::CheckBox, "1", 32811, 203),
        bound("HELICOPTERS", Kind::CheckBox, "1", 32810, 203),
        bound("LIGHT_AIRCRAFT", Kind::CheckBox, "1", 32809, 203),
        text("PROGRAM_VERSION", ""),
        bound("Flush static", Kind::Button, "", 32858, 369),
        number("MAX_FIT_FL", Kind::EditFloat, "24", 0.5, 24.0, 32855, 371),
        combo("MAX_LIVE_SEL", "500", kCountChoices, 32847, 315),
        combo("RANGE", "40", {2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100},
              32818, 231),
        number("MAX_LIVE", Kind::Int, "-1", -1, 300),
        bound("LEARN_SOFT", Kind::CheckBox, "1", 32777, 175),
        bound("WEEK", Kind::CheckBox, "0", 32854, 371),
        number("MAX_FIT", Kind::EditInt, "47", 0, 47, 32853, 371),
        number("parking_percentage", Kind::EditInt, "30", 0, 100, 32848, 371),
        bound("PARK_FAKE", Kind::CheckBox, "0", 32852, 371),
        bound("PARK_SOFT", Kind::CheckBox, "1", 32851, 371),
        bound("INITIAL_LOAD_ONLY", Kind::CheckBox, "0", 32850, 371),
        bound("AUTO_RANGE", Kind::CheckBox, "1", 32819, 231),
        number("LATERAL_RANGE", Kind::Int, "40", 2, 100),
        number("HOLDING_THRESHOLD_METERS", Kind::Int, "250", 10, 4000),
        number("MAX_HOLDING_MINUTES", Kind::Int, "20", 1, 60),
        number("CUSTOM_PARKING_PERCENTAGE", Kind::Int, "-1", -1, 100),
        text("PROGRAM_INSTALL_PATH", ""),
        number("LAST_EPOCH_TIME:", Kind::Int, "0", 0, 2147483647.0),
        number("RANDOM", Kind::Bool, "1", 0, 0),
        text("PORT_NUMBER", "10747"),
        number("P3D_VERSION", Kind::Int, "5", 5, 6),
    };
    for (const char* prefix : {"lfolder", "afolder"})
    {
        for (int i = 0; i < 10; ++i)
        {
            rows.push_back(text(prefix + std::to_string(i), ""));
        }
    }
    const std::vector<Row> rest{
        bound("ALL_INSTALL_PATH", Kind::StringEdit, "", 32788, 119),
        text("SIM_INSTALL_PATH", ""),
        bound("SCAN_LIVERIES", Kind::CheckBox, "1", 32797, 147),
        bound("LIG_AUTOMATIC", Kind::CheckBox, "1", 32798, 147),
        bound("LIG_PRIORITIZE", Kind::CheckBox, "0", 32799, 147),
        bound("SUPPRESS_STUB", Kind::CheckBox, "1", 32800, 147),
        bound("LOG", Kind::CheckBox, "1", 32779, 147),
        bound("ALWAYS_ON_TOP", Kind::CheckBox, "0", 32771, 147),
        bound("SCAN_AIRPORTS", Kind::CheckBox, "1", 32801, 175),
        bound("AFG_AUTOMATIC", Kind::CheckBox, "1", 32802, 175),
        bound("NAV_LIGHTS_WHILE_PARKED", Kind::CheckBox, "1", 32778, 175),
        combo("MATCHING_DEPTH", "4", {1, 2, 3, 4}, 32808, 203),
        bound("DRELLAND", Kind::CheckBox, "0", 32775, 203),
        bound("GUID_CHANGES", Kind::CheckBox, "1", 32773, 203),
        combo("AR_ABOVE_HEIGHT", "48000",
              {18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000}, 32820, 231),
        number("AUTO_RANGE_ABOVE_HEIGHT", Kind::Int, "49000", 18000, 49000),
        bound("BLOCK_CALLSIGN", Kind::StringEdit, "", 32828, 259),
        bound("Unblock", Kind::Button, "", 32829, 257),
        bound("COLLISION_USER_AIR", Kind::CheckBox, "1", 32833, 287),
        bound("COLLISION_USER_GND", Kind::CheckBox, "1", 32834, 287),
        bound("COLLISION_LIVE_PARKED_GND", Kind::CheckBox, "0", 32835, 287),
        combo("MAX_PARK_SEL", "500", kCountChoices, 32846, 315),
        number("CUSTOM_MAX_PARK", Kind::Int, "-1", -1, 500),
        bound("DESTINATION", Kind::StringEdit, "", 32839, 343),
        combo("AIRP_RANGE", "20", {5, 10, 15, 20, 25, 30}, 32840, 343),
        number("AIRPORT_RANGE", Kind::Int, "20", 8, 30),
        combo("AIRP_HEIGHT", "18000",
              {2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}, 32841, 343),
        number("AIRPORT_HEIGHT", Kind::Int, "18000", 2000, 45000),
        bound("STRAIGHT_PBS_ONLY", Kind::CheckBox, "0", 32856, 315),
        bound("Re-read", Kind::Button, "", 32838, 341),
        number("MAIN_WINDOW_X", Kind::Int, "400", -30000, 30000),
        number("MAIN_WINDOW_Y", Kind::Int, "20", -30000, 30000),
    };
    rows.insert(rows.end(), rest.begin(), rest.end());
    return rows;
}

Kind kindOf(const Parameter* p)
{
    if (dynamic_cast<const ButtonControl*>(p))
        return Kind::Button;
    if (dynamic_cast<const CheckBoxParameter*>(p))
        return Kind::CheckBox;
    if (dynamic_cast<const BoolParameter*>(p))
        return Kind::Bool;
    if (dynamic_cast<const ComboParameter*>(p))
        return Kind::Combo;
    if (dynamic_cast<const EditParameter<IntParameter>*>(p))
        return Kind::EditInt;
    if (dynamic_cast<const EditParameter<FloatParameter>*>(p))
        return Kind::EditFloat;
    if (dynamic_cast<const IntParameter*>(p))
        return Kind::Int;
    if (dynamic_cast<const StringEditParameter*>(p))
        return Kind::StringEdit;
    return Kind::String;
}

std::string defaultText(const Parameter* p)
{
    if (const auto* s = dynamic_cast<const StringParameter*>(p))
        return s->defaultValue;
    if (const auto* i = dynamic_cast<const IntParameter*>(p))
        return std::to_string(i->defaultValue);
    if (const auto* b = dynamic_cast<const BoolParameter*>(p))
        return b->defaultValue ? "1" : "0";
    if (const auto* f = dynamic_cast<const FloatParameter*>(p))
        return fmt::format("{}", f->defaultValue);
    return "";
}

TEST(ConfigurationKeys, EveryKeyOfTheTableInOrderWithItsDefaultRangeAndControl)
{
    const std::vector<Row> expected = table();
    const std::vector<Parameter*>& keys = gf_configurationKeys();
    ASSERT_EQ(keys.size(), expected.size());
    ASSERT_EQ(keys.size(), 80U);
    for (std::size_t n = 0; n < expected.size(); ++n)
    {
        const Row& row = expected[n];
        const Parameter* p = keys[n];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(p->name, row.key);
        EXPECT_EQ(kindOf(p), row.kind);
        EXPECT_EQ(defaultText(p), row.defaultText);
        if (const auto* combo = dynamic_cast<const ComboParameter*>(p))
        {
            EXPECT_EQ(combo->choices, row.choices);
            EXPECT_EQ(combo->minimum, row.choices.front());
            EXPECT_EQ(combo->maximum, row.choices.back());
        }
        else if (const auto* i = dynamic_cast<const IntParameter*>(p))
        {
            EXPECT_EQ(i->minimum, row.minimum);
            EXPECT_EQ(i->maximum, row.maximum);
        }
        else if (const auto* f = dynamic_cast<const FloatParameter*>(p))
        {
            EXPECT_EQ(f->minimum, row.minimum);
            EXPECT_EQ(f->maximum, row.maximum);
        }
        const auto* control = dynamic_cast<const ControlBinding*>(p);
        EXPECT_EQ(control != nullptr, row.id != 0);
        if (control != nullptr)
        {
            EXPECT_EQ(control->controlId, row.id);
            EXPECT_EQ(control->rowY, row.row);
        }
    }
}

TEST(ConfigurationKeys, RadiusFollowsTheDefaultRange)
{
    EXPECT_EQ(gRangeNm.load(), 40.0);
    EXPECT_EQ(gRangeMeters.load(), 74080U);
}

TEST(ConfigurationKeys, MetaEntryNamesInOrder)
{
    const std::vector<const StringParameter*> meta{&gMetaAuthor,    &gMetaDate, &gMetaVersion,
                                                   &gMetaCopyright, &gMetaMsfs, &gMetaP3d};
    const std::vector<std::string> names{"author", "date", "version", "copyright", "MSFS", "P3D"};
    for (std::size_t n = 0; n < meta.size(); ++n)
    {
        EXPECT_EQ(meta[n]->name, names[n]);
        EXPECT_EQ(meta[n]->defaultValue.empty(), n != 3);
    }
}

TEST(ConfigurationKeys, FixedDataFileNames)
{
    EXPECT_EQ(gDbasePath, std::filesystem::path("input") / "dbase.enc");
    EXPECT_EQ(gRegcodePath, std::filesystem::path("input") / "AIG-regcodes.enc");
    EXPECT_EQ(kInstallerFileName, "install_new_version.exe");
}

} // namespace
} // namespace oxl
