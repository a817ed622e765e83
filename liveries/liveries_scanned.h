// output/LiveriesScanned.xml, which keeps a scan's liveries between starts, and the scan's report files in
// output/errors and output/info. Paths are relative to the program folder (the working folder).
#pragma once

#include "foundation/disk_refusal.h"

#include <filesystem>

namespace oxl
{

/// output/LiveriesScanned.xml.
std::filesystem::path gf_liveriesScannedPath();
/// output/errors, the folder of the error reports.
std::filesystem::path gf_scanErrorsFolder();
/// output/info, the folder of the information reports.
std::filesystem::path gf_scanInfoFolder();

/// Writes gLiveries.ScannedLiveries, in list order, to LiveriesScanned.xml; nothing when the list is empty.
/// Done when the file was saved; the disk's refusal when it was why not.
SaveResult gf_writeLiveriesScannedXml();
/// Replaces gLiveries.ScannedLiveries by the liveries of LiveriesScanned.xml, sorted by airline, type and
/// title; UserErrorException 51 (not loadable), 52 (no <liveries>), 999 (an attribute missing), 533 (no
/// livery).
void gf_readLiveriesScanned();
/// Removes the previous scan's reports, and output/errors when it is empty (LiveriesScanned.xml stays until
/// a new one replaces it); a removal that fails for another reason than a missing file raises
/// std::filesystem::filesystem_error.
void gf_removeScanOutputs();
/// Writes the report lists of the scan to their files and logs their summary lines.
void gf_writeScanReports();
/// Writes gLiveries.ModelFixes to output/errors/Fixes.txt and logs its summary line.
void gf_writeFixesReport();

} // namespace oxl
