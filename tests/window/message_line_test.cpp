// The message line: messages, errors that block them, and ageing in simulator seconds.
#include "foundation/log.h"
#include "tests/support/temp_folder.h"
#include "tests/window/window_fixture.h"
#include "window/window_state.h"

#include <fstream>
#include <sys/mount.h>

namespace oxl::test
{
namespace
{

constexpr win::ColorRef kYellow = 0x00FFFF;
constexpr win::ColorRef kLime = 0x32CD32;
constexpr win::ColorRef kRed = 0x0000FF;

using MessageLineTest = WindowTest;

TEST_F(MessageLineTest, MessageIsPaintedInYellowOnLimeAndLogged)
{
    open();
    gf_showMessage("Waiting for the simulator", true);
    screen.pumpUntilIdle();
    const auto shown = textAt(3, 455);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, "Waiting for the simulator");
    EXPECT_EQ(shown->colour, kYellow);
    EXPECT_EQ(screen.fillAt(100, 460), kLime);
    EXPECT_TRUE(settings.logged("Waiting for the simulator"));
}

TEST_F(MessageLineTest, UnloggedMessageStaysOutOfTheLog)
{
    gf_showMessage("quiet words", false);
    EXPECT_EQ(gf_shownMessage(), "quiet words");
    EXPECT_FALSE(settings.logged("quiet words"));
}

TEST_F(MessageLineTest, ErrorTurnsTheBandRedAndBlocksLaterMessagesUntilReset)
{
    open();
    gf_showMessage("before", true);
    gf_showError("Cannot reach the simulator");
    gf_showMessage("after", true);
    gf_showMessage("", true);
    gf_clearMessage();
    screen.pumpUntilIdle();
    EXPECT_EQ(gf_shownError(), "Cannot reach the simulator");
    EXPECT_EQ(gf_shownMessage(), "");
    EXPECT_TRUE(settings.logged("Error Cannot reach the simulator"));
    EXPECT_FALSE(settings.logged("after"));
    EXPECT_EQ(screen.fillAt(100, 460), kRed);
    const auto shown = textAt(3, 455);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->text, "Cannot reach the simulator");
    EXPECT_EQ(shown->colour, kYellow);

    gWindow.gMainWindow.resetForCycle();
    gf_showMessage("after the reset", true);
    screen.pumpUntilIdle();
    EXPECT_EQ(gf_shownError(), "");
    EXPECT_EQ(screen.fillAt(100, 460), kLime);
    ASSERT_TRUE(textAt(3, 455).has_value());
    EXPECT_EQ(textAt(3, 455)->text, "after the reset");
}

TEST_F(MessageLineTest, ClearingErrorAndMessageLetsMessagesThroughAgain)
{
    gf_showError("broken");
    gf_clearErrorAndMessage();
    gf_showMessage("fine again", false);
    EXPECT_EQ(gf_shownMessage(), "fine again");
}

TEST_F(MessageLineTest, MessageShownAtSecondZeroAgesOutAtSecondTwentySix)
{
    open();
    gf_showMessage("aged", false);
    EXPECT_EQ(gWindow.gMainWindow.messageShownAt.load(), 1u);
    for (int second = 1; second <= 25; ++second)
        gf_messageSecondTick();
    EXPECT_EQ(gf_shownMessage(), "aged");
    gf_messageSecondTick();
    EXPECT_EQ(gWindow.gMainWindow.guiSeconds.load(), 26u);
    EXPECT_EQ(gf_shownMessage(), "");
    screen.pumpUntilIdle();
    EXPECT_FALSE(textAt(3, 455).has_value());
}

TEST_F(MessageLineTest, MessageAgesTwentyFiveSecondsAfterItWasShown)
{
    gWindow.gMainWindow.guiSeconds.store(100);
    gf_showMessage("later", false);
    EXPECT_EQ(gWindow.gMainWindow.messageShownAt.load(), 100u);
    for (int i = 0; i < 24; ++i)
        gf_messageSecondTick();
    EXPECT_EQ(gf_shownMessage(), "later");
    gf_messageSecondTick();
    EXPECT_EQ(gf_shownMessage(), "");
}

TEST_F(MessageLineTest, EmptyMessageAndErrorNeverAge)
{
    gf_showMessage("", false);
    EXPECT_EQ(gWindow.gMainWindow.messageShownAt.load(), 0u);
    gf_showError("stays");
    for (int i = 0; i < 100; ++i)
        gf_messageSecondTick();
    EXPECT_EQ(gf_shownError(), "stays");
}

TEST_F(MessageLineTest, FoundationMessagesReachTheLineOnceTheWindowIsOpen)
{
    open();
    gf_foundationShowMessage("from the settings", false);
    EXPECT_EQ(gf_shownMessage(), "from the settings");
}

TEST_F(MessageLineTest, ALogOnAFullDiskIsSaidWhileTheLineIsFree)
{
    TempFolder folder;
    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    std::ofstream(disk / "filler") << std::string(64 * 1024, 'f');
    gf_openLog(disk / "Log.txt");
    open();
    const std::string said =
        "The log " + (disk / "Log.txt").string() + " cannot be written: the disk is full";
    EXPECT_EQ(gf_shownMessage(), said);
    gf_showMessage("other news", false);
    for (int second = 1; second <= 26; ++second)
        gf_messageSecondTick();
    EXPECT_EQ(gf_shownMessage(), said);
    gf_closeLog();
    ::umount(disk.c_str());
}

TEST_F(MessageLineTest, ALogSentElsewhereStaysNoticedWithItsPathReadable)
{
    TempFolder folder; // the program's folder is a file: the log goes to a folder with a long name
    gf_openLog(OXL_SOURCE_DIR "/README.md/Log.txt", folder.path() / std::string(90, 'u'));
    open();
    gf_showMessage("other news", false);
    for (const std::string start : {"other news - The log", "The log cannot be written"})
    {
        screen.pumpUntilIdle();
        const std::string line = textAt(3, 455).value_or(win::PaintedText{}).text;
        EXPECT_TRUE(line.starts_with(start) &&
                    line.find(" to " + folder.path().string().substr(0, 20)) < line.size() &&
                    line.ends_with("uu/Log.txt") && line.size() <= 874 / 7 + 4)
            << line;
        for (int second = 1; second <= 30; ++second)
            gf_messageSecondTick();
    }
    gf_dismissNotice();
}

} // namespace
} // namespace oxl::test
