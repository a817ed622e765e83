// Variables by their simulator names; units matter only for angles (degrees or radians).
#include "tools/sim_standin/standin_world.h"

#include "foundation/units.h"
#include "simlink/client/wire.h"
#include "tools/sim_standin/standin_wire.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

namespace oxl::standin
{

namespace
{

constexpr double kEarthRadiusM = 6371000.0;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool radians(const Datum& d)
{
    return lower(d.units).find("radian") != std::string::npos;
}

double angle(double deg, const Datum& d)
{
    return radians(d) ? degToRad(deg) : deg;
}

double toDegrees(double v, const Datum& d)
{
    return radians(d) ? radToDeg(v) : v;
}

std::size_t fixedWidth(std::uint32_t type)
{
    switch (type)
    {
    case scwire::kDataString8:
        return 8;
    case scwire::kDataString32:
        return 32;
    case scwire::kDataString64:
        return 64;
    case scwire::kDataString128:
        return 128;
    case scwire::kDataString256:
        return 256;
    case scwire::kDataString260:
        return 260;
    default:
        return 0;
    }
}

} // namespace

double distanceM(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg)
{
    const double p1 = degToRad(lat1Deg), p2 = degToRad(lat2Deg);
    const double dp = p2 - p1, dl = degToRad(lon2Deg - lon1Deg);
    const double a = std::sin(dp / 2) * std::sin(dp / 2) +
                     std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(a)));
}

World::World()
{
    SimObject u;
    u.id = 1;
    u.title = "Standin Boeing 737-800";
    u.model = "B738";
    u.tail = "N737SI";
    u.latitudeDeg = 47.4647;
    u.longitudeDeg = 8.5492;
    u.headingDeg = 90;
    objects_[1] = u;
}

SimObject* World::find(std::uint32_t id)
{
    auto it = objects_.find(id == scwire::kObjectIdUser ? 1 : id);
    return it == objects_.end() ? nullptr : &it->second;
}

SimObject& World::add(SimObject object)
{
    object.id = nextObjectId++;
    auto id = object.id;
    objects_[id] = std::move(object);
    return objects_[id];
}

bool World::remove(std::uint32_t id)
{
    auto it = objects_.find(id);
    if (it == objects_.end() || !it->second.ai)
        return false;
    objects_.erase(it);
    return true;
}

std::vector<std::uint32_t> World::createdBy(std::uint32_t session) const
{
    std::vector<std::uint32_t> ids;
    for (const auto& [id, o] : objects_)
        if (o.ai && o.session == session)
            ids.push_back(id);
    return ids;
}

std::vector<std::uint32_t> World::inRange(double radiusM) const
{
    const SimObject& u = objects_.at(1);
    std::vector<std::uint32_t> ids;
    for (const auto& [id, o] : objects_)
        if ((!o.ai || o.added) &&
            distanceM(u.latitudeDeg, u.longitudeDeg, o.latitudeDeg, o.longitudeDeg) <= radiusM)
            ids.push_back(id);
    return ids;
}

double World::numberOf(const SimObject& o, const Datum& d) const
{
    const std::string n = lower(d.name);
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    if (n == "plane latitude")
        return angle(o.latitudeDeg, d);
    if (n == "plane longitude")
        return angle(o.longitudeDeg, d);
    if (n == "plane pitch degrees")
        return angle(o.pitchDeg, d);
    if (n == "plane bank degrees")
        return angle(o.bankDeg, d);
    if (n == "plane heading degrees true")
        return angle(o.headingDeg, d);
    if (n == "plane altitude")
        return o.altitudeFt;
    if (n == "plane alt above ground")
        return o.altitudeFt - groundFt;
    if (n == "ground altitude")
        return groundFt;
    if (n == "vertical speed")
        return o.verticalSpeedFps;
    if (n == "airspeed true" || n == "ground velocity")
        return o.airspeedKt;
    if (n == "sim on ground")
        return o.altitudeFt - groundFt < 1.0 ? 1 : 0;
    if (n == "zulu time")
        return utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
    if (n == "zulu day of year")
        return utc.tm_yday + 1;
    if (n == "zulu year")
        return utc.tm_year + 1900;
    if (n == "light states" || n == "light on states")
        return static_cast<double>(o.lightStates);
    if (n == "static cg to ground")
        return staticCgFt;
    if (n == "static pitch")
        return staticPitchRad;
    auto it = o.levers.find(n);
    return it == o.levers.end() ? 0.0 : it->second;
}

std::string World::textOf(const SimObject& o, const Datum& d) const
{
    const std::string n = lower(d.name);
    if (n == "title")
        return o.title;
    if (n == "atc model")
        return o.model;
    if (n == "atc id")
        return o.tail;
    return {};
}

std::string World::dataBlock(const SimObject& o, const std::vector<Datum>& definition) const
{
    std::string block;
    for (const Datum& d : definition)
    {
        switch (d.type)
        {
        case scwire::kDataFloat64:
            appendF64(block, numberOf(o, d));
            break;
        case scwire::kDataInt64:
            appendI64(block, static_cast<std::int64_t>(numberOf(o, d)));
            break;
        case scwire::kDataInt32:
            appendU32(block, static_cast<std::uint32_t>(static_cast<std::int32_t>(numberOf(o, d))));
            break;
        case scwire::kDataFloat32:
        {
            float f = static_cast<float>(numberOf(o, d));
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            appendU32(block, bits);
            break;
        }
        case scwire::kDataStringV:
            block += textOf(o, d);
            block.push_back('\0');
            break;
        default:
            if (std::size_t w = fixedWidth(d.type))
                appendFixed(block, textOf(o, d), w);
            break;
        }
    }
    return block;
}

void World::apply(SimObject& o, const std::vector<Datum>& definition, const std::vector<double>& values)
{
    bool position = false;
    for (std::size_t i = 0; i < definition.size() && i < values.size(); ++i)
    {
        const Datum& d = definition[i];
        const std::string n = lower(d.name);
        const double v = values[i];
        if (n == "plane latitude")
            o.latitudeDeg = toDegrees(v, d), position = true;
        else if (n == "plane longitude")
            o.longitudeDeg = toDegrees(v, d), position = true;
        else if (n == "plane pitch degrees")
            o.pitchDeg = toDegrees(v, d);
        else if (n == "plane bank degrees")
            o.bankDeg = toDegrees(v, d);
        else if (n == "plane heading degrees true")
            o.headingDeg = toDegrees(v, d);
        else if (n == "plane altitude")
            o.altitudeFt = v, position = true;
        else if (n == "vertical speed")
            o.verticalSpeedFps = v;
        else if (n == "airspeed true")
            o.airspeedKt = v;
        else
            o.levers[n] = v;
    }
    if (position)
        ++o.positionWrites;
}

nlohmann::json World::toJson() const
{
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [id, o] : objects_)
        list.push_back({{"id", id},
                        {"ai", o.ai},
                        {"added", o.added},
                        {"released", o.released},
                        {"title", o.title},
                        {"tail", o.tail},
                        {"latitude", o.latitudeDeg},
                        {"longitude", o.longitudeDeg},
                        {"altitude", o.altitudeFt},
                        {"pitch", o.pitchDeg},
                        {"bank", o.bankDeg},
                        {"heading", o.headingDeg},
                        {"positionWrites", o.positionWrites},
                        {"levers", o.levers},
                        {"events", o.events},
                        {"flightPlan", o.flightPlan}});
    return list;
}

} // namespace oxl::standin
