// The simulator stand-in: listens on TCP and on the pipe stand-in, answers the client protocol,
// sends frame and per-second events, keeps AI objects and takes scripted commands (pause, new
// flight, teleport, QUIT, dropped links, malformed messages).
#pragma once

#include "platform/local_pipe.h"
#include "platform/net_stream.h"
#include "platform/net_tcp.h"
#include "tools/sim_standin/standin_world.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

namespace oxl::standin
{

// How the stand-in is set up (command-line options).
struct Options
{
    std::string name = "Lockheed Martin\xC2\xAE Prepar3D\xC2\xAE v5";
    std::uint32_t appVersion[4] = {5, 3, 17, 28160};
    bool tcp4 = true;
    bool tcp6 = false;
    bool pipe = true;
    std::uint16_t port = 0;
    std::string pipePath = "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect";
    int pipeBacklog = 16;
    double framesPerSecond = 30;       // how often Frame events are sent
    float frameRateField = 30;         // the frame rate they report
    std::vector<int> addDelaysMs{200}; // from a creation to its ObjectAdded; several: one after another
    std::uint32_t firstObjectId = 3;
    std::vector<std::string> knownTitles; // empty: every title is known
    double groundFt = 0;
    bool running = true;                // a flight runs ("Sim" 1)
    std::filesystem::path cfgDir;       // where SimConnect.cfg with the TCP port is written
    std::filesystem::path registryFile; // registry stand-in file that gets the SimConnect ports
    std::filesystem::path journalFile;
    std::size_t journalMemory = 0;   // client messages kept for "journal" (0: every one)
    std::filesystem::path trackFile; // one JSON line per creation, position write and removal
};

// One connected client.
struct Session;
// One decoded client message.
struct ClientMessage;

// The stand-in server.
class Server
{
  public:
    explicit Server(Options options);
    ~Server();

    // Opens the listeners and starts the threads; false with a reason on failure.
    bool start(std::string& error);
    // Stops every thread and closes every connection.
    void stop();
    // Runs one command line; the reply is one line (JSON for queries).
    std::string command(const std::string& line);
    // The ports and pipe path, as JSON.
    nlohmann::json endpoints() const;

  private:
    void acceptLoop(const plat::net::Socket* listener);
    void readLoop(std::shared_ptr<Session> session);
    void tickLoop();
    void handle(Session& s, const std::string& bytes);
    // Counts the flaps events that came between two releases of their object's control, and those that did
    // not (a message of another object, or none, next to them).
    void checkFlapsTrio(Session& s, const ClientMessage& m);
    void send(Session& s, const std::string& message);
    void sendToSubscribers(const std::string& systemEvent,
                           const std::function<std::string(std::uint32_t)>& build);
    void replyData(Session& s, std::uint32_t recvId, std::uint32_t requestId, std::uint32_t definitionId,
                   std::uint32_t objectId, std::uint32_t entry, std::uint32_t outOf);
    void later(int delayMs, std::function<void()> action);
    std::vector<std::shared_ptr<Session>> sessionsCopy();
    nlohmann::json state();
    void journal(nlohmann::json entry);
    // Appends one line to the track file: the event with its time [ms] since the start.
    void track(const char* event, const SimObject& object);
    void writeConfigFile();

    Options options_;
    plat::net::Socket tcp4_, tcp6_;
    plat::LocalPipeListener pipe_;
    std::uint16_t port4_ = 0, port6_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> stallReads_{false};
    std::vector<std::thread> threads_;

    std::mutex mutex_; // world, sessions, timers, journal
    World world_;
    std::list<std::shared_ptr<Session>> sessions_;
    std::uint32_t nextSession_ = 1;
    std::size_t creations_ = 0; // AI creations so far, which take the add delays in turn
    std::uint64_t flapsTrios_ = 0, brokenFlapsTrios_ = 0;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::function<void()>>> timers_;
    std::deque<nlohmann::json> journal_;
    std::mutex trackMutex_;
    std::ofstream track_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

} // namespace oxl::standin
