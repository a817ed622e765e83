// One installed livery as the livery scan finds it, and the lists the scan workers share: the title
// register that keeps titles unique within a scan and the report lists of rejected or repaired entries.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace oxl
{

/// An installed livery; the record with every text empty stands for no livery.
struct LiveryData
{
    std::string airl;              ///< airline code ("ZZZ" generic, "PVT" private)
    std::string type;              ///< ICAO type code of the aircraft.cfg
    std::string title;             ///< the title under which the simulator creates the aircraft
    std::string atcid;             ///< registration, may be empty
    std::uint32_t folderIndex = 0; ///< 1-based place of the scanned folder, 0 when read back from the file
    bool cargo = false;            ///< a freighter livery

    /// True for the record that stands for no livery.
    bool empty() const { return airl.empty() && type.empty() && title.empty() && atcid.empty(); }
};

/// The order of the scanned-liveries list: by airline, then type, then title.
[[nodiscard]] bool gf_liveryBefore(const LiveryData& a, const LiveryData& b);

/// Records are the same livery when title, airline, type, ATC id and cargo flag are equal (not the folder).
bool gf_sameLivery(const LiveryData& a, const LiveryData& b);

/// Lines of one scan report, appended by many scan workers; each call takes the list's own mutex.
class ReportList
{
  public:
    /// Appends one line.
    void add(std::string line);
    /// A copy of the lines in the order they were added.
    std::list<std::string> lines() const;
    /// Number of lines.
    std::size_t size() const;
    /// True when there is no line.
    bool empty() const;
    /// Removes every line.
    void clear();

  private:
    mutable std::mutex mutex_;
    std::list<std::string> lines_;
};

/// The titles that became records in the current scan, shared by every scan worker. Workers read files at
/// once, so a title that two files give belongs to the file that comes first by folder index, then by path,
/// whichever worker gets to it first: the same installation always gives the same liveries.
class TitleRegister
{
  public:
    /// Claims the record's title for a section of the file; false when a file that comes first, or an
    /// earlier section of the same file, holds it. A claim that takes the title from a file that comes
    /// later reports that file's section with the line it gave and keeps its record for takeDisplaced.
    bool claim(const LiveryData& record, const std::string& file, std::string lineIfTaken);
    /// The records that lost their title to a file that comes first since the last call.
    std::vector<LiveryData> takeDisplaced();
    /// True when the title is registered.
    bool contains(const std::string& title) const;
    /// Number of registered titles.
    std::size_t size() const;
    /// Forgets every title.
    void clear();

  private:
    struct Holder
    {
        LiveryData record;
        std::string file;
        std::string lineIfTaken;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Holder> titles_;
    std::vector<LiveryData> displaced_;
};

/// Files rejected as a whole (section numbers out of range, no atc_model line).
/// Sections that gave no livery, and remarks on sections.
/// Airline codes the database does not know: "{:12} in {} " and the section header.
/// Type codes that are neither known nor a model fix key: "{:16} in {}".
/// Repaired type codes, in the order they were repaired.
/// Fields of scanned liveries that the database corrected (written by the scan on the cycle worker).
/// Every title that became a record in the current scan.
/// Titles the registration-code files mark as not to be used; filled before the folder walk and only
/// The scan's list of liveries; touched only by the cycle worker.

/// The record for a section of the file, or the empty record when a file that comes first (or an earlier
/// section) holds its title; lineIfTaken is the report line of the section when it loses its title.
LiveryData gf_makeLiveryData(std::uint32_t folderIndex, const std::string& airl, const std::string& type,
                             bool passenger, const std::string& title, const std::string& atcid,
                             const std::string& file, const std::string& lineIfTaken);
/// True when the title is on the don't-use list (exact, case-sensitive).
bool gf_isDontUseTitle(const std::string& title);

/// Appends a file rejected as a whole.
void gf_addInvalidCfgFile(std::string text);
/// Appends a rejected section or a remark on one.
void gf_addIncompleteSection(std::string text);
/// Appends an unknown airline code with the file and the section header.
void gf_addInvalidAirlineCode(const std::string& code, const std::string& file, const std::string& header);
/// Appends an unusable type code with the file.
void gf_addInvalidModelCode(const std::string& code, const std::string& file);
/// Appends a repaired type code line.
void gf_addModelFix(std::string text);

/// Empties the report lists, the title register, the don't-use list and the database corrections.
void gf_clearScanContainers();

} // namespace oxl
