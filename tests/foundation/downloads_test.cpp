#include "foundation/downloads.h"

#include "foundation/run_state.h"
#include "tests/support/http_server.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <gsl/util>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <chrono>
#include <thread>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;
using test::LoopbackHttpServer;

class DownloadTest : public ::testing::Test
{
  protected:
    DownloadTest() : server_(site_.path()), base_("OXL_DOWNLOAD_BASE", server_.baseUrl()), cwd_(work_.path())
    {
        gf_setDownloadLimits(DownloadLimits{2, 1, 1});
        test::writeBytes(site_ / "dbase.enc", "new data from the site");
        test::writeBytes(work_ / "dbase.enc", "old good data");
    }
    ~DownloadTest() override { gf_setDownloadLimits(DownloadLimits{}); }

    test::LogCapture log_;
    test::TempFolder site_;
    test::TempFolder work_;
    LoopbackHttpServer server_;
    test::ScopedEnv base_;
    test::ScopedCurrentPath cwd_;
};

TEST_F(DownloadTest, FetchesTheFileWithTheProgramsUserAgent)
{
    ASSERT_TRUE(gf_downloadFromSite("dbase.enc", work_ / "dbase.enc"));

    EXPECT_EQ(test::readBytes(work_ / "dbase.enc"), "new data from the site");
    EXPECT_FALSE(fs::exists(work_ / "dbase.enc.part"));
    ASSERT_EQ(server_.requests().size(), 1u);
    EXPECT_EQ(server_.requests()[0].path, "/dbase.enc");
    EXPECT_EQ(server_.requests()[0].userAgent, "ORDL");
    EXPECT_TRUE(log_.contains("Downloaded '" + server_.baseUrl() + "dbase.enc' to '" +
                              (work_ / "dbase.enc").string() + "'"));
}

TEST_F(DownloadTest, TextModeDownloadIntoARelativePath)
{
    CURL* handle = curl_easy_init();
    EXPECT_TRUE(gf_downloadToFile(handle, server_.baseUrl() + "dbase.enc", "fetched.txt", false));
    curl_easy_cleanup(handle);
    EXPECT_EQ(test::readBytes(work_ / "fetched.txt"), "new data from the site");
}

/// How the site fails one request, and why the log says it failed (curl's own words where empty).
struct Failure
{
    const char* name;
    void (*arrange)(LoopbackHttpServer& server);
    const char* reason;
    bool localSite = false; ///< the site is a local folder (file://) without the file
};

void PrintTo(const Failure& failure, std::ostream* out)
{
    *out << failure.name;
}

class FailedDownload : public DownloadTest, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(FailedDownload, KeepsTheOldFile)
{
    GetParam().arrange(server_);
    const std::string base =
        GetParam().localSite ? "file://" + (site_ / "empty").string() + "/" : server_.baseUrl();
    test::ScopedEnv site("OXL_DOWNLOAD_BASE", base);

    EXPECT_FALSE(gf_downloadFromSite("dbase.enc", work_ / "dbase.enc"));

    EXPECT_EQ(test::readBytes(work_ / "dbase.enc"), "old good data");
    EXPECT_FALSE(fs::exists(work_ / "dbase.enc.part"));
    // A fetch that failed, never a save: nothing reached the disk.
    const std::string fetch = "Could not fetch '" + base + "dbase.enc': " + GetParam().reason;
    EXPECT_TRUE(std::ranges::any_of(log_.lines(), [&](const std::string& l) { return l.starts_with(fetch); }))
        << testing::PrintToString(log_.lines());
    for (const std::string& line : log_.lines())
        EXPECT_EQ(line.find("Saving"), std::string::npos) << line;
    EXPECT_TRUE(log_.contains("===> Downloading '" + base + "dbase.enc' failed !"));
}

INSTANTIATE_TEST_SUITE_P(
    Site, FailedDownload,
    ::testing::Values(Failure{"NotFound", [](LoopbackHttpServer& s) { s.answerStatus("/dbase.enc", 404); },
                              "the site has no such file (HTTP 404)"},
                      Failure{"ServerError", [](LoopbackHttpServer& s) { s.answerStatus("/dbase.enc", 500); },
                              "the site answered HTTP 500"},
                      Failure{"BodyCutShort", [](LoopbackHttpServer& s) { s.cutShort("/dbase.enc"); }, ""},
                      // Ends by the low-speed time-out of one second set by the fixture.
                      Failure{"Stalled", [](LoopbackHttpServer& s) { s.stall("/dbase.enc"); }, ""},
                      Failure{"NoSuchFileInALocalFolder", [](LoopbackHttpServer&) {},
                              "the site has no such file", true}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// A disk with no room for the transfer: the refusal is the disk's, never an answer of the site.
TEST_F(DownloadTest, AFullDiskIsNoAnswerOfTheSite)
{
    test::writeBytes(site_ / "dbase.enc", std::string(65536, 'x'));
    fs::create_directory(work_ / "disk");
    if (::mount("tmpfs", (work_ / "disk").c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    const auto unmount = gsl::finally([this] { ::umount2((work_ / "disk").c_str(), MNT_DETACH); });
    const SaveResult fetched = gf_downloadFromSite("dbase.enc", work_ / "disk" / "dbase.enc");
    ASSERT_TRUE(!fetched && fetched.refused && fetched.refused->full());
    EXPECT_TRUE(log_.contains("===> Downloading '" + server_.baseUrl() +
                              "dbase.enc' waits for the disk: No space left on device"));
}

TEST_F(DownloadTest, MissingFileOnTheSiteLeavesNoLocalFile)
{
    EXPECT_FALSE(gf_downloadFromSite("absent.enc", work_ / "absent.enc"));
    EXPECT_FALSE(fs::exists(work_ / "absent.enc"));
    EXPECT_FALSE(fs::exists(work_ / "absent.enc.part"));
}

TEST_F(DownloadTest, StopFlagEndsAStalledTransfer)
{
    // Long enough that only the stop flag can end the transfer within the test's run.
    gf_setDownloadLimits(DownloadLimits{2, 600, 1});
    server_.stall("/dbase.enc");
    std::thread stopper(
        [this]
        {
            while (server_.requests().empty())
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            gFoundation.gStopRequested = 1;
        });

    EXPECT_FALSE(gf_downloadFromSite("dbase.enc", work_ / "dbase.enc"));

    stopper.join();
    gFoundation.gStopRequested = 0;
    EXPECT_EQ(test::readBytes(work_ / "dbase.enc"), "old good data");
}

TEST_F(DownloadTest, UnopenableTargetIsLogged)
{
    test::writeBytes(work_ / "a-file", "a file where the folder belongs");
    const fs::path target = work_ / "a-file" / "dbase.enc";
    EXPECT_FALSE(gf_downloadFromSite("dbase.enc", target));
    EXPECT_TRUE(log_.contains("Could not open output file: " + target.string()));
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(DownloadTest, NoHandleIsAFailure)
{
    EXPECT_FALSE(gf_downloadToFile(nullptr, server_.baseUrl() + "dbase.enc", work_ / "dbase.enc", true));
    EXPECT_TRUE(server_.requests().empty());
}

TEST_F(DownloadTest, AirportFolderLiesBelowTheBase)
{
    EXPECT_EQ(gf_downloadSiteBase(), server_.baseUrl());
    EXPECT_EQ(gf_downloadFolderUrl(), server_.baseUrl() + "P3D/");
}

TEST(DownloadSite, BuiltInBaseWithoutOverride)
{
    test::ScopedEnv unset("OXL_DOWNLOAD_BASE", std::nullopt);
    EXPECT_EQ(gf_downloadSiteBase(), kDownloadSiteBase);
}

TEST(DownloadSite, OverrideGetsItsTrailingSlash)
{
    test::ScopedEnv base("OXL_DOWNLOAD_BASE", "http://127.0.0.1:9/files");
    EXPECT_EQ(gf_downloadSiteBase(), "http://127.0.0.1:9/files/");
}

} // namespace
} // namespace oxl
