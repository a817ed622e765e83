#include "airports/park_airport.h"

#include "airports/airport_list.h"
#include "airports/airports_state.h"
#include "airports/free_stands.h"
#include "foundation/config_keys.h"
#include "foundation/cycle_values.h"
#include "foundation/geodesy.h"
#include "foundation/log.h"
#include "foundation/periodic_requests.h"
#include "foundation/status_service.h"
#include "foundation/time_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

namespace oxl
{

namespace
{

// [deg] a user position that moved less than this has not moved.
constexpr double kSamePositionDeg = 1e-8;
// An airport file with at least this observed quality and this many stands learns no soft occupancy.
constexpr std::int32_t kRealQualityEnough = 45;
constexpr std::size_t kStandsEnough = 20;

NoParkAirportPort gNoParkPort;

UserAcData lf_user()
{
    return gf_parkAirportPort().userAircraft();
}

// The reason a park airport's file was not read: there is none for the airport (or the path).
std::string lf_notFound(const std::string& what)
{
    return fmt::format("{} {} not found", "lf_readParkedFile", what);
}

bool lf_inSight(double distanceNm, const UserAcData& user)
{
    return distanceNm <= AIRP_RANGE.value() && user.alt <= AIRP_HEIGHT.value();
}

bool lf_firstIsParkAirport(const ParkingState& state)
{
    return !state.parkAirports.empty() && !state.parkAirport.code.empty() &&
           state.parkAirports.front().code == state.parkAirport.code;
}

void lf_repaint(ParkingState& state)
{
    state.services->repaint();
}

// The stand the user aircraft stood at, as the SimClient thread saw it, becomes the first entry's
// reserved stand when that entry is the park airport.
void lf_takePostedUserStand(ParkingState& state)
{
    std::optional<std::string> stand;
    {
        const std::lock_guard lock(gAirports.gPark.postedMutex);
        stand.swap(gAirports.gPark.postedStand);
    }
    if (!stand || stand->empty() || !lf_firstIsParkAirport(state) ||
        state.parkAirports.front().reservedStand == *stand)
        return;
    state.parkAirports.front().reservedStand = *stand;
    gf_writeMyParkAirports(state, gf_parkAirportPort().airportsFolder());
}

// The user's stand at the park airport goes first in the list and into the file. An airport listed
// further down is moved up with its reserved stand, which an empty stand name does not overwrite.
void lf_recordUserStandAtParkAirport(ParkingState& state, const std::string& stand)
{
    auto& list = state.parkAirports;
    if (lf_firstIsParkAirport(state))
    {
        if (!stand.empty() && stand != list.front().reservedStand)
        {
            list.front().reservedStand = stand;
            gf_writeMyParkAirports(state, gf_parkAirportPort().airportsFolder());
        }
        return;
    }
    const Airport& park = state.parkAirport;
    const auto listed = std::find_if(list.begin(), list.end(),
                                     [&park](const ParkAirport& entry) { return entry.code == park.code; });
    if (listed == list.end())
    {
        list.push_front(ParkAirport{park.code, stand, park.latitude, park.longitude, 0.0});
    }
    else
    {
        list.splice(list.begin(), list, listed);
        if (!stand.empty())
            list.front().reservedStand = stand;
    }
    gf_writeMyParkAirports(state, gf_parkAirportPort().airportsFolder());
}

void lf_settleReservedStand(ParkingState& state)
{
    state.reservedStand.clear();
    gf_status().setFlag(StatusFlag::reservedStandOk, false);
    if (!lf_firstIsParkAirport(state))
        return;
    const std::string& wanted = state.parkAirports.front().reservedStand;
    if (!wanted.empty() && gf_findStandByName(state.stands, wanted) != nullptr)
    {
        state.reservedStand = wanted;
        gf_status().setFlag(StatusFlag::reservedStandOk, true);
    }
}

void lf_gateSoftLearning(const ParkingState& state, const ParkFileSummary& summary)
{
    if (summary.qfReal >= kRealQualityEnough && state.stands.size() >= kStandsEnough)
    {
        gAirports.gPark.softLearningAllowed.store(false);
        if (LEARN_SOFT.value())
        {
            LEARN_SOFT.set(false);
            gf_status().showSetting(LEARN_SOFT);
            gf_status().enableControl(LEARN_SOFT, false);
            gFoundation.gParametersChanged.store(1);
        }
        return;
    }
    gAirports.gPark.softLearningAllowed.store(true);
    gf_status().enableControl(LEARN_SOFT, true);
}

std::string lf_readFile(ParkingState& state, const std::string& path, ParkFileSummary& summary)
{
    // A broken airport file ends the static parking at that airport, not the whole cycle.
    try
    {
        std::string error = gf_parkAirportPort().readApf(path, summary);
        state.publishStandPositions();
        return error;
    }
    catch (const std::exception& e)
    {
        state.publishStandPositions();
        return fmt::format("{} {}: {}", "lf_readParkedFile", path, e.what());
    }
}

} // namespace

std::string NoParkAirportPort::readApf(const std::string& path, ParkFileSummary& /*summary*/)
{
    return lf_notFound(path);
}

void gf_installParkAirportPort(ParkAirportPort* port)
{
    gAirports.gParkPort.store(port);
}

ParkAirportPort& gf_parkAirportPort()
{
    ParkAirportPort* const port = gAirports.gParkPort.load();
    return port != nullptr ? *port : gNoParkPort;
}

bool gf_staticParkingActive()
{
    return gf_status().flag(StatusFlag::parkAirportActive);
}

void gf_setStaticParkingActive(bool active)
{
    gf_status().setFlag(StatusFlag::parkAirportActive, active);
    gf_status().repaint(WindowBand::controls);
}

bool gf_softLearningAllowed()
{
    return gAirports.gPark.softLearningAllowed.load();
}

bool gf_parkCalculationRequested()
{
    return gAirports.gPark.calcRequested.load();
}

void gf_resetParkAirport()
{
    gAirports.gPark.calcRequested.store(false);
    gAirports.gPark.softLearningAllowed.store(true);
    gAirports.gPark.positionKnown = false;
    gAirports.gPark.lastLat = 0.0;
    gAirports.gPark.lastLon = 0.0;
    gAirports.gPark.withoutFile.clear();
    gAirports.gPark.cycleOwner.release();
    const std::lock_guard lock(gAirports.gPark.postedMutex);
    gAirports.gPark.postedStand.reset();
}

void gf_postUserStand(const std::string& standName)
{
    const std::lock_guard lock(gAirports.gPark.postedMutex);
    gAirports.gPark.postedStand = standName;
}

void gf_updateParkAirport(ParkingState& state, bool showMessage)
{
    gAirports.gPark.cycleOwner.check();
    lf_takePostedUserStand(state);
    // The controls stay off from the choice of the airport until its static aircraft are all placed.
    if (gf_status().parkingControlsOff() && state.staticParked.empty() &&
        !gAirports.gPark.calcRequested.load())
    {
        gf_status().enableParkingControls();
        gf_status().clearMessage();
        gf_parkAirportPort().countParkedForWindow();
    }
    if (gAirports.gPark.calcRequested.load())
    {
        gf_status().clearMessage();
        gAirports.gPark.calcRequested.store(false);
        const std::string error = gf_readParkedFile(state);
        if (!error.empty())
        {
            gf_status().showMessage(error, true);
            gf_closeParkAirport(state);
        }
        else
        {
            gf_parkAirportPort().calcStaticParking();
        }
        gf_status().enableControl(DESTINATION, true);
        return;
    }
    const UserAcData user = lf_user();
    if (!user.positionKnown())
        return;
    auto& list = state.parkAirports;
    if (!list.empty())
    {
        const LatLon here{user.lat, user.lon};
        const bool same = gAirports.gPark.positionKnown &&
                          std::fabs(user.lat - gAirports.gPark.lastLat) <= kSamePositionDeg &&
                          std::fabs(user.lon - gAirports.gPark.lastLon) <= kSamePositionDeg;
        if (same)
        {
            ParkAirport& first = list.front();
            first.distance = gf_distanceNm(here, {first.latitude, first.longitude});
        }
        else
        {
            gAirports.gPark.positionKnown = true;
            gAirports.gPark.lastLat = user.lat;
            gAirports.gPark.lastLon = user.lon;
            // A destination the user chose stays first, whatever is nearer.
            if (DESTINATION.value().empty())
            {
                for (ParkAirport& entry : list)
                    entry.distance = gf_distanceNm(here, {entry.latitude, entry.longitude});
                list.sort([](const ParkAirport& a, const ParkAirport& b) { return a.distance < b.distance; });
            }
        }
    }
    if (!state.parkAirport.code.empty())
        gf_checkParkAirportSight(state, user);
    else
        gf_chooseParkAirport(state, user, showMessage);
}

void gf_chooseParkAirport(ParkingState& state, const UserAcData& user, bool showMessage)
{
    gAirports.gPark.cycleOwner.check();
    if (user.onGround)
    {
        const Airport* airport = gf_closestAirport(user.lat, user.lon);
        if (airport == nullptr)
        {
            gf_status().showMessage("User aircraft on the ground, no airport in sight", true);
            return;
        }
        const std::string code = airport->code;
        const bool known = gAirports.gPark.withoutFile.contains(code);
        const FileAnswer answer = known ? FileAnswer::none : gf_parkAirportPort().haveAirportFile(code);
        if (answer == FileAnswer::waitsForDisk)
        {
            // No answer of the site: asked again at the next check, when there may be room.
            gf_status().showMessage(
                fmt::format("User aircraft on the ground at {}, its airport file waits for disk space", code),
                false);
            return;
        }
        if (answer == FileAnswer::none)
        {
            gAirports.gPark.withoutFile.insert(code);
            // Shown at every step while the user stands there, logged once.
            gf_status().showMessage(
                fmt::format("User aircraft on the ground at {}, no airport file found", code), !known);
            return;
        }
        gf_log(fmt::format("User aircraft on the ground at {}", code));
        if (!gf_setParkAirport(state, code))
            return;
        gAirports.gPark.calcRequested.store(true);
        gf_parkAirportPort().startStaticParking(showMessage);
        return;
    }
    gf_status().enableControl(DESTINATION, true);
    if (state.parkAirports.empty())
        return;
    const ParkAirport first = state.parkAirports.front();
    if (!lf_inSight(first.distance, user) || !gf_setParkAirport(state, first.code))
        return;
    gf_status().showMessage(fmt::format("{} in sight at {:.1F} nm", first.code, first.distance), true);
    gAirports.gPark.calcRequested.store(true);
    gf_parkAirportPort().startStaticParking(false);
}

bool gf_setParkAirport(ParkingState& state, const std::string& code)
{
    const Airport* airport = gf_findAirport(code);
    if (airport == nullptr)
        return false;
    state.parkAirport = *airport;
    gf_logSpaced("\nThe park airport is {}", gf_airportDisplayName(state.parkAirport));
    gf_parkAirportPort().parkAirportChanged(&state.parkAirport);
    return true;
}

void gf_checkParkAirportSight(ParkingState& state, const UserAcData& user)
{
    if (user.onGround)
        return;
    const Airport& park = state.parkAirport;
    const double distance = gf_distanceNm({user.lat, user.lon}, {park.latitude, park.longitude});
    if (lf_inSight(distance, user))
    {
        if (state.parkAirports.empty())
            return;
        const ParkAirport& first = state.parkAirports.front();
        if (first.code.empty() || first.code == park.code || !lf_inSight(first.distance, user) ||
            first.distance > distance)
            return;
        gf_logSpaced("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                     gf_nowTimeOfDay(), first.code, first.distance, gf_airportDisplayName(park));
        gf_leaveParkAirport(state);
        return;
    }
    gf_logSpaced("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_nowTimeOfDay(),
                 gf_airportDisplayName(park), distance);
    gf_leaveParkAirport(state);
}

std::string gf_readParkedFile(ParkingState& state)
{
    state.setStands({});
    const std::string& code = state.parkAirport.code;
    const std::string path = gf_parkAirportPort().findAirportFile(code);
    ParkFileSummary summary;
    std::string error;
    if (path.empty())
        error = lf_notFound(code);
    else if (path.find("unknown") != std::string::npos)
        error = fmt::format("{} {} has publisher:{}, {}", "lf_readParkedFile", code, "unknown", path);
    else
        error = lf_readFile(state, path, summary);
    if (path.empty() || path.find("unknown") != std::string::npos)
    {
        state.fileLoaded = false;
        return error;
    }
    if (error.empty())
    {
        lf_gateSoftLearning(state, summary);
        if (const UserAcData user = lf_user(); user.dataValid)
            lf_recordUserStandAtParkAirport(state, gf_standAtPosition(state, user.lat, user.lon));
        lf_settleReservedStand(state);
    }
    state.fileLoaded = error.empty();
    gf_status().setText(StatusText::parkAirportName, summary.airportName);
    state.learnedUpdates = 0;
    lf_repaint(state);
    return error;
}

void gf_leaveParkAirport(ParkingState& state)
{
    lf_takePostedUserStand(state);
    state.staticParked.clear();
    gf_parkAirportPort().removeQueuedStatic();
    for (LiveAc& ac : gf_parkAirportPort().liveAircraft())
    {
        const bool atStand = ac.phase == GroundPhase::parked || ac.phase < GroundPhase::flying;
        if (!atStand)
            continue;
        ac.clearStand();
        if (ac.simState == SimState::active || ac.simState == SimState::adding2sim)
            state.services->removeAircraftFromSim(ac);
    }
    gf_closeParkAirport(state);
    if (MAX_LIVE_SEL.value() != gFoundation.gSavedLiveLimit.load())
    {
        MAX_LIVE_SEL.set(gFoundation.gSavedLiveLimit.load());
        gf_status().showSetting(MAX_LIVE_SEL);
        gf_parkAirportPort().recountLive();
    }
}

void gf_closeParkAirport(ParkingState& state)
{
    if (gf_staticParkingActive() && (gFoundation.gParametersChanged.load() != 0 || state.learnedUpdates >= 1))
    {
        gf_parkAirportPort().saveAirportFile();
        state.learnedUpdates = 0;
    }
    gf_setStaticParkingActive(false);
    gAirports.gPark.calcRequested.store(false);
    gFoundation.gParametersChanged.store(0);
    gFoundation.gRenewalRequest.store(0);
    gf_status().enableControl(gFlushStaticButton, false);
    gf_status().enableControl(parking_percentage, false);
    state.parkAirport = Airport{};
    gf_parkAirportPort().parkAirportChanged(nullptr);
    state.learnedUpdates = 0;
    state.learnedUpdatesShown = 0;
    state.retire.clear();
    state.staticParked.clear();
    state.setStands({});
    state.reservedStand.clear();
    gf_status().setFlag(StatusFlag::reservedStandOk, false);
    gf_status().setText(StatusText::parkAirportName, "");
    state.fileLoaded = false;
    lf_repaint(state);
}

bool gf_checkParkAirports(ParkingState& state, bool check, std::string& message)
{
    if (!gf_readMyParkAirports(state, gf_parkAirportPort().airportsFolder()))
        return false;
    if (check && lf_user().dataValid && !gf_status().parkingControlsOff() && lf_firstIsParkAirport(state) &&
        gf_status().text(StatusText::userStand).empty())
    {
        const std::string wanted = state.parkAirports.front().reservedStand;
        if (!wanted.empty() && wanted != state.reservedStand)
        {
            message = fmt::format("reserved stand changed from '{}' to '{}'", state.reservedStand, wanted);
            Stand* old =
                state.reservedStand.empty() ? nullptr : gf_findStandByName(state.stands, state.reservedStand);
            if (old != nullptr)
                old->excluded = 0;
            state.reservedStand = wanted;
            gf_removeAtReservedStand(state, gf_parkAirportPort().liveAircraft());
            Stand* now = gf_findStandByName(state.stands, wanted);
            if (now != nullptr)
                now->excluded = 1;
            gf_status().setFlag(StatusFlag::reservedStandOk, now != nullptr);
            lf_repaint(state);
        }
    }
    if (message.empty())
        message = "park airports and stands are okay";
    return true;
}

} // namespace oxl
