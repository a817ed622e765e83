// The dispatch's rules that need no simulator: which simulator is accepted, the civil-day count of the
// simulator's time, and messages too short for their id.
#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_state.h"
#include "tests/support/log_capture.h"
#include "window/window_status.h"

#include <gtest/gtest.h>

namespace oxl::test
{
namespace
{

// The install path the link is given, and what the link shows of the simulator it opened.
class OpenWatch final : public NoSimLinkPort, public NoStatusService
{
  public:
    [[nodiscard]] std::string installPathText() override { return path; }
    void enableControl(const ControlBinding& control, bool enable) override
    {
        if (&control == &ALL_INSTALL_PATH)
            installPathEnabled = enable;
    }
    void setFlag(StatusFlag which, bool on) override
    {
        if (which == StatusFlag::simConnected)
            simConnected = on;
    }
    void setText(StatusText which, const std::string& value) override
    {
        if (which == StatusText::simulatorText)
            simulatorText = value;
    }

    std::string path;
    bool installPathEnabled = false;
    bool simConnected = false;
    std::string simulatorText;
};

class OpenTest : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        gf_installSimLinkPort(nullptr);
        gf_installStatusService(&gf_windowStatusService());
        gf_resetSimLink();
        gSimLink.gSimVersion = 5;
    }
    LogCapture log;
};

TEST_F(OpenTest, SimulatorIsAcceptedByItsNameTheInstallPathAndTheConfiguredVersion)
{
    struct Row
    {
        const char* name;
        std::string simulator;
        std::string path;
        std::uint32_t version;
        bool accepted;
    };
    const std::vector<Row> rows{
        {"v5 with a V5 path whatever the version", "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5",
         "D:\\P3D V5", 6, true},
        {"v5 with the configured version 5", "Prepar3D v5", "D:\\Sim", 5, true},
        {"a name with a line break, an ESC and a byte that is no UTF-8",
         "Prepar3D v5\n===> FORGED: Exiting: USER CLOSED SIM\x1b[31m\xe9", "D:\\Sim", 5, true},
        {"v5 with version 6 and a neutral path", "Prepar3D v5", "D:\\Sim", 6, false},
        {"v6 with a v6 path", "Prepar3D v6", "C:\\P3D v6", 5, true},
        {"upper-case V5 in the name only", "Prepar3D V5", "C:\\P3D v5", 5, false},
    };
    OpenWatch watch;
    gf_installSimLinkPort(&watch);
    gf_installStatusService(&watch);
    for (const auto& row : rows)
    {
        gSimLink.gSimVersion = row.version;
        watch.path = row.path;
        watch.installPathEnabled = false;
        watch.simConnected = false;
        ScRecvOpen open;
        open.applicationName = row.simulator;
        open.applicationVersionMajor = 5;
        if (row.accepted)
            EXPECT_NO_THROW(gf_onOpen(open)) << row.name;
        else
            EXPECT_THROW(gf_onOpen(open), UserErrorException) << row.name;
        EXPECT_EQ(watch.installPathEnabled, !row.accepted) << row.name;
        EXPECT_TRUE(watch.simConnected) << row.name;
    }
    EXPECT_EQ(watch.simulatorText, "Prepar3D V5 (5.0.0.0)");
    EXPECT_TRUE(log.contains("Prepar3D v5\\n FORGED Exiting USER CLOSED SIM31m (5.0.0.0) connected"));
}

TEST_F(OpenTest, OtherSimulatorsAreRefusedByName)
{
    ScRecvOpen open;
    open.applicationName = "Kitty\xE2\x84\xA2Hawk";
    try
    {
        gf_onOpen(open);
        FAIL();
    }
    catch (const UserErrorException& e)
    {
        EXPECT_STREQ(e.what(), "78: KittyHawk, (MSFS) not being P3D connects ... ?");
    }
    open.applicationName.clear();
    EXPECT_NO_THROW(gf_onOpen(open));
    EXPECT_TRUE(log.contains("! Simulator name empty?"));
}

TEST_F(OpenTest, ShortAndUnknownMessagesAreLoggedAndSkipped)
{
    const std::byte shortEvent[12] = {std::byte{12}, {}, {}, {}, {}, {}, {}, {}, std::byte{4}, {}, {}, {}};
    gf_dispatchProc(shortEvent, sizeof shortEvent, nullptr);
    const std::byte unknown[12] = {std::byte{12}, {}, {}, {}, {}, {}, {}, {}, std::byte{99}, {}, {}, {}};
    gf_dispatchProc(unknown, sizeof unknown, nullptr);
    gf_dispatchProc(nullptr, 0, nullptr);
    EXPECT_TRUE(log.contains("! short message id 4 size 12"));
    EXPECT_TRUE(log.contains("! Unknown Dispatch dwID 99"));
}

TEST(SimulatorTime, DaysSince1970)
{
    EXPECT_EQ(gf_daysSince1970(1, 1970), 0);
    EXPECT_EQ(gf_daysSince1970(60, 2000), 11016); // 29 February 2000
    EXPECT_EQ(gf_daysSince1970(341, 2026), 20794);
}

} // namespace
} // namespace oxl::test
