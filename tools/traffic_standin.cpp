// Stand-in for the live-traffic source: connects to the program's TCP port, answers its version query,
// records every line the program sends with its arrival time, and sends traffic and QNH datagrams,
// either replayed from a file or from a scripted flight placed around the user position it was sent.
// Its options: traffic_standin --help.
#include "foundation/units.h"
#include "platform/net_socket.h"
#include "platform/net_tcp.h"
#include "platform/net_udp.h"
#include "tools/capture/capture_lines.h"
#include "tools/standin_options.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fmt/format.h>

namespace
{

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace net = oxl::plat::net;

std::atomic<bool> gQuit{false};

void onSignal(int)
{
    gQuit = true;
}

struct Options
{
    std::string host = "127.0.0.1";
    std::uint16_t port = 10747;
    bool tcp = true;
    std::uint16_t trafficPort = 49005;
    std::uint16_t qnhPort = 49004;
    int level = 2;
    std::string version = "10.0.5";
    std::string reply = "normal";
    std::string recordFile;
    std::string replayFile;
    double replaySpeed = 1.0;
    int aircraft = 0;
    double radiusNm = 10.0;
    double outerRadiusNm = -1.0;
    std::optional<std::tuple<int, double, double>> secondFeed;
    double intervalS = 2.0;
    std::optional<std::pair<double, double>> user;
    std::optional<std::pair<double, double>> centre;
    std::optional<std::string> qnh;
    bool bad = false;
    double dropAfterS = -1.0;
    double durationS = -1.0;
};

double unixNow()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The options of the command line, with their help texts, bound to `o`.
void addOptions(CLI::App& app, Options& o)
{
    app.option_defaults()->always_capture_default();
    app.add_option("--host", o.host, "program's address");
    app.add_option("--port", o.port, "program's TCP port");
    app.add_flag_callback(
        "--no-tcp", [&o] { o.tcp = false; }, "sends datagrams only");
    app.add_option("--traffic-port", o.trafficPort, "traffic datagrams");
    app.add_option("--qnh-port", o.qnhPort, "QNH datagrams");
    app.add_option("--level", o.level, "\"level\" of the version reply");
    app.add_option("--version", o.version, "\"version\" of the version reply");
    app.add_option("--reply", o.reply, "answer to the version query")
        ->check(CLI::IsMember({"normal", "nolevel", "malformed", "split", "none", "close"}));
    app.add_option("--record", o.recordFile,
                   "appends \"<unix seconds> <line>\" for every line received, and notes such as "
                   "\"# connected\" and \"# replay ended\"");
    app.add_option(
        "--replay", o.replayFile,
        "replays captured datagrams (\"(time, ':', 'AITFC,...')\" per line) or traffic lines (one per "
        "line) with the spacing of their report times (field 14; lines without one follow --interval), "
        "each sent stamped with the time of sending; with a TCP link the replay begins when the link "
        "first connects");
    app.add_option("--speed", o.replaySpeed, "replays X times faster")->check(oxl::standin::aboveZero());
    app.add_option("--aircraft", o.aircraft, "scripted flight: N aircraft circling the user position")
        ->check(oxl::standin::zeroOrAbove());
    app.add_option("--radius", o.radiusNm, "circle radius [NM]");
    app.add_option("--outer-radius", o.outerRadiusNm,
                   "the aircraft's circles spread evenly from --radius out to this radius [NM]");
    app.add_option_function<std::tuple<int, double, double>>(
           "--second-feed", [&o](const std::tuple<int, double, double>& feed) { o.secondFeed = feed; },
           "every Kth aircraft is also reported by a second feed NM further north; the two feeds take "
           "turns of S seconds")
        ->delimiter(',')
        ->type_name("K,NM,S");
    app.add_option("--interval", o.intervalS, "seconds between reports")->check(oxl::standin::aboveZero());
    app.add_option_function<std::pair<double, double>>(
           "--user", [&o](const std::pair<double, double>& user) { o.user = user; },
           "user position before (or without) a Qs121 line")
        ->delimiter(',')
        ->type_name("LAT,LON");
    app.add_option_function<std::pair<double, double>>(
           "--centre", [&o](const std::pair<double, double>& centre) { o.centre = centre; },
           "the scripted flight circles this point, wherever the user flies")
        ->delimiter(',')
        ->type_name("LAT,LON");
    app.add_option_function<std::string>(
        "--qnh", [&o](const std::string& qnh) { o.qnh = qnh; },
        "QNH value sent every 10 s ({\"QNH\": V}); none when absent");
    app.add_flag(
        "--bad", o.bad,
        "sends one datagram of every malformed kind every 10 s once traffic starts (UDP gives no sign "
        "of a reader that binds its port late)");
    app.add_option("--drop-after", o.dropAfterS,
                   "closes the TCP link after S seconds (once) and connects again 1 s later");
    app.add_option("--duration", o.durationS, "ends after S seconds (runs until SIGTERM otherwise)");
}

// One traffic line of 29 fields in the source's format.
std::string trafficLine(std::uint32_t hexid, double lat, double lon, double altFt, double vsFpm,
                        double trackDeg, double gsKt, const std::string& callsign, const std::string& type,
                        const std::string& registration, const std::string& origin,
                        const std::string& destination, double timestamp)
{
    return fmt::format(
        "0,{},{:.5f},{:.5f},{:.0f},{:.0f},1,{:.1f},{:.0f},{},{},{},{},{},{:.3f},0,0,adsb_icao,0,0,"
        "-1,0,0,0,0,{:.1f},0,0,A3",
        hexid, lat, lon, altFt, vsFpm, trackDeg, gsKt, callsign, type, registration, origin, destination,
        timestamp, trackDeg);
}

// The line with one comma-separated field replaced.
std::string withField(const std::string& line, std::size_t index, const std::string& value)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i)
        start = line.find(',', start) + 1;
    return line.substr(0, start) + value + line.substr(line.find(',', start));
}

// A replay entry as a traffic line: captured datagrams are converted, plain traffic lines pass.
std::string replayLine(const std::string& entry)
{
    if (auto line = oxl::capture::trafficLineOfCapture(entry))
        return *line;
    return entry;
}

class Standin
{
  public:
    explicit Standin(Options options) : o_(std::move(options)), udp_(net::openUdp()), user_(o_.user)
    {
        if (!o_.recordFile.empty())
            record_.open(o_.recordFile, std::ios::app);
        if (!o_.replayFile.empty())
            replay_.open(o_.replayFile);
    }

    int run()
    {
        const auto start = Clock::now();
        auto nextConnect = start;
        auto nextQnh = start;
        auto nextFlight = start;
        bool dropped = false;
        auto nextBad = start;
        while (!gQuit)
        {
            const auto now = Clock::now();
            const double elapsed = std::chrono::duration<double>(now - start).count();
            if (o_.durationS >= 0 && elapsed >= o_.durationS)
                break;
            if (o_.tcp && !link_.valid() && now >= nextConnect)
            {
                link_ = net::connectTcp(o_.host, o_.port, 200ms);
                if (link_.valid())
                {
                    note("# connected");
                    if (!replayOrigin_)
                        replayOrigin_ = elapsed;
                }
                nextConnect = now + 500ms;
            }
            if (link_.valid() && !dropped && o_.dropAfterS >= 0 && elapsed >= o_.dropAfterS)
            {
                dropped = true;
                link_.close();
                note("# dropped");
                nextConnect = now + 1s;
            }
            readLink();
            if (o_.qnh && now >= nextQnh)
            {
                send(o_.qnhPort, fmt::format("{{\"QNH\": {}}}", *o_.qnh));
                nextQnh = now + 10s;
            }
            if (user_ && o_.bad && now >= nextBad)
            {
                nextBad = now + 10s;
                sendBadDatagrams();
            }
            if ((user_ || o_.centre) && o_.aircraft > 0 && now >= nextFlight)
            {
                sendFlight(elapsed);
                nextFlight = now + std::chrono::milliseconds(static_cast<int>(o_.intervalS * 1000));
            }
            // With a link, the replay starts when the program first takes the source's connection.
            if (!o_.tcp && !replayOrigin_)
                replayOrigin_ = 0.0;
            if (replayOrigin_)
                sendReplayDue(elapsed - *replayOrigin_);
            if (!link_.valid())
                std::this_thread::sleep_for(20ms);
        }
        link_.close();
        return 0;
    }

  private:
    void note(const std::string& text)
    {
        if (record_.is_open())
            record_ << fmt::format("{:.3f} {}", unixNow(), text) << std::endl;
    }

    void send(std::uint16_t port, const std::string& datagram)
    {
        net::sendDatagram(udp_, o_.host, port, datagram);
    }

    void readLink()
    {
        if (!link_.valid())
            return;
        char buffer[4096];
        const long n = net::receiveWithin(link_, buffer, sizeof buffer, 20ms);
        if (n == -2)
            return;
        if (n <= 0)
        {
            link_.close();
            note("# closed");
            return;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending_.find("\r\n")) != std::string::npos;)
        {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            note(line);
            handleLine(line);
        }
    }

    void handleLine(const std::string& line)
    {
        if (line == "Qs999=version")
            answerVersion();
        else if (line == "exit")
        {
            link_.close();
            note("# closed");
        }
        else if (line.rfind("Qs121=", 0) == 0)
        {
            // Fields 6 and 7 are the user position in radians.
            std::vector<std::string> fields;
            std::size_t start = 6;
            for (std::size_t next; (next = line.find(';', start)) != std::string::npos; start = next + 1)
                fields.push_back(line.substr(start, next - start));
            fields.push_back(line.substr(start));
            if (fields.size() == 7)
                user_ = std::make_pair(oxl::radToDeg(std::atof(fields[5].c_str())),
                                       oxl::radToDeg(std::atof(fields[6].c_str())));
        }
    }

    void answerVersion()
    {
        const std::string full = fmt::format("{{\"version\":\"{}\",\"level\":{}}}", o_.version, o_.level);
        if (o_.reply == "normal")
            net::sendAll(link_, full);
        else if (o_.reply == "nolevel")
            net::sendAll(link_, fmt::format("{{\"version\":\"{}\"}}", o_.version));
        else if (o_.reply == "malformed")
            net::sendAll(link_, "{\"version\":10.0.5,level");
        else if (o_.reply == "split")
        {
            net::sendAll(link_, full.substr(0, full.size() / 2));
            std::this_thread::sleep_for(100ms);
            net::sendAll(link_, full.substr(full.size() / 2));
        }
        else if (o_.reply == "close")
        {
            link_.close();
            note("# closed");
        }
    }

    void sendFlight(double elapsedS)
    {
        // Altitudes from 5000 ft in steps of 500 ft up to 39,500 ft, then from 5000 ft again. The airline
        // is one whose A320 the demo liveries hold, so that every scripted aircraft can be shown.
        constexpr int kFlightLevels = 70;
        const double speedKt = 250.0;
        const std::pair<double, double> centre = o_.centre ? *o_.centre : *user_;
        for (int i = 0; i < o_.aircraft; ++i)
        {
            double radiusNm = o_.radiusNm;
            if (o_.outerRadiusNm >= 0 && o_.aircraft > 1)
                radiusNm += (o_.outerRadiusNm - o_.radiusNm) * i / (o_.aircraft - 1);
            // Each aircraft flies the circle counter-clockwise, starting at its own bearing.
            const double angle =
                oxl::kTwoPi * (static_cast<double>(i) / o_.aircraft +
                               elapsedS * speedKt / oxl::kSecondsPerHour / (oxl::kTwoPi * radiusNm));
            double dLatDeg = radiusNm / 60.0 * std::cos(angle);
            if (o_.secondFeed)
            {
                // The second feed's reports move with the first one's, further north.
                const auto [every, apartNm, turnS] = *o_.secondFeed;
                if (every > 0 && turnS > 0 && (i + 1) % every == 0 &&
                    static_cast<long>(elapsedS / turnS) % 2 == 1)
                    dLatDeg += apartNm / 60.0;
            }
            const double cosLat = std::cos(oxl::degToRad(centre.first));
            const double dLonDeg = radiusNm / 60.0 * std::sin(angle) / (cosLat > 0.01 ? cosLat : 0.01);
            double track = std::fmod(oxl::radToDeg(angle) + 90.0, 360.0);
            send(o_.trafficPort, trafficLine(4000001 + i, centre.first + dLatDeg, centre.second + dLonDeg,
                                             5000.0 + 500.0 * (i % kFlightLevels), 0.0, track, speedKt,
                                             fmt::format("EDW{}", 101 + i), "A320",
                                             fmt::format("N{}OX", 101 + i), "KJFK", "KBOS", unixNow()));
        }
    }

    void sendBadDatagrams()
    {
        const std::string good = trafficLine(4000999, user_->first, user_->second + 0.1, 3000.0, 0.0, 90.0,
                                             200.0, "BAD999", "A320", "N999OX", "KJFK", "KBOS", unixNow());
        std::string badGs = good;
        badGs.replace(badGs.find(",200,"), 5, ",abc,");
        send(o_.trafficPort, badGs);
        // Numbers no aircraft reaches, one field at a time: altitude, vertical speed, track, true airspeed
        // and roll.
        for (const std::size_t field : {4, 5, 7, 20, 23})
            send(o_.trafficPort, withField(good, field, "1e300"));
        send(o_.trafficPort,
             "0,4000998,0.00001,-0.00005,1000,0,1,0,200,X,A320,R,A,B,1,0,0,x,0,0,-1,0,0,0,0,0,0,0,A3");
        send(o_.trafficPort, std::string(20000, 'x'));
        send(o_.qnhPort, "not json");
    }

    void sendReplayDue(double elapsedS)
    {
        if (!replay_.is_open())
            return;
        while (true)
        {
            if (!nextReplay_)
            {
                std::string entry;
                if (!std::getline(replay_, entry))
                {
                    // The demo's show is over when its last line has gone out.
                    replay_.close();
                    note("# replay ended");
                    return;
                }
                // Lines keep the spacing of their report times; lines without one follow --interval.
                nextReplay_ = replayLine(entry);
                if (const auto reported = oxl::capture::timestampOf(*nextReplay_))
                {
                    if (!replayStart_)
                        replayStart_ = *reported;
                    replayAt_ = (*reported - *replayStart_) / o_.replaySpeed;
                }
                else
                    replayAt_ += o_.intervalS / o_.replaySpeed;
            }
            if (replayAt_ > elapsedS)
                return;
            // Sent as reported now, so the program's time of day follows the replay.
            send(o_.trafficPort, oxl::capture::withTimestamp(*nextReplay_, fmt::format("{:.3f}", unixNow())));
            nextReplay_.reset();
        }
    }

    Options o_;
    net::Socket udp_;
    net::Socket link_;
    std::string pending_;
    std::ofstream record_;
    std::ifstream replay_;
    std::optional<std::string> nextReplay_;
    std::optional<double> replayStart_;
    std::optional<double> replayOrigin_; // [s] elapsed time at which the replay began
    double replayAt_ = 0.0;
    std::optional<std::pair<double, double>> user_;
};

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    net::ignoreSigpipe();
    Options options;
    CLI::App app{"Stand-in for the live-traffic source: answers the program's version query, records what it "
                 "sends, and sends traffic and QNH datagrams from a replay or a scripted flight."};
    addOptions(app, options);
    if (const auto status = oxl::standin::parseCommandLine(app, argc, argv))
    {
        return *status;
    }
    Standin standin(options);
    return standin.run();
}
