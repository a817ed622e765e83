// Framing of received bytes by the size field, fed as reads would put them into the receive buffer.
#include "simlink/client/sc_framer.h"
#include "tests/support/sim_raw_peer.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace oxl
{
namespace
{

using test::putU32;
using test::recvMessage;

struct Framed
{
    std::vector<std::string> messages;
    std::uint32_t faultStatus = 0;
    std::uint32_t capacity = 0;
};

// Feeds the reads one after the other, each at most as large as the free end of the buffer.
Framed frame(const std::vector<std::string>& reads, std::uint32_t maxReceiveSize = kScDefaultMaxReceiveSize)
{
    ScFramer framer(maxReceiveSize);
    Framed out;
    for (const std::string& read : reads)
    {
        std::size_t at = 0;
        while (at < read.size())
        {
            auto space = framer.freeSpace();
            const std::size_t n = std::min(space.size(), read.size() - at);
            std::memcpy(space.data(), read.data() + at, n);
            at += n;
            framer.commit(n);
            for (;;)
            {
                ScExtract r = framer.extract();
                if (r.kind == ScExtract::Delivered)
                    out.messages.emplace_back(reinterpret_cast<const char*>(framer.record().data.get()),
                                              framer.record().size);
                else if (r.kind == ScExtract::Fault)
                {
                    out.faultStatus = r.status;
                    out.capacity = framer.capacity();
                    return out;
                }
                else if (r.kind == ScExtract::NeedMore)
                    break;
            }
        }
    }
    out.capacity = framer.capacity();
    return out;
}

std::string sized(std::uint32_t size, char fill = 'x')
{
    std::string m;
    putU32(m, size);
    m.resize(std::max<std::uint32_t>(size, 4), fill);
    return m;
}

struct FramingCase
{
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> expected;
    std::uint32_t faultStatus;
};

class Framing : public ::testing::TestWithParam<FramingCase>
{
};

const std::string kA = recvMessage(3);
const std::string kB = recvMessage(4, std::string(12, '\x05'));
const std::string kC = recvMessage(2, std::string(296, 'n'));

TEST_P(Framing, DeliversWholeMessagesInOrder)
{
    const FramingCase& c = GetParam();
    Framed f = frame(c.reads);
    EXPECT_EQ(f.messages, c.expected);
    EXPECT_EQ(f.faultStatus, c.faultStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Framing,
    ::testing::Values(
        FramingCase{"MergedInOneRead", {kA + kB + kC}, {kA, kB, kC}, 0},
        FramingCase{"SplitOverReads", {kC.substr(0, 7), kC.substr(7, 200), kC.substr(207)}, {kC}, 0},
        FramingCase{"SplitInsideTheSizeField", {kB.substr(0, 2), kB.substr(2)}, {kB}, 0},
        FramingCase{"ZeroPaddingBetweenMessages", {kA + std::string(9, '\0') + kB}, {kA, kB}, 0},
        FramingCase{"ZeroPaddingAtTheEndOfARead", {kA + std::string(6, '\0'), kB}, {kA, kB}, 0},
        FramingCase{"ShortMessagesAreFramed", {sized(4) + sized(11) + kA}, {sized(4), sized(11), kA}, 0},
        FramingCase{"SizeOneEndsTheLink", {kA + sized(1)}, {kA}, kScStatusBadSize},
        FramingCase{"SizeThreeEndsTheLink", {sized(3)}, {}, kScStatusBadSize},
        FramingCase{"SizeAboveTheLimitEndsTheLink",
                    {kA, sized(kScDefaultMaxReceiveSize + 1)},
                    {kA},
                    kScStatusOversize}),
    [](const auto& info) { return info.param.name; });

TEST(FramingLimits, MessageOfExactlyMaxReceiveSizeIsAccepted)
{
    const std::string big = sized(kScDefaultMaxReceiveSize, 'b');
    Framed f = frame({big.substr(0, 30000), big.substr(30000)});
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0], big);
    EXPECT_EQ(f.faultStatus, 0u);
}

TEST(FramingLimits, BufferGrowsInStepsOnlyForAMessageLargerThanIt)
{
    EXPECT_EQ(frame({kA + kB}).capacity, 2048u);
    const std::string m = sized(10000, 'm');
    Framed f = frame({m});
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.capacity, 10240u);
}

TEST(FramingLimits, ConfiguredLimitAboveTheBufferLimitEndsTheLinkInsteadOfWaiting)
{
    const std::string huge = sized(1536 * 1024, 'h');
    Framed f = frame({huge}, 2 * 1024 * 1024);
    EXPECT_TRUE(f.messages.empty());
    EXPECT_EQ(f.faultStatus, kScStatusOversize);
    EXPECT_EQ(f.capacity, kScReceiveLimit);
}

} // namespace
} // namespace oxl
