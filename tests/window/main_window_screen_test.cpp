// The real main window on a virtual display of the test's own: the status band's boxes and the
// message band in their colours, read back from the screen; the screens are kept as pictures.
#include "tests/window/window_fixture.h"

#include "platform/win_fltk.h"
#include "platform/win_system.h"
#include "tests/support/xvfb_display.h"
#include "window/painting.h"

#include <filesystem>

namespace oxl::test
{
namespace
{

constexpr win::ColorRef kLime = 0x32CD32;
constexpr win::ColorRef kYellow = 0x00FFFF;
constexpr win::ColorRef kRed = 0x0000FF;
constexpr win::ColorRef kBlack = 0x000000;
constexpr win::ColorRef kLightBlue = 0xFFCC99;
constexpr std::chrono::seconds kScreenLimit{30};
// Points inside the boxes and bands that no text covers.
constexpr int kSimBoxX = 411, kRtBoxX = 439, kBoxY = 105;
constexpr int kMessageX = 860, kMessageY = 470;

class MainWindowScreenTest : public ::testing::Test
{
  protected:
    // One display for the whole run: FLTK keeps its connection for the life of the process.
    static void SetUpTestSuite() { xvfb_ = new XvfbDisplay; }
    static void TearDownTestSuite()
    {
        delete xvfb_;
        xvfb_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(xvfb_->running()) << xvfb_->error();
        display_.emplace("DISPLAY", xvfb_->name());
        headless_.emplace("OXL_HEADLESS", std::nullopt);
        ASSERT_TRUE(win::useFltk());
        resetWindowState();
        ASSERT_TRUE(lf_openMainWindow());
        win::pumpMessages();
    }
    // The real window goes while its display still runs.
    void TearDown() override
    {
        resetWindowState();
        gf_setShowMessageHook({});
        win::installWindowSystem(win::makeHeadlessSystem());
    }
    std::optional<win::ClientImage> shot(const std::string& name)
    {
        win::invalidateWindow(win::kMainWindow);
        win::pumpMessages();
        auto image = win::readClientArea(kScreenLimit);
        if (image)
        {
            const std::filesystem::path shots =
                std::filesystem::path(OXL_BIN_DIR).parent_path() / "screenshots";
            std::filesystem::create_directories(shots);
            image->writePpm(shots / (name + ".ppm"));
        }
        return image;
    }
    static void connectSource(ShownReaderState traffic)
    {
        gMainWindow.noSourceLink.store(0);
        gf_setTrafficStatusSource(
            [traffic]
            {
                TrafficStatus s;
                s.sourceConnected = true;
                s.editionText = "RT2 edition: Standard";
                s.trafficState = traffic;
                s.qnhState = ShownReaderState::receiving;
                s.qnh = 1013;
                return s;
            });
    }

    static XvfbDisplay* xvfb_;
    SettingsFolder settings;
    std::optional<ScopedEnv> display_;
    std::optional<ScopedEnv> headless_;
};

XvfbDisplay* MainWindowScreenTest::xvfb_ = nullptr;

TEST_F(MainWindowScreenTest, ConnectedStateShowsLimeBoxesAndALimeMessageBand)
{
    gMainWindow.simConnected.store(1);
    gMainWindow.simRunning.store(1);
    gMainWindow.setText(StatusText::simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
    gMainWindow.setText(StatusText::userTitle, "Boeing 737-800 Paint1");
    gMainWindow.liveryCount.store(5123);
    connectSource(ShownReaderState::receiving);
    gf_showMessage("Traffic is flowing", false);
    const auto image = shot("main_window_connected");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 880);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kLime);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kLime);
    EXPECT_EQ(image->at(200, 50), kBlack);
    EXPECT_EQ(image->at(860, 300), kLightBlue);
    EXPECT_EQ(image->at(kMessageX, kMessageY), kLime);
}

TEST_F(MainWindowScreenTest, WaitingStateShowsAYellowSimBoxAndARedRtBox)
{
    gMainWindow.simConnected.store(1);
    gMainWindow.noSourceLink.store(0);
    const auto image = shot("main_window_waiting");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kYellow);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kRed);
}

TEST_F(MainWindowScreenTest, ErrorStateShowsRedBoxesAndARedMessageBand)
{
    gMainWindow.noSourceLink.store(0);
    gf_showError("Simulator connection failed");
    const auto image = shot("main_window_error");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(kSimBoxX, kBoxY), kRed);
    EXPECT_EQ(image->at(kRtBoxX, kBoxY), kRed);
    EXPECT_EQ(image->at(kMessageX, kMessageY), kRed);
}

} // namespace
} // namespace oxl::test
