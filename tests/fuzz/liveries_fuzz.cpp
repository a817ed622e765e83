// Harnesses of the livery side's files: aircraft.cfg (and its sections), LiveriesScanned.xml, the regcode
// files, the database and the simulator's add-on package lists.
#include "tests/fuzz/fuzz_driver.h"
#include "tests/support/strict_xml.h"

#include "foundation/config_keys.h"
#include "foundation/data_key.h"
#include "foundation/encryption.h"
#include "foundation/errors.h"
#include "foundation/worker_slots.h"
#include "liveries/addon_packages.h"
#include "liveries/aircraft_cfg.h"
#include "liveries/dbase.h"
#include "liveries/liveries_scanned.h"
#include "liveries/liveries_state.h"
#include "liveries/livery_data.h"
#include "liveries/regcodes.h"
#include "platform/win_path.h"

#include <cmath>
#include <cstdlib>

namespace oxl::fuzz
{
namespace
{

// A small database of the types, airlines and registrations that seeds name.
void installDbase()
{
    gLiveries.gDbase = Dbase{};
    gLiveries.gDbase.aircraftTypes = {"A320", "B738", "B744", "C172", "T154"};
    gLiveries.gDbase.heavyTypes = {"B744"};
    gLiveries.gDbase.largeTypes = {"A320", "B738"};
    gLiveries.gDbase.airlineCodes = {"AAL", "BAW", "DLH", "AMX", "ZZZ"};
    gLiveries.gDbase.modelFixes = {{"B737-800", "B738"}};
    gLiveries.gDbase.registrations = {{"G-EUPA", DbaseRecord{"BAW", "A320", "", false}},
                                      {"N12", DbaseRecord{"AAL", "C172", "", false}}};
    gLiveries.gDbase.shortRegKeys = {"N12"};
}

bool hasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

void checkLivery(const char* h, const LiveryData& livery)
{
    OXL_FUZZ_CHECK(!livery.title.empty(), h, "livery without a title");
    OXL_FUZZ_CHECK(!hasLineBreak(livery.title) && !hasLineBreak(livery.atcid) && !hasLineBreak(livery.type) &&
                       !hasLineBreak(livery.airl),
                   h, "line break inside a livery's text");
}

} // namespace

// One byte picks the file's kind (an ordinary file or one of an IVAO_MTL package), the rest is the file.
OXL_FUZZ_TARGET(aircraft_cfg)
{
    const char* h = "aircraft_cfg";
    static const bool prepared = []
    {
        ::setenv("OXL_DRIVE_D", (scratchFolder() / "d").c_str(), 1);
        for (const char* folder : {"d/Plain/model", "d/Plain/texture", "d/Pack/IVAO_MTL/IVAO_B738/model",
                                   "d/Pack/IVAO_MTL/IVAO_B738/texture"})
            std::filesystem::create_directories(scratchFolder() / folder);
        return true;
    }();
    (void)prepared;
    Input in(input);
    const bool ivao = (in.take<std::uint8_t>() & 1) != 0;
    const char* relative = ivao ? "d/Pack/IVAO_MTL/IVAO_B738/aircraft.cfg" : "d/Plain/aircraft.cfg";
    writeInput(relative, in.rest());
    const WinPath file(ivao ? "D:\\Pack\\IVAO_MTL\\IVAO_B738\\aircraft.cfg" : "D:\\Plain\\aircraft.cfg");
    installDbase();
    gf_clearScanContainers();
    gFoundation.gRunningWorkers = 1;
    std::list<LiveryData> liveries;
    try
    {
        liveries = ivao ? gf_readAircraftCfg(2, file) : gf_searchLiveriesinFile(2, file);
    }
    catch (const std::exception&)
    {
        // The scan logs a worker's exception and goes on with the next file.
    }
    OXL_FUZZ_CHECK(gFoundation.gRunningWorkers.load() == 0, h,
                   "the worker slot was not released exactly once");
    for (const LiveryData& livery : liveries)
    {
        checkLivery(h, livery);
        OXL_FUZZ_CHECK(livery.folderIndex == 2, h, "folder index");
        OXL_FUZZ_CHECK(!ivao || livery.type == "B738", h, "an IVAO package livery of another type");
    }
}

// A LiveriesScanned.xml that reads is written back and read again to the same list.
OXL_FUZZ_TARGET(liveries_scanned)
{
    const char* h = "liveries_scanned";
    writeInput("work/output/LiveriesScanned.xml", input);
    gLiveries.ScannedLiveries.clear();
    try
    {
        gf_readLiveriesScanned();
    }
    catch (const UserErrorException&)
    {
        return;
    }
    const std::list<LiveryData> first = gLiveries.ScannedLiveries;
    std::filesystem::remove(gf_liveriesScannedPath());
    gf_writeLiveriesScannedXml();
    // Other programs read the file too: it must be XML 1.0 to a strict reader, whatever the titles hold.
    const std::string strict = test::strictXmlError(gf_liveriesScannedPath());
    OXL_FUZZ_CHECK(strict.empty(), h, "the written file is no XML 1.0: " + strict);
    gLiveries.ScannedLiveries.clear();
    try
    {
        gf_readLiveriesScanned();
    }
    catch (const UserErrorException& e)
    {
        fail(h, std::string("the written file does not read: ") + e.what());
    }
    OXL_FUZZ_CHECK(gLiveries.ScannedLiveries.size() == first.size(), h, "round trip changed the count");
    auto it = gLiveries.ScannedLiveries.begin();
    for (const LiveryData& livery : first)
    {
        OXL_FUZZ_CHECK(gf_sameLivery(livery, *it), h, "round trip changed a livery");
        ++it;
    }
    gLiveries.ScannedLiveries.clear();
}

// One byte picks the kind: the AIG regcode XML or a text file of the user's regcode folder.
OXL_FUZZ_TARGET(regcodes)
{
    const char* h = "regcodes";
    Input in(input);
    const bool xml = (in.take<std::uint8_t>() & 1) != 0;
    std::list<RegcodeEntry> entries;
    if (xml)
    {
        const auto rest = in.rest();
        (void)gf_readRegcodesXml(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()),
                                 entries);
    }
    else
    {
        const auto folder = scratchFolder() / "my_regcodes";
        writeInput("my_regcodes/fuzz.txt", in.rest());
        (void)gf_readRegcodeTextFiles(folder, entries);
    }
    for (const RegcodeEntry& entry : entries)
    {
        OXL_FUZZ_CHECK(!entry.title.empty(), h, "entry without a title");
        for (const std::string& code : entry.regcodes)
            OXL_FUZZ_CHECK(!code.empty(), h, "empty regcode");
    }
}

// The database as the program reads it: the plain XML encrypted into input/dbase.enc.
OXL_FUZZ_TARGET(dbase)
{
    const char* h = "dbase";
    const auto folder = scratchFolder() / "dbase-input";
    std::filesystem::create_directories(folder);
    const auto plain = writeInput("dbase-plain.xml", input);
    gf_encryptStream(kDataFileKey, plain, folder / "dbase.enc");
    bool read = false;
    try
    {
        read = gf_readDbase(folder);
    }
    catch (const std::exception&)
    {
        // A database that does not read ends the start with its message.
    }
    if (!read)
        return;
    const double largest = gf_largestHalfSpan();
    OXL_FUZZ_CHECK(std::isfinite(largest) && largest >= 0.0, h, "largest half span");
    for (const std::string& type : gLiveries.gDbase.aircraftTypes)
    {
        const double span = gf_wingspan(type);
        OXL_FUZZ_CHECK(std::isfinite(span) && span >= 0.0 && span <= largest, h, "wing span of " + type);
        OXL_FUZZ_CHECK(static_cast<std::uint32_t>(gf_aircraftCategory(type)) <= 5, h, "category of " + type);
    }
}

// add-ons.cfg, a package's add-on.xml or simobjects.cfg (one byte picks): no folder found holds a line
// break, and an add-on.xml names no empty one.
OXL_FUZZ_TARGET(addon_packages)
{
    const char* h = "addon_packages";
    static struct : SimulatorVersionPort
    {
        std::string majorVersion() override { return "5"; }
    } version;
    gf_installSimulatorVersionPort(&version);
    ::setenv("OXL_DRIVE_D", (scratchFolder() / "d").c_str(), 1);
    SIM_INSTALL_PATH.set("D:\\P3D");
    Input in(input);
    const auto kind = in.take<std::uint8_t>() % 3;
    const auto rest = in.rest();
    writeInput("appdata/Lockheed Martin/Prepar3D v5/add-ons.cfg",
               kind == 0 ? rest : asBytes("[Package.0]\nPATH=D:\\Pack\n"));
    writeInput("d/Pack/add-on.xml", kind == 1 ? rest : asBytes(""));
    LiveryFolderList folders;
    if (kind == 2)
    {
        writeInput("programdata/Lockheed Martin/Prepar3D v5/simobjects.cfg", rest);
        gf_readSimObjectsCfg(folders);
    }
    else
        gf_readP3DAddOnsAircraft(folders);
    for (const std::string& folder : folders)
        OXL_FUZZ_CHECK(folder.find('\n') == std::string::npos && (kind == 2 || !folder.empty()), h,
                       "folder '" + folder + "'");
}

} // namespace oxl::fuzz
