#include "airports/airport_reading.h"

#include "airports/airports_state.h"
#include "airports/learned_files.h"
#include "airports/quality.h"
#include "foundation/config_keys.h"
#include "foundation/downloads.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/half_hours.h"
#include "foundation/log.h"
#include "foundation/meta_block.h"
#include "foundation/status_service.h"
#include "foundation/text_files.h"
#include "foundation/utf.h"
#include "liveries/registrations.h"

#include <atomic>
#include <cmath>
#include <curl/curl.h>
#include <fmt/format.h>

#include <map>
#include <mutex>
#include <unordered_set>

namespace oxl
{

namespace fs = std::filesystem;

namespace
{

constexpr const char* kReadApf = "gf_readApf";
/// Share of the summed radii within which two stands count as neighbours: centres at most 1/1.1 of it.
constexpr double kNeighbourSpacing = 1.1;
/// A parkpos at latitude and longitude 0 is no stand.
constexpr double kNoPosition = 0.0;

NoAirportReadPort gNoReadPort;

std::string stockSitePath(const std::string& code)
{
    return std::string(kStockArchiveFolder) + gf_icaoXml(code);
}

/// Files below the airports folder are read in place; anything else is a path on the download site.
bool isLocalPath(const std::string& path)
{
    constexpr std::size_t kShortestLocalPath = 8;
    return path.size() >= kShortestLocalPath && path.starts_with(kAirportsFolder);
}

/// Appends to every stand the ids of the stands whose circles overlap it, with a little spacing.
void linkNeighbours(std::vector<Stand>& stands)
{
    for (Stand& a : stands)
    {
        for (const Stand& b : stands)
        {
            if (&a == &b)
            {
                continue;
            }
            const double reachNm = (a.radius + b.radius) / kNeighbourSpacing;
            if (gf_latitudesApart(a.latitude, b.latitude, reachNm))
            {
                continue;
            }
            const double distanceNm = gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
            if (distanceNm * kNeighbourSpacing < a.radius + b.radius)
            {
                a.adjacent.push_back(b.standId);
            }
        }
        a.adjacent.shrink_to_fit();
    }
}

void logIndented(std::string_view key, const std::string& value)
{
    gf_logIndented(fmt::format("{:24}: {}", key, value));
}

void repaint(ParkingState& state)
{
    state.services->repaint();
}

/// Merges the learned file when there is one, else leaves the airport's target at its fixed 30 %. The
/// learned file's path, empty without one.
fs::path mergeLearned(ParkingState& state, const std::string& path, ParkFileInfo& info, QualityPair& quality)
{
    const fs::path learned = gf_learnedFilePath(path, info.publisher);
    // The learned save writes where this read looks, so that what a run learns reaches the next one.
    state.learnedFile = learned.generic_string().starts_with(kLearnedFolder) ? learned : fs::path();
    if (learned.empty() || !fs::exists(learned))
    {
        parking_percentage.set(parking_percentage.defaultValue);
        gf_status().enableControl(parking_percentage, false);
        gf_status().showSetting(parking_percentage);
        logIndented(parking_percentage.name, std::to_string(parking_percentage.defaultValue));
        return {};
    }
    gf_readLearned(learned, info, state.stands, state.handmadeFile);
    quality = gf_qualityFactor(state.stands);
    if (state.handmadeFile != 0)
    {
        gf_log("A handmade airport file overruled the archived file!");
    }
    if (PARK_FAKE.value())
    {
        gf_fillFakeOccupants(fs::path(path).filename().string(), state.stands);
    }
    return learned;
}

/// Owns one libcurl handle for one download.
struct CurlHandle
{
    CurlHandle() : handle(curl_easy_init()) {}
    ~CurlHandle()
    {
        if (handle != nullptr)
        {
            curl_easy_cleanup(handle);
        }
    }
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;
    CURL* handle;
};

SaveResult download(const std::string& url, const fs::path& target)
{
    CurlHandle curl;
    return gf_downloadToFile(curl.handle, url, target, false);
}

} // namespace

bool gf_hasMetaEntries(const pugi::xml_document& doc)
{
    // The values are not compared: files without the three entries are not ours to read.
    for (const char* entry : {"author", "date", "version"})
    {
        StringParameter value(entry, "");
        if (!gf_readMeta(doc, value))
        {
            return false;
        }
    }
    return true;
}

void gf_installAirportReadPort(AirportReadPort* port)
{
    gAirports.gReadPort.store(port);
}

AirportReadPort& gf_airportReadPort()
{
    AirportReadPort* const port = gAirports.gReadPort.load();
    return port != nullptr ? *port : gNoReadPort;
}

std::string gf_findAirportFile(const std::string& code)
{
    for (const std::string_view folder : {kMyThirdpartyFolder, kMyOrbxFolder})
    {
        std::string siteName;
        if (gf_readRedirect(gf_airportTxtName(folder, code), siteName))
        {
            return siteName;
        }
        const fs::path local = gf_airportXmlName(folder, code);
        if (fs::exists(local))
        {
            return local.generic_string();
        }
    }
    return gf_probeStockAirport(code) == FileAnswer::found ? stockSitePath(code) : std::string();
}

FileAnswer gf_haveAirportFile(const std::string& code)
{
    for (const std::string_view folder : {kMyThirdpartyFolder, kMyOrbxFolder})
    {
        if (fs::exists(gf_airportXmlName(folder, code)) || fs::exists(gf_airportTxtName(folder, code)))
        {
            return FileAnswer::found;
        }
    }
    return gf_probeStockAirport(code);
}

bool gf_readRedirect(const fs::path& linkFile, std::string& siteName)
{
    if (!fs::exists(linkFile))
    {
        return false;
    }
    const std::vector<std::string> lines = gf_readPlainLines(linkFile);
    if (lines.empty())
    {
        return false;
    }
    std::string first = lines.front();
    const std::size_t end = first.find_last_not_of(" \t\r\n\f\v");
    first.erase(end == std::string::npos ? 0 : end + 1);
    const std::size_t xml = first.find(".xml");
    constexpr std::size_t kShortestName = 3;
    if (first.size() <= kShortestName || xml == std::string::npos)
    {
        return false;
    }
    siteName = first.substr(0, xml + 4);
    return true;
}

FileAnswer gf_probeStockAirport(const std::string& code)
{
    {
        std::lock_guard lock(gAirports.gProbeMutex);
        const auto known = gAirports.gProbeAnswers.find(code);
        if (known != gAirports.gProbeAnswers.end())
        {
            return known->second ? FileAnswer::found : FileAnswer::none;
        }
    }
    const fs::path local = gf_icaoXml(code);
    const SaveResult fetched = download(gf_downloadFolderUrl() + stockSitePath(code), local);
    if (fetched)
    {
        fs::remove(local);
    }
    else if (fetched.refused)
    {
        // The local disk's refusal says nothing of the site: a full disk is asked again once there is room,
        // a folder that takes no writes is not asked again this cycle (its caller remembers the airport).
        return fetched.refused->full() ? FileAnswer::waitsForDisk : FileAnswer::none;
    }
    std::lock_guard lock(gAirports.gProbeMutex);
    gAirports.gProbeAnswers[code] = static_cast<bool>(fetched);
    return fetched ? FileAnswer::found : FileAnswer::none;
}

void gf_forgetStockProbes()
{
    std::lock_guard lock(gAirports.gProbeMutex);
    gAirports.gProbeAnswers.clear();
}

std::string gf_downloadAirportFile(const std::string& sitePath, const fs::path& localPath)
{
    const std::string url = gf_downloadFolderUrl() + sitePath;
    const SaveResult fetched = download(url, localPath);
    if (fetched)
    {
        return {};
    }
    std::string reason =
        fetched.refused && fetched.refused->full()
            ? gf_waitsForSpaceText(fmt::format("The airport file '{}'", sitePath), *fetched.refused)
            : fmt::format("failed to download: '{}'", url);
    gf_log(reason);
    return reason;
}

std::string gf_readApf(ParkingState& state, const std::string& path, ParkFileInfo& info, QualityPair& quality)
{
    if (path.empty())
    {
        return fmt::format("{}: xml is empty", kReadApf);
    }
    if (state.parkAirport.code.empty())
    {
        return fmt::format("{}: no park airport set", kReadApf);
    }
    fs::path file = path;
    if (!isLocalPath(path))
    {
        file = kParkAirportFile;
        std::string reason = gf_downloadAirportFile(path, file);
        if (!reason.empty())
        {
            return reason;
        }
    }
    state.handmadeFile = 0;
    state.learnedFile.clear();
    pugi::xml_document doc;
    if (!doc.load_file(file.c_str()))
    {
        return fmt::format("{}: could not load file: {}", path, file.string());
    }
    if (!gf_hasMetaEntries(doc))
    {
        return fmt::format("{}: refused to load (copyright)", path);
    }

    state.trafficWeek = gf_getParamInt(doc, "RT_traffic_week").value_or(0);
    info.publisher = gf_getParamString(doc, "publisher").value_or("");
    const std::optional<std::int32_t> altitude = gf_getParamInt(doc, "altitude");
    if (!altitude)
    {
        throw UserErrorException(65, "Parameter altitude not found");
    }
    info.altitude = *altitude;
    state.parkAirport.altitude = *altitude;
    info.name = gf_getParamString(doc, "airport_name").value_or("");

    gf_readParkpositions(doc, state.stands);
    quality =
        QualityPair{gf_getParamInt(doc, "Qf_real").value_or(-1), gf_getParamInt(doc, "Qf_soft").value_or(-1)};

    const fs::path learned = mergeLearned(state, path, info, quality);

    gf_status().setCount(StatusCount::stands, state.stands.size());
    repaint(state);
    std::uint32_t nextId = 1;
    for (Stand& stand : state.stands)
    {
        stand.standId = nextId++;
    }
    linkNeighbours(state.stands);
    state.publishStandPositions();

    gf_log(fmt::format("Airport file read from '{}' for {}",
                       state.handmadeFile != 0 ? learned.string() : path, info.name));
    const std::string pairText = gf_pairText(quality);
    gf_status().setText(StatusText::parkPublisher, info.publisher);
    gf_status().setFlag(StatusFlag::handmadeFile, state.handmadeFile != 0);
    repaint(state);
    logIndented("publisher", info.publisher);
    gf_logIndented(fmt::format("{:24}: {} ft", "altitude", info.altitude));
    logIndented("num_parkpos", std::to_string(state.stands.size()));
    logIndented("quality factor", pairText);
    logIndented("RT traffic week", std::to_string(state.trafficWeek));
    gf_status().setText(StatusText::qualityText, pairText);
    gf_status().setText(StatusText::trafficWeek, std::to_string(state.trafficWeek));
    repaint(state);

    gf_airportReadPort().fileRead();
    gf_status().enableControl(gFlushStaticButton, true);
    gf_airportReadPort().setReferenceElevation(state.parkAirport.altitude);
    repaint(state);
    return state.stands.empty() ? "no stands found" : "";
}

std::string gf_readApf(const std::string& path, ParkFileInfo& info, QualityPair& quality)
{
    return gf_readApf(gAirports.gParking, path, info, quality);
}

void gf_readParkpositions(const pugi::xml_node& document, std::vector<Stand>& stands)
{
    std::unordered_set<std::string> ids;
    for (const pugi::xml_node parkpos : document.child("parkpositions").children("parkpos"))
    {
        const std::string id = gf_apfText(parkpos, "id");
        if (!ids.insert(id).second)
        {
            throw UserErrorException(94, fmt::format("Parking position {} appears more than once?", id));
        }
        gf_readStands(stands, parkpos, id, 1);
    }
}

bool gf_readStands(std::vector<Stand>& stands, const pugi::xml_node& parkpos, const std::string& name,
                   std::uint32_t fixed)
{
    const double lat = gf_apfDouble(parkpos, "latitude");
    const double lon = gf_apfDouble(parkpos, "longitude");
    if (lat == kNoPosition && lon == kNoPosition)
    {
        return false;
    }
    // A stand off the globe would spoil every distance to it; the rest of the file is still good.
    if (std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
    {
        gf_logMarked(fmt::format("Parking position {} skipped: invalid lalo {:.6f},{:.6f}", name, lat, lon));
        return false;
    }
    const double radiusM = gf_apfDouble(parkpos, "radius");
    if (radiusM < 0.0)
    {
        gf_logMarked(fmt::format("Parking position {} skipped: invalid radius {:.1f} m", name, radiusM));
        return false;
    }
    std::vector<StandOccupancy> options;
    constexpr std::size_t kOptionsReserved = 256;
    options.reserve(kOptionsReserved);
    std::uint32_t nextId = 1;
    for (const pugi::xml_node opt : parkpos.children("opt"))
    {
        options.push_back(gf_readOption(opt, nextId++, fixed));
    }
    options.shrink_to_fit();
    Stand stand(name, 0, lat, lon, gf_apfDouble(parkpos, "heading") * kDegToRad, radiusM);
    stand.options = std::move(options);
    stand.helipad = gf_apfBool(parkpos, "heli") ? 1 : 0;
    stand.ramp = gf_apfBool(parkpos, "ramp") ? 1 : 0;
    stand.cargo = gf_apfBool(parkpos, "cargo") ? 1 : 0;
    stands.push_back(std::move(stand));
    return true;
}

StandOccupancy gf_readOption(const pugi::xml_node& opt, std::uint32_t id, std::uint32_t fixed)
{
    OccupantIdentity identity = gf_readOccupant(opt);
    StandOccupancy option;
    option.callsign = std::move(identity.callsign);
    option.coupledCallsign = std::move(identity.coupledCallsign);
    option.airline = std::move(identity.airline);
    option.type = std::move(identity.type);
    option.kind = gf_apfBool(opt, "soft") ? StandOptionKind::soft : StandOptionKind::real;
    option.weekday = static_cast<std::uint32_t>(gf_apfInt(opt, "day"));
    option.halfHours = gf_hours2bitset(gf_apfText(opt, "hh"));
    option.registration = gf_apfText(opt, "reg");
    option.id = id;
    option.fixed = fixed;
    return option;
}

OccupantIdentity gf_readOccupant(const pugi::xml_node& opt)
{
    OccupantIdentity identity;
    const std::string cs = gf_apfText(opt, "cs");
    const std::size_t colon = cs.find(':');
    identity.callsign = cs.substr(0, colon);
    identity.coupledCallsign = colon == std::string::npos ? std::string() : cs.substr(colon + 1);
    const std::string reg = gf_apfText(opt, "reg");
    if (!reg.empty())
    {
        if (const std::optional<DbaseRecord> record = gf_lookupRegistration(reg))
        {
            identity.type = record->type;
            identity.airline = record->opr.empty() ? record->airl : record->opr;
            return identity;
        }
    }
    identity.airline = gf_apfText(opt, "airl");
    identity.type = gf_apfText(opt, "type");
    return identity;
}

namespace
{

/// The first parameter element of that name, or an empty node.
pugi::xml_node parameterNode(const pugi::xml_node& document, std::string_view key)
{
    const std::string query = fmt::format("/parameters/parameter[@name='{}']", key);
    try
    {
        return document.select_node(query.c_str()).node();
    }
    catch (const pugi::xpath_exception& error)
    {
        gf_log(error.what());
        return {};
    }
}

} // namespace

std::optional<bool> gf_getParamBool(const pugi::xml_node& document, std::string_view key)
{
    const pugi::xml_node node = parameterNode(document, key);
    return node ? std::optional<bool>(gf_apfBool(node, "value")) : std::nullopt;
}

std::optional<std::int32_t> gf_getParamInt(const pugi::xml_node& document, std::string_view key)
{
    const pugi::xml_node node = parameterNode(document, key);
    return node ? std::optional<std::int32_t>(gf_apfInt(node, "value")) : std::nullopt;
}

std::optional<std::string> gf_getParamString(const pugi::xml_node& document, std::string_view key)
{
    const pugi::xml_node node = parameterNode(document, key);
    return node ? std::optional<std::string>(gf_apfText(node, "value")) : std::nullopt;
}

double gf_readDestApfForClosestStand(const std::string& code, double lat, double lon, std::string& standName)
{
    const std::string found = gf_findAirportFile(code);
    if (found.empty())
    {
        return kNoFileDistanceNm;
    }
    fs::path file = found;
    const bool downloaded = !isLocalPath(found);
    if (downloaded)
    {
        file = kClosestStandDownload;
        if (!gf_downloadAirportFile(found, file).empty())
        {
            return kNoFileDistanceNm;
        }
    }
    double best = kNoFileDistanceNm;
    pugi::xml_document doc;
    if (doc.load_file(file.c_str()))
    {
        for (const pugi::xml_node parkpos : doc.child("parkpositions").children("parkpos"))
        {
            const double standLat = gf_apfDouble(parkpos, "latitude");
            const double standLon = gf_apfDouble(parkpos, "longitude");
            if (standLat == kNoPosition && standLon == kNoPosition)
            {
                continue;
            }
            const double distanceNm = gf_distanceNm({lat, lon}, {standLat, standLon});
            if (distanceNm < best)
            {
                best = distanceNm;
                standName = gf_apfText(parkpos, "id");
            }
        }
    }
    if (downloaded)
    {
        fs::remove(file);
    }
    return best;
}

bool gf_getStockArchivedAirport(const std::string& code)
{
    const std::string url = gf_downloadFolderUrl() + stockSitePath(code);
    gf_log(url);
    const fs::path local = gf_icaoXml(code);
    if (!download(url, local))
    {
        gf_logMarked(fmt::format("Failed to download {}", local.string()));
        return false;
    }
    bool suitable = false;
    pugi::xml_document doc;
    if (!doc.load_file(local.c_str()))
    {
        gf_logMarked(fmt::format("Failed to load {}", local.string()));
    }
    else
    {
        const bool learned = gf_getParamInt(doc, "Qf_real").value_or(-1) >= 0 ||
                             gf_getParamInt(doc, "Qf_soft").value_or(-1) >= 0;
        const std::optional<std::int32_t> week = gf_getParamInt(doc, "RT_traffic_week");
        suitable = learned && week && *week >= kOfflineLearningMinWeek;
    }
    fs::remove(local);
    if (!suitable)
    {
        gf_logMarked(fmt::format("{} not suitable for offline learning", code));
    }
    return suitable;
}

} // namespace oxl
