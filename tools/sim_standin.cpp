// Simulator stand-in: a separate process that speaks the simulator's client protocol over TCP and
// the pipe stand-in. Prints "ready {json}" with its endpoints, then runs one command per input line.
#include "tools/sim_standin/standin_server.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace
{

void usage()
{
    std::cerr
        << "sim_standin [--port N] [--no-tcp] [--tcp6] [--no-pipe] [--pipe PATH] [--pipe-backlog N]\n"
           "            [--name TEXT] [--version A.B.C.D] [--frames-per-second F] [--frame-rate F]\n"
           "            [--add-delay-ms N] [--first-object-id N] [--title TITLE]... [--ground-ft F]\n"
           "            [--paused] [--cfg-dir DIR] [--registry FILE] [--journal FILE]\n"
           "            [--journal-memory N] [--track FILE]\n"
           "commands: state | journal | pause 1|0 | event NAME [DATA] | newflight FILE | teleport LAT LON "
           "[ALT]\n"
           "          user-title T | user-model M | user-tail T | inject TAIL LAT LON ALT [TITLE] | quit\n"
           "          drop [reset] | stall 1|0 | raw HEX | fault split|pad N|merge N|size N|oversize "
           "[N]|short [ID]|tiny|unknown\n"
           "          exit\n";
}

} // namespace

int main(int argc, char** argv)
{
    oxl::standin::Options o;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        auto next = [&]() -> std::string
        {
            if (i + 1 >= argc)
            {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--port")
            o.port = static_cast<std::uint16_t>(std::stoi(next()));
        else if (a == "--no-tcp")
            o.tcp4 = false;
        else if (a == "--tcp6")
            o.tcp6 = true;
        else if (a == "--no-pipe")
            o.pipe = false;
        else if (a == "--pipe")
            o.pipePath = next();
        else if (a == "--pipe-backlog")
            o.pipeBacklog = std::stoi(next());
        else if (a == "--name")
            o.name = next();
        else if (a == "--version")
        {
            std::string v = next();
            for (int k = 0; k < 4; ++k)
            {
                o.appVersion[k] = static_cast<std::uint32_t>(std::stoul(v));
                auto dot = v.find('.');
                v = dot == std::string::npos ? "0" : v.substr(dot + 1);
            }
        }
        else if (a == "--frames-per-second")
            o.framesPerSecond = std::stod(next());
        else if (a == "--frame-rate")
            o.frameRateField = std::stof(next());
        else if (a == "--add-delay-ms")
            o.addDelayMs = std::stoi(next());
        else if (a == "--first-object-id")
            o.firstObjectId = static_cast<std::uint32_t>(std::stoul(next()));
        else if (a == "--title")
            o.knownTitles.push_back(next());
        else if (a == "--ground-ft")
            o.groundFt = std::stod(next());
        else if (a == "--paused")
            o.running = false;
        else if (a == "--cfg-dir")
            o.cfgDir = next();
        else if (a == "--registry")
            o.registryFile = next();
        else if (a == "--journal")
            o.journalFile = next();
        else if (a == "--journal-memory")
            o.journalMemory = static_cast<std::size_t>(std::stoul(next()));
        else if (a == "--track")
            o.trackFile = next();
        else
        {
            usage();
            return 2;
        }
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
