#include "simlink/sim_dispatch.h"

#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "foundation/config_keys.h"
#include "foundation/errors.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/status_service.h"
#include "foundation/units.h"
#include "liveries/dbase.h"
#include "records/aircraft_words.h"
#include "records/records_state.h"
#include "simlink/ai_create.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_sender.h"
#include "simlink/sim_state.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <fmt/format.h>
#include <span>
#include <string_view>

namespace oxl
{

namespace
{

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

constexpr const char* kTooManyObjects = "SimConnect: too many objects (max 1000)";
constexpr const char* kSpanUnknown =
    "User aircraft wing span unknown, max is taken instead, please report in my Forum!";

constexpr double kLowestAltFt = -2000.0;
constexpr double kHighestAltFt = 100000.0;
constexpr double kFastestKt = 2000.0;

// A position that the range filter, the distances, the stand search and the line to the traffic source
// can use: every number finite and within what an aircraft reaches, latitude and longitude on the globe.
bool plausiblePosition(const UserAcData& b)
{
    for (double v : {b.lat, b.lon, b.pitch, b.bank, b.heading, b.alt, b.altAboveGround, b.groundVelocity})
        if (!std::isfinite(v))
            return false;
    const auto within = [](double v, double lowest, double highest) { return v >= lowest && v <= highest; };
    return std::fabs(b.lat) <= 90.0 && std::fabs(b.lon) <= 180.0 && std::fabs(b.pitch) <= kTwoPi &&
           std::fabs(b.bank) <= kTwoPi && std::fabs(b.heading) <= kTwoPi &&
           within(b.alt, kLowestAltFt, kHighestAltFt) &&
           within(b.altAboveGround, kLowestAltFt, kHighestAltFt) && within(b.groundVelocity, 0.0, kFastestKt);
}

// The block of definition 403: eight FLOAT64 in the order of these fields, then ZULU TIME, ZULU DAY OF
// YEAR, ZULU YEAR and LIGHT STATES as INT64.
constexpr double UserAcData::*kUserBlockDoubles[] = {
    &UserAcData::lat,     &UserAcData::lon, &UserAcData::pitch,          &UserAcData::bank,
    &UserAcData::heading, &UserAcData::alt, &UserAcData::altAboveGround, &UserAcData::groundVelocity};
constexpr std::size_t kUserBlockBytes = 96;
constexpr std::size_t kZuluOffset = 64;

// The simulator's date and time in the block.
struct ZuluTime
{
    std::int64_t second = 0;    ///< [s] of the day
    std::int64_t dayOfYear = 0; ///< 1..366
    std::int64_t year = 0;      ///< e.g. 2026
};

// Read as they came, not through scDataF64, which drops what is not finite: a refused block is logged
// with the values the simulator sent.
template <typename T> T valueAt(std::span<const std::byte> data, std::size_t offset)
{
    T value;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

// The caller has checked that the data holds the whole block.
UserAcData userBlockPosition(std::span<const std::byte> data)
{
    UserAcData block;
    std::size_t offset = 0;
    for (double UserAcData::*field : kUserBlockDoubles)
    {
        block.*field = valueAt<double>(data, offset);
        offset += sizeof(double);
    }
    return block;
}

ZuluTime userBlockTime(std::span<const std::byte> data)
{
    return ZuluTime{valueAt<std::int64_t>(data, kZuluOffset), valueAt<std::int64_t>(data, kZuluOffset + 8),
                    valueAt<std::int64_t>(data, kZuluOffset + 16)};
}

// A date and time of day that the day arithmetic takes without overflow; a leap second may give 86400.
bool plausibleTime(const ZuluTime& t)
{
    return t.year >= 1970 && t.year <= 9999 && t.dayOfYear >= 1 && t.dayOfYear <= 366 && t.second >= 0 &&
           t.second <= 86400;
}

bool known(LatLon p)
{
    return UserAcData{.lat = p.lat, .lon = p.lon}.positionKnown();
}

void onUserPosition(const ScRecvSimObjectData& reply)
{
    gSimLink.simClientOwner.check();
    if (reply.data.size() < kUserBlockBytes)
    {
        gf_logShortMessage(scwire::kRecvSimObjectData, static_cast<std::uint32_t>(reply.data.size() + 40));
        return;
    }
    UserAcData block = userBlockPosition(reply.data);
    if (!plausiblePosition(block))
    {
        gf_logSimRepeated(
            "User aircraft position refused",
            [&]
            {
                return fmt::format("User aircraft position refused: lat {} lon {} alt {}", block.lat,
                                   block.lon, block.alt);
            },
            LogForm::marked);
        return;
    }
    if (block.alt < 0.0)
        block.alt = 0.0;
    {
        // The main loop copies the block under the same lock.
        std::lock_guard lock(gRecords.gSimQueues.simMutex);
        gSimLink.gUserAcData = block;
    }
    const LatLon now{block.lat, block.lon};
    if (known(gSimLink.gPreviousUserPosition) && block.positionKnown() &&
        gf_distanceNm(gSimLink.gPreviousUserPosition, now) > kTeleportNm)
    {
        gf_logSimRepeated("Teleport");
        gf_newFlightStop();
    }
    gSimLink.gPreviousUserPosition = now;

    const std::string stand = gf_standAtPosition(gAirports.gParking, block.lat, block.lon);
    const std::string before = gf_userStand();
    if ((!stand.empty() && stand != before) || (stand.empty() && !before.empty()))
        gf_setWindowText(StatusText::userStand, stand);
    gf_setUserStand(stand);

    // Kept from every reply, whatever the traffic source's level: the level is only known after the
    // handshake, and the time line that follows it must carry this cycle's time.
    const ZuluTime zulu = userBlockTime(reply.data);
    if (plausibleTime(zulu))
        gSimLink.gSimUtcSeconds = gf_daysSince1970(zulu.dayOfYear, zulu.year) * 86400 + zulu.second;
    else
        gf_logSimRepeated(
            "Simulator time refused",
            [&]
            {
                return fmt::format("Simulator time refused: year {} day {} second {}", zulu.year,
                                   zulu.dayOfYear, zulu.second);
            },
            LogForm::marked);
    gSimLink.gUserObjectId = reply.objectId;
}

void onSystemEvent(const ScRecvEvent& e)
{
    switch (e.eventId)
    {
    case kEvSim:
    {
        const bool running = e.data == 1;
        gSimLink.gSimRunning = running ? 1 : 0;
        // A simulator that runs again after its QUIT did not end: a later link close is a failure.
        if (running)
            gSimLink.gSimQuit = 0;
        gf_setWindowFlag(StatusFlag::simRunning, running);
        break;
    }
    case kEvPositionChanged:
        gf_logSimRepeated("User ac position changed", LogForm::marked);
        gf_newFlightStop();
        break;
    case kEvFlightLoaded:
        gf_logSimRepeated("SimConnect: flight loaded event");
        gf_recordUserStand();
        gf_newFlightStop();
        break;
    default:
        break;
    }
}

} // namespace

std::int64_t gf_daysSince1970(std::int64_t dayOfYear, std::int64_t year)
{
    const std::int64_t y = year - 1;
    return dayOfYear + 365 * y + y / 4 - y / 100 + y / 400 - 719163;
}

void gf_resetDispatchState()
{
    gSimLink.gPreviousUserPosition = {};
}

void gf_dispatchProc(const std::byte* data, std::uint32_t size, void*)
{
    if (!data)
        return;
    const std::span<const std::byte> message(data, size);
    const auto header = scRecvHeader(message);
    if (!header)
        return;
    const std::uint32_t id = header->id;
    if (size < scRecvMinimumSize(id))
    {
        gf_logShortMessage(id, size);
        return;
    }
    // Each body is decoded with its size checked; a message too short for its id is logged and skipped.
    auto body = [&](auto decoded)
    {
        if (!decoded)
            gf_logShortMessage(id, size);
        return decoded;
    };
    switch (id)
    {
    case scwire::kRecvException:
        if (auto e = body(scRecvException(message)))
            gf_onException(*e);
        break;
    case scwire::kRecvOpen:
        if (auto o = body(scRecvOpen(message)))
            gf_onOpen(*o);
        break;
    case scwire::kRecvQuit:
        gSimLink.gSimRunning = 0;
        gSimLink.gSimQuit = 1;
        break;
    case scwire::kRecvEvent:
        if (auto e = body(scRecvEvent(message)))
            onSystemEvent(*e);
        break;
    case scwire::kRecvEventObjectAddRemove:
    {
        const auto decoded = body(scRecvObjectAddRemove(message));
        if (!decoded)
            break;
        const auto& e = *decoded;
        if (e.objectType != scwire::kObjectAircraft)
            break;
        if (e.event.eventId == kEvObjectAdded && e.event.data > gSimLink.gUserObjectId.load())
            gf_noteNewObject(e.event.data);
        else if (e.event.eventId == kEvObjectRemoved)
        {
            gf_forgetNewObject(e.event.data);
            gRecords.gSimAnswerQueue.push({e.event.data, 0, 0, SimAnswerKind::objectRemoved, 0.0, 0.0});
        }
        break;
    }
    case scwire::kRecvEventFilename:
        gf_logSimRepeated("SimConnect: New file event", LogForm::marked);
        gf_recordUserStand();
        gf_newFlightStop();
        break;
    case scwire::kRecvEventFrame:
    {
        const auto frame = body(scRecvFrame(message));
        if (!frame)
            break;
        gf_sendQueuedToSim();
        if (++gSimLink.gFrameCounter > 29)
        {
            gSimLink.gFrameCounter = 0;
            gRecords.gSimQueues.frameRate = frame->frameRate;
        }
        break;
    }
    case scwire::kRecvSimObjectData:
        if (auto d = body(scRecvSimObjectData(message)))
            gf_onSimObjectData(*d);
        break;
    case scwire::kRecvSimObjectDataByType:
        if (auto d = body(scRecvSimObjectData(message)))
            gf_onSimObjectDataByType(*d);
        break;
    case scwire::kRecvAssignedObjectId:
    case scwire::kRecvClientData:
        break;
    default:
        gf_logSimRepeated(
            "! Unknown Dispatch dwID", [id] { return fmt::format("! Unknown Dispatch dwID {}", id); },
            LogForm::plain, fmt::format_int(id).str());
        break;
    }
}

void gf_onOpen(const ScRecvOpen& open)
{
    if (open.applicationName.empty())
    {
        gf_logSimRepeated("! Simulator name empty?");
        return;
    }
    gf_setWindowFlag(StatusFlag::simConnected, true);
    std::string name;
    for (char c : open.applicationName)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80 && (std::isalnum(b) || std::isspace(b)))
            name.push_back(c);
    }
    if (name == "KittyHawk" || name == "SunRise")
        throw UserErrorException(78, name + ", (MSFS) not being P3D connects ... ?");
    const std::string text =
        fmt::format("{} ({}.{}.{}.{})", name, open.applicationVersionMajor, open.applicationVersionMinor,
                    open.applicationBuildMajor, open.applicationBuildMinor);
    // Counted by the simulator it names: another simulator has its own line.
    gf_logSimRepeated(
        "connected", [&] { return fmt::format("{} connected", text); }, LogForm::plain, text);
    gf_setWindowText(StatusText::simulatorText, text);

    const std::string path = gf_simLinkPort().installPathText();
    const std::uint32_t version = gSimLink.gSimVersion.load();
    const bool accepted =
        (contains(text, "v5") && (contains(path, "v5") || contains(path, "V5") || version == 5)) ||
        (contains(text, "v6") && (contains(path, "v6") || contains(path, "V6") || version == 6));
    if (accepted)
    {
        gf_status().clearMessage();
        return;
    }
    gf_status().enableControl(ALL_INSTALL_PATH, true);
    throw UserErrorException(78, fmt::format("wrong P3D version '{}' connects ... ?)", text));
}

void gf_onException(const ScRecvException& e)
{
    // Counted by the exception's number, whichever line it writes.
    const auto number = fmt::format_int(e.exception);
    const auto logLine = [&](const char* line, LogForm form)
    {
        gf_logSimRepeated(
            "SIMCONNECT_EXCEPTION", [line] { return std::string(line); }, form, number.str());
    };
    switch (e.exception)
    {
    case scwire::kExceptionUnrecognizedId:
    {
        if (gf_userAcData().positionKnown() && gFoundation.gStopRequested.load() == 0 &&
            gFoundation.gWindowClosed.load() == 0)
            logLine("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID", LogForm::marked);
        break;
    }
    case scwire::kExceptionVersionMismatch:
        throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", e.index));
    case scwire::kExceptionTooManyObjects:
        gf_status().showMessage(kTooManyObjects, false);
        logLine(kTooManyObjects, LogForm::plain);
        break;
    case scwire::kExceptionInvalidDataSize:
        logLine("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE", LogForm::plain);
        break;
    case scwire::kExceptionCreateObjectFailed:
        gf_onCreateFailed(e.sendId);
        break;
    case scwire::kExceptionLoadFlightplanFailed:
        logLine("SimConnect exception: load flight plan failed", LogForm::marked);
        break;
    case scwire::kExceptionOperationInvalidForObjectType:
        logLine("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE", LogForm::plain);
        break;
    default:
        gf_logSimRepeated(
            "SIMCONNECT_EXCEPTION", [&] { return fmt::format("SIMCONNECT_EXCEPTION #{}", e.exception); },
            LogForm::marked, number.str());
        break;
    }
}

void gf_onSimObjectData(const ScRecvSimObjectData& reply)
{
    switch (reply.requestId)
    {
    case kReqStaticCg:
    {
        const auto cg = scDataF64(reply.data, 0);
        const auto pitch = scDataF64(reply.data, 8);
        if (!cg || !pitch)
        {
            gf_logShortMessage(scwire::kRecvSimObjectData,
                               static_cast<std::uint32_t>(reply.data.size() + 40));
            return;
        }
        gRecords.gSimAnswerQueue.push({reply.objectId, 0, 0, SimAnswerKind::staticCg, *cg, *pitch});
        break;
    }
    case kReqUserTitle:
        gf_onUserAcTitle(reply);
        break;
    case kReqUserModel:
        gf_onUserAcModel(reply);
        break;
    case kReqUserOnGround:
    {
        if (gf_userAcData().positionKnown())
        {
            const auto onGround = scDataI64(reply.data, 0);
            if (!onGround)
            {
                gf_logShortMessage(scwire::kRecvSimObjectData,
                                   static_cast<std::uint32_t>(reply.data.size() + 40));
                return;
            }
            gSimLink.gUserOnGround = *onGround != 0 ? 1 : 0;
            gSimLink.gUserDataValid = 1;
        }
        gSimLink.gSecondTick = 1;
        break;
    }
    case kReqUserPosition:
        onUserPosition(reply);
        break;
    case kReqNewObject:
        gf_onSimObjectDataByType(reply);
        break;
    default:
        break;
    }
}

void gf_onUserAcTitle(const ScRecvSimObjectData& reply)
{
    std::string title = scDataStringV(reply.data, 0);
    if (title.empty())
        gf_logSimRepeated("! Title of your aircraft is empty?");
    title = gf_utf8Prefix(title, kUserTitleMaxBytes);
    if (title == gf_userTitle())
        return;
    gf_setWindowText(StatusText::userTitle, title);
    gf_setUserTitle(title);
    gf_logSimRepeated(
        "SimConnect: User aircraft title", [&] { return "SimConnect: User aircraft title: " + title; },
        LogForm::indented);
}

void gf_onUserAcModel(const ScRecvSimObjectData& reply)
{
    try
    {
        std::string model = scDataFixedString(reply.data, 0, 32);
        if (model.empty())
            throw UserErrorException(
                71, "atc_model= in [General] section of your aircraft.cfg is empty or missing");
        gf_logSimRepeated(
            "model raw", [&] { return fmt::format("model raw: {}", model); }, LogForm::indented);
        std::string text = "SimConnect: User aircraft model: " + model;
        if (contains(model, "camerapod") || contains(model, "Crew Vessel"))
        {
            gf_setWindowFlag(StatusFlag::userModelKnown, true);
            gSimLink.gUserHalfSpan = gf_wingspan("E190");
            gSimLink.gUserCategory = AcCategory::Light;
            gf_logSimRepeated(
                "SimConnect: User aircraft model", [&] { return text; }, LogForm::indented);
            return;
        }
        const double largest = gf_largestHalfSpan();
        double span = largest;
        if (model.size() < 5)
            span = gf_wingspan(model);
        gSimLink.gUserHalfSpan = span;
        bool spanKnown = span != largest;
        if (span == largest)
        {
            const std::string title = gf_userTitle();
            for (const char* deduced : {"A319", "A320", "A321"})
                if (title.size() >= 13 && title.compare(0, 13, std::string("Aerosoft ") + deduced) == 0)
                {
                    model = deduced;
                    text = "SimConnect: User aircraft model deduced from title: " + model;
                    const double deducedSpan = gf_wingspan(model);
                    spanKnown = deducedSpan != 0.0;
                    gSimLink.gUserHalfSpan = spanKnown ? deducedSpan : largest;
                    break;
                }
        }
        if (spanKnown)
        {
            gf_setWindowFlag(StatusFlag::userModelKnown, true);
            text += fmt::format(", half wing span: {:.1F} meter", nmToMetres(gSimLink.gUserHalfSpan.load()));
        }
        else
        {
            gf_setWindowFlag(StatusFlag::userModelKnown, false);
            gf_status().showMessage(kSpanUnknown, false);
            gf_logSimRepeated(kSpanUnknown);
        }
        const AcCategory category = gf_aircraftCategory(model);
        gSimLink.gUserCategory = category;
        text += fmt::format(", category: {}", gf_categoryWord(category));
        gf_logSimRepeated(
            "SimConnect: User aircraft model", [&] { return text; }, LogForm::indented);
    }
    catch (const UserErrorException&)
    {
        throw;
    }
    catch (...)
    {
        throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
    }
}

void gf_logHeldSimLines(bool all)
{
    gSimLink.gRepeats.flush(all);
}

void gf_recordUserStand()
{
    const UserAcData user = gf_userAcData();
    if (!user.dataValid || user.groundVelocity > kStandingKt)
        return;
    const std::string stand = gf_standAtPosition(gAirports.gParking, user.lat, user.lon);
    // The park-airport list belongs to the cycle worker: it compares and rewrites it there.
    if (!stand.empty())
        gf_simLinkPort().userStandAtRest(stand);
}

} // namespace oxl
