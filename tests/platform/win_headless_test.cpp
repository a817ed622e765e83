#include "platform/win_headless.h"

#include <gtest/gtest.h>

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
constexpr ColorRef kLime = 0x32CD32;
constexpr ColorRef kYellow = 0x00FFFF;
constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kLightBlue = 0xFFCC99;
constexpr Rect kStatusBand{0, 28, 880, 112};
constexpr Rect kMessageBand{0, 448, 880, 476};

// What the window procedures saw, and what the test window paints.
struct Seen
{
    std::mutex mutex;
    std::vector<Message> messages;
    std::vector<Message> editMessages;
    WndProc previousEditProc = nullptr;
    std::string status = "status one";
    std::string message = "hello";
};
Seen* gSeen = nullptr;

LResult editProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    {
        std::lock_guard lock(gSeen->mutex);
        gSeen->editMessages.push_back({hwnd, msg, wParam, lParam});
    }
    if (msg == WM_CHAR && wParam == kEnterKey)
        return 0;
    return callWindowProc(gSeen->previousEditProc, hwnd, msg, wParam, lParam);
}

LResult testProc(Hwnd hwnd, unsigned msg, WParam wParam, LParam lParam)
{
    if (msg != WM_PAINT)
    {
        std::lock_guard lock(gSeen->mutex);
        gSeen->messages.push_back({hwnd, msg, wParam, lParam});
    }
    switch (msg)
    {
    case WM_CREATE:
        createControl({ControlKind::CheckBox, kCheck, 5, 149, 12, 12, "", true, false});
        createControl({ControlKind::PushButton, kButton, 323, 257, 70, 20, "Unblock", false, false});
        createControl({ControlKind::Edit, kEdit, 217, 259, 100, 16, "", true, false});
        createControl({ControlKind::Combo, kCombo, 217, 226, 50, 22, "", true, false});
        gSeen->previousEditProc = setWindowProc(kEdit, editProc);
        return 0;
    case WM_PAINT:
    {
        auto& canvas = *reinterpret_cast<Canvas*>(lParam);
        std::lock_guard lock(gSeen->mutex);
        canvas.fillRect({0, 0, 880, 112}, kBlack);
        canvas.fillRect({0, 112, 880, 392}, kLightBlue);
        canvas.fillRect(kMessageBand, kLime);
        canvas.line(0, 28, 880, 28, 0xFFFFFF);
        canvas.textOut(5, 35, gSeen->status, kLime);
        canvas.textOut(3, 455, gSeen->message, kYellow);
        return 0;
    }
    case WM_COMMAND:
        // Check boxes are not automatic: the procedure toggles the mark, as the window code does.
        if (hiWord(wParam) == BN_CLICKED && loWord(wParam) == kCheck)
        {
            setButtonCheck(kCheck, !isDlgButtonChecked(hwnd, kCheck));
        }
        break;
    case WM_CLOSE:
        postQuitMessage(4);
        break;
    default:
        break;
    }
    return 0;
}

class HeadlessWindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        gSeen = &seen_;
        ASSERT_TRUE(registerClass("Ordalis_P3D", testProc));
        ASSERT_EQ(createWindow("Ordalis_P3D", "Ordalis_P3D", 400, 20, 880, 516), kMainWindow);
    }
    void TearDown() override { gSeen = nullptr; }
    std::vector<Message> messages()
    {
        std::lock_guard lock(seen_.mutex);
        return seen_.messages;
    }
    Seen seen_;
    HeadlessWindows& windows_ = useHeadless();
};

TEST_F(HeadlessWindowTest, CreateSendsWmCreateAndMakesControls)
{
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().front().msg, WM_CREATE);
    EXPECT_EQ(getDlgItem(kMainWindow, kCheck), Hwnd{kCheck});
    EXPECT_EQ(getDlgItem(kMainWindow, 0x9999), kNoWindow);
    EXPECT_FALSE(isWindowEnabled(kButton));
    EXPECT_EQ(getWindowText(kButton), "Unblock");
    EXPECT_EQ(createControl({ControlKind::Edit, kEdit, 0, 0, 10, 10, "", true, false}), kNoWindow);
    EXPECT_EQ(createWindow("Ordalis_P3D", "again", 0, 0, 10, 10), kNoWindow);
    EXPECT_FALSE(registerClass("Ordalis_P3D", testProc));
    EXPECT_EQ(windows_.clientRect(), (Rect{0, 0, 880, 488}));
}

TEST_F(HeadlessWindowTest, MessagesFromOtherThreadsArriveInOrder)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::thread loop([] { EXPECT_EQ(runMessageLoop(), 4); });
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
    {
        posters.emplace_back(
            [t]
            {
                for (int i = 0; i < kPerThread; ++i)
                    postMessage(kMainWindow, WM_APP + 1, static_cast<WParam>(t), i);
            });
    }
    for (auto& p : posters)
        p.join();
    postMessage(kMainWindow, WM_CLOSE);
    loop.join();

    std::vector<LParam> next(kThreads, 0);
    int count = 0;
    for (const Message& m : messages())
    {
        if (m.msg != WM_APP + 1)
            continue;
        EXPECT_EQ(m.lParam, next[m.wParam]) << "thread " << m.wParam;
        next[m.wParam] = m.lParam + 1;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kPerThread);
    EXPECT_EQ(messages().back().msg, WM_CLOSE);
}

TEST_F(HeadlessWindowTest, CheckBoxClickOnlyNotifiesAndTheProcedureToggles)
{
    ASSERT_TRUE(windows_.click(kCheck));
    EXPECT_FALSE(isDlgButtonChecked(kMainWindow, kCheck)); // nothing dispatched yet
    windows_.pumpUntilIdle();
    EXPECT_TRUE(isDlgButtonChecked(kMainWindow, kCheck));
    const Message m = messages().back();
    EXPECT_EQ(m.msg, WM_COMMAND);
    EXPECT_EQ(loWord(m.wParam), kCheck);
    EXPECT_EQ(hiWord(m.wParam), BN_CLICKED);
}

TEST_F(HeadlessWindowTest, DisabledControlsTakeNoInput)
{
    EXPECT_FALSE(windows_.click(kButton));
    enableWindow(kEdit, false);
    EXPECT_FALSE(windows_.type(kEdit, "ABC"));
    EXPECT_FALSE(windows_.pressEnter(kEdit));
    enableWindow(kButton, true);
    EXPECT_TRUE(windows_.click(kButton));
    EXPECT_FALSE(windows_.click(kEdit)); // not a button
}

TEST_F(HeadlessWindowTest, OtherThreadsChangeControlStateWithoutTheGuiThread)
{
    std::thread worker(
        []
        {
            setButtonCheck(kCheck, true);
            setWindowText(kEdit, "EGLL");
            comboAddString(kCombo, "10");
            comboAddString(kCombo, "40");
            comboSetCurSel(kCombo, 1);
            enableWindow(kButton, true);
        });
    worker.join(); // no message loop runs: nothing may wait for it
    EXPECT_TRUE(isDlgButtonChecked(kMainWindow, kCheck));
    EXPECT_EQ(getWindowText(kEdit), "EGLL");
    EXPECT_EQ(comboGetCurSel(kCombo), 1);
    EXPECT_EQ(getWindowText(kCombo), "40");
    EXPECT_TRUE(isWindowEnabled(kButton));
}

TEST_F(HeadlessWindowTest, ComboFollowsTheListRules)
{
    for (const char* item : {"2", "3", "40", "100"})
        comboAddString(kCombo, item);
    EXPECT_EQ(comboGetCurSel(kCombo), CB_ERR);
    EXPECT_TRUE(setWindowText(kCombo, "40"));
    EXPECT_EQ(comboGetCurSel(kCombo), 2);
    EXPECT_FALSE(setWindowText(kCombo, "7")); // no such item: the selection stays
    EXPECT_EQ(comboGetCurSel(kCombo), 2);
    EXPECT_EQ(comboGetLbText(kCombo, 3), "100");
    EXPECT_EQ(comboGetLbText(kCombo, 4), std::nullopt);
    EXPECT_EQ(comboSetCurSel(kCombo, 9), CB_ERR);
    EXPECT_EQ(comboGetCurSel(kCombo), CB_ERR);

    ASSERT_TRUE(windows_.chooseItem(kCombo, 1));
    windows_.pumpUntilIdle();
    const Message m = messages().back();
    EXPECT_EQ(m.msg, WM_COMMAND);
    EXPECT_EQ(loWord(m.wParam), kCombo);
    EXPECT_EQ(hiWord(m.wParam), CBN_SELCHANGE);
    EXPECT_EQ(getWindowText(kCombo), "3");
    EXPECT_FALSE(windows_.chooseItem(kCombo, 4));

    comboResetContent(kCombo);
    EXPECT_EQ(comboGetCurSel(kCombo), CB_ERR);
    EXPECT_EQ(getWindowText(kCombo), "");
}

TEST_F(HeadlessWindowTest, EnterReachesTheSubclassedEditProcedure)
{
    ASSERT_TRUE(windows_.type(kEdit, "egll"));
    EXPECT_EQ(getWindowText(kEdit), "egll");
    ASSERT_TRUE(windows_.pressEnter(kEdit));
    windows_.pumpUntilIdle();
    ASSERT_EQ(seen_.editMessages.size(), 1u);
    EXPECT_EQ(seen_.editMessages[0].hwnd, Hwnd{kEdit});
    EXPECT_EQ(seen_.editMessages[0].msg, WM_CHAR);
    EXPECT_EQ(seen_.editMessages[0].wParam, kEnterKey);
    // What the box does not take goes on to the procedure it replaced.
    postMessage(kEdit, WM_CHAR, 'x', 0);
    windows_.pumpUntilIdle();
    EXPECT_EQ(seen_.editMessages.size(), 2u);
}

TEST_F(HeadlessWindowTest, PaintJournalShowsWhatWasPainted)
{
    EXPECT_EQ(windows_.paintCount(), 0); // not shown yet
    showWindow(kMainWindow);
    windows_.pumpUntilIdle();
    ASSERT_EQ(windows_.paintCount(), 1);
    EXPECT_EQ(windows_.lastPaintRect(), (Rect{0, 0, 880, 488}));
    EXPECT_EQ(windows_.fillAt(100, 200), kLightBlue);
    EXPECT_EQ(windows_.fillAt(5, 460), kLime);
    EXPECT_EQ(windows_.fillAt(5, 480), std::nullopt);
    const auto texts = windows_.textsIn(kMessageBand);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "hello");
    EXPECT_EQ(texts[0].colour, kYellow);
    EXPECT_EQ(texts[0].x, 3);
    EXPECT_EQ(texts[0].y, 455);
    ASSERT_EQ(windows_.lines().size(), 1u);

    // Only the invalidated band is painted again: the status text keeps what the screen showed.
    {
        std::lock_guard lock(seen_.mutex);
        seen_.status = "status two";
        seen_.message = "world";
    }
    invalidateRect(kMainWindow, kMessageBand);
    invalidateRect(kMainWindow, kMessageBand); // invalidations merge into one WM_PAINT
    windows_.pumpUntilIdle();
    EXPECT_EQ(windows_.paintCount(), 2);
    EXPECT_EQ(windows_.lastPaintRect(), kMessageBand);
    EXPECT_EQ(windows_.findText("world")->y, 455);
    EXPECT_FALSE(windows_.findText("hello"));
    EXPECT_TRUE(windows_.findText("status one"));
    invalidateRect(kMainWindow, kStatusBand);
    windows_.pumpUntilIdle();
    EXPECT_FALSE(windows_.findText("status one"));
    EXPECT_EQ(windows_.findText("status two")->colour, kLime);
}

TEST_F(HeadlessWindowTest, WindowRectFollowsMovesAndMinimising)
{
    EXPECT_EQ(getWindowRect(kMainWindow), (Rect{400, 20, 1280, 536}));
    windows_.setWorkArea({0, 30, 1024, 768}); // a laptop's screen with a panel at the top
    EXPECT_EQ(screenWorkArea(-5000, 9000), (Rect{0, 30, 1024, 768}));
    windows_.moveTo(-5, 7);
    EXPECT_EQ(getWindowRect(kMainWindow).left, -5);
    EXPECT_EQ(getWindowRect(kMainWindow).top, 7);
    windows_.iconify(true);
    EXPECT_EQ(getWindowRect(kMainWindow).left, kMinimisedPosition);
    EXPECT_EQ(getWindowRect(kMainWindow).top, kMinimisedPosition);
    EXPECT_TRUE(setTopmost(kMainWindow, true));
    EXPECT_TRUE(windows_.topmost());
}

TEST_F(HeadlessWindowTest, SigtermBecomesWmClose)
{
    std::thread loop([] { EXPECT_EQ(runMessageLoop(), 4); });
    ASSERT_TRUE(windows_.waitIdle(std::chrono::seconds(60)));
    std::raise(SIGTERM);
    loop.join();
    EXPECT_EQ(messages().back().msg, WM_CLOSE);
}

TEST_F(HeadlessWindowTest, CloseButtonPostsWmCloseAndKeepsTheWindow)
{
    ASSERT_TRUE(windows_.clickClose());
    EXPECT_EQ(runMessageLoop(), 4);
    EXPECT_TRUE(isWindow(kMainWindow));
}

TEST_F(HeadlessWindowTest, QuitFromAnotherThreadEndsTheLoopAndUnknownWindowsTakeNothing)
{
    EXPECT_FALSE(postMessage(0x9999, WM_APP + 1));
    EXPECT_FALSE(setButtonCheck(kButton, true)); // a push button has no mark
    EXPECT_EQ(comboAddString(kEdit, "x"), CB_ERR);
    std::thread loop([] { EXPECT_EQ(runMessageLoop(), 0); });
    std::thread([] { postQuitMessage(0); }).join();
    loop.join();
}

TEST_F(HeadlessWindowTest, UpdateWindowPaintsAtOnce)
{
    showWindow(kMainWindow);
    ASSERT_TRUE(updateWindow(kMainWindow));
    EXPECT_EQ(windows_.paintCount(), 1);
    EXPECT_EQ(windows_.fillAt(100, 50), kBlack);
}

struct CutCase
{
    const char* name;
    std::string text;
    std::size_t units;
    std::size_t expectedBytes;
};

TEST(WindowTextCut, CutsAtCharacterBoundaries)
{
    const std::string euro = "\xE2\x82\xAC";     // one unit
    const std::string clef = "\xF0\x9D\x84\x9E"; // two units
    const CutCase cases[] = {
        {"short ascii", "abc", 1023, 3},
        {"ascii at limit", std::string(1030, 'a'), 1023, 1023},
        {"three-byte characters", euro + euro + euro, 2, 6},
        {"pair does not fit in one unit", "a" + clef, 2, 1},
        {"pair fits", "a" + clef, 3, 5},
        {"truncated sequence", "a\xE2\x82", 5, 3},
    };
    for (const CutCase& c : cases)
    {
        EXPECT_EQ(cutToUtf16Units(c.text, c.units).size(), c.expectedBytes) << c.name;
    }
}

} // namespace
} // namespace oxl::win
