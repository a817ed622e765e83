// Reading, saving, removing and logging of single settings against a real parameters.xml.
#include "foundation/parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "foundation/foundation_state.h"
#include "foundation/settings_file.h"
#include "tests/support/settings_fixture.h"

namespace oxl
{
namespace
{

std::string fileWith(const std::string& elements)
{
    return "<?xml version=\"1.0\"?>\n<parameters>\n" + elements + "</parameters>\n";
}

pugi::xml_document parse(const std::string& xml)
{
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    return doc;
}

struct BoolCase
{
    const char* name;
    std::string element;
    bool defaultOn;
    bool expected;
    bool found;
};

class BoolRead : public testing::TestWithParam<BoolCase>
{
};

TEST_P(BoolRead, FirstCharacterDecides)
{
    test::SettingsFolder folder;
    const BoolCase& c = GetParam();
    BoolParameter setting("FLAG", c.defaultOn);
    const pugi::xml_document doc = parse(fileWith(c.element));
    EXPECT_EQ(setting.read(doc), c.found);
    EXPECT_EQ(setting.value(), c.expected);
    EXPECT_TRUE(folder.logged(std::string("FLAG=") + (c.expected ? "true" : "false")));
}

INSTANTIATE_TEST_SUITE_P(
    Values, BoolRead,
    testing::Values(BoolCase{"yes", R"(<parameter name="FLAG" value="yes"/>)", false, true, true},
                    BoolCase{"no", R"(<parameter name="FLAG" value="no"/>)", true, false, true},
                    BoolCase{"empty", R"(<parameter name="FLAG" value=""/>)", true, false, true},
                    BoolCase{"one", R"(<parameter name="FLAG" value="1"/>)", false, true, true},
                    BoolCase{"zero", R"(<parameter name="FLAG" value="0"/>)", true, false, true},
                    BoolCase{"True", R"(<parameter name="FLAG" value="True"/>)", false, true, true},
                    BoolCase{"noValue", R"(<parameter name="FLAG"/>)", true, false, true},
                    BoolCase{"missing", R"(<parameter name="OTHER" value="0"/>)", true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct IntCase
{
    const char* name;
    std::string element;
    std::int32_t expected;
    bool found;
};

class IntRead : public testing::TestWithParam<IntCase>
{
};

TEST_P(IntRead, ConvertedAndClampedIntoTheRange)
{
    test::SettingsFolder folder;
    const IntCase& c = GetParam();
    IntParameter setting("COUNT", 20, 1, 47);
    const pugi::xml_document doc = parse(fileWith(c.element));
    EXPECT_EQ(setting.read(doc, true), c.found);
    EXPECT_EQ(setting.value(), c.expected);
    EXPECT_TRUE(folder.logged("COUNT=" + std::to_string(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Values, IntRead,
    testing::Values(IntCase{"inside", R"(<parameter name="COUNT" value="12"/>)", 12, true},
                    IntCase{"above", R"(<parameter name="COUNT" value="500"/>)", 47, true},
                    IntCase{"below", R"(<parameter name="COUNT" value="-5"/>)", 1, true},
                    IntCase{"notANumber", R"(<parameter name="COUNT" value="abc"/>)", 1, true},
                    IntCase{"hex", R"(<parameter name="COUNT" value="0x10"/>)", 16, true},
                    IntCase{"blanksFirst", R"(<parameter name="COUNT" value="  7"/>)", 7, true},
                    IntCase{"saturates", R"(<parameter name="COUNT" value="99999999999"/>)", 47, true},
                    IntCase{"noValue", R"(<parameter name="COUNT"/>)", 1, true},
                    IntCase{"missing", "", 20, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntParameterRead, UnloggedWhenAsked)
{
    test::SettingsFolder folder;
    IntParameter setting("QUIET", 3, 0, 9);
    const pugi::xml_document doc = parse(fileWith(R"(<parameter name="QUIET" value="4"/>)"));
    EXPECT_TRUE(setting.read(doc, false));
    EXPECT_EQ(setting.value(), 4);
    EXPECT_TRUE(folder.logLines().empty());
}

TEST(StringParameterRead, TextMissingAttributeAndDefault)
{
    test::SettingsFolder folder;
    StringParameter present("TEXT", "dflt");
    StringParameter bare("BARE", "dflt");
    StringParameter absent("ABSENT", "dflt");
    const pugi::xml_document doc =
        parse(fileWith(R"(<parameter name="TEXT" value="C:\a b"/><parameter name="BARE"/>)"));
    EXPECT_TRUE(present.read(doc));
    EXPECT_TRUE(bare.read(doc));
    EXPECT_FALSE(absent.read(doc));
    EXPECT_EQ(present.value(), "C:\\a b");
    EXPECT_EQ(bare.value(), "");
    EXPECT_EQ(absent.value(), "dflt");
    EXPECT_TRUE(folder.logged("TEXT=\"C:\\a b\""));
    EXPECT_TRUE(folder.logged("BARE=\"\""));
}

TEST(ParameterRead, ForeignRootGivesDefaults)
{
    test::SettingsFolder folder;
    IntParameter setting("COUNT", 20, 1, 47);
    const pugi::xml_document doc = parse(R"(<settings><parameter name="COUNT" value="3"/></settings>)");
    EXPECT_FALSE(setting.read(doc, false));
    EXPECT_EQ(setting.value(), 20);
}

// A file gone while the program runs comes back whole: every setting as the program holds it.
TEST(ParameterSave, WithoutFileMakesFileWithEverySetting)
{
    test::SettingsFolder folder;
    IntParameter setting("COUNT", 20, 1, 47);
    setting.set(33);
    setting.save();
    EXPECT_EQ(folder.valueOf("COUNT"), "33");
    const pugi::xml_document doc = folder.loadParameters();
    EXPECT_EQ(std::distance(doc.child("parameters").begin(), doc.child("parameters").end()), 55);
    EXPECT_TRUE(folder.logged("COUNT=33"));
}

TEST(ParameterSave, ChangesOneElementAndKeepsTheOthers)
{
    test::SettingsFolder folder;
    folder.writeParameters(fileWith(R"(<parameter name="UNKNOWN" value="kept"/>)"
                                    R"(<parameter name="TEXT" value="old"/>)"
                                    R"(<parameter name="FLAG" value="true"/>)"));
    StringParameter text("TEXT", "");
    BoolParameter flag("FLAG", true);
    text.setAndSave("new \"quoted\" & <b>");
    flag.set(false);
    flag.save();
    EXPECT_EQ(folder.valueOf("TEXT"), "new \"quoted\" & <b>");
    EXPECT_EQ(folder.valueOf("FLAG"), "false");
    EXPECT_EQ(folder.valueOf("UNKNOWN"), "kept");
    EXPECT_TRUE(folder.logged("TEXT=\"new \"quoted\" & <b>\""));
    EXPECT_TRUE(folder.logged("FLAG=false"));
}

// A hand-edited element without "value" gets the attribute, so the change is not lost.
TEST(ParameterSave, ElementWithoutValueGetsOne)
{
    test::SettingsFolder folder;
    folder.writeParameters(fileWith(R"(<parameter name="COUNT"/>)"));
    IntParameter setting("COUNT", 20, 1, 47);
    setting.set(9);
    setting.save();
    EXPECT_EQ(folder.valueOf("COUNT"), "9");
}

TEST(ParameterSave, DamagedFileIsReplaced)
{
    test::SettingsFolder folder;
    folder.writeParameters("<parameters><parameter name=");
    BoolParameter flag("FLAG", true);
    flag.save();
    EXPECT_EQ(folder.valueOf("FLAG"), "true");
}

TEST(ParameterSave, RemovedFolderIsMadeAgainAndAnUnwritableOneLogged)
{
    test::SettingsFolder folder;
    const std::filesystem::path settingsFolder = folder.parametersFile().parent_path();
    std::filesystem::remove_all(settingsFolder);
    IntParameter setting("COUNT", 20, 1, 47);
    setting.save();
    EXPECT_EQ(folder.valueOf("COUNT"), "20");
    EXPECT_TRUE(folder.logged("Folder '" + settingsFolder.string() + "' was missing and is made again"));
    std::filesystem::remove_all(settingsFolder);
    test::writeBytes(settingsFolder, "a file where the folder belongs");
    setting.save();
    EXPECT_TRUE(folder.logged("Saving '" + folder.parametersFile().string() + "' failed"));
    EXPECT_EQ(setting.value(), 20);
    // The saves of the closing, when most lines are no longer written, say so too.
    gFoundation.gWindowClosed.store(1);
    setting.save();
    gFoundation.gWindowClosed.store(0);
    const std::vector<std::string> lines = folder.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Saving '" + folder.parametersFile().string() +
                             "' did not succeed: its folder cannot be made (Not a directory)"),
              2);
}

TEST(ParameterRemove, RemovesTheElement)
{
    test::SettingsFolder folder;
    folder.writeParameters(fileWith(R"(<parameter name="A" value="1"/><parameter name="B" value="2"/>)"));
    const StringParameter a("A", "");
    EXPECT_TRUE(gf_removeParameter(a));
    EXPECT_EQ(folder.valueOf("A"), "<none>");
    EXPECT_EQ(folder.valueOf("B"), "2");
    EXPECT_TRUE(folder.logged("Parameter 'A' removed"));
}

TEST(ParameterRemove, NoElementLeavesTheFileAlone)
{
    test::SettingsFolder folder;
    const std::string bytes = fileWith(R"(<parameter   name="B"   value="2"/>)");
    folder.writeParameters(bytes);
    const StringParameter a("A", "");
    EXPECT_FALSE(gf_removeParameter(a));
    EXPECT_EQ(test::readBytes(folder.parametersFile()), bytes);
    EXPECT_TRUE(folder.logLines().empty());
}

TEST(ParameterRemove, NoFileGivesFalse)
{
    test::SettingsFolder folder;
    const StringParameter a("A", "");
    EXPECT_FALSE(gf_removeParameter(a));
    EXPECT_FALSE(std::filesystem::exists(folder.parametersFile()));
}

TEST(FolderParameter, NamesWithLfolderOrAfolder)
{
    EXPECT_TRUE(gf_isFolderParameter("lfolder0"));
    EXPECT_TRUE(gf_isFolderParameter("my_afolder9"));
    EXPECT_FALSE(gf_isFolderParameter("LFOLDER0"));
    EXPECT_FALSE(gf_isFolderParameter("folder"));
}

TEST(FolderParameter, EmptyValueIsNotLogged)
{
    test::SettingsFolder folder;
    StringParameter empty("lfolder1", "");
    StringParameter full("lfolder2", "");
    const pugi::xml_document doc =
        parse(fileWith(R"(<parameter name="lfolder1" value=""/><parameter name="lfolder2" value="D:\AI"/>)"));
    EXPECT_TRUE(gf_readFolder(empty, doc));
    EXPECT_TRUE(gf_readFolder(full, doc));
    EXPECT_EQ(folder.logLines(), std::vector<std::string>{"lfolder2=\"D:\\AI\""});
}

TEST(AppendNodes, OnlyToElementsAndDocuments)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("parameters");
    EXPECT_TRUE(gf_addBoolNode(root, "B", true));
    EXPECT_TRUE(gf_addIntNode(root, "I", -7));
    EXPECT_TRUE(gf_addStringNode(root, "S", "x"));
    EXPECT_FALSE(gf_addIntNode(root.append_child(pugi::node_pcdata), "P", 1));
    EXPECT_FALSE(gf_addIntNode(pugi::xml_node(), "N", 1));
    EXPECT_STREQ(gf_findParameterNode(doc, "B").attribute("value").as_string(), "true");
    EXPECT_STREQ(gf_findParameterNode(doc, "I").attribute("value").as_string(), "-7");
    // name comes before value
    EXPECT_STREQ(gf_findParameterNode(doc, "S").first_attribute().name(), "name");
}

TEST(AppendNodes, FindOrAddParameterNode)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("parameters");
    gf_addIntNode(root, "RANGE", 30);
    EXPECT_EQ(gf_findOrAddParameterNode(root, "RANGE"), root.first_child());
    const pugi::xml_node added = gf_findOrAddParameterNode(root, "WEEK");
    EXPECT_STREQ(added.attribute("name").as_string(), "WEEK");
    EXPECT_TRUE(added.attribute("value"));
    EXPECT_EQ(std::distance(root.begin(), root.end()), 2);
    EXPECT_FALSE(gf_findOrAddParameterNode(pugi::xml_node(), "X"));
}

TEST(AppendParams, FailureIsLoggedAndTheDefaultTaken)
{
    test::SettingsFolder folder;
    IntParameter setting("COUNT", 20, 1, 47);
    setting.set(3);
    gf_addIntParam(setting, pugi::xml_node());
    EXPECT_EQ(setting.value(), 20);
    EXPECT_EQ(folder.logLines(),
              (std::vector<std::string>{"===> Adding Init XML parameter 'COUNT' with value '20' failed!",
                                        "COUNT=20"}));
}

// Saves from many threads at once never lose a setting: each save is one locked load, change and
// atomic replacement of the file.
TEST(ParameterSave, ConcurrentSavesKeepEverySetting)
{
    test::SettingsFolder folder;
    constexpr int kThreads = 8;
    constexpr int kSavesPerThread = 40;
    std::vector<std::unique_ptr<IntParameter>> settings;
    for (int t = 0; t < kThreads; ++t)
    {
        settings.push_back(std::make_unique<IntParameter>("SETTING_" + std::to_string(t), 0, 0, 1000));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int n = 1; n <= kSavesPerThread; ++n)
                {
                    settings[t]->set(n);
                    settings[t]->save();
                }
            });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t)
    {
        EXPECT_EQ(folder.valueOf("SETTING_" + std::to_string(t)), std::to_string(kSavesPerThread));
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.parametersFile().parent_path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST(ComboParameter, RangeFromTheChoicesAndIndexOfAValue)
{
    ComboParameter combo("C", 10, {5, 10, 15}, 40000, 1);
    EXPECT_EQ(combo.minimum, 5);
    EXPECT_EQ(combo.maximum, 15);
    EXPECT_EQ(combo.choiceIndex(10), 1);
    EXPECT_EQ(combo.choiceIndex(7), -1);
    EXPECT_EQ(combo.controlId, 40000U);
}

TEST(FloatParameter, ClampKeepsNanOut)
{
    FloatParameter fit("F", 24.0F, 0.5F, 24.0F);
    EXPECT_EQ(fit.clamped(30.0F), 24.0F);
    EXPECT_EQ(fit.clamped(0.0F), 0.5F);
    EXPECT_EQ(fit.clamped(std::numeric_limits<float>::quiet_NaN()), 0.5F);
}

} // namespace
} // namespace oxl
