// Converts captured traffic datagrams ("(arrival, ':', 'AITFC,…')" per line) into the program's traffic
// lines, one per line, each stamped with its arrival time: the replay file of the traffic-source
// stand-in (`traffic_standin --replay`), which keeps their spacing.
//
//   capture_to_lines CAPTURE OUT
//
// Exits 1 when a line cannot be read or converted (each is named on stderr, the rest are written).
#include "tools/capture/capture_lines.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: capture_to_lines CAPTURE OUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in)
    {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    // Written beside the target and renamed over it, so a failed run leaves no half recording.
    const std::string outPath = argv[2];
    const std::string tempPath = outPath + ".tmp";
    std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        std::cerr << "cannot write " << tempPath << "\n";
        return 2;
    }
    long lineNumber = 0;
    long converted = 0;
    long skipped = 0;
    for (std::string entry; std::getline(in, entry);)
    {
        ++lineNumber;
        if (entry.find_first_not_of(" \r") == std::string::npos)
            continue;
        if (const auto line = oxl::capture::trafficLineOfCapture(entry))
        {
            out << *line << '\n';
            ++converted;
        }
        else
        {
            std::cerr << argv[1] << ":" << lineNumber << ": not a captured datagram: " << entry << "\n";
            ++skipped;
        }
    }
    out.close();
    if (!out || std::rename(tempPath.c_str(), outPath.c_str()) != 0)
    {
        std::cerr << "cannot write " << outPath << "\n";
        std::remove(tempPath.c_str());
        return 2;
    }
    std::cout << converted << " lines converted, " << skipped << " skipped\n";
    return skipped == 0 ? 0 : 1;
}
