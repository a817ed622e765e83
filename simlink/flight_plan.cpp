#include "simlink/flight_plan.h"

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "foundation/system_lookups.h"
#include "simlink/sim_state.h"

#include <fmt/format.h>
#include <fstream>
#include <mutex>
#include <system_error>

namespace oxl
{

namespace
{

// Whether a path exists; an answer other than "not found" is raised as a file-system error.
bool pathExists(const std::filesystem::path& path)
{
    std::error_code ec;
    const bool found = std::filesystem::exists(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw std::filesystem::filesystem_error("exists", path, ec);
    return found;
}

} // namespace

std::filesystem::path gf_flightPlanFolder()
{
    std::lock_guard lock(gSimLink.gFolderMutex);
    return gSimLink.gFolder;
}

bool gf_createFlightPlanFolder()
{
    const std::filesystem::path dataFolder = gf_getAppDataPath() / std::string(kProductName);
    const std::filesystem::path folder = dataFolder / "orig_dest";
    {
        std::lock_guard lock(gSimLink.gFolderMutex);
        gSimLink.gFolder = folder;
    }
    std::error_code ignored;
    if (!pathExists(dataFolder))
        std::filesystem::create_directory(dataFolder, ignored);
    if (!pathExists(folder))
        std::filesystem::create_directory(folder, ignored);
    return pathExists(folder);
}

std::filesystem::path gf_flightPlanFileName(std::uint32_t objectId)
{
    return fmt::format("{}.pln", objectId);
}

std::string gf_xmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
            break;
        }
    return out;
}

bool gf_writeFlightPlanFile(const std::filesystem::path& file, const AcProfile& aircraft)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const auto c = aircraft.category;
    const bool ifr = c == AcCategory::Buzjets || c == AcCategory::Large || c == AcCategory::Heavy;
    // Origin and destination come from the traffic source as it sent them: escaped so that no byte breaks
    // the document (controls and bytes that are not UTF-8 as in the log, then the markup).
    const std::string text = fmt::format(
        "{}\n{}\n{}\n{}{}{}\n{}{}{}\n{}{}{}\n{}\n{}", R"(<?xml version="1.0" encoding="UTF-8"?>)",
        R"(<SimBase.Document Type="AceXML" version="4,3">)", "<FlightPlan.FlightPlan>", "<FPType>",
        ifr ? "IFR" : "VFR", "</FPType>", "<DepartureID>", gf_xmlEscape(gf_outsideText(aircraft.origin)),
        "</DepartureID>", "<DestinationID>", gf_xmlEscape(gf_outsideText(aircraft.destination)),
        "</DestinationID>", "</FlightPlan.FlightPlan>", "</SimBase.Document>");
    // Written as a text-mode file of the simulator's system: every line ends with CR LF.
    std::string crlf;
    crlf.reserve(text.size() + 16);
    for (char ch : text + "\n")
    {
        if (ch == '\n')
            crlf += '\r';
        crlf += ch;
    }
    out << crlf;
    out.flush();
    return true;
}

bool gf_removeFlightPlanFolder()
{
    const std::filesystem::path folder = gf_flightPlanFolder();
    if (folder.empty())
        return true;
    if (pathExists(folder))
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        if (ec)
            gf_log(fmt::format("gf_removeFlightPlanFolder: {}", ec.message()));
    }
    return !pathExists(folder);
}

} // namespace oxl
