// Synthetic BGL scenery files for the airport decoder and the airport scan: a little-endian builder of
// the header, section entries, subsections, airport records and the sub-records the decoder reads,
// with knobs that corrupt each of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxl::test
{

/// Record ids the decoder knows.
inline constexpr std::uint16_t kBglAirport = 0x3C;         ///< airport record, 56-byte header
inline constexpr std::uint16_t kBglAirportAB = 0xAB;       ///< airport record, 60-byte header
inline constexpr std::uint16_t kBglName = 0x19;            ///< airport name
inline constexpr std::uint16_t kBglHelipad = 0x26;         ///< helipad
inline constexpr std::uint16_t kBglParking = 0x3D;         ///< taxiway parking of a 0x3C airport
inline constexpr std::uint16_t kBglParkingAD = 0xAD;       ///< taxiway parking of a 0xAB airport
inline constexpr std::uint32_t kBglAirportSection = 3;     ///< section type of airports
inline constexpr std::uint32_t kBglLongHeaders = 1u << 16; ///< section flag the decoder refuses

/// The raw latitude word of a latitude [deg].
std::uint32_t bglRawLatitude(double latDeg);
/// The raw longitude word of a longitude [deg].
std::uint32_t bglRawLongitude(double lonDeg);
/// The packed ident word of an ICAO text (blank 0, '0'-'9' 2-11, 'A'-'Z' 12-37, base 38, shifted by 5).
std::uint32_t bglPackIdent(std::string_view ident);

/// One parking entry of a taxiway parking sub-record.
struct BglParkingEntry
{
    std::uint32_t nameIndex = 12;            ///< 6 bits: 1..11 the named kinds, 12..63 one letter (12 = 'A')
    std::uint32_t type = 8;                  ///< 4 bits: 1..7 ramp, 8..11 gates, 5 cargo
    std::uint32_t number = 1;                ///< 12 bits
    double radiusM = 20.0;                   ///< [m]
    double headingDeg = 90.0;                ///< [deg]
    double lat = 52.3;                       ///< [deg]
    double lon = 4.76;                       ///< [deg]
    std::vector<std::uint32_t> airlineCodes; ///< stepped over by the decoder
};

/// One helipad.
struct BglHelipadEntry
{
    double lat = 52.3;       ///< [deg]
    double lon = 4.76;       ///< [deg]
    double widthM = 30.0;    ///< [m]
    double headingDeg = 0.0; ///< [deg]
};

/// A record or sub-record as bytes: u16 id, u32 size at byte 2, then its body.
struct BglRecord
{
    std::string bytes; ///< the whole record, header included

    /// A record of the id around the body; sizeField replaces the size written at byte 2.
    static BglRecord make(std::uint16_t id, std::string_view body,
                          std::optional<std::uint32_t> sizeField = {});
};

/// An airport record built sub-record by sub-record, in the order of the calls.
class BglAirport
{
  public:
    /// An airport of the ident; ab chooses the 0xAB record (60-byte header) over 0x3C (56 bytes).
    explicit BglAirport(std::string_view ident, bool ab = false);

    /// Altitude written at byte 20 [mm].
    BglAirport& altitudeMm(std::int32_t mm);
    /// Writes this word as the packed ident instead of the packed ident text.
    BglAirport& identWord(std::uint32_t word);
    /// A NAME sub-record, the text padded with NULs to a whole number of words.
    BglAirport& name(std::string_view text);
    /// A helipad sub-record.
    BglAirport& helipad(const BglHelipadEntry& pad);
    /// A taxiway parking sub-record of the airport's kind; countField replaces the entry count.
    BglAirport& parking(const std::vector<BglParkingEntry>& entries,
                        std::optional<std::uint16_t> countField = {});
    /// A taxiway parking sub-record of the other kind (0xAD in a 0x3C airport and the reverse).
    BglAirport& foreignParking(const std::vector<BglParkingEntry>& entries);
    /// count sub-records of an id the decoder steps over, each of sizeBytes (a multiple of 4, ≥ 8).
    BglAirport& filler(std::size_t count, std::uint16_t id = 0x55, std::uint32_t sizeBytes = 8);
    /// Any sub-record as it is.
    BglAirport& raw(const BglRecord& record);
    /// Writes this value as the record's size instead of its real size.
    BglAirport& recordSizeField(std::uint32_t size);

    /// The airport record with all its sub-records.
    BglRecord record() const;

  private:
    std::string parkingBody(const std::vector<BglParkingEntry>& entries, bool ad,
                            std::optional<std::uint16_t> countField) const;

    bool ab_ = false;
    std::uint32_t identWord_ = 0;
    std::int32_t altitudeMm_ = 0;
    std::optional<std::uint32_t> sizeField_;
    std::string subrecords_;
};

/// One section of a BGL file with one subsection holding its records.
struct BglSection
{
    std::uint32_t type = kBglAirportSection; ///< 3 = airports
    std::uint32_t flags = 0;                 ///< bit 16 marks headers the decoder does not read
    std::vector<BglRecord> records;          ///< records of the section's subsection, in order
};

/// A whole BGL file.
class BglFile
{
  public:
    /// Appends a section.
    BglFile& section(BglSection section);
    /// Appends an airport section holding these airports.
    BglFile& airports(const std::vector<BglAirport>& list);
    /// Writes this value as the header size instead of 56.
    BglFile& headerSizeField(std::uint32_t size);
    /// Writes this value as the section count instead of the real count.
    BglFile& sectionCountField(std::uint32_t count);

    /// The file's bytes.
    std::string bytes() const;
    /// Writes the file (creating its folders); the bytes cut after truncateAt when given.
    void write(const std::filesystem::path& file, std::optional<std::size_t> truncateAt = {}) const;

  private:
    std::vector<BglSection> sections_;
    std::uint32_t headerSize_ = 56;
    std::optional<std::uint32_t> sectionCount_;
};

} // namespace oxl::test
