// Harnesses of the simulator link's receive side: the framer, every decoder, the dispatch, and the
// SimConnect.cfg files the connection reads.
#include "tests/fuzz/fuzz_driver.h"

#include "foundation/errors.h"
#include "foundation/run_state.h"
#include "records/records_state.h"
#include "simlink/client/sc_connect.h"
#include "simlink/client/sc_framer.h"
#include "simlink/client/sc_receive.h"
#include "simlink/client/wire.h"
#include "simlink/sim_dispatch.h"
#include "simlink/sim_state.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace oxl::fuzz
{
namespace
{

std::uint32_t u32At(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

std::span<const std::byte> asBytes(std::span<const std::uint8_t> bytes)
{
    return std::as_bytes(bytes);
}

} // namespace

// Header: the largest message size (2 bytes, added to the smallest) and a seed of read lengths; the rest is
// the stream, fed in reads of varying length. Each delivered message must be the stream's next message
// (zero padding skipped), whole and within the size limit.
OXL_FUZZ_TARGET(sc_framer)
{
    const char* h = "sc_framer";
    Input in(input);
    const std::uint32_t maxSize = kScDefaultMaxReceiveSize + in.take<std::uint16_t>();
    std::uint32_t reads = in.take<std::uint32_t>() | 1u;
    const auto stream = in.rest();
    ScFramer framer(maxSize);
    std::size_t fed = 0;
    std::size_t expected = 0; // where the next message starts in the stream
    for (;;)
    {
        const ScExtract result = framer.extract();
        if (result.kind == ScExtract::Fault)
        {
            const std::uint32_t size = u32At(stream, expected);
            OXL_FUZZ_CHECK(result.status == kScStatusOversize || result.status == kScStatusBadSize, h,
                           "fault status");
            OXL_FUZZ_CHECK(result.status != kScStatusBadSize || (size >= 1 && size <= 3), h,
                           "bad size fault");
            OXL_FUZZ_CHECK(result.status != kScStatusOversize || size > maxSize || size > kScReceiveLimit, h,
                           "oversize fault");
            return;
        }
        if (result.kind == ScExtract::Skipped)
        {
            OXL_FUZZ_CHECK(u32At(stream, expected) == 0, h, "skipped a message that is not padding");
            while (expected < fed && stream[expected] == 0)
                ++expected;
            continue;
        }
        if (result.kind == ScExtract::Delivered)
        {
            const ScMessageRecord& record = framer.record();
            OXL_FUZZ_CHECK(record.size >= 4 && record.size <= maxSize, h, "delivered size");
            OXL_FUZZ_CHECK(expected + record.size <= fed, h, "delivered bytes not yet received");
            OXL_FUZZ_CHECK(u32At(stream, expected) == record.size, h, "size field");
            OXL_FUZZ_CHECK(std::equal(record.data.get(), record.data.get() + record.size,
                                      asBytes(stream).begin() + static_cast<std::ptrdiff_t>(expected)),
                           h, "delivered bytes differ from the stream");
            expected += record.size;
            continue;
        }
        OXL_FUZZ_CHECK(framer.waiting() == fed - expected, h, "bytes waiting");
        if (fed == stream.size())
            return;
        auto space = framer.freeSpace();
        OXL_FUZZ_CHECK(!space.empty(), h, "no room for the next read");
        reads = reads * 1103515245u + 12345u;
        const std::size_t length =
            std::min({space.size(), stream.size() - fed, std::size_t{1} + (reads >> 16) % 700});
        std::memcpy(space.data(), stream.data() + fed, length);
        framer.commit(length);
        fed += length;
    }
}

// One whole message through every decoder: each either refuses it or reads within it.
OXL_FUZZ_TARGET(sc_decoders)
{
    const char* h = "sc_decoders";
    const auto message = asBytes(input);
    const auto header = scRecvHeader(message);
    if (header)
    {
        OXL_FUZZ_CHECK(header->size == message.size(), h, "header size disagrees with the message");
        OXL_FUZZ_CHECK(scRecvMinimumSize(header->id) >= 12, h, "minimum size");
    }
    const bool fitsOpen = message.size() >= scRecvMinimumSize(scwire::kRecvOpen);
    if (const auto open = scRecvOpen(message))
        OXL_FUZZ_CHECK(fitsOpen && open->applicationName.size() <= 256, h, "open name");
    (void)scRecvException(message);
    (void)scRecvEvent(message);
    (void)scRecvObjectAddRemove(message);
    if (const auto file = scRecvFilename(message))
        OXL_FUZZ_CHECK(file->fileName.size() <= 260, h, "file name width");
    (void)scRecvFrame(message);
    (void)scRecvAssignedObjectId(message);
    if (const auto data = scRecvSimObjectData(message))
    {
        OXL_FUZZ_CHECK(message.size() >= 40 && data->data.size() == message.size() - 40, h, "data block");
        for (std::size_t offset = 0; offset < data->data.size() + 8; offset += 8)
        {
            if (const auto value = scDataF64(data->data, offset))
                OXL_FUZZ_CHECK(std::isfinite(*value) && offset + 8 <= data->data.size(), h, "f64 field");
            if (scDataI64(data->data, offset))
                OXL_FUZZ_CHECK(offset + 8 <= data->data.size(), h, "i64 field");
            OXL_FUZZ_CHECK(scDataFixedString(data->data, offset, 32).size() <= 32, h, "fixed text width");
            std::size_t consumed = 0;
            const std::string text = scDataStringV(data->data, offset, &consumed);
            OXL_FUZZ_CHECK(text.size() <= consumed || (text.empty() && consumed == 0), h,
                           "variable text length");
            OXL_FUZZ_CHECK(consumed == 0 || offset + consumed <= data->data.size(), h,
                           "variable text past the block");
        }
    }
}

// A sequence of messages (each a 2-byte length and its bytes, the header's size made to agree) through
// the dispatch, as the connection's dispatch loop hands them over. The simulator refusing to be ours
// is the one exception that ends a dispatch. What the dispatch keeps of the user aircraft lies on the
// globe, and the simulator time, once set, lies between 1970 and the year 10000.
OXL_FUZZ_TARGET(sim_dispatch)
{
    const char* h = "sim_dispatch";
    static const bool reset = []
    {
        gf_resetSimLink();
        return true;
    }();
    (void)reset;
    gf_resetDispatchState();
    gFoundation.gProfessionalLevel.store(0);
    const std::int64_t utcBefore = gSimLink.gSimUtcSeconds.load();
    Input in(input);
    while (!in.empty())
    {
        const std::size_t length = in.take<std::uint16_t>() % 2048;
        const auto bytes = in.bytes(length);
        std::vector<std::uint8_t> message(bytes.begin(), bytes.end());
        if (message.size() >= 4)
        {
            const auto size = static_cast<std::uint32_t>(message.size());
            std::memcpy(message.data(), &size, 4);
        }
        try
        {
            gf_dispatchProc(reinterpret_cast<const std::byte*>(message.data()),
                            static_cast<std::uint32_t>(message.size()), nullptr);
        }
        catch (const UserErrorException&)
        {
        }
    }
    UserAcData user;
    {
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        user = gSimLink.gUserAcData;
    }
    OXL_FUZZ_CHECK(std::isfinite(user.lat) && std::fabs(user.lat) <= 90.0, h, "user latitude");
    OXL_FUZZ_CHECK(std::isfinite(user.lon) && std::fabs(user.lon) <= 180.0, h, "user longitude");
    OXL_FUZZ_CHECK(std::isfinite(user.alt) && user.alt >= 0.0, h, "user altitude");
    constexpr std::int64_t kYear10000 = 253402300800; // [s] since 1970
    const std::int64_t utc = gSimLink.gSimUtcSeconds.load();
    OXL_FUZZ_CHECK(utc == utcBefore || (utc >= 0 && utc <= kYear10000 + 86400), h, "simulator time");
}

// A SimConnect.cfg: the values read are within their limits, and reading the file again changes nothing.
OXL_FUZZ_TARGET(simconnect_cfg)
{
    const char* h = "simconnect_cfg";
    Input in(input);
    const std::uint32_t index = in.take<std::uint8_t>() % 4;
    const auto file = writeInput("SimConnect.cfg", in.rest());
    ScConfig config;
    scReadConfig(file, index, config);
    OXL_FUZZ_CHECK(config.maxReceiveSize >= kScDefaultMaxReceiveSize, h, "receive size below the smallest");
    OXL_FUZZ_CHECK(config.address.size() <= 1023 && config.port.size() <= 1023, h, "text length");
    ScConfig again = config;
    scReadConfig(file, index, again);
    OXL_FUZZ_CHECK(again.address == config.address && again.port == config.port &&
                       again.maxReceiveSize == config.maxReceiveSize && again.protocol == config.protocol &&
                       again.disableNagle == config.disableNagle,
                   h, "a second read changed the values");
    (void)scHasConfigSection(file, index);
}

} // namespace oxl::fuzz
