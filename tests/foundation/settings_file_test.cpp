// The start-up load against real parameters.xml files: first start, partial, damaged and foreign
// files, clamping, folder settings, the framed log block and what the main window is shown.
#include "foundation/settings_file.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "foundation/config_keys.h"
#include "foundation/status_service.h"
#include "foundation/version_data.h"
#include "tests/support/settings_fixture.h"

namespace oxl
{
namespace
{

const std::string kHead = std::string(34, '*') + " parameters " + std::string(34, '*');
const std::string kFoot = std::string(80, '*');

// Records what the start-up load shows in the main window.
class ViewRecorder final : public NoSettingsView
{
  public:
    void showCheck(const CheckBoxParameter& box) override
    {
        calls.push_back(fmt::format("check {} {}", box.controlId, box.value()));
    }
    void showInt(const IntParameter& setting, const ControlBinding& control) override
    {
        calls.push_back(fmt::format("int {} {}", control.controlId, setting.value()));
    }
    void showString(const StringEditParameter& box) override
    {
        calls.push_back(fmt::format("text {} {}", box.controlId, box.value()));
    }
    void applyRange(std::int32_t nm) override { ranges.push_back(nm); }

    std::vector<std::string> calls;
    std::vector<std::int32_t> ranges;
};

std::vector<std::string> elementNames(const pugi::xml_document& doc)
{
    std::vector<std::string> names;
    for (pugi::xml_node element : doc.child("parameters").children("parameter"))
    {
        names.emplace_back(element.attribute("name").as_string());
    }
    return names;
}

class StartupLoad : public testing::Test
{
  protected:
    void SetUp() override { gf_installSettingsView(&recorder_); }
    void TearDown() override { gf_installSettingsView(nullptr); }

    std::string path() const { return folder_.parametersFile().string(); }

    test::SettingsFolder folder_;
    ViewRecorder recorder_;
};

TEST_F(StartupLoad, FirstStartWritesEveryDefault)
{
    gf_loadAllParameters();

    const std::vector<std::string> names = elementNames(folder_.loadParameters());
    ASSERT_EQ(names.size(), 54U);
    const std::vector<std::string> firstAndLast{names[0],  names[1],  names[24],
                                                names[25], names[45], names[53]};
    EXPECT_EQ(firstAndLast,
              (std::vector<std::string>{"RANDOM", "DRELLAND", "GUID_CHANGES", "CUSTOM_PARKING_PERCENTAGE",
                                        "AIRP_HEIGHT", "BLOCK_CALLSIGN"}));
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return gf_isFolderParameter(n); }),
              0);
    EXPECT_TRUE(folder_.logged("PROGRAM_VERSION=\"\""));
    // The version update that follows the load records the running version.
    EXPECT_EQ(folder_.valueOf("PROGRAM_VERSION"), gProgramVersion.toString());
    EXPECT_EQ(folder_.valueOf("PORT_NUMBER"), "10747");
    EXPECT_EQ(folder_.valueOf("RANDOM"), "true");
    EXPECT_EQ(folder_.valueOf("LAST_EPOCH_TIME:"), "0");
    EXPECT_EQ(folder_.valueOf("DRELLAND"), "false");

    const std::vector<std::string> log = folder_.logLines();
    ASSERT_GE(log.size(), 59U);
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log[1], kHead);
    EXPECT_EQ(log[2], path() + " not found, default values taken:");
    EXPECT_EQ(log[3], "RANDOM=true");
    EXPECT_EQ(log[4], "DRELLAND=false");
    EXPECT_TRUE(folder_.logged("LAST_EPOCH_TIME:=0"));
    EXPECT_TRUE(folder_.logged("PORT_NUMBER=\"10747\""));
    EXPECT_TRUE(folder_.logged("BLOCK_CALLSIGN=\"\""));
    EXPECT_EQ(log[3 + 54], fmt::format("'{}' saved", path()));
    EXPECT_EQ(log[3 + 55], kFoot);

    EXPECT_EQ(recorder_.calls.size(), 24U + 7U + 1U); // MAX_FIT has no control of its own
    EXPECT_EQ(recorder_.calls.front(), "check 32775 false");
    EXPECT_EQ(recorder_.calls[24], "int 32808 4");
    EXPECT_EQ(recorder_.calls.back(), "text 32828 ");
    EXPECT_EQ(recorder_.ranges, std::vector<std::int32_t>{40});
}

TEST_F(StartupLoad, FileWithOnlyRandomGetsTheRestAppendedAndItsFirstValueCounts)
{
    folder_.writeParameters(R"(<parameters><parameter name="RANDOM" value="false"/>)"
                            R"(<parameter name="RANDOM" value="true"/></parameters>)");
    gf_loadAllParameters();
    EXPECT_FALSE(RANDOM.value());
    EXPECT_EQ(folder_.valueOf("RANDOM"), "false");
    EXPECT_EQ(elementNames(folder_.loadParameters()).size(), 54U);
    EXPECT_EQ(folder_.valueOf("MAX_LIVE"), "-1");
    const std::vector<std::string> log = folder_.logLines();
    EXPECT_EQ(log[2], "from '" + path() + "'");
    EXPECT_EQ(log[3], "===> Parameter 'RANDOM' appears again with value 'true': the first one counts");
    EXPECT_EQ(log[4], "RANDOM=false");
}

TEST_F(StartupLoad, ValuesAreClampedButTheFileKeepsItsText)
{
    folder_.writeParameters(R"(<parameters>
        <parameter name="MAX_LIVE" value="1000"/>
        <parameter name="RANGE" value="7"/>
        <parameter name="P3D_VERSION" value="abc"/>
        <parameter name="MAX_FIT" value="-3"/>
        <parameter name="FUTURE_SETTING" value="whatever"/>
        </parameters>)");
    gf_loadAllParameters();
    EXPECT_EQ(MAX_LIVE.value(), 300);
    EXPECT_TRUE(folder_.logged("MAX_LIVE=300"));
    EXPECT_EQ(folder_.valueOf("MAX_LIVE"), "1000");
    EXPECT_EQ(RANGE.value(), 7);
    EXPECT_EQ(recorder_.ranges, std::vector<std::int32_t>{7});
    EXPECT_EQ(P3D_VERSION.value(), 5);
    EXPECT_EQ(folder_.valueOf("P3D_VERSION"), "abc");
    EXPECT_EQ(MAX_FIT.value(), 0);
    EXPECT_EQ(folder_.valueOf("FUTURE_SETTING"), "whatever");
}

TEST_F(StartupLoad, EmptyFolderSettingsLeaveTheFile)
{
    folder_.writeParameters(R"(<parameters>
        <parameter name="lfolder3" value=""/>
        <parameter name="lfolder4" value="D:\AI\More"/>
        </parameters>)");
    gf_loadAllParameters();
    EXPECT_EQ(folder_.valueOf("lfolder3"), "<none>");
    EXPECT_EQ(folder_.valueOf("lfolder4"), "D:\\AI\\More");
    EXPECT_EQ(lfolder[4].value(), "D:\\AI\\More");
    EXPECT_TRUE(folder_.logged("Parameter 'lfolder3' removed"));
    EXPECT_TRUE(folder_.logged("lfolder4=\"D:\\AI\\More\""));
    const std::vector<std::string> log = folder_.logLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("lfolder3=", 0) == 0; }),
              0);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("afolder", 0) == 0; }),
              0);
}

// The first half of a file, as a power cut during a write leaves it: kept beside the new file, and said.
TEST_F(StartupLoad, TornFileIsKeptAndReplacedByDefaults)
{
    struct : NoStatusService
    {
        void showNotice(const std::string& text) override { shown.push_back(text); }
        std::vector<std::string> shown;
    } messages;
    gf_installStatusService(&messages);
    const std::string torn = R"(<?xml version="1.0"?><parameters><parameter name="RANDOM" value="fal)";
    folder_.writeParameters(torn);
    gf_loadAllParameters();
    gf_installStatusService(nullptr);
    EXPECT_TRUE(RANDOM.value());
    EXPECT_EQ(elementNames(folder_.loadParameters()).size(), 54U);
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.parametersFile().parent_path()))
        if (entry.path().filename().string().starts_with("parameters.xml.damaged-"))
            copies.push_back(entry.path());
    ASSERT_EQ(copies.size(), 1U);
    EXPECT_EQ(test::readBytes(copies[0]), torn);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"settings reset, unreadable file kept, see Log.txt"});
    EXPECT_TRUE(folder_.logged(path() + " could not be read, kept as " + copies[0].string() +
                               ", default values taken:")); // the log has the folders
    EXPECT_FALSE(folder_.logged(path() + " not found, default values taken:"));
}

// Starts after kills: what a killed save left goes, only the newest damaged copies stay, and a link to a
// drive that is not mounted is left for the day it is.
TEST_F(StartupLoad, LeftoversGoDamagedCopiesStayFewDanglingLinkStays)
{
    namespace fs = std::filesystem;
    const fs::path file = folder_.parametersFile();
    test::writeBytes(fs::path(path() + ".3.tmp"), "<parameters");
    for (int start = 0; start < 7; ++start)
    {
        folder_.writeParameters("<parameters " + std::to_string(start));
        gf_loadAllParameters();
    }
    EXPECT_TRUE(folder_.logged("'" + path() + ".3.tmp' left by an interrupted save removed"));
    std::set<std::string> copies;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path() != file)
            copies.insert(test::readBytes(entry.path()));
    EXPECT_EQ(copies, (std::set<std::string>{"<parameters 2", "<parameters 3", "<parameters 4",
                                             "<parameters 5", "<parameters 6"}));

    fs::remove(file);
    fs::create_symlink("/nonexistent/drive/parameters.xml", file);
    gf_loadAllParameters();
    EXPECT_EQ(fs::read_symlink(file), "/nonexistent/drive/parameters.xml");
    EXPECT_TRUE(folder_.logged(path() + " is a link to /nonexistent/drive/parameters.xml, which is missing: "
                                        "default values taken, the link is left as it is:"));
}

TEST_F(StartupLoad, ForeignRootGivesDefaultsAndIsSavedAsRead)
{
    folder_.writeParameters(R"(<settings><parameter name="RANDOM" value="false"/></settings>)");
    gf_loadAllParameters();
    EXPECT_TRUE(RANDOM.value());
    const pugi::xml_document doc = folder_.loadParameters();
    EXPECT_EQ(std::distance(doc.child("settings").begin(), doc.child("settings").end()), 1);
    EXPECT_EQ(elementNames(doc), std::vector<std::string>{"PROGRAM_VERSION"}); // saved by the version update
}

TEST_F(StartupLoad, FailedSaveIsLogged)
{
    std::filesystem::remove_all(folder_.parametersFile().parent_path());
    test::writeBytes(folder_.parametersFile().parent_path(), "a file where the folder belongs");
    gf_loadAllParameters();
    EXPECT_TRUE(folder_.logged("could not save to '" + path() + "'"));
    EXPECT_EQ(PORT_NUMBER.value(), "10747");
}

// Every changed setting comes back after a restart exactly as it was saved.
TEST_F(StartupLoad, SettingsSurviveARestart)
{
    gf_loadAllParameters();
    RANDOM.set(false);
    RANDOM.save();
    AIRP_HEIGHT.set(36000);
    AIRP_HEIGHT.save();
    LAST_EPOCH_TIME.set(1700000000);
    LAST_EPOCH_TIME.save();
    PORT_NUMBER.setAndSave("10800");
    BLOCK_CALLSIGN.setAndSave("DLH4AB");
    afolder[9].setAndSave("E:\\Scenery \"x\"");
    const std::string before = test::readBytes(folder_.parametersFile());

    test::resetSettingsToDefaults();
    gf_loadAllParameters();
    EXPECT_FALSE(RANDOM.value());
    EXPECT_EQ(AIRP_HEIGHT.value(), 36000);
    EXPECT_EQ(LAST_EPOCH_TIME.value(), 1700000000);
    EXPECT_EQ(PORT_NUMBER.value(), "10800");
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "DLH4AB");
    EXPECT_EQ(afolder[9].value(), "E:\\Scenery \"x\"");
    EXPECT_EQ(test::readBytes(folder_.parametersFile()), before);
}

TEST_F(StartupLoad, ViewLeftOutIsSkipped)
{
    gf_installSettingsView(nullptr);
    gf_loadAllParameters();
    EXPECT_TRUE(recorder_.calls.empty());
    EXPECT_EQ(elementNames(folder_.loadParameters()).size(), 54U);
}

} // namespace
} // namespace oxl
