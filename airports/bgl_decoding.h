// Airports decoded from the add-on sceneries' BGL files: the quick test of the airport scan, the worker
// that decodes every airport record of one file, and the decoders of its few fields and sub-records.
#pragma once

#include "airports/airport_file.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace oxl
{

/// Bytes of a BGL file header; also the header size the file must name at byte 4.
inline constexpr std::uint32_t kBglHeaderBytes = 56;
/// Section type of airports.
inline constexpr std::uint32_t kBglAirportSectionType = 3;
/// Section flag of subsection headers longer than the 16 bytes the decoder reads.
inline constexpr std::uint32_t kBglLongSubsectionFlag = 1u << 16;
/// Record ids the decoder reads.
inline constexpr std::uint16_t kBglAirportRecord = 0x3C;
inline constexpr std::uint16_t kBglAirportRecordAB = 0xAB;
inline constexpr std::uint16_t kBglNameRecord = 0x19;
inline constexpr std::uint16_t kBglHelipadRecord = 0x26;
inline constexpr std::uint16_t kBglParkingRecord = 0x3D;
inline constexpr std::uint16_t kBglParkingRecordAD = 0xAD;
/// Most sub-records of one airport record that are looked at; more means a corrupt file.
inline constexpr std::uint32_t kBglMaxSubrecords = 5000;

/// A whole BGL file as little-endian 32-bit words; reads beyond the last word throw std::out_of_range.
class BglWords
{
  public:
    BglWords() = default;
    /// Takes the words as they are.
    explicit BglWords(std::vector<std::uint32_t> words) : words_(std::move(words)) {}

    /// Number of words.
    [[nodiscard]] std::uint64_t size() const { return words_.size(); }
    /// True when the word index lies inside the file.
    [[nodiscard]] bool contains(std::uint64_t index) const { return index < words_.size(); }
    /// The word at the index; std::out_of_range beyond the last word.
    [[nodiscard]] std::uint32_t at(std::uint64_t index) const;
    /// The u16 id of the record that starts at the word.
    [[nodiscard]] std::uint16_t recordId(std::uint64_t index) const { return at(index) & 0xFFFF; }
    /// The u32 size in bytes at byte 2 of the record that starts at the word (it spans two words).
    [[nodiscard]] std::uint32_t recordSize(std::uint64_t index) const;
    /// The byte at a byte offset from the start of the structure at the word.
    [[nodiscard]] std::uint8_t byteAt(std::uint64_t index, std::uint64_t byteOffset) const;
    /// The word read as a 32-bit float.
    [[nodiscard]] float floatAt(std::uint64_t index) const;

  private:
    std::vector<std::uint32_t> words_;
};

/// Altitude and name from an airport record's header and NAME sub-records.
struct BglAirportHeader
{
    std::int32_t altitudeFt = 0; ///< [ft] 0 when outside -20..10000 ft
    std::string name;            ///< "" when the NAME sub-records disagree
};

/// What the decode of one airport record keeps: stand names taken, helipads accepted, their count.
struct BglAirportState
{
    std::set<std::string> names;                     ///< stand names taken so far
    std::vector<std::pair<double, double>> helipads; ///< [deg] latitude, longitude of accepted helipads
    std::uint32_t helipadCounter = 1;                ///< number of the next helipad
};

/// What becomes of each decoded airport: linked to an archived file and/or generated.
struct BglAirportSteps
{
    /// (airport, out archived stand count, BGL path text) -> linked; sets bglPath and publisher.
    std::function<bool(ScannedAirport&, std::uint32_t&, const std::string&)> link;
    /// Writes the generated airport file of a decoded airport.
    std::function<void(ScannedAirport&)> generate;
};

/// The scan's steps: gf_linkArchivedAirport and gf_generateAirportFile.
[[nodiscard]] BglAirportSteps gf_scanAirportSteps();

/// The whole stream as words, the bytes of a final partial word as 0; std::runtime_error when unreadable.
[[nodiscard]] BglWords gf_readBglWords(std::istream& stream);

/// Quick test of the scan: the file names at least one section of airports. Reads only the header
/// and the section entries; false for files that cannot be read or are too short for them.
[[nodiscard]] bool gf_bglHasAirportSection(const std::filesystem::path& path);

/// The scan worker: decodes every airport record of the file and links or generates its airport
/// file. Releases one worker slot on every way out; a failure is logged and raised to the scan.
void gf_processBGLfile(const std::filesystem::path& path);
/// The same with other steps for each decoded airport (benchmarks, tests).
void gf_processBGLfile(const std::filesystem::path& path, const BglAirportSteps& steps);

/// The packed ident word as text (base 38 above bit 5, most significant digit first) and whether it is a
/// valid 4-character ICAO ident without blanks.
[[nodiscard]] std::pair<std::string, bool> gf_decodeIdentifierOrRegionCode(std::uint32_t packed);

/// The name text of a 6-bit parking name index ("r", "p", ... "g", or one letter for 12..63).
[[nodiscard]] std::string gf_parkingNameText(std::uint32_t index);

/// Decodes the airport record at word r of recordWords words and hands the airport to the steps.
void gf_decodeAirportRecord(std::uint64_t r, const BglWords& words, std::uint64_t wordCount, bool isAB,
                            std::uint64_t recordWords, const std::string& ident, const std::string& path,
                            const BglAirportSteps& steps);

/// Altitude of the airport record at word r of recordWords words and the name its NAME sub-records agree on.
[[nodiscard]] BglAirportHeader gf_decodeAirportHeader(std::uint64_t r, const BglWords& words,
                                                      std::uint64_t wordCount, bool isAB,
                                                      std::uint64_t recordWords);

/// The text of the NAME sub-record at word o, at most 44 characters, trailing NULs removed.
[[nodiscard]] std::string gf_decodeAirportNAME(const BglWords& words, std::uint64_t o,
                                               std::uint64_t wordCount);

/// Adds the helipad sub-record at word o as a stand, unless its position is invalid or taken.
void gf_addHelipads(std::uint64_t o, const BglWords& words, ScannedAirport& airport, BglAirportState& state);

/// Adds the entries of the taxiway parking sub-record at word o as stands; isAD for the 0xAD kind.
void gf_addParkingPositions(std::uint64_t o, const BglWords& words, ScannedAirport& airport,
                            BglAirportState& state, bool isAD, const std::string& path);

} // namespace oxl
