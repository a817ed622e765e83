// The cycle worker's livery step: read the last scan (or run a new one) and turn the scanned liveries
// into the indexes, registration codes and similar-model tables, once per run.
#pragma once

#include <atomic>

namespace oxl
{

/// The cycle worker's livery step, called once per cycle after the start-up checks: serves a waiting
/// clear request, scans the installed liveries while SCAN_LIVERIES is on, then processes the scanned
/// liveries (not after a scan that the stop flags cut short). Errors throw UserErrorException (the cycle
/// ends with SYSTEM ERROR).
void gf_scanLiveries();
/// Reads LiveriesScanned.xml and builds the indexes, registration codes, similar-model tables and
/// category summaries, unless gLiveries.gLiveriesProcessed says they are built already; empties the scanned
/// list.
void gf_processScannedLiveries();

/// Asks for the indexes to be cleared and the liveries processed again at the next cycle start; any
/// thread (the window, when the user asks for a new scan).
void gf_requestLiveryIndexClear();
/// True while a clear request waits for the next cycle.
bool gf_liveryIndexClearRequested();
/// On the cycle worker, before any livery is matched: serves a waiting clear request (indexes, regcode
/// data, similar-model tables, gLiveries.gLiveriesProcessed); true when there was one.
bool gf_serveLiveryIndexClearRequest();

} // namespace oxl
