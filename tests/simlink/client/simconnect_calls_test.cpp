// The exact bytes of every call the program makes, read by a raw peer on the pipe stand-in and
// compared with messages laid out by hand (little-endian, packed, protocol 35).
#include "simlink/client/sc_connect.h"
#include "simlink/client/simconnect.h"
#include "tests/support/sc_environment.h"
#include "tests/support/sim_raw_peer.h"
#include "tests/support/temp_folder.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::bareScEnvironment;
using test::u32At;

// A message laid out by hand: zeros with the header and the given fields written in.
class Expected
{
  public:
    Expected(std::uint32_t size, std::uint32_t callId, std::uint32_t sendId) : bytes_(size, '\0')
    {
        u32(0, size).u32(4, 35).u32(8, 0xF0000000u + callId).u32(12, sendId);
    }
    Expected& u32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        return *this;
    }
    Expected& f64(std::size_t at, double v)
    {
        std::memcpy(bytes_.data() + at, &v, 8);
        return *this;
    }
    Expected& text(std::size_t at, const std::string& s)
    {
        std::memcpy(bytes_.data() + at, s.data(), s.size());
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

class Calls : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        scSetEnvironment(bareScEnvironment());
        ASSERT_TRUE(peer.listenPipe());
        ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
        ASSERT_TRUE(peer.accept());
        open = peer.readMessage();
    }
    void TearDown() override
    {
        if (handle)
        {
            SimConnect_Close(handle);
        }
        scSetEnvironment({});
    }

    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    test::RawSimPeer peer;
    ScHandle handle = nullptr;
    std::string open;
};

TEST_F(Calls, OpenMessageCarriesNameStampAndVersions)
{
    Expected e(296, 0x01, 1);
    e.text(16, "Ordalis_P3D").u32(272, 0).u32(280, 5).u32(284, 3).u32(288, 0).u32(292, 0);
    e.u32(276, 0x50334400);
    EXPECT_EQ(open, e.bytes());
    EXPECT_EQ(open.substr(276, 4), std::string("\x00\x44\x33\x50", 4));
}

struct CallCase
{
    const char* name;
    std::function<ScResult(ScHandle)> call;
    std::function<Expected(std::uint32_t sendId)> expected;
};

class EachCall : public Calls, public ::testing::WithParamInterface<CallCase>
{
};

TEST_P(EachCall, SendsItsMessageByteForByte)
{
    ASSERT_EQ(GetParam().call(handle), kScOk);
    std::uint32_t sendId = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(handle, &sendId), kScOk);
    EXPECT_EQ(sendId, 2u);
    const std::string expected = GetParam().expected(2).bytes();
    EXPECT_EQ(peer.read(expected.size()), expected);
}

const double kBlock[4] = {1.5, -2.25, 1e6, 0.125};

INSTANTIATE_TEST_SUITE_P(
    Messages, EachCall,
    ::testing::Values(
        CallCase{"MapClientEventToSimEvent",
                 [](ScHandle h) { return SimConnect_MapClientEventToSimEvent(h, 220, "GEAR_SET"); },
                 [](std::uint32_t id)
                 { return std::move(Expected(276, 0x04, id).u32(16, 220).text(20, "GEAR_SET")); }},
        CallCase{"MapClientEventWithoutName",
                 [](ScHandle h) { return SimConnect_MapClientEventToSimEvent(h, 221, nullptr); },
                 [](std::uint32_t id) { return std::move(Expected(276, 0x04, id).u32(16, 221)); }},
        CallCase{"TransmitClientEvent",
                 [](ScHandle h) { return SimConnect_TransmitClientEvent(h, 7, 214, 0x12345678, 301, 16); },
                 [](std::uint32_t id)
                 {
                     return std::move(Expected(36, 0x05, id)
                                          .u32(16, 7)
                                          .u32(20, 214)
                                          .u32(24, 0x12345678)
                                          .u32(28, 301)
                                          .u32(32, 16));
                 }},
        CallCase{"AddClientEventToNotificationGroup",
                 [](ScHandle h) { return SimConnect_AddClientEventToNotificationGroup(h, 301, 208, 1); },
                 [](std::uint32_t id)
                 { return std::move(Expected(28, 0x07, id).u32(16, 301).u32(20, 208).u32(24, 1)); }},
        CallCase{"SetNotificationGroupPriority",
                 [](ScHandle h) { return SimConnect_SetNotificationGroupPriority(h, 301, 1); },
                 [](std::uint32_t id) { return std::move(Expected(24, 0x09, id).u32(16, 301).u32(20, 1)); }},
        CallCase{"AddToDataDefinition",
                 [](ScHandle h) {
                     return SimConnect_AddToDataDefinition(h, 402, "Plane Latitude", "degree", 4, 0.5f,
                                                           0xFFFFFFFF);
                 },
                 [](std::uint32_t id)
                 {
                     return std::move(Expected(544, 0x0C, id)
                                          .u32(16, 402)
                                          .text(20, "Plane Latitude")
                                          .text(276, "degree")
                                          .u32(532, 4)
                                          .u32(536, 0x3F000000)
                                          .u32(540, 0xFFFFFFFF));
                 }},
        CallCase{
            "AddToDataDefinitionWithoutUnits",
            [](ScHandle h)
            { return SimConnect_AddToDataDefinition(h, 407, "TITLE", nullptr, 11, 0.0f, 0xFFFFFFFF); },
            [](std::uint32_t id)
            {
                return std::move(
                    Expected(544, 0x0C, id).u32(16, 407).text(20, "TITLE").u32(532, 11).u32(540, 0xFFFFFFFF));
            }},
        CallCase{"RequestDataOnSimObject",
                 [](ScHandle h) { return SimConnect_RequestDataOnSimObject(h, 108, 409, 0, 4, 1, 2, 3, 5); },
                 [](std::uint32_t id)
                 {
                     return std::move(Expected(48, 0x0E, id)
                                          .u32(16, 108)
                                          .u32(20, 409)
                                          .u32(24, 0)
                                          .u32(28, 4)
                                          .u32(32, 1)
                                          .u32(36, 2)
                                          .u32(40, 3)
                                          .u32(44, 5));
                 }},
        CallCase{"RequestDataOnSimObjectType",
                 [](ScHandle h) { return SimConnect_RequestDataOnSimObjectType(h, 101, 404, 200000, 2); },
                 [](std::uint32_t id) {
                     return std::move(
                         Expected(32, 0x0F, id).u32(16, 101).u32(20, 404).u32(24, 200000).u32(28, 2));
                 }},
        CallCase{"SetDataWithCountZeroSendsOneUnit",
                 [](ScHandle h) { return SimConnect_SetDataOnSimObject(h, 401, 9, 0, 0, 8, kBlock); },
                 [](std::uint32_t id) {
                     return std::move(
                         Expected(44, 0x10, id).u32(16, 401).u32(20, 9).u32(28, 1).u32(32, 8).f64(36, 1.5));
                 }},
        CallCase{"SetDataWithTwoUnits",
                 [](ScHandle h) { return SimConnect_SetDataOnSimObject(h, 402, 9, 0, 2, 16, kBlock); },
                 [](std::uint32_t id)
                 {
                     return std::move(Expected(68, 0x10, id)
                                          .u32(16, 402)
                                          .u32(20, 9)
                                          .u32(28, 2)
                                          .u32(32, 16)
                                          .f64(36, 1.5)
                                          .f64(44, -2.25)
                                          .f64(52, 1e6)
                                          .f64(60, 0.125));
                 }},
        CallCase{"SubscribeToSystemEvent",
                 [](ScHandle h) { return SimConnect_SubscribeToSystemEvent(h, 204, "Frame"); },
                 [](std::uint32_t id)
                 { return std::move(Expected(276, 0x17, id).u32(16, 204).text(20, "Frame")); }},
        CallCase{"AICreateNonATCAircraft",
                 [](ScHandle h)
                 {
                     ScInitPosition p{47.5, 8.25, 1500.0, -2.0, 3.0, 270.0, 1, 140};
                     return SimConnect_AICreateNonATCAircraft(h, "Airbus A320 Swiss", "HBJLT", p, 104);
                 },
                 [](std::uint32_t id)
                 {
                     return std::move(Expected(344, 0x29, id)
                                          .text(16, "Airbus A320 Swiss")
                                          .text(272, "HBJLT")
                                          .f64(284, 47.5)
                                          .f64(292, 8.25)
                                          .f64(300, 1500.0)
                                          .f64(308, -2.0)
                                          .f64(316, 3.0)
                                          .f64(324, 270.0)
                                          .u32(332, 1)
                                          .u32(336, 140)
                                          .u32(340, 104));
                 }},
        CallCase{"AIReleaseControl", [](ScHandle h) { return SimConnect_AIReleaseControl(h, 12, 103); },
                 [](std::uint32_t id) { return std::move(Expected(24, 0x2B, id).u32(16, 12).u32(20, 103)); }},
        CallCase{"AIRemoveObject", [](ScHandle h) { return SimConnect_AIRemoveObject(h, 12, 105); },
                 [](std::uint32_t id) { return std::move(Expected(24, 0x2C, id).u32(16, 12).u32(20, 105)); }},
        CallCase{"AISetAircraftFlightPlan",
                 [](ScHandle h)
                 { return SimConnect_AISetAircraftFlightPlan(h, 12, "C:\\plans\\4711.pln", 110); },
                 [](std::uint32_t id) {
                     return std::move(
                         Expected(284, 0x2D, id).u32(16, 12).text(20, "C:\\plans\\4711.pln").u32(280, 110));
                 }}),
    [](const auto& info) { return info.param.name; });

TEST_F(Calls, StringsFillTheirFieldToOneLessThanItsWidth)
{
    const ScInitPosition p{};
    const std::string title255(255, 'T'), title256(256, 'T');
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, title255.c_str(), "ABCDEFGHIJK", p, 104),
              kScOk); // id 2
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, title256.c_str(), "X", p, 104),
              kScStringTooLong); // id 3
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(handle, "T", "ABCDEFGHIJKL", p, 104),
              kScStringTooLong); // id 4
    const std::string path260(260, 'p');
    EXPECT_EQ(SimConnect_AISetAircraftFlightPlan(handle, 3, path260.c_str(), 110), kScStringTooLong); // id 5
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);                                      // id 6

    const std::string first = peer.readMessage();
    ASSERT_EQ(first.size(), 344u);
    EXPECT_EQ(u32At(first, 12), 2u);
    EXPECT_EQ(first.substr(16, 256), title255 + '\0');
    EXPECT_EQ(first.substr(272, 12), std::string("ABCDEFGHIJK") + '\0');
    // The refused calls sent nothing; their send ids are skipped.
    const std::string next = peer.readMessage();
    ASSERT_EQ(next.size(), 24u);
    EXPECT_EQ(u32At(next, 8), 0xF000002Cu);
    EXPECT_EQ(u32At(next, 12), 6u);
}

TEST_F(Calls, LastSentPacketIdNamesTheCreation)
{
    ASSERT_EQ(SimConnect_AIReleaseControl(handle, 5, 103), kScOk);
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(handle, "Known Jet", "N1", ScInitPosition{}, 104), kScOk);
    std::uint32_t sendId = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(handle, &sendId), kScOk);
    peer.readMessage();
    const std::string create = peer.readMessage();
    EXPECT_EQ(u32At(create, 12), sendId);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle, nullptr), kScFail);
}

TEST_F(Calls, SendIdAfterTheLastValueIsOneNeverZero)
{
    handle->sendId = 0xFFFFFFFF;
    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);
    EXPECT_EQ(u32At(peer.readMessage(), 12), 1u);
}

TEST_F(Calls, DataBlockLargerThanTheSendBufferIsRefusedWithoutSending)
{
    std::vector<double> block(6000);
    EXPECT_EQ(SimConnect_SetDataOnSimObject(handle, 402, 3, 0, 1, 48000, block.data()), kScFail);
    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);
    const std::string next = peer.readMessage();
    EXPECT_EQ(next.size(), 24u);
    EXPECT_EQ(u32At(next, 12), 2u);
}

// A frame built ahead goes out as the same messages the calls send one by one, with the send ids that
// follow, and the calls after it go on from there.
TEST_F(Calls, FrameGoesOutAsTheCallsWouldSendItsMessages)
{
    ScFrame frame;
    ASSERT_TRUE(frame.setDataOnSimObject(402, 9, 0, 0, 16, kBlock));
    ASSERT_TRUE(frame.setDataOnSimObject(402, 10, 0, 2, 16, kBlock));
    std::vector<double> tooLarge(6000);
    EXPECT_FALSE(frame.setDataOnSimObject(402, 11, 0, 1, 48000, tooLarge.data()));
    ASSERT_EQ(scSendFrame(handle, frame), kScOk);
    EXPECT_TRUE(frame.empty());
    EXPECT_EQ(scSendFrame(handle, frame), kScFail);
    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);

    Expected first(52, 0x10, 2);
    first.u32(16, 402).u32(20, 9).u32(24, 0).u32(28, 1).u32(32, 16).f64(36, kBlock[0]).f64(44, kBlock[1]);
    Expected second(68, 0x10, 3);
    second.u32(16, 402).u32(20, 10).u32(24, 0).u32(28, 2).u32(32, 16);
    for (std::size_t i = 0; i < 4; ++i)
        second.f64(36 + 8 * i, kBlock[i]);
    EXPECT_EQ(peer.readMessage(), first.bytes());
    EXPECT_EQ(peer.readMessage(), second.bytes());
    EXPECT_EQ(u32At(peer.readMessage(), 12), 4u);

    // Events, creations and removals too, each with the send id it was stamped with; a tail number too long
    // is refused and nothing appended.
    const ScInitPosition at{47.0, 8.0, 1400.0, 0.0, 0.0, 90.0, 1, 0};
    EXPECT_EQ(frame.aiCreateNonATCAircraft("Jet", "HB-JVELONGER", at, 104), kScStringTooLong);
    frame.aiReleaseControl(9, 103);
    frame.transmitClientEvent(9, 218, 8192, 301, 0);
    frame.aiRemoveObject(9, 105);
    ASSERT_EQ(frame.aiCreateNonATCAircraft("Jet", "HB-JVE", at, 104), kScOk);
    std::vector<std::uint32_t> ids;
    ASSERT_EQ(scSendFrame(handle, frame, &ids), kScOk);
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{5, 6, 7, 8}));
    std::vector<std::string> framed;
    for (std::size_t i = 0; i < ids.size(); ++i)
        framed.push_back(peer.readMessage());
    SimConnect_AIReleaseControl(handle, 9, 103);
    SimConnect_TransmitClientEvent(handle, 9, 218, 8192, 301, 0);
    SimConnect_AIRemoveObject(handle, 9, 105);
    SimConnect_AICreateNonATCAircraft(handle, "Jet", "HB-JVE", at, 104);
    for (const std::string& message : framed)
    {
        const std::string called = peer.readMessage();
        EXPECT_EQ(message.substr(0, 12) + message.substr(16), called.substr(0, 12) + called.substr(16));
    }
}

TEST(CallsWithoutLink, NullHandlesAndArgumentsAreRefused)
{
    std::uint32_t id;
    EXPECT_EQ(SimConnect_AIRemoveObject(nullptr, 3, 105), kScFail);
    EXPECT_EQ(SimConnect_Close(nullptr), kScFail);
    EXPECT_EQ(SimConnect_CallDispatch(
                  nullptr, [](const std::byte*, std::uint32_t, void*) {}, nullptr),
              kScFail);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &id), kScFail);
    ScHandle h = nullptr;
    EXPECT_EQ(SimConnect_Open(nullptr, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScInvalidArg);
    EXPECT_EQ(SimConnect_Open(&h, nullptr, nullptr, 0, nullptr, 0), kScInvalidArg);
}

TEST_F(Calls, DispatchWithoutProcedureFails)
{
    EXPECT_EQ(SimConnect_CallDispatch(handle, nullptr, nullptr), kScFail);
}

TEST_F(Calls, TwoThreadsNeverInterleaveOrSkipSendIds)
{
    constexpr int kPerThread = 400;
    auto sender = [this](std::uint32_t object)
    {
        for (int i = 0; i < kPerThread; ++i)
            SimConnect_TransmitClientEvent(handle, object, 214, static_cast<std::uint32_t>(i), 301, 16);
    };
    std::thread a(sender, 100), b(sender, 200);
    std::string all = peer.read(2 * kPerThread * 36);
    a.join();
    b.join();
    ASSERT_EQ(all.size(), 2u * kPerThread * 36);
    for (std::size_t i = 0; i < 2 * kPerThread; ++i)
    {
        const std::string m = all.substr(i * 36, 36);
        ASSERT_EQ(u32At(m, 0), 36u);
        ASSERT_EQ(u32At(m, 4), 35u);
        ASSERT_EQ(u32At(m, 12), i + 2) << "message " << i;
        ASSERT_TRUE(u32At(m, 16) == 100 || u32At(m, 16) == 200);
    }
}

TEST(OpenRefused, NameOfTwoHundredFiftySixCharactersClosesTheNewConnection)
{
    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    scSetEnvironment({nullptr, nullptr, nullptr, nullptr});
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenPipe());
    ScHandle h = nullptr;
    const std::string name(256, 'n');
    EXPECT_EQ(SimConnect_Open(&h, name.c_str(), nullptr, 0, nullptr, 0), kScStringTooLong);
    ASSERT_TRUE(peer.accept());
    EXPECT_EQ(peer.read(1, std::chrono::milliseconds(500)), "");
    EXPECT_EQ(ScConnection::liveCount(), 0u);
    scSetEnvironment({});
}

} // namespace
} // namespace oxl
