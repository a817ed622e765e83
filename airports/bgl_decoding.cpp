// Decoding of airport records from BGL files.
#include "airports/bgl_decoding.h"

#include "airports/airport_linking.h"
#include "airports/airport_scan.h"
#include "foundation/log.h"
#include "foundation/units.h"
#include "foundation/worker_slots.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace oxl
{
namespace
{

constexpr double kLatUnitDeg = 180.0 / (1U << 29);
constexpr double kLonUnitDeg = 360.0 / (3.0 * (1U << 28));
constexpr std::uint64_t kHeaderWords = kBglHeaderBytes / 4;
constexpr std::uint64_t kSectionEntryWords = 5;
constexpr std::uint64_t kHelipadWords = 9;      // 36 bytes
constexpr std::uint64_t kParkingEntryWords = 9; // 36 bytes before the extra word and the codes
constexpr double kMinStandRadiusM = 1.0;        // exclusive
constexpr double kMaxStandRadiusM = 200.0;      // exclusive
constexpr double kSamePositionDeg = 1e-8;
constexpr double kNullIslandDeg = 0.0001;
constexpr std::uint32_t kMaxNameBytes = 45;
constexpr std::string_view kDuplicateLetters = "abcdefghij";

struct LatLonDeg
{
    double lat = 0.0;
    double lon = 0.0;
};

LatLonDeg decodePosition(std::uint32_t rawLat, std::uint32_t rawLon)
{
    return {90.0 - rawLat * kLatUnitDeg, rawLon * kLonUnitDeg - 180.0};
}

bool validPosition(const LatLonDeg& p)
{
    if (!(p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0))
    {
        return false;
    }
    return !(std::fabs(p.lat) <= kNullIslandDeg && std::fabs(p.lon) <= kNullIslandDeg);
}

std::string positionText(const LatLonDeg& p)
{
    return fmt::format("{:.6f},{:.6f}", p.lat, p.lon);
}

double headingRad(float headingDeg)
{
    // Zero marks "no heading" for the placement code, so north is kept as a full turn.
    const double rad = static_cast<double>(headingDeg) * kDegToRad;
    return rad == 0.0 ? kTwoPi : rad;
}

void warnZeroSize(std::string_view where, std::uint64_t index, bool marked)
{
    const std::string text =
        fmt::format("   Warning: decodeSizeAtBoundary returned 0 at {} = {}", where, index);
    marked ? gf_logMarked(text) : gf_log(text);
}

void warnUnaligned(std::uint16_t id, std::uint64_t index, std::uint32_t size, const std::string& path)
{
    // The walk steps by whole words, so a record of another size puts every later record of the walk
    // off its boundary; what follows is read as it falls, within the file.
    gf_logMarked(fmt::format("   Warning: record 0x{:X} at word {} has size {}, not a multiple of 4, in {}",
                             id, index, size, path));
}

std::string cutOffText(std::string_view what, std::uint64_t index, std::uint64_t wordCount,
                       const std::string& path)
{
    return fmt::format("   Error: {} at word {} is cut off by the end of the data ({} words) in {}", what,
                       index, wordCount, path);
}

/// Keeps the worker's slot until the worker leaves, however it leaves.
struct WorkerSlotGuard
{
    WorkerSlotGuard() = default;
    WorkerSlotGuard(const WorkerSlotGuard&) = delete;
    WorkerSlotGuard& operator=(const WorkerSlotGuard&) = delete;
    ~WorkerSlotGuard() { gf_releaseWorkerSlot(); }
};

/// Walks the records of one airport section from its first record to the end of the file.
void walkAirportSection(std::uint64_t r, const BglWords& words, const std::string& path,
                        const BglAirportSteps& steps, std::set<std::uint64_t>& decoded)
{
    const std::uint64_t wordCount = words.size();
    while (words.contains(r))
    {
        if (!words.contains(r + 1))
        {
            gf_logMarked(cutOffText("record header", r, wordCount, path));
            return;
        }
        const std::uint16_t id = words.recordId(r);
        const std::uint32_t size = words.recordSize(r);
        const std::uint64_t step = size / 4;
        if (id == kBglAirportRecord || id == kBglAirportRecordAB)
        {
            if (step == 0)
            {
                warnZeroSize("o2", r, true);
                return;
            }
            if (size % 4 != 0)
            {
                warnUnaligned(id, r, size, path);
            }
            if (!words.contains(r + 10))
            {
                gf_logMarked(cutOffText("airport record", r, wordCount, path));
                return;
            }
            const auto [ident, valid] = gf_decodeIdentifierOrRegionCode(words.at(r + 10));
            // Several airport sections of one file walk over the same records; each airport is
            // decoded once.
            if (valid && decoded.insert(r).second)
            {
                gf_decodeAirportRecord(r, words, wordCount, id == kBglAirportRecordAB, step, ident, path,
                                       steps);
            }
        }
        if (step == 0)
        {
            return;
        }
        r += step;
    }
}

} // namespace

std::uint32_t BglWords::at(std::uint64_t index) const
{
    if (index >= words_.size())
    {
        throw std::out_of_range(
            fmt::format("BGL word {} lies beyond the file's {} words", index, words_.size()));
    }
    return words_[index];
}

std::uint32_t BglWords::recordSize(std::uint64_t index) const
{
    return (at(index) >> 16) | ((at(index + 1) & 0xFFFF) << 16);
}

std::uint8_t BglWords::byteAt(std::uint64_t index, std::uint64_t byteOffset) const
{
    return static_cast<std::uint8_t>(at(index + byteOffset / 4) >> (8 * (byteOffset % 4)));
}

float BglWords::floatAt(std::uint64_t index) const
{
    return std::bit_cast<float>(at(index));
}

BglAirportSteps gf_scanAirportSteps()
{
    return {[](ScannedAirport& airport, std::uint32_t& archivedCount, const std::string& path)
            { return gf_linkArchivedAirport(airport, archivedCount, path); },
            [](ScannedAirport& airport) { gf_generateAirportFile(airport); }};
}

BglWords gf_readBglWords(std::istream& stream)
{
    stream.seekg(0, std::ios::end);
    const std::streamoff length = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (length < 0 || !stream)
    {
        throw std::runtime_error("BGL file cannot be read");
    }
    const auto bytes = static_cast<std::size_t>(length);
    std::vector<std::uint32_t> words((bytes + 3) / 4, 0);
    stream.read(reinterpret_cast<char*>(words.data()), static_cast<std::streamsize>(bytes));
    if (static_cast<std::size_t>(stream.gcount()) != bytes)
    {
        throw std::runtime_error("BGL file cannot be read");
    }
    if constexpr (std::endian::native == std::endian::big)
    {
        for (std::uint32_t& w : words)
        {
            w = (w >> 24) | ((w >> 8) & 0xFF00) | ((w << 8) & 0xFF0000) | (w << 24);
        }
    }
    return BglWords(std::move(words));
}

bool gf_bglHasAirportSection(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < static_cast<std::streamoff>(kBglHeaderBytes + 1))
    {
        return false;
    }
    std::array<unsigned char, kBglHeaderBytes> header{};
    in.read(reinterpret_cast<char*>(header.data()), header.size());
    if (!in)
    {
        return false;
    }
    auto u32 = [](const unsigned char* p)
    {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    };
    const std::uint32_t sections = u32(header.data() + 20);
    if (sections == 0 || static_cast<std::uint64_t>(size) <= kBglHeaderBytes + 20ull * sections)
    {
        return false;
    }
    std::array<unsigned char, 20> entry{};
    for (std::uint32_t i = 0; i < sections; ++i)
    {
        in.read(reinterpret_cast<char*>(entry.data()), entry.size());
        if (!in)
        {
            return false;
        }
        if (u32(entry.data()) == kBglAirportSectionType)
        {
            return true;
        }
    }
    return false;
}

void gf_processBGLfile(const std::filesystem::path& path)
{
    gf_processBGLfile(path, gf_scanAirportSteps());
}

void gf_processBGLfile(const std::filesystem::path& path, const BglAirportSteps& steps)
{
    const WorkerSlotGuard slot;
    const std::string pathText = path.string();
    try
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
        {
            return;
        }
        const BglWords words = gf_readBglWords(in);
        if (words.size() < 2 || words.at(1) != kBglHeaderBytes)
        {
            return;
        }
        if (words.size() <= kHeaderWords)
        {
            return;
        }
        std::set<std::uint64_t> decoded;
        const std::uint64_t sections = words.at(5);
        for (std::uint64_t i = 0; i < sections; ++i)
        {
            const std::uint64_t e = kHeaderWords + kSectionEntryWords * i;
            if (!words.contains(e + 3))
            {
                break; // every later entry lies further out
            }
            if (words.at(e) != kBglAirportSectionType || (words.at(e + 1) & kBglLongSubsectionFlag) != 0)
            {
                continue;
            }
            const std::uint64_t s = words.at(e + 3) / 4;
            if (!words.contains(s + 2))
            {
                gf_logMarked(
                    cutOffText(fmt::format("subsection header of section {}", i), s, words.size(), pathText));
                continue;
            }
            walkAirportSection(words.at(s + 2) / 4, words, pathText, steps, decoded);
        }
    }
    catch (const std::exception& e)
    {
        gf_logMarked(fmt::format("Exception in lf_processBGLfile: {}", pathText));
        gf_logIndented(e.what());
        throw;
    }
}

std::pair<std::string, bool> gf_decodeIdentifierOrRegionCode(std::uint32_t packed)
{
    std::uint32_t value = packed >> 5;
    std::string text;
    do
    {
        const std::uint32_t digit = value % 38;
        value /= 38;
        char c = ' ';
        if (digit == 1)
        {
            c = static_cast<char>(54);
        }
        else if (digit >= 2 && digit <= 11)
        {
            c = static_cast<char>('0' + (digit - 2));
        }
        else if (digit >= 12)
        {
            c = static_cast<char>('A' + (digit - 12));
        }
        text.insert(text.begin(), c);
    } while (value != 0);
    const bool valid = text.size() == 4 && text.find(' ') == std::string::npos;
    return {text, valid};
}

std::string gf_parkingNameText(std::uint32_t index)
{
    static constexpr std::array<std::string_view, 12> kNames{"",   "r",   "p",  "np",  "ep", "sep",
                                                             "sp", "swp", "wp", "nwp", "g",  ""};
    if (index < kNames.size())
    {
        return std::string(kNames[index]);
    }
    if (index <= 63)
    {
        return std::string(1, static_cast<char>(index + 53));
    }
    return {};
}

BglAirportHeader gf_decodeAirportHeader(std::uint64_t r, const BglWords& words, std::uint64_t wordCount,
                                        bool isAB, std::uint64_t recordWords)
{
    BglAirportHeader header;
    const auto altitudeMm = static_cast<std::int32_t>(words.at(r + 5));
    const auto feet = static_cast<std::int32_t>(std::lround(altitudeMm * kFeetPerMetre / 1000.0));
    header.altitudeFt = feet < -20 || feet > 10000 ? 0 : feet;

    // The NAME sub-records of this airport must agree. The walk ends with the airport's own record: a file
    // of many small airports would otherwise be walked to its end once per airport.
    const std::uint64_t end = r + recordWords;
    std::uint64_t o = r + (isAB ? 15 : 14);
    while (o < end && words.contains(o + 1))
    {
        const std::uint32_t step = words.recordSize(o) / 4;
        if (words.recordId(o) == kBglNameRecord)
        {
            const std::string text = gf_decodeAirportNAME(words, o, wordCount);
            if (header.name.empty())
            {
                header.name = text;
            }
            else if (text != header.name)
            {
                header.name.clear();
            }
        }
        if (step == 0)
        {
            warnZeroSize("o3", o, true);
            break;
        }
        o += step;
    }
    return header;
}

std::string gf_decodeAirportNAME(const BglWords& words, std::uint64_t o, std::uint64_t wordCount)
{
    std::string text;
    try
    {
        const std::int64_t size = words.recordSize(o) & 0xFFFF;
        const std::int64_t len = std::min<std::int64_t>(size - 6, kMaxNameBytes);
        if (len < 0)
        {
            return {};
        }
        const std::int64_t k = (len - 2) / 4;
        if (static_cast<std::uint64_t>(k) >= wordCount)
        {
            gf_log(fmt::format("! o3: {} out of range, nrDWORDS: {}", o, wordCount));
            return {};
        }
        const std::int64_t rest = std::min<std::int64_t>(std::max<std::int64_t>(len - 2 - 4 * k, 0), 2);
        const std::int64_t bytes = 2 + 4 * k + rest;
        for (std::int64_t b = 0; b < bytes; ++b)
        {
            text.push_back(static_cast<char>(words.byteAt(o, 6 + static_cast<std::uint64_t>(b))));
        }
    }
    catch (const std::exception&)
    {
        gf_log("lf_decodeAirportNAME EXCEPTION");
    }
    while (!text.empty() && text.back() == '\0')
    {
        text.pop_back();
    }
    return text;
}

void gf_addHelipads(std::uint64_t o, const BglWords& words, ScannedAirport& airport, BglAirportState& state)
{
    if (!words.contains(o + kHelipadWords - 1))
    {
        gf_logMarked(
            cutOffText(fmt::format("helipad of {}", airport.ident), o, words.size(), airport.bglPath));
        return;
    }
    const LatLonDeg p = decodePosition(words.at(o + 4), words.at(o + 3));
    const float widthM = words.floatAt(o + 7);
    const float headingDeg = words.floatAt(o + 8);
    if (!validPosition(p))
    {
        gf_addScanLogLine("lat/lon helipad incorrect (skipped): " + positionText(p));
        return;
    }
    if (!std::isfinite(widthM) || widthM <= 0.0f || !std::isfinite(headingDeg))
    {
        gf_addScanLogLine(fmt::format("helipad {} of {} with width {} m and heading {} (skipped)",
                                      positionText(p), airport.ident, widthM, headingDeg));
        return;
    }
    const bool taken = std::any_of(state.helipads.begin(), state.helipads.end(),
                                   [&](const auto& h) {
                                       return std::fabs(h.first - p.lat) < kSamePositionDeg &&
                                              std::fabs(h.second - p.lon) < kSamePositionDeg;
                                   });
    if (taken)
    {
        gf_addScanLogLine("double helipad " + airport.name + " (skipped) " + positionText(p));
        return;
    }
    state.helipads.emplace_back(p.lat, p.lon);
    Stand stand;
    stand.name = fmt::format("helipad{}", state.helipadCounter);
    stand.latitude = p.lat;
    stand.longitude = p.lon;
    stand.heading = headingRad(headingDeg);
    stand.radius = metresToNm(widthM * 0.5);
    stand.helipad = 1;
    airport.stands.push_back(std::move(stand));
    ++state.helipadCounter;
    airport.helipadCount = state.helipadCounter - 1;
}

void gf_addParkingPositions(std::uint64_t o, const BglWords& words, ScannedAirport& airport,
                            BglAirportState& state, bool isAD, const std::string& path)
{
    const std::uint32_t count = words.at(o + 1) >> 16;
    // Entries are read only inside the sub-record and the file: a count larger than the data is a
    // corrupt file, whose entries before the cut are kept.
    const std::uint64_t end = std::min<std::uint64_t>(o + words.recordSize(o) / 4, words.size());
    std::uint64_t e = o + 2;
    for (std::uint32_t k = 0; k < count; ++k)
    {
        if (e + kParkingEntryWords > end)
        {
            gf_logMarked(
                fmt::format("   Error: parking entry {} of {} at word {} of {} lies beyond its data ({} "
                            "words), the rest is skipped, in {}",
                            k + 1, count, e, airport.ident, end, path));
            return;
        }
        const std::uint32_t packed = words.at(e);
        const std::uint32_t codes = packed >> 24;
        const std::uint64_t next = e + kParkingEntryWords + (isAD ? 1 : 0) + codes;
        const double radiusM = words.floatAt(e + 1);
        const float headingDeg = words.floatAt(e + 2);
        const LatLonDeg p = decodePosition(words.at(e + 8), words.at(e + 7));
        e = next;

        if (!(radiusM > kMinStandRadiusM && radiusM < kMaxStandRadiusM))
        {
            gf_addScanLogLine(fmt::format("Skipped position with radius {:.1F} m in {}", radiusM, path));
            continue;
        }
        std::string name = gf_parkingNameText(packed & 0x3F) + std::to_string((packed >> 12) & 0xFFF);
        const std::uint32_t type = (packed >> 8) & 0xF;
        if (type < 1 || type > 11)
        {
            continue;
        }
        if (!validPosition(p))
        {
            gf_addScanLogLine(fmt::format("LatLon {} invalid (skipped)", positionText(p)));
            continue;
        }
        if (!std::isfinite(headingDeg))
        {
            gf_addScanLogLine(
                fmt::format("Skipped position {} with heading {} in {}", name, headingDeg, path));
            continue;
        }
        if (!state.names.insert(name).second)
        {
            std::string unique;
            for (char letter : kDuplicateLetters)
            {
                if (state.names.insert(name + letter).second)
                {
                    unique = name + letter;
                    break;
                }
            }
            if (unique.empty())
            {
                gf_addScanLogLine(
                    fmt::format("{}Warning: more than 10 duplicate IDs {} in {}", "===> ", name, path));
                continue;
            }
            name = std::move(unique);
        }
        Stand stand;
        stand.name = std::move(name);
        stand.latitude = p.lat;
        stand.longitude = p.lon;
        stand.heading = headingRad(headingDeg);
        stand.radius = metresToNm(radiusM);
        stand.cargo = type == 5 ? 1 : 0;
        stand.ramp = type < 8 ? 1 : 0;
        airport.stands.push_back(std::move(stand));
    }
}

void gf_decodeAirportRecord(std::uint64_t r, const BglWords& words, std::uint64_t wordCount, bool isAB,
                            std::uint64_t recordWords, const std::string& ident, const std::string& path,
                            const BglAirportSteps& steps)
{
    ScannedAirport airport;
    airport.ident = ident;
    std::uint32_t archivedCount = 0;
    const bool linked = steps.link(airport, archivedCount, path);
    BglAirportHeader header = gf_decodeAirportHeader(r, words, wordCount, isAB, recordWords);
    airport.altitudeFt = header.altitudeFt;
    airport.name = std::move(header.name);

    BglAirportState state;
    const std::uint16_t parkingId = isAB ? kBglParkingRecordAD : kBglParkingRecord;
    const std::uint64_t end = r + recordWords;
    std::uint64_t o = r + (isAB ? 15 : 14);
    std::uint32_t looked = 0;
    while (o < end)
    {
        if (looked == kBglMaxSubrecords)
        {
            gf_log("   Error: Maximum loop iterations reached \xE2\x80\x94 possible corrupt SIA or malformed "
                   "input.");
            break;
        }
        ++looked;
        if (!words.contains(o + 1))
        {
            gf_log(fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", o, wordCount));
            break;
        }
        const std::uint16_t id = words.recordId(o);
        const std::uint32_t size = words.recordSize(o);
        const std::uint64_t step = size / 4;
        if (size % 4 != 0)
        {
            warnUnaligned(id, o, size, path);
        }
        if (id == parkingId)
        {
            gf_addParkingPositions(o, words, airport, state, isAB, path);
            break; // only the first parking sub-record describes the stands
        }
        if (id == kBglHelipadRecord)
        {
            gf_addHelipads(o, words, airport, state);
        }
        if (step == 0)
        {
            warnZeroSize("o3", o, id == kBglNameRecord || id == kBglHelipadRecord);
            break;
        }
        o += step;
    }

    const std::size_t count = airport.stands.size();
    if (count > archivedCount && airport.publisher != kSimaddonPublisher)
    {
        gf_addScanLogLine(fmt::format("{}{} has {} parkpos while archived one has {}", "===> ", ident, count,
                                      archivedCount));
    }
    if (linked && (count <= archivedCount || airport.publisher == kSimaddonPublisher))
    {
        return;
    }
    steps.generate(airport);
}

} // namespace oxl
