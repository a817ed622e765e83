// Sessions read client messages on their own threads; one ticker thread sends frames, per-second
// replies and delayed object events. The world and every session's registrations share one lock.
#include "tools/sim_standin/standin_server.h"

#include "foundation/utf.h"
#include "simlink/client/wire.h"
#include "tools/sim_standin/standin_wire.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <optional>
#include <pugixml.hpp>
#include <sstream>

namespace oxl::standin
{

namespace
{

// JSON text is UTF-8 only, and a client may send any bytes (a callsign cut inside a character, a Latin-1
// registration): every text is written in the program's own reversible form of any bytes, so that a
// reader restores exactly what came (gf_restoreBytes) and no client can make a write fail.
void escapeTexts(nlohmann::json& value)
{
    if (value.is_string())
        value = gf_escapeBytes(value.get_ref<const std::string&>());
    else if (value.is_array())
        for (nlohmann::json& item : value)
            escapeTexts(item);
    else if (value.is_object())
    {
        nlohmann::json escaped = nlohmann::json::object();
        for (auto& [key, item] : value.items())
        {
            escapeTexts(item);
            escaped[gf_escapeBytes(key)] = std::move(item);
        }
        value = std::move(escaped);
    }
}

std::string jsonText(nlohmann::json value)
{
    escapeTexts(value);
    return value.dump();
}

} // namespace

struct Session
{
    std::uint32_t id = 0;
    plat::net::Socket socket;
    std::atomic<bool> open{true};
    // The last read filled the whole buffer: more of what the client sent waits to be handled.
    std::atomic<bool> behind{false};
    std::string clientName;
    // Registrations, guarded by the server's lock.
    std::map<std::string, std::uint32_t> subscriptions; // lower-case system event name -> client event id
    std::map<std::uint32_t, std::vector<Datum>> definitions;
    std::map<std::uint32_t, std::string> eventMap;
    std::map<std::uint32_t, std::vector<std::uint32_t>> groups;
    std::map<std::uint32_t, std::uint32_t> priorities;
    struct Periodic
    {
        std::uint32_t requestId, definitionId, objectId;
    };
    std::vector<Periodic> perSecond;
    // The last message and whether a flaps event waits for the release of its object's control.
    std::string lastCall;
    std::uint32_t lastObject = 0;
    std::optional<std::uint32_t> flapsObject;
    // Scripted faults of the next writes, guarded by writeLock.
    std::mutex writeLock;
    bool splitNext = false;
    std::size_t padNext = 0;
    int mergeLeft = 0;
    std::string mergeBuffer;
};

namespace
{

constexpr std::size_t kMaxClientMessage = 1 << 20;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::uint32_t u32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

std::string restAfter(const std::string& line, std::size_t wordsToSkip)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < wordsToSkip; ++i)
    {
        pos = line.find_first_not_of(' ', pos);
        pos = line.find(' ', pos);
        if (pos == std::string::npos)
            return {};
    }
    return line.substr(line.find_first_not_of(' ', pos) == std::string::npos
                           ? line.size()
                           : line.find_first_not_of(' ', pos));
}

std::string fromHex(const std::string& hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// One message of a scripted fault with its number (`given`: named in the command, 0 included); empty for a
// kind that sends nothing. `addedEvent`: the session's client event of ObjectAdded.
std::string faultMessage(const std::string& kind, bool given, std::uint32_t n, std::uint32_t addedEvent)
{
    std::string raw;
    if (kind == "size")
    {
        appendU32(raw, n);
        raw += std::string(8, '\x11');
    }
    else if (kind == "oversize")
    {
        appendU32(raw, n ? n : 41089);
        raw += std::string(12, '\x22');
    }
    else if (kind == "short")
        raw = encodeRaw(n ? n : std::uint32_t{scwire::kRecvEvent}, "");
    else if (kind == "tiny")
    {
        appendU32(raw, 8);
        appendU32(raw, 4);
    }
    else if (kind == "unknown")
        raw = encodeRaw(given ? n : 99, std::string(4, '\0'));
    else if (kind == "exception")
        raw = encodeException(n, 0, 0);
    else if (kind == "bytype")
        // A reply of a range request (101 unless named) for an object far above any created one, with no
        // data in it.
        raw =
            encodeObjectData(scwire::kRecvSimObjectDataByType, given ? n : 101, 0xFFFFFF, 0, 0, 1, 1, 0, "");
    else if (kind == "added" || kind == "foreign")
    {
        // An aircraft of another program; "foreign" also has a range reply (101, definition 404) list it,
        // on the ground under an ATC ID of its own.
        raw = encodeObjectAddRemove(addedEvent, n, scwire::kObjectAircraft);
        if (kind == "foreign")
        {
            std::string block;
            appendF64(block, 0.0);
            appendF64(block, 1400.0);
            appendI64(block, 1);
            appendFixed(block, fmt::format("OTHER{}", n), 32);
            raw += encodeObjectData(scwire::kRecvSimObjectDataByType, 101, n, 404, 0, 1, 1, 4, block);
        }
    }
    return raw;
}

} // namespace

Server::Server(Options options) : options_(std::move(options))
{
    world_.groundFt = options_.groundFt;
    world_.nextObjectId = options_.firstObjectId;
    world_.user().altitudeFt = options_.groundFt;
    if (!options_.trackFile.empty())
        track_.open(options_.trackFile, std::ios::app);
}

Server::~Server()
{
    stop();
}

bool Server::start(std::string& error)
{
    if (options_.tcp4)
    {
        tcp4_ = plat::net::openLoopbackListener(plat::net::IpFamily::IPv4, options_.port);
        if (!tcp4_.valid())
        {
            error = fmt::format("TCP IPv4 listen failed: {}", plat::net::lastError());
            return false;
        }
        port4_ = plat::net::localPort(tcp4_);
    }
    if (options_.tcp6)
    {
        tcp6_ = plat::net::openLoopbackListener(plat::net::IpFamily::IPv6,
                                                options_.tcp4 ? port4_ : options_.port);
        if (!tcp6_.valid())
        {
            error = fmt::format("TCP IPv6 listen failed: {}", plat::net::lastError());
            return false;
        }
        port6_ = plat::net::localPort(tcp6_);
    }
    if (options_.pipe && !pipe_.open(options_.pipePath, options_.pipeBacklog))
    {
        error = "pipe listen failed: " + options_.pipePath;
        return false;
    }
    writeConfigFile();
    // The accept loops add session threads to the same list as soon as they run.
    std::lock_guard lock(mutex_);
    if (tcp4_.valid())
        threads_.emplace_back([this] { acceptLoop(&tcp4_); });
    if (tcp6_.valid())
        threads_.emplace_back([this] { acceptLoop(&tcp6_); });
    if (options_.pipe)
        threads_.emplace_back([this] { acceptLoop(&pipe_.socket()); });
    threads_.emplace_back([this] { tickLoop(); });
    return true;
}

void Server::stop()
{
    if (stop_.exchange(true))
        return;
    // Session threads are added while running; take them all once the accept loops have ended.
    for (std::size_t i = 0;; ++i)
    {
        std::thread t;
        {
            std::lock_guard lock(mutex_);
            if (i >= threads_.size())
                break;
            t = std::move(threads_[i]);
        }
        if (t.joinable())
            t.join();
    }
    pipe_.close();
}

nlohmann::json Server::endpoints() const
{
    return {{"tcp4", port4_}, {"tcp6", port6_}, {"pipe", options_.pipe ? options_.pipePath : ""}};
}

void Server::writeConfigFile()
{
    if (!options_.registryFile.empty())
    {
        std::ofstream reg(options_.registryFile, std::ios::binary);
        reg << "<registry>\n  <key root=\"HKCU\" path=\"SOFTWARE\\Lockheed Martin\\Prepar3D v5\">\n";
        if (port4_)
            reg << "    <value name=\"SimConnect_Port_IPv4\" type=\"REG_SZ\">" << port4_ << "</value>\n";
        if (port6_)
            reg << "    <value name=\"SimConnect_Port_IPv6\" type=\"REG_SZ\">" << port6_ << "</value>\n";
        reg << "  </key>\n</registry>\n";
    }
    if (options_.cfgDir.empty() || !tcp4_.valid())
        return;
    std::ofstream out(options_.cfgDir / "SimConnect.cfg", std::ios::binary);
    out << "[SimConnect]\r\nProtocol=IPv4\r\nAddress=127.0.0.1\r\nPort=" << port4_ << "\r\n";
}

void Server::acceptLoop(const plat::net::Socket* listener)
{
    while (!stop_)
    {
        plat::net::Wait waited;
        plat::net::Socket socket = plat::net::acceptWithin(*listener, std::chrono::milliseconds(100), waited);
        if (!socket.valid())
            continue;
        auto session = std::make_shared<Session>();
        session->socket = std::move(socket);
        std::lock_guard lock(mutex_);
        session->id = nextSession_++;
        sessions_.push_back(session);
        threads_.emplace_back([this, session] { readLoop(session); });
    }
}

void Server::readLoop(std::shared_ptr<Session> s)
{
    std::string pending;
    std::vector<char> buf(65536);
    while (!stop_ && s->open)
    {
        if (stallReads_)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        long n = plat::net::receiveWithin(s->socket, buf.data(), buf.size(), std::chrono::milliseconds(100));
        if (n == -2)
            continue;
        if (n <= 0)
            break;
        pending.append(buf.data(), static_cast<std::size_t>(n));
        bool bad = false;
        while (pending.size() >= 4)
        {
            const std::uint32_t size = u32(pending, 0);
            if (size < 16 || size > kMaxClientMessage)
            {
                journal({{"session", s->id}, {"error", fmt::format("bad message size {}", size)}});
                bad = true;
                break;
            }
            if (pending.size() < size)
                break;
            handle(*s, pending.substr(0, size));
            pending.erase(0, size);
        }
        if (bad)
            break;
        s->behind = static_cast<std::size_t>(n) == buf.size();
    }
    {
        std::lock_guard w(s->writeLock);
        s->open = false;
        s->socket.close();
    }
    // The simulator removes the AI objects of a client whose link closed, as if the client had.
    std::vector<std::uint32_t> gone;
    {
        std::lock_guard lock(mutex_);
        sessions_.remove(s);
        gone = world_.createdBy(s->id);
        for (const std::uint32_t id : gone)
        {
            track("removed", *world_.find(id));
            world_.remove(id);
        }
    }
    for (const std::uint32_t id : gone)
        sendToSubscribers("ObjectRemoved", [id](std::uint32_t ev)
                          { return encodeObjectAddRemove(ev, id, scwire::kObjectAircraft); });
}

void Server::send(Session& s, const std::string& message)
{
    std::lock_guard w(s.writeLock);
    if (!s.open || !s.socket.valid())
        return;
    std::string bytes = std::string(s.padNext, '\0') + message;
    s.padNext = 0;
    if (s.mergeLeft > 0)
    {
        s.mergeBuffer += bytes;
        if (--s.mergeLeft > 0)
            return;
        bytes = std::exchange(s.mergeBuffer, {});
    }
    if (s.splitNext && bytes.size() > 1)
    {
        s.splitNext = false;
        const std::size_t half = bytes.size() / 2;
        plat::net::sendAll(s.socket, std::string_view(bytes).substr(0, half));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        plat::net::sendAll(s.socket, std::string_view(bytes).substr(half));
        return;
    }
    plat::net::sendAll(s.socket, bytes);
}

std::vector<std::shared_ptr<Session>> Server::sessionsCopy()
{
    std::lock_guard lock(mutex_);
    return {sessions_.begin(), sessions_.end()};
}

void Server::sendToSubscribers(const std::string& systemEvent,
                               const std::function<std::string(std::uint32_t)>& build)
{
    std::vector<std::pair<std::shared_ptr<Session>, std::string>> out;
    {
        std::lock_guard lock(mutex_);
        // A simulator handles what its clients sent before it draws the next frame: a session still
        // reading a backlog gets no Frame, so that a client that sends every frame never runs ahead of a
        // slow simulator.
        for (auto& s : sessions_)
            if (auto it = s->subscriptions.find(lower(systemEvent));
                it != s->subscriptions.end() && !(systemEvent == "Frame" && s->behind))
                out.emplace_back(s, build(it->second));
    }
    for (auto& [s, m] : out)
        send(*s, m);
}

void Server::later(int delayMs, std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    timers_.emplace_back(std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs),
                         std::move(action));
}

void Server::journal(nlohmann::json entry)
{
    if (!options_.journalFile.empty())
    {
        std::ofstream out(options_.journalFile, std::ios::app);
        out << jsonText(entry) << "\n";
    }
    std::lock_guard lock(mutex_);
    journal_.push_back(std::move(entry));
    if (options_.journalMemory > 0 && journal_.size() > options_.journalMemory)
        journal_.pop_front();
}

void Server::track(const char* event, const SimObject& object)
{
    if (!track_.is_open())
        return;
    nlohmann::json line = {{"ms", std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - started_)
                                      .count()},
                           {"event", event},
                           {"id", object.id}};
    if (std::string_view(event) != "removed")
    {
        line["lat"] = object.latitudeDeg;
        line["lon"] = object.longitudeDeg;
        line["alt"] = object.altitudeFt;
        line["hdg"] = object.headingDeg;
    }
    if (std::string_view(event) == "created")
    {
        line["title"] = object.title;
        line["tail"] = object.tail;
    }
    std::lock_guard lock(trackMutex_);
    track_ << jsonText(std::move(line)) << std::endl;
}

void Server::replyData(Session& s, std::uint32_t recvId, std::uint32_t requestId, std::uint32_t definitionId,
                       std::uint32_t objectId, std::uint32_t entry, std::uint32_t outOf)
{
    // Called with the lock held.
    auto def = s.definitions.find(definitionId);
    SimObject* o = world_.find(objectId);
    if (def == s.definitions.end() || !o)
        return;
    std::string block = world_.dataBlock(*o, def->second);
    const auto count = static_cast<std::uint32_t>(def->second.size());
    send(s, encodeObjectData(recvId, requestId, o->id, definitionId, 0, entry, outOf, count, block));
}

void Server::checkFlapsTrio(Session& s, const ClientMessage& m)
{
    // Called with the lock held.
    const std::string call = callName(m.callId);
    const std::uint32_t object =
        m.fields.contains("objectId") ? m.fields["objectId"].get<std::uint32_t>() : 0;
    if (s.flapsObject)
    {
        const bool released = call == "SimConnect_AIReleaseControl" && object == *s.flapsObject;
        ++(released ? flapsTrios_ : brokenFlapsTrios_);
        s.flapsObject.reset();
    }
    if (call == "SimConnect_TransmitClientEvent" && s.eventMap[m.fields["eventId"]] == "FLAPS_SET")
    {
        if (s.lastCall == "SimConnect_AIReleaseControl" && s.lastObject == object)
            s.flapsObject = object;
        else
            ++brokenFlapsTrios_;
    }
    s.lastCall = call;
    s.lastObject = object;
}

void Server::handle(Session& s, const std::string& bytes)
{
    ClientMessage m = decodeClientMessage(bytes);
    nlohmann::json entry = {{"session", s.id},
                            {"call", callName(m.callId)},
                            {"sendId", m.sendId},
                            {"size", m.size},
                            {"fields", m.fields}};
    if (!m.error.empty())
        entry["error"] = m.error;
    journal(entry);
    if (!m.error.empty())
    {
        const bool sizeFault =
            m.error.find("bytes") != std::string::npos || m.error.find("size") != std::string::npos;
        send(s, encodeException(sizeFault ? scwire::kExceptionSizeMismatch : scwire::kExceptionError,
                                m.sendId, 0));
        return;
    }
    const auto& f = m.fields;
    auto unrecognized = [&] { send(s, encodeException(scwire::kExceptionUnrecognizedId, m.sendId, 1)); };
    std::unique_lock lock(mutex_);
    checkFlapsTrio(s, m);
    switch (m.callId)
    {
    case scwire::kSendOpen:
        s.clientName = f["name"];
        {
            const std::uint32_t scVersion[4] = {5, 3, 0, 0};
            send(s, encodeOpen(options_.name, options_.appVersion, scVersion));
        }
        break;
    case scwire::kSendSubscribeToSystemEvent:
    {
        const std::string name = lower(f["systemEventName"]);
        const std::uint32_t id = f["eventId"];
        s.subscriptions[name] = id;
        if (name == "sim" && options_.running && !paused_)
            send(s, encodeEvent(scwire::kUnused, id, 1));
        break;
    }
    case scwire::kSendMapClientEventToSimEvent:
        s.eventMap[f["eventId"]] = f["eventName"];
        break;
    case scwire::kSendAddClientEventToNotificationGroup:
        s.groups[f["groupId"]].push_back(f["eventId"]);
        break;
    case scwire::kSendSetNotificationGroupPriority:
        s.priorities[f["groupId"]] = f["priority"];
        break;
    case scwire::kSendAddToDataDefinition:
        s.definitions[f["definitionId"]].push_back({f["datumName"], f["unitsName"], f["datumType"]});
        break;
    case scwire::kSendRequestDataOnSimObject:
    {
        const std::uint32_t req = f["requestId"], def = f["definitionId"], obj = f["objectId"],
                            period = f["period"];
        // An AI object is known by its id only once the simulator has added it.
        const SimObject* target = world_.find(obj);
        if (!target || (target->ai && !target->added) || !s.definitions.count(def))
        {
            unrecognized();
            break;
        }
        auto& ps = s.perSecond;
        ps.erase(std::remove_if(ps.begin(), ps.end(), [&](auto& p) { return p.requestId == req; }), ps.end());
        if (period == scwire::kPeriodSecond)
            ps.push_back({req, def, obj});
        else if (period != scwire::kPeriodNever)
            replyData(s, scwire::kRecvSimObjectData, req, def, obj, 1, 1);
        break;
    }
    case scwire::kSendRequestDataOnSimObjectType:
    {
        const std::uint32_t req = f["requestId"], def = f["definitionId"];
        if (!s.definitions.count(def))
        {
            unrecognized();
            break;
        }
        auto ids = world_.inRange(static_cast<double>(f["radiusM"].get<std::uint32_t>()));
        for (std::size_t i = 0; i < ids.size(); ++i)
            replyData(s, scwire::kRecvSimObjectDataByType, req, def, ids[i],
                      static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(ids.size()));
        break;
    }
    case scwire::kSendSetDataOnSimObject:
    {
        SimObject* o = world_.find(f["objectId"]);
        auto def = s.definitions.find(f["definitionId"]);
        if (!o || def == s.definitions.end())
        {
            unrecognized();
            break;
        }
        const std::uint64_t writes = o->positionWrites;
        world_.apply(*o, def->second, f["f64"].get<std::vector<double>>());
        if (o->ai && o->positionWrites != writes)
            track("moved", *o);
        break;
    }
    case scwire::kSendTransmitClientEvent:
    {
        SimObject* o = world_.find(f["objectId"]);
        if (!o)
        {
            unrecognized();
            break;
        }
        const std::uint32_t ev = f["eventId"];
        o->events.push_back({{"event", s.eventMap.count(ev) ? s.eventMap[ev] : std::to_string(ev)},
                             {"data", f["data"]},
                             {"group", f["groupId"]}});
        break;
    }
    case scwire::kSendAICreateNonATCAircraft:
    {
        const std::string title = f["title"];
        const auto& known = options_.knownTitles;
        if (!known.empty() && std::find(known.begin(), known.end(), title) == known.end())
        {
            send(s, encodeException(scwire::kExceptionCreateObjectFailed, m.sendId, 1));
            break;
        }
        SimObject o;
        o.ai = true;
        o.title = title;
        o.tail = f["tailNumber"];
        o.latitudeDeg = f["latitude"];
        o.longitudeDeg = f["longitude"];
        o.altitudeFt = f["onGround"].get<std::uint32_t>() ? world_.groundFt : f["altitude"].get<double>();
        o.pitchDeg = f["pitch"];
        o.bankDeg = f["bank"];
        o.headingDeg = f["heading"];
        o.airspeedKt = f["airspeed"];
        o.session = s.id;
        const SimObject& created = world_.add(std::move(o));
        track("created", created);
        const std::uint32_t id = created.id;
        const std::uint32_t req = f["requestId"];
        const std::uint32_t sessionId = s.id;
        const auto& delays = options_.addDelaysMs;
        const int delayMs = delays.empty() ? 0 : delays[creations_++ % delays.size()];
        lock.unlock();
        later(delayMs,
              [this, id, req, sessionId]
              {
                  std::shared_ptr<Session> creator;
                  {
                      std::lock_guard l(mutex_);
                      SimObject* added = world_.find(id);
                      if (!added)
                          return;
                      added->added = true;
                      for (auto& x : sessions_)
                          if (x->id == sessionId)
                              creator = x;
                  }
                  if (creator)
                      send(*creator, encodeAssignedObjectId(req, id));
                  sendToSubscribers("ObjectAdded", [id](std::uint32_t ev)
                                    { return encodeObjectAddRemove(ev, id, scwire::kObjectAircraft); });
              });
        break;
    }
    case scwire::kSendAIReleaseControl:
        if (SimObject* o = world_.find(f["objectId"]); o && o->ai)
            o->released = true;
        else
            unrecognized();
        break;
    case scwire::kSendAIRemoveObject:
    {
        const std::uint32_t id = f["objectId"];
        SimObject* gone = world_.find(id);
        if (gone && gone->ai)
            track("removed", *gone);
        if (!world_.remove(id))
        {
            unrecognized();
            break;
        }
        lock.unlock();
        sendToSubscribers("ObjectRemoved", [id](std::uint32_t ev)
                          { return encodeObjectAddRemove(ev, id, scwire::kObjectAircraft); });
        break;
    }
    case scwire::kSendAISetAircraftFlightPlan:
    {
        SimObject* o = world_.find(f["objectId"]);
        if (!o || !o->ai)
        {
            unrecognized();
            break;
        }
        o->flightPlan = f["path"];
        pugi::xml_document doc;
        if (!doc.load_file(o->flightPlan.c_str()))
            send(s, encodeException(scwire::kExceptionLoadFlightplanFailed, m.sendId, 2));
        break;
    }
    default:
        break;
    }
}

void Server::tickLoop()
{
    using clock = std::chrono::steady_clock;
    const auto framePeriod = std::chrono::duration_cast<clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(options_.framesPerSecond, 0.1)));
    auto nextFrame = clock::now() + framePeriod;
    auto nextSecond = clock::now() + std::chrono::seconds(1);
    while (!stop_)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto now = clock::now();
        std::vector<std::function<void()>> due;
        {
            std::lock_guard lock(mutex_);
            for (auto it = timers_.begin(); it != timers_.end();)
                if (it->first <= now)
                {
                    due.push_back(std::move(it->second));
                    it = timers_.erase(it);
                }
                else
                    ++it;
        }
        for (auto& action : due)
            action();
        const bool flying = options_.running && !paused_;
        if (now >= nextFrame)
        {
            nextFrame = std::max(nextFrame + framePeriod, now);
            if (flying)
                sendToSubscribers("Frame", [this](std::uint32_t ev)
                                  { return encodeFrame(ev, options_.frameRateField, 1.0f); });
        }
        if (now >= nextSecond)
        {
            nextSecond = std::max(nextSecond + std::chrono::seconds(1), now);
            if (flying)
            {
                std::lock_guard lock(mutex_);
                for (auto& s : sessions_)
                    for (const auto& p : s->perSecond)
                        replyData(*s, scwire::kRecvSimObjectData, p.requestId, p.definitionId, p.objectId, 1,
                                  1);
            }
        }
    }
}

nlohmann::json Server::state()
{
    std::lock_guard lock(mutex_);
    nlohmann::json sessions = nlohmann::json::array();
    for (const auto& s : sessions_)
    {
        nlohmann::json defs = nlohmann::json::object();
        for (const auto& [id, list] : s->definitions)
        {
            nlohmann::json d = nlohmann::json::array();
            for (const auto& x : list)
                d.push_back({{"name", x.name}, {"units", x.units}, {"type", x.type}});
            defs[std::to_string(id)] = d;
        }
        nlohmann::json events = nlohmann::json::object();
        for (const auto& [id, name] : s->eventMap)
            events[std::to_string(id)] = name;
        nlohmann::json groups = nlohmann::json::object();
        for (const auto& [id, list] : s->groups)
            groups[std::to_string(id)] = {{"events", list},
                                          {"priority", s->priorities.count(id) ? s->priorities.at(id) : 0}};
        nlohmann::json periodic = nlohmann::json::array();
        for (const auto& p : s->perSecond)
            periodic.push_back(
                {{"requestId", p.requestId}, {"definitionId", p.definitionId}, {"objectId", p.objectId}});
        sessions.push_back({{"id", s->id},
                            {"name", s->clientName},
                            {"subscriptions", s->subscriptions},
                            {"definitions", defs},
                            {"eventMap", events},
                            {"groups", groups},
                            {"perSecond", periodic}});
    }
    return {{"sessions", sessions},      {"objects", world_.toJson()},
            {"paused", paused_.load()},  {"journalEntries", journal_.size()},
            {"flapsTrios", flapsTrios_}, {"brokenFlapsTrios", brokenFlapsTrios_}};
}

std::string Server::command(const std::string& line)
{
    const auto w = words(line);
    if (w.empty())
        return "error empty command";
    const std::string& c = w[0];
    auto all = sessionsCopy();
    auto number = [&](std::size_t i, double fallback) { return w.size() > i ? std::stod(w[i]) : fallback; };
    // How often a message is sent at once.
    auto times = [&](std::size_t i)
    { return static_cast<std::uint32_t>(std::clamp(number(i, 1), 1.0, 1e6)); };
    try
    {
        if (c == "state")
            return jsonText(state());
        if (c == "journal")
        {
            std::lock_guard lock(mutex_);
            return jsonText(journal_);
        }
        if (c == "pause")
        {
            const bool on = w.size() < 2 || w[1] != "0";
            paused_ = on;
            sendToSubscribers("Sim", [on](std::uint32_t ev)
                              { return encodeEvent(scwire::kUnused, ev, on ? 0 : 1); });
            return "ok";
        }
        if (c == "event" && w.size() >= 2)
        {
            const auto data = static_cast<std::uint32_t>(number(2, 0));
            sendToSubscribers(w[1],
                              [data](std::uint32_t ev) { return encodeEvent(scwire::kUnused, ev, data); });
            return "ok";
        }
        if (c == "newflight")
        {
            const std::string file = restAfter(line, 1);
            sendToSubscribers("FlightLoaded", [&](std::uint32_t ev) { return encodeFilename(ev, file, 0); });
            return "ok";
        }
        if (c == "teleport" && w.size() >= 3)
        {
            std::lock_guard lock(mutex_);
            world_.user().latitudeDeg = number(1, 0);
            world_.user().longitudeDeg = number(2, 0);
            world_.user().altitudeFt = number(3, world_.user().altitudeFt);
            return "ok";
        }
        if (c == "user-title" || c == "user-model" || c == "user-tail")
        {
            std::lock_guard lock(mutex_);
            auto& u = world_.user();
            (c == "user-title" ? u.title : c == "user-model" ? u.model : u.tail) = restAfter(line, 1);
            return "ok";
        }
        if (c == "inject" && w.size() >= 5)
        {
            SimObject o;
            o.ai = true;
            o.added = true;
            o.tail = w[1] == "-" ? "" : w[1];
            o.latitudeDeg = number(2, 0);
            o.longitudeDeg = number(3, 0);
            o.altitudeFt = number(4, 0);
            o.title = restAfter(line, 5);
            std::uint32_t id;
            {
                std::lock_guard lock(mutex_);
                const SimObject& injected = world_.add(std::move(o));
                track("created", injected);
                id = injected.id;
            }
            sendToSubscribers("ObjectAdded", [id](std::uint32_t ev)
                              { return encodeObjectAddRemove(ev, id, scwire::kObjectAircraft); });
            return fmt::format("ok {}", id);
        }
        if (c == "quit")
        {
            for (auto& s : all)
                send(*s, encodeQuit());
            return "ok";
        }
        if (c == "drop")
        {
            const bool reset = w.size() > 1 && w[1] == "reset";
            for (auto& s : all)
            {
                std::lock_guard lock(s->writeLock);
                if (reset && s->socket.valid())
                    plat::net::resetOnClose(s->socket);
                s->open = false;
            }
            return "ok";
        }
        if (c == "stall")
        {
            stallReads_ = w.size() < 2 || w[1] != "0";
            return "ok";
        }
        if (c == "raw" && w.size() >= 2)
        {
            const std::string once = fromHex(w[1]);
            std::string bytes;
            for (std::uint32_t k = times(2); k > 0; --k)
                bytes += once;
            for (auto& s : all)
            {
                std::lock_guard lock(s->writeLock);
                if (s->open)
                    plat::net::sendAll(s->socket, bytes);
            }
            return "ok";
        }
        if (c == "fault" && w.size() >= 2)
        {
            const std::string& kind = w[1];
            const auto n = static_cast<std::uint32_t>(number(2, 0));
            // A simulator that repeats itself: the message TIMES times at once, its number going up by STEP
            // each time.
            const std::uint32_t repeats = times(3);
            const auto step = static_cast<std::uint32_t>(number(4, 0));
            if (faultMessage(kind, w.size() > 2, n, 0).empty() && kind != "split" && kind != "pad" &&
                kind != "merge")
                return "error unknown fault";
            for (auto& s : all)
            {
                std::uint32_t addedEvent = 0;
                {
                    std::lock_guard lock(mutex_);
                    if (const auto it = s->subscriptions.find("objectadded"); it != s->subscriptions.end())
                        addedEvent = it->second;
                }
                std::string raw;
                for (std::uint32_t k = 0; k < repeats; ++k)
                    raw += faultMessage(kind, w.size() > 2, n + k * step, addedEvent);
                std::lock_guard lock(s->writeLock);
                if (kind == "split")
                    s->splitNext = true;
                else if (kind == "pad")
                    s->padNext = n ? n : 8;
                else if (kind == "merge")
                    s->mergeLeft = static_cast<int>(n ? n : 3);
                else if (!raw.empty() && s->open)
                    plat::net::sendAll(s->socket, raw);
            }
            return "ok";
        }
    }
    catch (const std::exception& e)
    {
        return std::string("error ") + e.what();
    }
    return "error unknown command: " + line;
}

} // namespace oxl::standin
