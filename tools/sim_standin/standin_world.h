// What the simulator stand-in holds: the user aircraft and the AI objects with their positions,
// events and flight plans, and the data blocks it builds for a data definition.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace oxl::standin
{

// One variable of a data definition as the client added it.
struct Datum
{
    std::string name;
    std::string units;
    std::uint32_t type = 0;
};

// One simulated object (the user's aircraft has id 1).
struct SimObject
{
    std::uint32_t id = 0;
    bool ai = false;           // created by a client (or injected foreign traffic)
    bool added = false;        // ObjectAdded has been sent
    bool released = false;     // AIReleaseControl received
    std::uint32_t session = 0; // the client session that created it (0: injected)
    std::string title;
    std::string tail;  // the ATC ID
    std::string model; // the ATC MODEL
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeFt = 0;
    double pitchDeg = 0;
    double bankDeg = 0;
    double headingDeg = 0;
    double verticalSpeedFps = 0;
    double airspeedKt = 0;
    std::int64_t lightStates = 0;
    std::uint64_t positionWrites = 0;
    std::map<std::string, double> levers; // written variables other than the position
    std::vector<nlohmann::json> events;   // transmitted client events
    std::string flightPlan;
};

// The objects and the terrain (flat, at one elevation).
class World
{
  public:
    // A world with the user's aircraft.
    World();

    SimObject& user() { return objects_.at(1); }
    // The object of an id (0 is the user), or null.
    SimObject* find(std::uint32_t id);
    // Adds an object with a fresh id (from the first AI id upward).
    SimObject& add(SimObject object);
    // Removes an AI object; false when there is none with that id.
    bool remove(std::uint32_t id);
    // Ids of the AI objects a client session created, in id order.
    std::vector<std::uint32_t> createdBy(std::uint32_t session) const;
    // Ids of the objects within radius [m] of the user's aircraft, in id order.
    std::vector<std::uint32_t> inRange(double radiusM) const;
    // The data block of a definition for an object.
    std::string dataBlock(const SimObject& object, const std::vector<Datum>& definition) const;
    // Writes the values of a data block (8-byte numbers) to the object's variables.
    void apply(SimObject& object, const std::vector<Datum>& definition, const std::vector<double>& values);
    // The whole world as JSON.
    nlohmann::json toJson() const;

    double groundFt = 0; // elevation of the flat terrain
    std::uint32_t nextObjectId = 3;
    double staticCgFt = 8.0;
    double staticPitchRad = 0.01;

  private:
    double numberOf(const SimObject& o, const Datum& d) const;
    std::string textOf(const SimObject& o, const Datum& d) const;
    std::map<std::uint32_t, SimObject> objects_;
};

// Great-circle distance [m].
double distanceM(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);

} // namespace oxl::standin
