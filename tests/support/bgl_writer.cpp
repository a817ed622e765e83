// Little-endian writing of synthetic BGL files.
#include "tests/support/bgl_writer.h"

#include <bit>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace oxl::test
{
namespace
{

constexpr double kLatUnitDeg = 180.0 / (1U << 29);
constexpr double kLonUnitDeg = 360.0 / (3.0 * (1U << 28));
constexpr std::size_t kFileHeaderBytes = 56;
constexpr std::size_t kSectionEntryBytes = 20;
constexpr std::size_t kSubsectionHeaderBytes = 16;

void putU16(std::string& out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void putU32(std::string& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}

void putF32(std::string& out, double v)
{
    putU32(out, std::bit_cast<std::uint32_t>(static_cast<float>(v)));
}

void setU32(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        out[at + static_cast<std::size_t>(shift / 8)] = static_cast<char>((v >> shift) & 0xFF);
    }
}

std::uint32_t identDigit(char c)
{
    if (c == ' ')
    {
        return 0;
    }
    if (c >= '0' && c <= '9')
    {
        return 2 + static_cast<std::uint32_t>(c - '0');
    }
    if (c >= 'A' && c <= 'Z')
    {
        return 12 + static_cast<std::uint32_t>(c - 'A');
    }
    throw std::invalid_argument("ident character outside blank, 0-9, A-Z");
}

} // namespace

std::uint32_t bglRawLatitude(double latDeg)
{
    return static_cast<std::uint32_t>(std::llround((90.0 - latDeg) / kLatUnitDeg));
}

std::uint32_t bglRawLongitude(double lonDeg)
{
    return static_cast<std::uint32_t>(std::llround((lonDeg + 180.0) / kLonUnitDeg));
}

std::uint32_t bglPackIdent(std::string_view ident)
{
    std::uint32_t value = 0;
    for (char c : ident)
    {
        value = value * 38 + identDigit(c);
    }
    return value << 5;
}

BglRecord BglRecord::make(std::uint16_t id, std::string_view body, std::optional<std::uint32_t> sizeField)
{
    BglRecord record;
    putU16(record.bytes, id);
    putU32(record.bytes, sizeField.value_or(static_cast<std::uint32_t>(6 + body.size())));
    record.bytes.append(body);
    return record;
}

BglAirport::BglAirport(std::string_view ident, bool ab) : ab_(ab), identWord_(bglPackIdent(ident))
{
}

BglAirport& BglAirport::altitudeMm(std::int32_t mm)
{
    altitudeMm_ = mm;
    return *this;
}

BglAirport& BglAirport::identWord(std::uint32_t word)
{
    identWord_ = word;
    return *this;
}

BglAirport& BglAirport::name(std::string_view text)
{
    std::string body(text);
    while ((6 + body.size()) % 4 != 0)
    {
        body.push_back('\0');
    }
    return raw(BglRecord::make(kBglName, body));
}

BglAirport& BglAirport::helipad(const BglHelipadEntry& pad)
{
    std::string body(6, '\0'); // bytes 6..11
    putU32(body, bglRawLongitude(pad.lon));
    putU32(body, bglRawLatitude(pad.lat));
    putU32(body, 0); // 20: altitude, not read
    putU32(body, 0); // 24: length, not read
    putF32(body, pad.widthM);
    putF32(body, pad.headingDeg);
    return raw(BglRecord::make(kBglHelipad, body));
}

std::string BglAirport::parkingBody(const std::vector<BglParkingEntry>& entries, bool ad,
                                    std::optional<std::uint16_t> countField) const
{
    std::string body;
    putU16(body, countField.value_or(static_cast<std::uint16_t>(entries.size())));
    for (const BglParkingEntry& e : entries)
    {
        const std::uint32_t packed = (e.nameIndex & 0x3F) | ((e.type & 0xF) << 8) |
                                     ((e.number & 0xFFF) << 12) |
                                     (static_cast<std::uint32_t>(e.airlineCodes.size() & 0xFF) << 24);
        putU32(body, packed);
        putF32(body, e.radiusM);
        putF32(body, e.headingDeg);
        body.append(16, '\x7F'); // 12..27: not read by the decoder
        putU32(body, bglRawLongitude(e.lon));
        putU32(body, bglRawLatitude(e.lat));
        if (ad)
        {
            putU32(body, 0xADADADAD);
        }
        for (std::uint32_t code : e.airlineCodes)
        {
            putU32(body, code);
        }
    }
    return body;
}

BglAirport& BglAirport::parking(const std::vector<BglParkingEntry>& entries,
                                std::optional<std::uint16_t> countField)
{
    return raw(BglRecord::make(ab_ ? kBglParkingAD : kBglParking, parkingBody(entries, ab_, countField)));
}

BglAirport& BglAirport::foreignParking(const std::vector<BglParkingEntry>& entries)
{
    return raw(BglRecord::make(ab_ ? kBglParking : kBglParkingAD, parkingBody(entries, !ab_, {})));
}

BglAirport& BglAirport::filler(std::size_t count, std::uint16_t id, std::uint32_t sizeBytes)
{
    const BglRecord one = BglRecord::make(id, std::string(sizeBytes - 6, '\0'));
    subrecords_.reserve(subrecords_.size() + count * one.bytes.size());
    for (std::size_t i = 0; i < count; ++i)
    {
        subrecords_ += one.bytes;
    }
    return *this;
}

BglAirport& BglAirport::raw(const BglRecord& record)
{
    subrecords_ += record.bytes;
    return *this;
}

BglAirport& BglAirport::recordSizeField(std::uint32_t size)
{
    sizeField_ = size;
    return *this;
}

BglRecord BglAirport::record() const
{
    const std::size_t headerBytes = ab_ ? 60 : 56;
    std::string body(headerBytes - 6, '\0');
    setU32(body, 20 - 6, static_cast<std::uint32_t>(altitudeMm_));
    setU32(body, 40 - 6, identWord_);
    body += subrecords_;
    return BglRecord::make(ab_ ? kBglAirportAB : kBglAirport, body, sizeField_);
}

BglFile& BglFile::section(BglSection section)
{
    sections_.push_back(std::move(section));
    return *this;
}

BglFile& BglFile::airports(const std::vector<BglAirport>& list)
{
    BglSection s;
    for (const BglAirport& a : list)
    {
        s.records.push_back(a.record());
    }
    return section(std::move(s));
}

BglFile& BglFile::headerSizeField(std::uint32_t size)
{
    headerSize_ = size;
    return *this;
}

BglFile& BglFile::sectionCountField(std::uint32_t count)
{
    sectionCount_ = count;
    return *this;
}

std::string BglFile::bytes() const
{
    std::string out;
    putU32(out, 0x5A5A0001); // this writer's own file mark; the decoder does not read it
    putU32(out, headerSize_);
    out.append(12, '\0');
    putU32(out, sectionCount_.value_or(static_cast<std::uint32_t>(sections_.size())));
    out.resize(kFileHeaderBytes, '\0');

    std::size_t offset = kFileHeaderBytes + kSectionEntryBytes * sections_.size();
    std::string tail;
    for (const BglSection& s : sections_)
    {
        std::string records;
        for (const BglRecord& r : s.records)
        {
            records += r.bytes;
        }
        const std::size_t first = offset + kSubsectionHeaderBytes;
        putU32(out, s.type);
        putU32(out, s.flags);
        putU32(out, 1);
        putU32(out, static_cast<std::uint32_t>(offset));
        putU32(out, static_cast<std::uint32_t>(kSubsectionHeaderBytes + records.size()));

        putU32(tail, 0);
        putU32(tail, static_cast<std::uint32_t>(s.records.size()));
        putU32(tail, static_cast<std::uint32_t>(first));
        putU32(tail, static_cast<std::uint32_t>(records.size()));
        tail += records;
        offset = first + records.size();
    }
    return out + tail;
}

void BglFile::write(const std::filesystem::path& file, std::optional<std::size_t> truncateAt) const
{
    if (file.has_parent_path())
    {
        std::filesystem::create_directories(file.parent_path());
    }
    std::string data = bytes();
    if (truncateAt && *truncateAt < data.size())
    {
        data.resize(*truncateAt);
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out)
    {
        throw std::runtime_error("cannot write " + file.string());
    }
}

} // namespace oxl::test
