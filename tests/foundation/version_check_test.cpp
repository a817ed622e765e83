#include "foundation/version_check.h"

#include "foundation/config_keys.h"
#include "foundation/downloads.h"
#include "tests/support/http_server.h"
#include "tests/support/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

std::string versionJson(const std::string& member, int major, int minor, int patch)
{
    return "\"" + member + "\": {\"major\": " + std::to_string(major) +
           ", \"minor\": " + std::to_string(minor) + ", \"patch\": " + std::to_string(patch) + "}";
}

class VersionCheckTest : public ::testing::Test
{
  protected:
    VersionCheckTest()
        : server_(site_.path()), base_("OXL_DOWNLOAD_BASE", server_.baseUrl()), cwd_(work_.path())
    {
        gf_setDownloadLimits(DownloadLimits{2, 1, 1});
        test::writeBytes(site_ / "dbase.enc", "new dbase");
        test::writeBytes(site_ / "AIG-regcodes.enc", "new regcodes");
        test::writeBytes(work_ / "input" / "dbase.enc", "old dbase");
        test::writeBytes(work_ / "input" / "AIG-regcodes.enc", "old regcodes");
        AIG_VERSION.set("1.0.0");
        DBASE_VERSION.set("1.2.3");
    }
    ~VersionCheckTest() override { gf_setDownloadLimits(DownloadLimits{}); }

    void publish(const std::string& json) { test::writeBytes(site_ / "versions.json", json); }
    /// Publishes aig 1.0.0 (installed already) and the given dbase version.
    void publishDbase(int major, int minor, int patch)
    {
        publish("{" + versionJson("aig", 1, 0, 0) + ", " + versionJson("dbase", major, minor, patch) + "}");
    }
    bool requested(const std::string& path) const
    {
        for (const auto& request : server_.requests())
        {
            if (request.path == path)
            {
                return true;
            }
        }
        return false;
    }

    test::SettingsFolder settings_;
    test::TempFolder site_;
    test::TempFolder work_;
    test::LoopbackHttpServer server_;
    test::ScopedEnv base_;
    test::ScopedCurrentPath cwd_;
};

struct DbaseCase
{
    const char* name;
    const char* installed;
    int major, minor, patch;
    bool localPresent;
    int siteStatus; ///< 200: the file is served; otherwise the status the site
                    ///< answers
    bool downloaded;
    const char* settingAfter;
    const char* logLine;
};

void PrintTo(const DbaseCase& row, std::ostream* out)
{
    *out << row.name;
}

class DbaseVersion : public VersionCheckTest, public ::testing::WithParamInterface<DbaseCase>
{
};

TEST_P(DbaseVersion, DownloadsOnlyWhenNeeded)
{
    const DbaseCase& row = GetParam();
    DBASE_VERSION.set(row.installed);
    publishDbase(row.major, row.minor, row.patch);
    if (!row.localPresent)
    {
        fs::remove(work_ / "input" / "dbase.enc");
    }
    if (row.siteStatus != 200)
    {
        server_.answerStatus("/dbase.enc", row.siteStatus);
    }

    gf_checkVersions();

    std::string expectedLine = row.logLine;
    if (const auto at = expectedLine.find("__BASE__"); at != std::string::npos)
    {
        expectedLine.replace(at, 8, server_.baseUrl());
    }
    EXPECT_TRUE(settings_.logged(expectedLine)) << testing::PrintToString(settings_.logLines());
    EXPECT_FALSE(fs::exists(work_ / "input" / "dbase.enc.part"));
    EXPECT_TRUE(settings_.logged("aig version up-to-date"));
    EXPECT_FALSE(requested("/AIG-regcodes.enc"));
    EXPECT_EQ(DBASE_VERSION.value(), row.settingAfter);
    if (row.downloaded)
    {
        EXPECT_EQ(test::readBytes(work_ / "input" / "dbase.enc"), "new dbase");
        EXPECT_EQ(settings_.valueOf("DBASE_VERSION"), row.settingAfter);
    }
    else
    {
        EXPECT_EQ(fs::exists(work_ / "input" / "dbase.enc"), row.localPresent);
        if (row.localPresent)
        {
            EXPECT_EQ(test::readBytes(work_ / "input" / "dbase.enc"), "old dbase");
        }
        EXPECT_EQ(settings_.valueOf("DBASE_VERSION"), "<none>");
    }
    EXPECT_EQ(requested("/dbase.enc"), row.downloaded || row.siteStatus != 200);
    EXPECT_EQ(server_.requests().front().userAgent, "ORDL");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DbaseVersion,
    ::testing::Values(
        DbaseCase{"UpToDate", "1.2.3", 1, 2, 3, true, 200, false, "1.2.3", "dbase version up-to-date"},
        DbaseCase{"Newer", "1.2.3", 1, 2, 4, true, 200, true, "1.2.4", "dbase updated to 1.2.4"},
        DbaseCase{"OlderCountsAsUpToDate", "1.2.3", 1, 1, 9, true, 200, false, "1.2.3",
                  "dbase version up-to-date"},
        DbaseCase{"MissingLocalFile", "1.2.3", 1, 2, 3, false, 200, true, "1.2.3", "dbase updated to 1.2.3"},
        DbaseCase{"EmptySettingIsZero", "", 0, 0, 1, true, 200, true, "0.0.1", "dbase updated to 0.0.1"},
        DbaseCase{"NotFoundKeepsTheOldFile", "1.2.3", 1, 2, 4, true, 404, false, "1.2.3",
                  "===> Downloading '__BASE__dbase.enc' failed !"},
        DbaseCase{"ServerErrorWithoutLocalFile", "1.2.3", 1, 2, 4, false, 500, false, "1.2.3",
                  "===> Downloading '__BASE__dbase.enc' failed !"}),
    [](const ::testing::TestParamInfo<DbaseCase>& info) { return std::string(info.param.name); });

TEST_F(VersionCheckTest, BothFilesNewer)
{
    publish("{" + versionJson("aig", 2, 0, 0) + ", " + versionJson("dbase", 1, 3, 0) + ", \"other\": 5}");

    gf_checkVersions();

    EXPECT_EQ(test::readBytes(work_ / "input" / "AIG-regcodes.enc"), "new regcodes");
    EXPECT_EQ(test::readBytes(work_ / "input" / "dbase.enc"), "new dbase");
    EXPECT_EQ(AIG_VERSION.value(), "2.0.0");
    EXPECT_EQ(DBASE_VERSION.value(), "1.3.0");
    EXPECT_TRUE(settings_.logged("aig updated to 2.0.0"));
    EXPECT_TRUE(settings_.logged("dbase updated to 1.3.0"));
    EXPECT_TRUE(fs::exists(work_ / "versions.json"));
}

TEST_F(VersionCheckTest, MissingMemberIsReportedAndTheOtherChecked)
{
    publish("{" + versionJson("dbase", 1, 2, 4) + "}");

    gf_checkVersions();

    EXPECT_TRUE(settings_.logged("===> aig version not found"));
    EXPECT_EQ(DBASE_VERSION.value(), "1.2.4");
}

TEST_F(VersionCheckTest, MemberWithWrongFieldsIsSkipped)
{
    publish(R"({"aig": {"major": "two", "minor": 0, "patch": 0}, )" + versionJson("dbase", 1, 2, 4) + "}");

    EXPECT_NO_THROW(gf_checkVersions());

    EXPECT_EQ(AIG_VERSION.value(), "1.0.0");
    EXPECT_FALSE(requested("/AIG-regcodes.enc"));
    EXPECT_EQ(DBASE_VERSION.value(), "1.2.4");
    bool reported = false;
    for (const auto& line : settings_.logLines())
    {
        reported = reported || line.rfind("===> aig version in versions.json is not valid: ", 0) == 0;
    }
    EXPECT_TRUE(reported) << testing::PrintToString(settings_.logLines());
}

TEST_F(VersionCheckTest, DamagedIndexLeavesTheDataFilesAlone)
{
    publish("<html><body>Please log in</body></html>");

    EXPECT_NO_THROW(gf_checkVersions());

    EXPECT_EQ(server_.requests().size(), 1u);
    EXPECT_EQ(test::readBytes(work_ / "input" / "dbase.enc"), "old dbase");
    const auto lines = settings_.logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("===> versions.json is not valid: ", 0), 0u) << lines.back();
}

/// How the version index fails to arrive.
struct IndexFailure
{
    const char* name;
    void (*arrange)(test::LoopbackHttpServer& server);
};

void PrintTo(const IndexFailure& row, std::ostream* out)
{
    *out << row.name;
}

class IndexUnavailable : public VersionCheckTest, public ::testing::WithParamInterface<IndexFailure>
{
};

TEST_P(IndexUnavailable, StartGoesOnWithTheFilesItHas)
{
    publishDbase(9, 9, 9);
    GetParam().arrange(server_);

    gf_checkVersions();

    EXPECT_TRUE(settings_.logged("===> Downloading version info from my web site failed!"));
    EXPECT_EQ(server_.requests().size(), 1u);
    EXPECT_EQ(DBASE_VERSION.value(), "1.2.3");
    EXPECT_EQ(test::readBytes(work_ / "input" / "dbase.enc"), "old dbase");
}

INSTANTIATE_TEST_SUITE_P(Site, IndexUnavailable,
                         ::testing::Values(IndexFailure{"NotFound", [](test::LoopbackHttpServer& s)
                                                        { s.answerStatus("/versions.json", 404); }},
                                           // Ends by the one-second low-speed time-out the fixture sets.
                                           IndexFailure{"Stalled", [](test::LoopbackHttpServer& s)
                                                        { s.stall("/versions.json"); }}),
                         [](const ::testing::TestParamInfo<IndexFailure>& info)
                         { return std::string(info.param.name); });

} // namespace
} // namespace oxl
