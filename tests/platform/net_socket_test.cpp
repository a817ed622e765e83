#include "platform/net_tcp.h"
#include "platform/net_udp.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netinet/in.h>
#include <string>

namespace oxl::plat::net
{
namespace
{

using namespace std::chrono_literals;

TEST(NetErrors, ErrnoMapsToWinsockNumbers)
{
    const std::pair<int, int> rows[] = {{EADDRINUSE, 10048},   {ECONNRESET, 10054}, {EPIPE, 10054},
                                        {ECONNREFUSED, 10061}, {EAGAIN, 10035},     {ENOTSOCK, 10038},
                                        {EREMOTE, 10071},      {ENOENT, ENOENT}};
    for (const auto& [errnoValue, code] : rows)
        EXPECT_EQ(winsockCode(errnoValue), code) << errnoValue;
}

TEST(NetUdp, SecondBindOfAPortIsAddressInUse)
{
    Socket first = openUdp();
    ASSERT_TRUE(bindUdp(first, "127.0.0.1", 0));
    const std::uint16_t port = localPort(first);
    ASSERT_NE(port, 0);
    Socket second = openUdp();
    EXPECT_FALSE(bindUdp(second, "127.0.0.1", port));
    EXPECT_EQ(lastError(), 10048);
}

TEST(NetUdp, OversizeDatagramIsSeenAsTruncated)
{
    Socket receiver = openUdp();
    ASSERT_TRUE(bindUdp(receiver, "127.0.0.1", 0));
    Socket sender = openUdp();
    const std::string small = "hello";
    const std::string big(20000, 'x');
    ASSERT_TRUE(sendDatagram(sender, "127.0.0.1", localPort(receiver), big));
    ASSERT_TRUE(sendDatagram(sender, "127.0.0.1", localPort(receiver), small));
    char buffer[16384];
    ASSERT_EQ(waitReadable(receiver, 2000ms), Wait::ready);
    Datagram got = receiveDatagram(receiver, buffer, sizeof buffer);
    EXPECT_EQ(got.received, 16384);
    EXPECT_EQ(got.fullLength, 20000u);
    got = receiveDatagram(receiver, buffer, sizeof buffer);
    EXPECT_EQ(got.received, 5);
    EXPECT_EQ(std::string(buffer, 5), small);
    EXPECT_EQ(waitReadable(receiver, 0ms), Wait::timeout);
}

TEST(NetTcp, ListenAcceptExchangeAndPeerLoss)
{
    Listener listener = openTcpListener("0");
    ASSERT_EQ(listener.failedAt, ListenStep::none);
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    ASSERT_EQ(::getsockname(listener.socket.fd(), reinterpret_cast<sockaddr*>(&bound), &size), 0);
    EXPECT_EQ(ntohl(bound.sin_addr.s_addr), INADDR_LOOPBACK);
    const std::uint16_t port = localPort(listener.socket);
    Wait waited;
    EXPECT_FALSE(acceptWithin(listener.socket, 0ms, waited).valid());
    EXPECT_EQ(waited, Wait::timeout);

    connectTcp("127.0.0.1", port, 2000ms).close();
    Socket closed = acceptWithin(listener.socket, 2000ms, waited);
    EXPECT_TRUE(closedByPeer(closed));
    {
        // Bytes sent before the close are still queued: the close is seen all the same.
        Socket talker = connectTcp("127.0.0.1", port, 2000ms);
        ASSERT_TRUE(sendAll(talker, "Qs999=version\r\n"));
    }
    EXPECT_TRUE(closedByPeer(acceptWithin(listener.socket, 2000ms, waited)));
    Socket client = connectTcp("127.0.0.1", port, 2000ms);
    ASSERT_TRUE(client.valid());
    Socket server = acceptWithin(listener.socket, 2000ms, waited);
    ASSERT_TRUE(server.valid());
    EXPECT_FALSE(closedByPeer(server));
    EXPECT_TRUE(setNoDelay(server));

    ASSERT_TRUE(sendAll(server, "Qs999=version\r\n"));
    char buffer[64];
    const long n = receiveWithin(client, buffer, sizeof buffer, 2000ms);
    ASSERT_EQ(n, 15);
    EXPECT_EQ(std::string(buffer, 15), "Qs999=version\r\n");
    EXPECT_EQ(receiveWithin(server, buffer, sizeof buffer, 10ms), -2);

    client.close();
    EXPECT_EQ(receiveWithin(server, buffer, sizeof buffer, 2000ms), 0);
    bool sent = true;
    for (int i = 0; i < 50 && sent; ++i)
        sent = sendAll(server, "Qs121=0;0;0;0;0;0;0\r\n");
    EXPECT_FALSE(sent);
    EXPECT_EQ(lastError(), 10054);
}

TEST(NetTcp, SendToAPeerThatStopsReadingEndsAtItsBound)
{
    Listener listener = openTcpListener("0");
    ASSERT_EQ(listener.failedAt, ListenStep::none);
    Socket client = connectTcp("127.0.0.1", localPort(listener.socket), 2000ms);
    Wait waited;
    Socket server = acceptWithin(listener.socket, 2000ms, waited);
    ASSERT_TRUE(server.valid());
    ASSERT_TRUE(setSendTimeout(server, 100ms));
    const std::string chunk(65536, 'q');
    bool sent = true;
    for (int i = 0; i < 1000 && sent; ++i)
        sent = sendAll(server, chunk);
    EXPECT_FALSE(sent);
    EXPECT_EQ(lastError(), 10035);
}

TEST(NetTcp, ListenerFailuresNameTheirStep)
{
    Listener lookup = openTcpListener("no-such-port-text");
    EXPECT_EQ(lookup.failedAt, ListenStep::lookup);
    EXPECT_NE(lookup.error, 0);

    Listener first = openTcpListener("0");
    ASSERT_EQ(first.failedAt, ListenStep::none);
    const std::string port = std::to_string(localPort(first.socket));
    Listener second = openTcpListener(port);
    EXPECT_EQ(second.failedAt, ListenStep::bind);
    EXPECT_EQ(second.error, 10048);
}

TEST(NetTcp, ConnectToAClosedPortIsRefused)
{
    std::uint16_t port;
    {
        Listener probe = openTcpListener("0");
        port = localPort(probe.socket);
    }
    EXPECT_FALSE(connectTcp("127.0.0.1", port, 1000ms).valid());
    EXPECT_EQ(lastError(), 10061);
}

} // namespace
} // namespace oxl::plat::net
