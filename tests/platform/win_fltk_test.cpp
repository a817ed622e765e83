// The real window on a virtual display of the test's own: what is painted and what the controls
// show is read back from the screen.
#include "platform/win_fltk.h"
#include "platform/win_system.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_display.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

namespace oxl::win
{
namespace
{

constexpr unsigned kCheck = 0x801D;
constexpr unsigned kButton = 0x803D;
constexpr unsigned kEdit = 0x803C;
constexpr unsigned kCombo = 0x8032;
constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kLime = 0x32CD32;
constexpr ColorRef kYellow = 0x00FFFF;
constexpr ColorRef kLightBlue = 0xFFCC99;
constexpr Rect kMessageBand{0, 448, 880, 476};
constexpr unsigned long kReturnKey = 0xFF0D; // X key symbol of Return
constexpr std::chrono::milliseconds kScreenLimit{test::kEventLimit};

std::atomic<bool> gError{false};
std::mutex gSeenMutex;
std::vector<Message> gSeen;
std::vector<Message> gSeenByEdit;
WndProc gPreviousEditProc = nullptr;

LResult editProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    {
        std::lock_guard lock(gSeenMutex);
        gSeenByEdit.push_back({hwnd, msg, wParam, lParam});
    }
    if (msg == WM_CHAR && wParam == kEnterKey)
        return 0;
    return callWindowProc(gPreviousEditProc, hwnd, msg, wParam, lParam);
}

LResult windowProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    if (msg != WM_PAINT)
    {
        std::lock_guard lock(gSeenMutex);
        gSeen.push_back({hwnd, msg, wParam, lParam});
    }
    switch (msg)
    {
    case WM_CREATE:
        createControl({ControlKind::CheckBox, kCheck, 5, 149, 12, 12, "", true, false});
        createControl({ControlKind::PushButton, kButton, 323, 257, 70, 20, "Unblock", false, false});
        createControl({ControlKind::Edit, kEdit, 217, 259, 100, 16, "", true, false});
        createControl({ControlKind::Combo, kCombo, 217, 226, 50, 22, "", true, false});
        gPreviousEditProc = setWindowProc(kEdit, editProc);
        comboAddString(kCombo, "10");
        comboAddString(kCombo, "40");
        comboSetCurSel(kCombo, 1);
        setControlBackground(kLightBlue);
        return 0;
    case WM_PAINT:
    {
        auto& canvas = *reinterpret_cast<Canvas*>(lParam);
        canvas.fillRect({0, 0, 880, 112}, kBlack);
        canvas.fillRect({0, 112, 880, 392}, kLightBlue);
        canvas.fillRect({0, 392, 880, 448}, kBlack);
        canvas.fillRect(kMessageBand, gError ? kRed : kLime);
        canvas.line(0, 28, 880, 28, kWhite);
        canvas.line(0, 140, 880, 140, kBlack);
        canvas.textOut(3, 455, "Close window button clicked, closing Ordalis_P3D ...", kYellow);
        return 0;
    }
    case WM_COMMAND:
        if (loWord(wParam) == kCheck && hiWord(wParam) == BN_CLICKED)
            setButtonCheck(kCheck, !isDlgButtonChecked(hwnd, kCheck));
        return 0;
    case WM_APP + 1:
        std::raise(SIGTERM);
        return 0;
    case WM_CLOSE:
        postQuitMessage(4);
        return 0;
    default:
        return defWindowProc(hwnd, msg, wParam, lParam);
    }
}

bool sawMessage(unsigned msg)
{
    std::lock_guard lock(gSeenMutex);
    for (const Message& m : gSeen)
        if (m.msg == msg)
            return true;
    return false;
}

// True when some pixel of r is drawn in a yellow tone (text is anti-aliased at its edges).
bool yellowTextIn(const ClientImage& image, const Rect& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
        {
            const ColorRef c = image.at(x, y);
            if (redOf(c) > 200 && greenOf(c) > 200 && blueOf(c) < 100)
                return true;
        }
    return false;
}

class FltkWindowTest : public ::testing::Test
{
  protected:
    // One display for the whole run: FLTK keeps its connection for the life of the process.
    static void SetUpTestSuite() { xvfb_ = new test::XvfbDisplay; }
    static void TearDownTestSuite()
    {
        delete xvfb_;
        xvfb_ = nullptr;
    }
    void SetUp() override
    {
        {
            std::lock_guard lock(gSeenMutex);
            gSeen.clear();
            gSeenByEdit.clear();
        }
        ASSERT_TRUE(xvfb_->running()) << xvfb_->error();
        display_.emplace("DISPLAY", xvfb_->name());
        headless_.emplace("OXL_HEADLESS", std::nullopt);
        ASSERT_TRUE(useFltk());
        ASSERT_EQ(backendName(), "fltk");
        ASSERT_TRUE(registerClass("Ordalis_P3D", windowProc));
        ASSERT_EQ(createWindow("Ordalis_P3D", "Ordalis_P3D", 37, 45, 880, 516), kMainWindow);
        ASSERT_TRUE(showWindow(kMainWindow));
        ASSERT_TRUE(updateWindow(kMainWindow));
    }
    // The real window goes while its display still runs.
    void TearDown() override { installWindowSystem(makeHeadlessSystem()); }
    std::optional<ClientImage> screen() { return readClientArea(kScreenLimit); }

    static test::XvfbDisplay* xvfb_;
    std::optional<test::ScopedEnv> display_;
    std::optional<test::ScopedEnv> headless_;
};

test::XvfbDisplay* FltkWindowTest::xvfb_ = nullptr;

TEST_F(FltkWindowTest, ShowsBandsLinesTextAndControlsOnTheScreen)
{
    const auto image = screen();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 880);
    EXPECT_EQ(image->height, 488);
    EXPECT_EQ(image->at(860, 10), kBlack);
    EXPECT_EQ(image->at(860, 28), kWhite);
    EXPECT_EQ(image->at(860, 29), kBlack);
    EXPECT_EQ(image->at(860, 300), kLightBlue);
    EXPECT_EQ(image->at(860, 140), kBlack);
    EXPECT_EQ(image->at(860, 420), kBlack);
    EXPECT_EQ(image->at(860, 460), kLime);
    EXPECT_TRUE(yellowTextIn(*image, {3, 455, 200, 470}));
    EXPECT_EQ(image->at(11, 155), kWhite);               // inside the empty check box
    EXPECT_EQ(image->at(217 + 96, 259 + 8), kLightBlue); // edit box background
    bool comboText = false;                              // the selected item "40" shows in the closed list
    for (int y = 230; y < 244; ++y)
        for (int x = 221; x < 245; ++x)
            comboText = comboText || redOf(image->at(x, y)) < 80;
    EXPECT_TRUE(comboText);

    const std::filesystem::path shots = std::filesystem::path(OXL_BIN_DIR).parent_path() / "screenshots";
    std::filesystem::create_directories(shots);
    EXPECT_TRUE(image->writePpm(shots / "main_window.ppm"));
    EXPECT_EQ(std::filesystem::file_size(shots / "main_window.ppm"), 15u + 880u * 488u * 3u);
}

TEST_F(FltkWindowTest, AnotherThreadsInvalidationRepaintsTheBand)
{
    std::thread worker(
        []
        {
            gError = true;
            invalidateRect(kMainWindow, kMessageBand);
        });
    worker.join();
    pumpMessages();
    const auto image = screen();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->at(860, 460), kRed);
    gError = false;
}

TEST_F(FltkWindowTest, WindowSitsAtItsStoredPosition)
{
    ASSERT_TRUE(screen());
    const Rect r = getWindowRect(kMainWindow);
    EXPECT_EQ(r.left, 37);
    EXPECT_EQ(r.top, 45);
    EXPECT_EQ(screenWorkArea(r.left, r.top), (Rect{0, 0, 1280, 800})); // no window manager: the whole screen
}

TEST_F(FltkWindowTest, CheckBoxClickNotifiesAndTheProcedureSetsTheMark)
{
    ASSERT_TRUE(screen());
    ASSERT_TRUE(sendClick(11, 155));
    pumpMessages();
    EXPECT_TRUE(isDlgButtonChecked(kMainWindow, kCheck));
    const auto image = screen();
    ASSERT_TRUE(image);
    bool tick = false;
    for (int y = 150; y < 160; ++y)
        for (int x = 6; x < 16; ++x)
            tick = tick || image->at(x, y) == kBlack;
    EXPECT_TRUE(tick);

    ASSERT_TRUE(sendClick(330, 265)); // the disabled button
    pumpMessages();
    std::lock_guard lock(gSeenMutex);
    for (const Message& m : gSeen)
        EXPECT_FALSE(m.msg == WM_COMMAND && loWord(m.wParam) == kButton);
}

TEST_F(FltkWindowTest, TypedTextReachesTheModelAndEnterTheEditProcedure)
{
    ASSERT_TRUE(screen());
    ASSERT_TRUE(sendClick(240, 266));
    ASSERT_TRUE(sendKey('e'));
    ASSERT_TRUE(sendKey('g'));
    ASSERT_TRUE(sendKey(kReturnKey));
    pumpMessages();
    EXPECT_EQ(getWindowText(kEdit), "eg");
    std::lock_guard lock(gSeenMutex);
    ASSERT_EQ(gSeenByEdit.size(), 1u);
    EXPECT_EQ(gSeenByEdit[0].msg, WM_CHAR);
    EXPECT_EQ(gSeenByEdit[0].wParam, kEnterKey);
}

TEST_F(FltkWindowTest, CloseButtonAndSigtermBecomeWmClose)
{
    ASSERT_TRUE(screen());
    ASSERT_TRUE(sendCloseRequest());
    EXPECT_EQ(runMessageLoop(), 4);
    EXPECT_TRUE(sawMessage(WM_CLOSE));
    EXPECT_TRUE(isWindow(kMainWindow)); // the window stays until the program ends

    {
        std::lock_guard lock(gSeenMutex);
        gSeen.clear();
    }
    postMessage(kMainWindow, WM_APP + 1); // raises SIGTERM on the GUI thread
    EXPECT_EQ(runMessageLoop(), 4);
    EXPECT_TRUE(sawMessage(WM_CLOSE));
}

} // namespace
} // namespace oxl::win
