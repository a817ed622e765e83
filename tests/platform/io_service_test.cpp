// Completions on the completion thread: reads, writes, cancel, and descriptors that stay open until
// the last reference goes.
#include "platform/io_service.h"
#include "platform/net_stream.h"
#include "platform/net_tcp.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace oxl::plat
{
namespace
{

// Waits (bounded) for completions and keeps their results.
struct Completions
{
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> results;
    std::vector<std::thread::id> threads;

    IoCompletion record()
    {
        return [this](std::uint32_t code, std::uint32_t bytes)
        {
            std::lock_guard lock(m);
            results.emplace_back(code, bytes);
            threads.push_back(std::this_thread::get_id());
            cv.notify_all();
        };
    }
    bool waitFor(std::size_t n)
    {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return results.size() >= n; });
    }
};

TEST(IoService, ReadCompletesWithTheBytesThePeerSent)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    std::byte buf[64];
    Completions c;
    ASSERT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoSuccess);
    ASSERT_TRUE(net::sendAll(theirs, "hello"));
    ASSERT_TRUE(c.waitFor(1));
    EXPECT_EQ(c.results[0], std::make_pair(kIoSuccess, 5u));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "hello");
    EXPECT_NE(c.threads[0], std::this_thread::get_id());
}

TEST(IoService, OneReadAtATime)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    std::byte buf[8];
    Completions c;
    ASSERT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoSuccess);
    EXPECT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoBusy);
    ioCancel(ch);
    ASSERT_TRUE(c.waitFor(1));
}

TEST(IoService, WriteCompletesWhenEveryByteIsSent)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    const std::string big(1 << 20, 'w');
    Completions c;
    ASSERT_EQ(ioStartWrite(ch, reinterpret_cast<const std::byte*>(big.data()), big.size(), c.record()),
              kIoSuccess);
    std::string got;
    std::vector<char> buf(65536);
    while (got.size() < big.size())
    {
        long n = net::receiveWithin(theirs, buf.data(), buf.size(), std::chrono::seconds(5));
        ASSERT_GT(n, 0);
        got.append(buf.data(), static_cast<std::size_t>(n));
    }
    ASSERT_TRUE(c.waitFor(1));
    EXPECT_EQ(c.results[0], std::make_pair(kIoSuccess, static_cast<std::uint32_t>(big.size())));
    EXPECT_EQ(got, big);
}

TEST(IoService, PeerCloseCompletesTheReadWithZeroBytes)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    std::byte buf[8];
    Completions c;
    ASSERT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoSuccess);
    theirs.close();
    ASSERT_TRUE(c.waitFor(1));
    EXPECT_EQ(c.results[0], std::make_pair(kIoSuccess, 0u));
}

TEST(IoService, CancelCompletesEveryPendingOperationAndKeepsTheDescriptorOpen)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    std::byte buf[8];
    Completions c;
    ASSERT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoSuccess);
    ioCancel(ch);
    ASSERT_TRUE(c.waitFor(1));
    EXPECT_EQ(c.results[0].first, kIoCancelled);
    // The descriptor is closed only with the last reference: the peer sees no end yet.
    char probe;
    EXPECT_EQ(net::receiveWithin(theirs, &probe, 1, std::chrono::milliseconds(100)), -2);
    ch.reset();
    EXPECT_EQ(net::receiveWithin(theirs, &probe, 1, std::chrono::seconds(5)), 0);
}

TEST(IoService, ShutdownEndsAPendingReadAndLaterStartsFail)
{
    auto [ours, theirs] = net::streamPair();
    IoChannelPtr ch = net::toChannel(std::move(ours));
    std::byte buf[8];
    Completions c;
    ASSERT_EQ(ioStartRead(ch, buf, sizeof buf, c.record()), kIoSuccess);
    ch->shutdownBoth();
    ASSERT_TRUE(c.waitFor(1));
    EXPECT_EQ(c.results[0].second, 0u);
}

} // namespace
} // namespace oxl::plat
