// Simulator stand-in: a separate process that speaks the simulator's client protocol over TCP and
// the pipe stand-in. Prints "ready {json}" with its endpoints, then runs one command per input line.
#include "tools/sim_standin/standin_server.h"
#include "tools/standin_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>

namespace
{

const char* const kCommands =
    "commands: state | journal | pause 1|0 | event NAME [DATA] | newflight FILE | teleport LAT LON [ALT]\n"
    "          user-title T | user-model M | user-tail T | inject TAIL LAT LON ALT [TITLE] | quit\n"
    "          drop [reset] | stall 1|0 | raw HEX [TIMES]\n"
    "          fault split|pad N|merge N|size N|oversize [N]|short [ID]|tiny|unknown [ID] [TIMES [STEP]]|"
    "exception N [TIMES [STEP]]|bytype [REQUEST] [TIMES]|added ID [TIMES [STEP]]|foreign ID [TIMES [STEP]]\n"
    "          exit";

// "A.B.C.D" into the four version numbers, missing trailing parts 0; false when it is no such text.
bool readVersion(const std::string& text, std::uint32_t (&version)[4])
{
    std::uint32_t parts[4] = {};
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (std::uint32_t& part : parts)
    {
        const auto [stop, error] = std::from_chars(at, end, part);
        if (error != std::errc{} || (stop != end && *stop != '.'))
        {
            return false;
        }
        if (stop == end)
        {
            std::copy(std::begin(parts), std::end(parts), version);
            return true;
        }
        at = stop + 1;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    oxl::standin::Options o;
    CLI::App app{
        "Simulator stand-in: serves the simulator's client protocol; runs one command per input line."};
    app.footer(kCommands);
    app.option_defaults()->always_capture_default();
    app.add_option("--port", o.port, "TCP port (0: any free port)");
    app.add_flag_callback(
        "--no-tcp", [&o] { o.tcp4 = false; }, "no TCP listener on 127.0.0.1");
    app.add_flag("--tcp6", o.tcp6, "a TCP listener on ::1 as well");
    app.add_flag_callback(
        "--no-pipe", [&o] { o.pipe = false; }, "no pipe listener");
    app.add_option("--pipe", o.pipePath, "pipe name");
    app.add_option("--pipe-backlog", o.pipeBacklog, "pending pipe connections")
        ->check(oxl::standin::aboveZero());
    app.add_option("--name", o.name, "simulator name in the Open reply");
    app.add_option_function<std::string>(
           "--version",
           [&o](const std::string& text)
           {
               if (!readVersion(text, o.appVersion))
               {
                   throw CLI::ValidationError("--version", "not a version A.B.C.D: " + text);
               }
           },
           "simulator version in the Open reply")
        ->type_name("A.B.C.D");
    app.add_option("--frames-per-second", o.framesPerSecond, "how often Frame events are sent")
        ->check(oxl::standin::aboveZero());
    app.add_option("--frame-rate", o.frameRateField, "frame rate the Frame events report");
    app.add_option("--add-delay-ms", o.addDelaysMs,
                   "from a creation to its ObjectAdded; a comma list is taken in turn, one per creation")
        ->delimiter(',')
        ->allow_extra_args(false)
        ->check(oxl::standin::zeroOrAbove());
    app.add_option("--first-object-id", o.firstObjectId, "id of the first created object");
    app.add_option("--title", o.knownTitles, "a known title (repeatable; none: every title is known)")
        ->allow_extra_args(false);
    app.add_option("--ground-ft", o.groundFt, "ground elevation");
    app.add_flag_callback(
        "--paused", [&o] { o.running = false; }, "no flight runs at the start");
    app.add_option("--cfg-dir", o.cfgDir, "where SimConnect.cfg with the TCP port is written");
    app.add_option("--registry", o.registryFile, "registry stand-in file that gets the ports");
    app.add_option("--journal", o.journalFile, "journal of the client's messages");
    app.add_option("--journal-memory", o.journalMemory,
                   "client messages kept for \"journal\" (0: every one)");
    app.add_option("--track", o.trackFile, "one JSON line per creation, position write and removal");
    if (const auto status = oxl::standin::parseCommandLine(app, argc, argv))
    {
        return *status;
    }
    oxl::standin::Server server(o);
    std::string error;
    if (!server.start(error))
    {
        std::cout << "error " << error << std::endl;
        return 1;
    }
    std::cout << "ready " << server.endpoints().dump() << std::endl;
    for (std::string line; std::getline(std::cin, line);)
    {
        if (line == "exit")
            break;
        std::cout << server.command(line) << std::endl;
    }
    server.stop();
    return 0;
}
