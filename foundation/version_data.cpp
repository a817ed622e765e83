#include "foundation/version_data.h"

#include "foundation/log.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>
#include <stdexcept>

namespace oxl
{

namespace
{

/// Reads a run of decimal digits as an i32; raises when it does not fit.
std::int32_t parseNumber(const std::string& digits)
{
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size())
    {
        throw std::out_of_range("parse error in version string");
    }
    return number;
}

/// One member of a version object; raises when it is missing (if required) or not a fitting integer.
void readMember(const nlohmann::json& object, const char* name, bool required, std::int32_t& into)
{
    if (!object.contains(name))
    {
        if (required)
        {
            throw std::runtime_error(fmt::format("version member '{}' is missing", name));
        }
        return;
    }
    const nlohmann::json& member = object.at(name);
    if (!member.is_number_integer())
    {
        throw std::runtime_error(fmt::format("version member '{}' is not a whole number", name));
    }
    // Reading as i64 first keeps a value outside the i32 range from wrapping round silently.
    const auto wide = member.is_number_unsigned() && member.get<std::uint64_t>() > INT64_MAX
                          ? INT64_MAX
                          : member.get<std::int64_t>();
    // A negative number would be stored as text that reads back as 0.0.0, and fetched again at every start.
    if (wide < 0 || wide > INT32_MAX)
    {
        throw std::out_of_range(fmt::format("version member '{}' is out of range", name));
    }
    into = static_cast<std::int32_t>(wide);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// Length of the run of digits starting at `from`.
std::size_t digitRun(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end]))
    {
        ++end;
    }
    return end - from;
}

/// Matches the whole text against "(\d+).(\d+).(\d+)" as an ECMAScript regex_match would: each
/// '.' is any character but a line break, and earlier groups take the longest run that still lets
/// the rest match.
bool matchVersionPattern(std::string_view text, std::string (&groups)[3])
{
    const auto anyChar = [&](std::size_t at)
    { return at < text.size() && text[at] != '\n' && text[at] != '\r'; };
    for (std::size_t first = digitRun(text, 0); first >= 1; --first)
    {
        if (!anyChar(first))
        {
            continue;
        }
        const std::size_t secondStart = first + 1;
        for (std::size_t second = digitRun(text, secondStart); second >= 1; --second)
        {
            const std::size_t dot = secondStart + second;
            const std::size_t thirdStart = dot + 1;
            if (anyChar(dot) && thirdStart < text.size() &&
                digitRun(text, thirdStart) == text.size() - thirdStart)
            {
                groups[0] = std::string(text.substr(0, first));
                groups[1] = std::string(text.substr(secondStart, second));
                groups[2] = std::string(text.substr(thirdStart));
                return true;
            }
        }
    }
    return false;
}

} // namespace

VersionData gf_versionFromJson(const nlohmann::json& object, bool allRequired)
{
    if (!object.is_object())
    {
        throw std::runtime_error("version is not a JSON object");
    }
    VersionData version;
    readMember(object, "major", allRequired, version.major);
    readMember(object, "minor", allRequired, version.minor);
    readMember(object, "patch", allRequired, version.patch);
    return version;
}

VersionData::VersionData(std::string_view text)
{
    if (text.empty())
    {
        return;
    }
    try
    {
        // The separators are deliberately any character: "11-0-4" is read as 11.0.4.
        std::string groups[3];
        if (matchVersionPattern(text, groups))
        {
            major = parseNumber(groups[0]);
            minor = parseNumber(groups[1]);
            patch = parseNumber(groups[2]);
            return;
        }
        const std::string owned(text);
        const nlohmann::json json = nlohmann::json::parse(owned);
        if (!json.is_object())
        {
            return;
        }
        // Members are taken one by one so that those before a bad one keep their values.
        readMember(json, "major", false, major);
        readMember(json, "minor", false, minor);
        readMember(json, "patch", false, patch);
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("{} exception: {}", "VersionData", error.what()));
    }
}

std::string VersionData::toString() const
{
    return fmt::format("{}.{}.{}", major, minor, patch);
}

} // namespace oxl
