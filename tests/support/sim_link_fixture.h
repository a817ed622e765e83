// The whole simulator link against the simulator stand-in process: the SimClient thread connects over
// the pipe stand-in in a temporary folder; tests drive the stand-in and watch the link's state.
#pragma once

#include "foundation/run_state.h"
#include "foundation/utf.h"
#include "records/records_state.h"
#include "simlink/client/sc_connect.h"
#include "simlink/sim_client.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"
#include "tests/support/log_capture.h"
#include "tests/support/sc_environment.h"
#include "tests/support/sim_standin_process.h"
#include "tests/support/temp_folder.h"
#include "traffic/cycle/cycle_worker.h"
#include "window/window_state.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oxl::test
{

/// Repeats the test until it holds or ten seconds pass; the last result.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds bound = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

/// Starts the cycle's SimClient thread on the link's own body, as the program's simulator port runs it.
inline void startLinkClient()
{
    static struct LinkClient final : NoCycleSimulator
    {
        void runClient(std::stop_token stop) override { SimClient(stop); }
    } link;
    gf_installCycleSimulatorPort(&link);
    gf_startSimClientThread();
    gf_installCycleSimulatorPort(nullptr);
}

class SimLinkTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        gf_resetSimLink();
        gWindow.gMainWindow.resetForCycle();
        gSimLink.gUserOnGround = 0;
        gSimLink.gUserDataValid = 0;
        gSimLink.gSecondTick = 0;
        gFoundation.gStopRequested = 0;
        gFoundation.gWindowClosed = 0;
        gf_installSimLinkPort(&port);
        ASSERT_TRUE(sim.start(OXL_STANDIN_DIR, standinArgs(), tmp.path().string()));
        scSetEnvironment(bareScEnvironment());
        gf_initSimQueues(5);
        startLinkClient();
    }

    void TearDown() override
    {
        gf_stopSimClientThread();
        gf_resetSimLink();
        gf_installSimLinkPort(nullptr);
        gFoundation.gStopRequested = 0;
        gFoundation.gWindowClosed = 0;
        scSetEnvironment({});
    }

    /// Arguments of the stand-in; derived fixtures change its name, frame rate or known titles.
    virtual std::vector<std::string> standinArgs()
    {
        return {"--add-delay-ms",      "20", "--title",      "Known Jet",
                "--frames-per-second", "60", "--frame-rate", "60"};
    }

    /// Waits until the link has registered and the simulator reports a running flight.
    bool connected()
    {
        return eventually([] { return gSimLink.gSimRunning.load() == 1; }) &&
               sim.waitState(
                   [](const nlohmann::json& s)
                   {
                       return !s["sessions"].empty() && s["sessions"][0]["groups"].contains("301") &&
                              s["sessions"][0]["groups"]["301"]["priority"] == 1;
                   });
    }

    /// Moves the link's answers into `answers`.
    void drainAnswers()
    {
        std::lock_guard lock(gRecords.gSimAnswerQueue.simAnswerMutex);
        answers.insert(answers.end(), gRecords.gSimAnswerQueue.answers.begin(),
                       gRecords.gSimAnswerQueue.answers.end());
        gRecords.gSimAnswerQueue.answers.clear();
    }

    /// Waits for an answer of the kind that satisfies pred; a copy of it.
    std::optional<SimAnswer> waitAnswer(
        SimAnswerKind kind,
        const std::function<bool(const SimAnswer&)>& pred = [](const SimAnswer&) { return true; })
    {
        std::optional<SimAnswer> found;
        eventually(
            [&]
            {
                drainAnswers();
                for (const auto& a : answers)
                    if (a.kind == kind && pred(a))
                    {
                        found = a;
                        return true;
                    }
                return false;
            });
        return found;
    }

    /// The stand-in's object with the tail number, or an empty object.
    nlohmann::json objectByTail(const std::string& tail)
    {
        const auto state = sim.state();
        for (const auto& o : state["objects"])
            if (gf_restoreBytes(o["tail"].get<std::string>()) == tail)
                return o;
        return nlohmann::json::object();
    }

    /// Asks the stand-in for every aircraft in range (request 101).
    void requestAcInRange()
    {
        gf_simCall([](ScHandle h) { return SimConnect_RequestDataOnSimObjectType(h, 101, 404, 20000, 2); });
    }

    /// How many lines of the log hold the text.
    std::ptrdiff_t linesWith(const char* text)
    {
        return std::ranges::count_if(log.lines(), [&](const auto& l) { return l.find(text) != l.npos; });
    }

    /// Journal entries of one call, in order.
    std::vector<nlohmann::json> calls(const std::string& name)
    {
        std::vector<nlohmann::json> out;
        for (const auto& e : sim.journal())
            if (e["call"] == name)
                out.push_back(e);
        return out;
    }

    /// Queues the creation of a known aircraft on the ground near the user.
    static void queueCreateNearUser(const std::string& callsign, std::uint32_t hexid)
    {
        CreateRequest r;
        r.lat = 47.4650;
        r.lon = 8.5500;
        r.alt = 1400;
        r.heading = 90;
        r.onGround = 1;
        r.callsign = callsign;
        r.title = "Known Jet";
        r.hexid = hexid;
        gf_queueCreateAc(r);
    }

    /// A position of the object a little north-east of where it was created.
    static SimPosition movedNearUser(std::uint32_t objectId)
    {
        SimPosition p;
        p.lat = 47.47;
        p.lon = 8.56;
        p.heading = 1.5;
        p.alt = 1500;
        p.objectId = objectId;
        return p;
    }

    /// Creates an aircraft near the user and waits until the link has identified it; its object id.
    std::uint32_t createIdentified(const std::string& callsign, std::uint32_t hexid, SimAnswerKind kind)
    {
        queueCreateNearUser(callsign, hexid);
        if (!eventually([&] { return objectByTail(callsign).value("added", false); }))
            return 0;
        std::optional<SimAnswer> a;
        eventually(
            [&]
            {
                requestAcInRange();
                a = waitAnswer(kind, [&](const SimAnswer& x) { return x.hexid == hexid; });
                return a.has_value();
            });
        return a ? a->objectId : 0;
    }

    TempFolder tmp;
    ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    LogCapture log;
    SimStandinProcess sim;
    std::mutex mutex;
    std::vector<std::uint32_t> exitReasons;
    std::vector<std::uint32_t> restartDelays;
    std::vector<std::string> standsAtRest; ///< the stands the link handed over, in order

    /// The link's port here: records exit reasons and stands at rest, and names a v5 install path.
    class RecordingPort final : public NoSimLinkPort
    {
      public:
        explicit RecordingPort(SimLinkTest& test) : test_(test) {}
        void setExitReason(std::uint32_t reason, std::uint32_t restartDelaySec) override
        {
            std::lock_guard lock(test_.mutex);
            test_.exitReasons.push_back(reason);
            test_.restartDelays.push_back(restartDelaySec);
        }
        [[nodiscard]] std::string installPathText() override { return "C:\\Lockheed Martin\\Prepar3D v5"; }
        void userStandAtRest(const std::string& standName) override
        {
            std::lock_guard lock(test_.mutex);
            test_.standsAtRest.push_back(standName);
        }

      private:
        SimLinkTest& test_;
    };
    RecordingPort port{*this};
    std::vector<SimAnswer> answers;
};

} // namespace oxl::test
