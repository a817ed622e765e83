// What the connection does with the peer's bytes and with the end of the link: dispatch only by
// SimConnect_CallDispatch, link failures with their statuses and codes, and the waits of a close.
#include "simlink/client/sc_connect.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/wire.h"
#include "tests/support/sim_raw_peer.h"
#include "tests/support/sim_standin_process.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::putU32;
using test::ReceivedMessages;
using test::recvMessage;

class Link : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        scSetEnvironment({nullptr, nullptr, nullptr, nullptr});
        ASSERT_TRUE(peer.listenPipe());
        ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
        ASSERT_TRUE(peer.accept());
        peer.readMessage();
    }
    void TearDown() override
    {
        if (handle)
        {
            SimConnect_Close(handle);
        }
        scSetEnvironment({});
    }
    // Dispatches until done() holds; the result of the last dispatch is kept.
    bool dispatchUntil(const std::function<bool()>& done)
    {
        return test::pollUntil(
            [&] { last = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); }, done);
    }
    bool failedWith(std::uint32_t code)
    {
        return dispatchUntil([&] { return last == static_cast<ScResult>(code); });
    }

    test::TempFolder tmp;
    test::ScopedEnv pipeDir{"OXL_PIPE_DIR", tmp.path().string()};
    test::RawSimPeer peer;
    ScHandle handle = nullptr;
    ReceivedMessages got;
    ScResult last = kScOk;
};

TEST_F(Link, MessagesReachTheProcedureOnlyThroughDispatchInArrivalOrder)
{
    const std::string quit = recvMessage(scwire::kRecvQuit);
    const std::string event = recvMessage(scwire::kRecvEvent, std::string(12, '\x01'));
    std::string tiny;
    putU32(tiny, 8);
    putU32(tiny, 0);
    ASSERT_TRUE(peer.write(event + tiny + std::string(5, '\0') + quit));
    ASSERT_TRUE(dispatchUntil([&] { return got.messages.size() >= 2; }));
    // The 8-byte message is framed but never handed out.
    EXPECT_EQ(got.ids(), (std::vector<std::uint32_t>{scwire::kRecvEvent, scwire::kRecvQuit}));
    EXPECT_EQ(last, kScOk);
}

TEST_F(Link, SizeFieldOfThreeEndsTheLinkWithAbort)
{
    std::string bad;
    putU32(bad, 3);
    ASSERT_TRUE(peer.write(recvMessage(scwire::kRecvQuit) + bad + "xxxx"));
    ASSERT_TRUE(failedWith(0x80004004));
    EXPECT_EQ(handle->failureStatus(), kScStatusBadSize);
    EXPECT_EQ(got.ids(), (std::vector<std::uint32_t>{scwire::kRecvQuit}));
    // Every later call returns the link's code and builds nothing.
    EXPECT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), static_cast<ScResult>(0x80004004));
    std::uint32_t id = 0;
    SimConnect_GetLastSentPacketID(handle, &id);
    EXPECT_EQ(id, 1u);
}

TEST_F(Link, SizeAboveMaxReceiveSizeEndsTheLink)
{
    std::string big;
    putU32(big, kScDefaultMaxReceiveSize + 1);
    ASSERT_TRUE(peer.write(big + std::string(8, 'x')));
    ASSERT_TRUE(failedWith(0x80004004));
    EXPECT_EQ(handle->failureStatus(), kScStatusOversize);
}

TEST_F(Link, PeerThatClosesIsAFailedLink)
{
    peer.close();
    ASSERT_TRUE(failedWith(0xC000013E));
    EXPECT_EQ(handle->failureStatus(), kScStatusClosed);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(handle, 201, "Sim"), static_cast<ScResult>(0xC000013E));
}

TEST(TcpLink, PeerThatResetsIsADisconnect)
{
    test::TempFolder tmp;
    test::RawSimPeer peer;
    ASSERT_TRUE(peer.listenTcp());
    test::writeBytes(tmp / "SimConnect.cfg", "[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=" +
                                                 std::to_string(peer.port()) + "\n");
    const auto folder = tmp.path();
    scSetEnvironment(
        {nullptr, nullptr, [folder] { return std::optional<std::filesystem::path>(folder); }, nullptr});
    ScHandle handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0), kScOk);
    ASSERT_TRUE(peer.accept());
    peer.reset();
    ReceivedMessages got;
    ScResult last = kScOk;
    ASSERT_TRUE(test::pollUntil([&]
                                { last = SimConnect_CallDispatch(handle, &ReceivedMessages::collect, &got); },
                                [&] { return last != kScOk; }));
    EXPECT_EQ(handle->failureStatus(), kScStatusDisconnect);
    EXPECT_EQ(last, static_cast<ScResult>(0xC000020D));
    SimConnect_Close(handle);
    scSetEnvironment({});
}

TEST_F(Link, MessagesBeforeTheEndAreStillDispatched)
{
    ASSERT_TRUE(peer.write(recvMessage(scwire::kRecvQuit)));
    peer.close();
    ASSERT_TRUE(failedWith(0xC000013E));
    EXPECT_EQ(got.count(scwire::kRecvQuit), 1u);
}

TEST_F(Link, CloseTakesItsWaitsAndLetsGoOfEverything)
{
    ASSERT_EQ(SimConnect_AIRemoveObject(handle, 3, 105), kScOk);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SimConnect_Close(handle), kScOk);
    handle = nullptr;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(350));
    EXPECT_EQ(ScConnection::liveCount(), 0u);
    EXPECT_EQ(ScTransport::liveCount(), 0u);
    // What was sent before the close arrived; then the link ended.
    EXPECT_EQ(peer.readMessage().size(), 24u);
    EXPECT_EQ(peer.read(1, std::chrono::milliseconds(500)), "");
}

TEST_F(Link, NotifyEventFiresForMessagesAndFailure)
{
    SimConnect_Close(handle);
    handle = nullptr;
    std::atomic<int> notified{0};
    ScNotify event = [&] { ++notified; };
    test::RawSimPeer second;
    ASSERT_TRUE(second.listenPipe());
    ASSERT_EQ(SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, &event, 0), kScOk);
    ASSERT_TRUE(second.accept());
    second.write(recvMessage(scwire::kRecvQuit));
    ASSERT_TRUE(test::pollUntil([] {}, [&] { return notified.load() >= 1; }));
    second.close();
    ASSERT_TRUE(test::pollUntil([] {}, [&] { return notified.load() >= 2; }));
}

} // namespace
} // namespace oxl
