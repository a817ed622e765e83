#include "tools/capture/capture_lines.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <vector>

namespace oxl::capture
{
namespace
{

constexpr std::size_t kOldFormatFields = 14;   // "AITFC" and the 13 values of fields 1..13
constexpr std::size_t kTrafficLineFields = 29; // fields 0..28 of a traffic line
constexpr std::size_t kTimestampField = 14;
constexpr std::string_view kLineTag = "RTTFC";

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string_view::npos; start = comma + 1)
        fields.push_back(text.substr(start, comma - start));
    fields.push_back(text.substr(start));
    return fields;
}

std::optional<double> finiteNumber(std::string_view text)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A Python string literal in single or double quotes starting at `text[pos]`; `pos` ends after it.
std::optional<std::string> quoted(std::string_view text, std::size_t& pos)
{
    if (pos >= text.size() || (text[pos] != '\'' && text[pos] != '"'))
        return std::nullopt;
    const char quote = text[pos++];
    std::string value;
    while (pos < text.size())
    {
        const char c = text[pos++];
        if (c == quote)
            return value;
        if (c == '\\' && pos < text.size())
        {
            const char escaped = text[pos++];
            if (escaped != '\\' && escaped != '\'' && escaped != '"')
                return std::nullopt; // control characters never occur in a traffic datagram
            value += escaped;
        }
        else
            value += c;
    }
    return std::nullopt;
}

bool skip(std::string_view text, std::size_t& pos, std::string_view expected)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (text.substr(pos, expected.size()) != expected)
        return false;
    pos += expected.size();
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    return true;
}

} // namespace

std::optional<CapturedDatagram> readCapturedLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.remove_suffix(1);
    std::size_t pos = 0;
    if (!skip(line, pos, "("))
        return std::nullopt;
    const std::size_t comma = line.find(',', pos);
    if (comma == std::string_view::npos)
        return std::nullopt;
    CapturedDatagram captured;
    captured.arrival = std::string(line.substr(pos, comma - pos));
    if (!finiteNumber(captured.arrival))
        return std::nullopt;
    pos = comma + 1;
    if (!skip(line, pos, "") || !quoted(line, pos) || !skip(line, pos, ","))
        return std::nullopt;
    auto datagram = quoted(line, pos);
    if (!datagram || !skip(line, pos, ")") || pos != line.size())
        return std::nullopt;
    captured.datagram = std::move(*datagram);
    return captured;
}

std::optional<std::string> trafficLineOfOldFormat(std::string_view datagram, std::string_view timestamp)
{
    const auto fields = split(datagram);
    if (fields.size() != kOldFormatFields || fields[0] != "AITFC")
        return std::nullopt;
    std::string line(kLineTag);
    for (std::size_t i = 1; i < kOldFormatFields; ++i)
    {
        line += ',';
        line += fields[i];
    }
    line += ',';
    line += timestamp;
    // The older format has no data source, true airspeed, roll or heading: the true airspeed -1 lets the
    // program assume one by altitude, and roll 0 means no bank given.
    for (std::size_t i = kTimestampField + 1; i < kTrafficLineFields; ++i)
    {
        line += ',';
        if (i == 20)
            line += "-1";
        else if (i == 23)
            line += "0";
    }
    return line;
}

std::optional<std::string> trafficLineOfCapture(std::string_view line)
{
    const auto captured = readCapturedLine(line);
    if (!captured)
        return std::nullopt;
    return trafficLineOfOldFormat(captured->datagram, captured->arrival);
}

std::optional<double> timestampOf(std::string_view trafficLine)
{
    const auto fields = split(trafficLine);
    if (fields.size() <= kTimestampField)
        return std::nullopt;
    return finiteNumber(fields[kTimestampField]);
}

std::string withTimestamp(std::string_view trafficLine, std::string_view timestamp)
{
    const auto fields = split(trafficLine);
    if (fields.size() <= kTimestampField)
        return std::string(trafficLine);
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
    {
        if (i != 0)
            line += ',';
        line += i == kTimestampField ? timestamp : fields[i];
    }
    return line;
}

} // namespace oxl::capture
