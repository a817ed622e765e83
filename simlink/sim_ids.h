// The program's fixed ids toward the simulator: system events, data definitions, client events, the
// notification group and request ids, and the registration tables in the order they are sent.
#pragma once

#include "simlink/client/wire.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace oxl
{

/// Client event ids of the subscribed system events.
enum SimSystemEvent : std::uint32_t
{
    kEvSim = 201,
    kEvObjectAdded = 202,
    kEvObjectRemoved = 203,
    kEvFrame = 204,
    kEvPositionChanged = 205,
    kEvFlightLoaded = 206,
};

/// Data definition ids.
enum SimDataDefinition : std::uint32_t
{
    kDefSpoilersThrottles = 401,
    kDefPosition = 402,
    kDefUserAcData = 403,
    kDefAcInRange = 404,
    kDefStaticCg = 405,
    kDefLightStates = 406,
    kDefUserTitle = 407,
    kDefUserModel = 408,
    kDefUserOnGround = 409,
};

/// Client event ids mapped to simulator events.
enum SimClientEvent : std::uint32_t
{
    kEvNavLights = 208,
    kEvBeaconLights = 207,
    kEvLandingLights = 211,
    kEvTaxiLights = 209,
    kEvStrobes = 210,
    kEvLogoLights = 213,
    kEvCabinLights = 212,
    kEvAllLightsToggle = 214,
    kEvFreezeLatLon = 215,
    kEvFreezeAltitude = 216,
    kEvFreezeAttitude = 217,
    kEvFlapsSet = 218,
    kEvSpoilersSet = 219,
    kEvGearSet = 220,
    kEvEngineAutoStart = 221,
    kEvEngineAutoShutdown = 222,
    kEvThrottleSet = 223,
};

/// The one notification group every transmitted client event names.
inline constexpr std::uint32_t kSimNotifyGroup = 301;

/// Request ids of the data requests and AI calls.
enum SimRequest : std::uint32_t
{
    kReqAcInRange = 101,
    kReqStaticCg = 102,
    kReqReleaseControl = 103,
    kReqCreateAc = 104,
    kReqRemoveAc = 105,
    kReqUserTitle = 106,
    kReqUserModel = 107,
    kReqUserOnGround = 108,
    kReqUserPosition = 109,
    kReqFlightPlan = 110,
    kReqNewObject = 111,
};

/// One subscription: client event id and the system event's name.
struct SimSubscription
{
    std::uint32_t eventId;
    std::string_view name;
};

/// One variable of a data definition.
struct SimDatum
{
    std::uint32_t definition;
    std::string_view name;
    std::string_view units; ///< empty: no units
    std::uint32_t type;
};

/// One mapping of a client event to a simulator event.
struct SimEventMapping
{
    std::uint32_t eventId;
    std::string_view name;
};

/// The system events, in the order they are subscribed.
inline constexpr std::array<SimSubscription, 6> kSimSubscriptions{{
    {kEvSim, "Sim"},
    {kEvObjectAdded, "ObjectAdded"},
    {kEvObjectRemoved, "ObjectRemoved"},
    {kEvPositionChanged, "PositionChanged"},
    {kEvFlightLoaded, "FlightLoaded"},
    {kEvFrame, "Frame"},
}};

/// The variables of every definition, definitions in registration order and each definition's
/// variables in the byte order of its data block.
inline constexpr std::array<SimDatum, 33> kSimData{{
    {kDefUserTitle, "TITLE", "", scwire::kDataStringV},
    {kDefUserModel, "ATC MODEL", "", scwire::kDataString32},
    {kDefUserOnGround, "SIM ON GROUND", "Bool", scwire::kDataInt64},
    {kDefPosition, "Plane Latitude", "degree", scwire::kDataFloat64},
    {kDefPosition, "Plane Longitude", "degree", scwire::kDataFloat64},
    {kDefPosition, "Plane Pitch degrees", "radians", scwire::kDataFloat64},
    {kDefPosition, "Plane Bank degrees", "radians", scwire::kDataFloat64},
    {kDefPosition, "Plane Heading degrees true", "radians", scwire::kDataFloat64},
    {kDefPosition, "Plane Altitude", "feet", scwire::kDataFloat64},
    {kDefPosition, "Vertical Speed", "feet per second", scwire::kDataFloat64},
    {kDefPosition, "Airspeed True", "knots", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Latitude", "degree", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Longitude", "degree", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Pitch degrees", "radians", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Bank degrees", "radians", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Heading degrees true", "radians", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Altitude", "feet", scwire::kDataFloat64},
    {kDefUserAcData, "Plane Alt Above Ground", "feet", scwire::kDataFloat64},
    {kDefUserAcData, "Ground Velocity", "knots", scwire::kDataFloat64},
    {kDefUserAcData, "ZULU TIME", "Seconds", scwire::kDataInt64},
    {kDefUserAcData, "ZULU DAY OF YEAR", "Number", scwire::kDataInt64},
    {kDefUserAcData, "ZULU YEAR", "Number", scwire::kDataInt64},
    {kDefUserAcData, "LIGHT STATES", "Mask", scwire::kDataInt64},
    {kDefStaticCg, "Static CG to Ground", "feet", scwire::kDataFloat64},
    {kDefStaticCg, "Static Pitch", "radians", scwire::kDataFloat64},
    {kDefLightStates, "Light On States", "Mask", scwire::kDataInt64},
    {kDefAcInRange, "Plane Alt Above Ground", "feet", scwire::kDataFloat64},
    {kDefAcInRange, "Ground Altitude", "feet", scwire::kDataFloat64},
    {kDefAcInRange, "SIM ON GROUND", "Bool", scwire::kDataInt64},
    {kDefAcInRange, "ATC ID", "", scwire::kDataString32},
    {kDefSpoilersThrottles, "SPOILERS HANDLE POSITION", "percent", scwire::kDataFloat64},
    {kDefSpoilersThrottles, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", scwire::kDataFloat64},
    {kDefSpoilersThrottles, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", scwire::kDataFloat64},
}};

/// The client events, in the order they are mapped.
inline constexpr std::array<SimEventMapping, 17> kSimEventMappings{{
    {kEvGearSet, "GEAR_SET"},
    {kEvEngineAutoStart, "ENGINE_AUTO_START"},
    {kEvEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {kEvThrottleSet, "THROTTLE_SET"},
    {kEvFlapsSet, "FLAPS_SET"},
    {kEvSpoilersSet, "SPOILERS_SET"},
    {kEvNavLights, "NAV_LIGHTS_SET"},
    {kEvBeaconLights, "BEACON_LIGHTS_SET"},
    {kEvLandingLights, "LANDING_LIGHTS_SET"},
    {kEvTaxiLights, "TAXI_LIGHTS_SET"},
    {kEvStrobes, "STROBES_SET"},
    {kEvLogoLights, "LOGO_LIGHTS_SET"},
    {kEvCabinLights, "CABIN_LIGHTS_SET"},
    {kEvAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {kEvFreezeLatLon, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {kEvFreezeAltitude, "FREEZE_ALTITUDE_SET"},
    {kEvFreezeAttitude, "FREEZE_ATTITUDE_SET"},
}};

/// The client events of the notification group, in the order they are added (engine auto-start is
/// mapped but stays out of the group).
inline constexpr std::array<std::uint32_t, 16> kSimGroupEvents{
    kEvNavLights,   kEvBeaconLights, kEvLandingLights,  kEvTaxiLights,
    kEvStrobes,     kEvLogoLights,   kEvCabinLights,    kEvAllLightsToggle,
    kEvFlapsSet,    kEvSpoilersSet,  kEvGearSet,        kEvEngineAutoShutdown,
    kEvThrottleSet, kEvFreezeLatLon, kEvFreezeAltitude, kEvFreezeAttitude};

/// Exit reasons of a cycle that the link sets.
enum SimExitReason : std::uint32_t
{
    kExitSimWasClosed = 1,
    kExitNewFlight = 2,
    kExitSimConnectError = 5,
};

} // namespace oxl
