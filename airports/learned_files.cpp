#include "airports/learned_files.h"

#include "airports/airport_file.h"
#include "foundation/log.h"

#include <fmt/format.h>

#include <string>

namespace oxl
{

namespace
{

// Built by appending: g++ 12 warns falsely about overlapping copies in std::string::replace.
std::string replaceFirst(const std::string& text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + to.size());
    out.append(text, 0, at).append(to).append(text, at + from.size());
    return out;
}

std::string replaceAll(const std::string& text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start))
    {
        out.append(text, start, at - start).append(to);
        start = at + from.size();
    }
    out.append(text, start);
    return out;
}

} // namespace

bool lf_publisherFolderAllowed(std::string_view publisher)
{
    return !publisher.empty() && publisher.find('/') == std::string_view::npos &&
           publisher.find('\\') == std::string_view::npos && publisher.find("..") == std::string_view::npos;
}

std::filesystem::path lf_learnedFilePath(std::string_view airportFile, std::string_view publisher)
{
    if (airportFile.empty())
        return {};
    // Site paths and files of older versions may carry Windows separators.
    std::string p = replaceAll(std::string(airportFile), "\\", "/");
    if (p.find("archive") != std::string::npos)
        return replaceAll(replaceFirst(p, "archive", kLearnedFolder), "%20", " ");
    if (!p.starts_with(kAirportsFolder))
        return p;
    p = replaceFirst(p, kAirportsFolder, kLearnedFolder);
    const bool thirdparty = p.find("my_thirdparty") != std::string::npos;
    if (thirdparty && !lf_publisherFolderAllowed(publisher))
    {
        // A publisher's name comes from files the user may have edited: it must not lead out of the folder.
        gf_logMarked(fmt::format("publisher '{}' cannot name a learned folder", publisher));
        return {};
    }
    if (p.find("my_thirdparty2024") != std::string::npos)
        return replaceFirst(p, "my_thirdparty2024", fmt::format("thirdparty/{}", publisher));
    if (thirdparty)
        return replaceFirst(p, "my_thirdparty", fmt::format("thirdparty/{}", publisher));
    // Generated files of simaddon sceneries are learned where the learned save files them.
    return replaceFirst(p, "my_ORBX", "simaddon");
}

bool lf_sameOption(const StandOccupancy& learned, const StandOccupancy& existing)
{
    return learned.weekday == existing.weekday && learned.kind == existing.kind &&
           learned.registration == existing.registration && learned.airline == existing.airline &&
           learned.type == existing.type && (learned.halfHours & existing.halfHours).any();
}

} // namespace oxl
