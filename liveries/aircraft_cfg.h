// Reading one aircraft.cfg (or sim.cfg) of a livery folder: the task body a scan worker runs per file.
// The readers share state only through the locked lists of livery_data.h and read the database, so any
// number of them may run at once.
#pragma once

#include "liveries/cfg_folder.h"
#include "liveries/livery_data.h"
#include "platform/win_path.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace oxl
{

/// Highest section number a usable file may hold; malformed headers are numbered with it.
inline constexpr std::uint32_t kMaxFltSimNumber = 10000;
/// Lines of an aircraft.cfg reserved before reading.
inline constexpr std::size_t kCfgLinesReserved = 4048;
/// Lines of one section reserved before splitting.
inline constexpr std::size_t kSectionLinesReserved = 48;

/// The liveries of an ordinary aircraft.cfg, typed by its atc_model line, in section order. Releases one
/// worker slot on every way out; exceptions are logged and passed on.
std::list<LiveryData> gf_searchLiveriesinFile(int folderIndex, const WinPath& file);
/// The liveries of an aircraft.cfg of an IVAO_MTL package, typed by its folder name. Releases one worker
/// slot on every way out; exceptions are passed on.
std::list<LiveryData> gf_readAircraftCfg(int folderIndex, const WinPath& file);

/// True when every header number parses and lies in 0..10000; rejections are logged or listed, and a
/// file without any header is listed in gLiveries.EmptyCfgFiles (and passes).
bool gf_checkFltSimNumbers(const std::vector<std::string>& lines, const WinPath& file);
/// The type code of an ordinary file from its first atc_model value, repaired by the model fix map;
/// "" (listed) when it has none or an unknown one.
std::string gf_readAtcModel(const WinPath& file, const std::vector<std::string>& lines);
/// The type code of an IVAO package file from its folder IVAO_<code>; "" (listed) when unusable.
std::string gf_ivaoTypeFromPath(const WinPath& file);

/// Splits an ordinary file's lines into sections and appends their liveries.
void gf_splitFltSimSections(std::list<LiveryData>& out, std::uint32_t folderIndex,
                            std::vector<std::string>& lines, const std::string& type, const WinPath& file,
                            CfgFolder& folder);
/// Splits an IVAO package file's lines into sections and appends the liveries that have an airline.
void gf_splitIvaoSections(std::list<LiveryData>& out, std::uint32_t folderIndex,
                          std::vector<std::string>& lines, const std::string& type, const WinPath& file,
                          CfgFolder& folder);

} // namespace oxl
