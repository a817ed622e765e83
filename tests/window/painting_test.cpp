// What the window paints for each state of the simulator link, the traffic source and static parking.
#include "tests/window/window_fixture.h"

#include "foundation/config_keys.h"
#include "window/controls.h"
#include "window/painting.h"
#include "window/window_state.h"

namespace oxl::test
{
namespace
{

constexpr win::ColorRef kLime = 0x32CD32;
constexpr win::ColorRef kYellow = 0x00FFFF;
constexpr win::ColorRef kRed = 0x0000FF;
constexpr win::ColorRef kBlack = 0x000000;
constexpr win::ColorRef kGrey = 0xA0A0A0;
constexpr win::ColorRef kLightBlue = 0xFFCC99;

class PaintingTest : public WindowTest
{
  protected:
    void connectSource(ShownReaderState traffic, ShownReaderState qnh, std::int32_t hpa)
    {
        gWindow.gMainWindow.noSourceLink.store(0);
        TrafficStatus& s = useFixedTrafficView().status;
        s.sourceConnected = true;
        s.editionText = "RT2 edition: Standard";
        s.trafficState = traffic;
        s.qnhState = qnh;
        s.qnh = hpa;
    }
    void repaint()
    {
        win::invalidateWindow(win::kMainWindow);
        screen.pumpUntilIdle();
    }
    // Text and colour at (x, y), or "<none>".
    std::pair<std::string, win::ColorRef> at(int x, int y) const
    {
        const auto t = textAt(x, y);
        return t ? std::pair{t->text, t->colour}
                 : std::pair{std::string("<none>"), win::ColorRef{0xFFFFFFFF}};
    }
    static std::pair<std::string, win::ColorRef> none() { return {"<none>", 0xFFFFFFFF}; }
};

TEST_F(PaintingTest, BandsHeaderAndLinesOfAFreshWindow)
{
    open();
    EXPECT_EQ(screen.fillAt(10, 10), kBlack);
    EXPECT_EQ(screen.fillAt(10, 50), kBlack);
    EXPECT_EQ(screen.fillAt(10, 200), kLightBlue);
    EXPECT_EQ(screen.fillAt(10, 420), kBlack);
    EXPECT_EQ(screen.fillAt(10, 460), kLime);
    EXPECT_EQ(at(3, 7), std::pair(std::string("Version 11.0.4"), kLime));
    EXPECT_EQ(at(390, 7), std::pair(std::string("Ordalis_P3D"), kLime));
    EXPECT_EQ(at(632, 7).second, kLime);
    int white = 0, black = 0;
    for (const win::PaintedLine& l : screen.lines())
        (l.colour == 0xFFFFFF ? white : black) += 1;
    EXPECT_EQ(white, 4);
    EXPECT_EQ(black, 9); // seven row lines, the vertical at 642 and the status-box divider
}

TEST_F(PaintingTest, WithoutSimulatorTheSimBoxIsRedAndItsLinesAreMissing)
{
    open();
    EXPECT_EQ(screen.fillAt(410, 70), kRed);
    EXPECT_EQ(at(398, 63), std::pair(std::string("Sim"), kLime));
    EXPECT_EQ(at(5, 35), none());
    EXPECT_EQ(at(5, 63), none());
    EXPECT_EQ(at(5, 91), std::pair(std::string("# liveries: ..."), kRed));
    EXPECT_EQ(at(141, 91), std::pair(std::string("# simaddon: ..."), kYellow));
    EXPECT_EQ(at(278, 91), std::pair(std::string("# thirdp: ..."), kYellow));
}

TEST_F(PaintingTest, SimBoxColourFollowsConnectionFlightAndTitle)
{
    struct Row
    {
        const char* name;
        bool connected, running;
        const char* title;
        bool modelKnown;
        win::ColorRef box, titleColour;
    };
    const Row rows[] = {
        {"connected, flying, known model", true, true, "Boeing 737-800", true, kLime, kLime},
        {"connected, flying, unknown model", true, true, "Odd plane", false, kLime, kYellow},
        {"connected, no flight", true, false, "Boeing 737-800", true, kYellow, kYellow},
        {"connected, empty title", true, true, "", true, kYellow, kYellow},
    };
    open();
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.name);
        gWindow.gMainWindow.simConnected.store(r.connected);
        gWindow.gMainWindow.simRunning.store(r.running);
        gWindow.gMainWindow.userModelKnown.store(r.modelKnown);
        gWindow.gMainWindow.setText(StatusText::userTitle, r.title);
        gWindow.gMainWindow.setText(StatusText::simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
        gWindow.gMainWindow.setText(StatusText::userStand, "GATE 12");
        repaint();
        EXPECT_EQ(screen.fillAt(410, 70), r.box);
        EXPECT_EQ(
            at(5, 35),
            std::pair(std::string("Lockheed Martin Prepar3D v5 (5.4.9.28482), user stand GATE 12"), r.box));
        if (*r.title != '\0')
        {
            EXPECT_EQ(at(5, 63), std::pair(std::string(r.title), r.titleColour));
        }
    }
}

TEST_F(PaintingTest, ConnectedSourceShowsEditionReadersQnhAndLiveCount)
{
    open();
    connectSource(ShownReaderState::receiving, ShownReaderState::receiving, 1013);
    gWindow.gMainWindow.liveCount.store(7);
    repaint();
    EXPECT_EQ(screen.fillAt(440, 70), kLime);
    EXPECT_EQ(at(430, 63), std::pair(std::string("RT"), kLime));
    EXPECT_EQ(at(458, 35), std::pair(std::string("RT2 edition: Standard"), kLime));
    EXPECT_EQ(at(458, 63), std::pair(std::string("Weather"), kLime));
    EXPECT_EQ(at(458, 91), std::pair(std::string("Traffic"), kLime));
    EXPECT_EQ(at(642, 63), std::pair(std::string("qnh: 1013"), kLime));
    EXPECT_EQ(at(642, 91), std::pair(std::string("live:   7"), kLime));
}

TEST_F(PaintingTest, QuietReadersAreYellowAndAZeroQnhDrawsNothing)
{
    open();
    connectSource(ShownReaderState::quiet, ShownReaderState::quiet, 0);
    repaint();
    EXPECT_EQ(screen.fillAt(440, 70), kYellow);
    EXPECT_EQ(at(458, 63), std::pair(std::string("Weather"), kYellow));
    EXPECT_EQ(at(458, 91), std::pair(std::string("Traffic"), kYellow));
    EXPECT_EQ(at(642, 63), none());
    EXPECT_EQ(at(642, 91), std::pair(std::string("live:   0"), kLime));
}

TEST_F(PaintingTest, WaitingForTheSourceTheRtBoxIsRedWithNoSourceTexts)
{
    open();
    gWindow.gMainWindow.noSourceLink.store(0);
    repaint();
    EXPECT_EQ(screen.fillAt(440, 70), kRed);
    EXPECT_EQ(at(458, 35), none());
    EXPECT_EQ(at(458, 91), none());
    EXPECT_EQ(at(642, 91), none());
}

TEST_F(PaintingTest, WithoutASourceLinkTheRtBoxIsBlackWhateverTheReaders)
{
    open();
    connectSource(ShownReaderState::receiving, ShownReaderState::receiving, 1013);
    gWindow.gMainWindow.noSourceLink.store(1);
    repaint();
    EXPECT_EQ(screen.fillAt(440, 70), kBlack);
}

TEST_F(PaintingTest, CountsOfLiveriesAndAirportFiles)
{
    open();
    gWindow.gMainWindow.liveryCount.store(5123);
    gWindow.gMainWindow.simaddonCount.store(12);
    gWindow.gMainWindow.simaddonComplete.store(0);
    gWindow.gMainWindow.thirdpCount.store(3);
    repaint();
    EXPECT_EQ(at(5, 91), std::pair(std::string("# liveries: 5123"), kLime));
    EXPECT_EQ(at(141, 91), std::pair(std::string("# simaddon: 12"), kYellow));
    EXPECT_EQ(at(278, 91), std::pair(std::string("# thirdp: 3"), kLime));
}

TEST_F(PaintingTest, LabelsSitOnTheirControlsRowsInTheirColours)
{
    open();
    EXPECT_EQ(at(5, 119), std::pair(std::string("Install path:"), kBlack));
    EXPECT_EQ(at(25, 147), std::pair(std::string("Scan for liveries"), kYellow));
    EXPECT_EQ(at(768, 203), std::pair(std::string("GUID changes"), kBlack));
    EXPECT_EQ(at(430, 231), std::pair(std::string("Ah:"), kBlack));
    EXPECT_EQ(at(5, 315), std::pair(std::string("Airport parking"), kBlack));
    EXPECT_EQ(at(672, 315), std::pair(std::string("Straight push backs only"), kGrey));
    EXPECT_EQ(at(506, 371), std::pair(std::string("Max fit:"), kBlack));
    // All but the folder count and the renewal countdown, which need files and static parking.
    EXPECT_EQ(screen.textsIn({0, 112, 880, 392}).size(), 46u);

    AUTO_RANGE.set(false);
    GUID_CHANGES.set(false);
    win::enableWindow(HELICOPTERS.controlId, false);
    gWindow.gMainWindow.parkingBusy.store(1);
    gWindow.gMainWindow.tbloFileCount.store(1);
    gWindow.gMainWindow.setText(StatusText::tbloFolder, "airports\\TBLO");
    repaint();
    EXPECT_EQ(at(430, 231), std::pair(std::string("Ah:"), kGrey));
    EXPECT_EQ(at(536, 231), std::pair(std::string("ft"), kGrey));
    EXPECT_EQ(at(768, 203), std::pair(std::string("GUID changes"), kYellow));
    EXPECT_EQ(at(450, 203), std::pair(std::string("Helicopters"), kGrey));
    EXPECT_EQ(at(5, 315), std::pair(std::string("Airport parking active"), kYellow));
    EXPECT_EQ(at(323, 175), std::pair(std::string("1 airport in airports\\TBLO folder"), kYellow));
}

TEST_F(PaintingTest, MaximumLabelsTurnYellowOrRedAtZero)
{
    struct Row
    {
        std::int32_t park, live;
        win::ColorRef parkColour, liveColour;
    };
    const Row rows[] = {
        {500, 500, kBlack, kBlack}, {0, 500, kYellow, kBlack}, {500, 0, kBlack, kYellow}, {0, 0, kRed, kRed}};
    open();
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << r.park << "/" << r.live);
        MAX_PARK_SEL.set(r.park);
        MAX_LIVE_SEL.set(r.live);
        repaint();
        EXPECT_EQ(at(171, 315).second, r.parkColour);
        EXPECT_EQ(at(401, 315).second, r.liveColour);
    }
}

TEST_F(PaintingTest, NextRenewalOnlyWhileStaticParkingRunsQuietly)
{
    open();
    gWindow.gMainWindow.parkAirportActive.store(1);
    gWindow.gMainWindow.minutesToRenewal.store(12);
    repaint();
    EXPECT_EQ(at(5, 343), std::pair(std::string("(next in 12 min)"), kBlack));
    INITIAL_LOAD_ONLY.set(true);
    repaint();
    EXPECT_EQ(at(5, 343), none());
    EXPECT_EQ(at(450, 371), std::pair(std::string("ILO"), kYellow));
}

TEST_F(PaintingTest, StatisticsOfAnActiveParkAirport)
{
    open();
    gWindow.gMainWindow.setText(StatusText::parkAirportDisplay, "EDDF (FRA)");
    gWindow.gMainWindow.setText(StatusText::parkAirportName, "Frankfurt Main");
    gWindow.gMainWindow.setText(StatusText::parkPublisher, "Aerosoft");
    gWindow.gMainWindow.setText(StatusText::trafficWeek, "23");
    gWindow.gMainWindow.setText(StatusText::qualityText, "0.85");
    gWindow.gMainWindow.setText(StatusText::reservedStand, "V155");
    gWindow.gMainWindow.handmadeFile.store(1);
    gWindow.gMainWindow.softUsed.store(1);
    gWindow.gMainWindow.parkAirportActive.store(1);
    gWindow.gMainWindow.updateCount.store(42);
    gWindow.gMainWindow.standCount.store(310);
    gWindow.gMainWindow.parkedLiveCount.store(12);
    gWindow.gMainWindow.liveAverageFit.store(2.5f);
    gWindow.gMainWindow.maxPark.store(150);
    gWindow.gMainWindow.maxParkPercent.store(48);
    gWindow.gMainWindow.parkedStaticCount.store(88);
    gWindow.gMainWindow.staticAverageFit.store(3.0f);
    repaint();
    EXPECT_EQ(at(5, 399), std::pair(std::string("EDDF (FRA)"), kLime));
    EXPECT_EQ(at(85, 399), std::pair(std::string(" Frankfurt Main, Aerosoft (h), wk=23"), kLime));
    EXPECT_EQ(at(370, 399), std::pair(std::string("*S*"), kLime));
    EXPECT_EQ(at(430, 399), std::pair(std::string("qf: 0.85"), kLime));
    EXPECT_EQ(at(571, 399), std::pair(std::string("reserved stand: V155"), kRed));
    EXPECT_EQ(at(748, 399), std::pair(std::string("# updates:   42"), kLime));
    EXPECT_EQ(at(5, 427), std::pair(std::string("# stands: 310"), kLime));
    EXPECT_EQ(at(111, 427), std::pair(std::string("parked live:  12"), kLime));
    EXPECT_EQ(at(249, 427), std::pair(std::string("average fit: 2.5"), kLime));
    EXPECT_EQ(at(430, 427), std::pair(std::string("parked static:  88"), kLime));
    EXPECT_EQ(at(571, 427), std::pair(std::string("average fit: 3"), kLime));
    EXPECT_EQ(at(708, 427), std::pair(std::string("max park: 150 (=48 %)"), kLime));
}

TEST_F(PaintingTest, StatisticsWithoutMaxParkOrBeforeActivation)
{
    open();
    gWindow.gMainWindow.setText(StatusText::parkAirportDisplay, "LOWW (VIE)");
    repaint();
    EXPECT_EQ(at(5, 399), std::pair(std::string("LOWW (VIE)"), kYellow));
    EXPECT_EQ(screen.textsIn(kStatisticsBand).size(), 1u);
    gWindow.gMainWindow.parkAirportActive.store(1);
    repaint();
    EXPECT_EQ(at(708, 427), std::pair(std::string("no max park live"), kLime));
    EXPECT_EQ(at(430, 427), none());
    EXPECT_EQ(at(249, 427), none()); // an average fit of -1 is not drawn
}

TEST_F(PaintingTest, NoParkAirportNoStatistics)
{
    open();
    gWindow.gMainWindow.parkAirportActive.store(1);
    repaint();
    EXPECT_TRUE(screen.textsIn(kStatisticsBand).empty());
}

TEST_F(PaintingTest, TextThatIsNoUtf8IsShownEscaped)
{
    open();
    gWindow.gMainWindow.simConnected.store(1);
    gWindow.gMainWindow.setText(StatusText::userTitle, "bad \xC3 title");
    // A livery title from an ANSI aircraft.cfg on the message line.
    gf_showMessage("SWR12 'Caf\xE9 Air' could not be created by your Sim!", false);
    repaint();
    EXPECT_EQ(at(5, 63), std::pair(std::string("bad \\xc3 title"), kYellow));
    EXPECT_EQ(at(3, 455),
              std::pair(std::string("SWR12 'Caf\\xe9 Air' could not be created by your Sim!"), kYellow));
    EXPECT_EQ(at(5, 91), std::pair(std::string("# liveries: ..."), kRed));
    for (const std::string& line : settings.logLines())
        EXPECT_EQ(line.find("conversion exception"), std::string::npos) << line;
}

TEST_F(PaintingTest, DisabledControlGreysItsLabel)
{
    open();
    gf_enableControl(LIGHT_AIRCRAFT, false);
    screen.pumpUntilIdle();
    ASSERT_TRUE(textAt(343, 203).has_value());
    EXPECT_EQ(textAt(343, 203)->colour, 0xA0A0A0u);
    gf_enableControl(LIGHT_AIRCRAFT);
    screen.pumpUntilIdle();
    EXPECT_EQ(textAt(343, 203)->colour, 0x000000u);
}

} // namespace
} // namespace oxl::test
