// Command-line parsing shared by the stand-ins.
#pragma once

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <cmath>
#include <optional>
#include <string>

namespace oxl::standin
{

/// A check of a number option: finite and above 0, or with zeroAllowed not below 0.
inline CLI::Validator finiteNumber(bool zeroAllowed)
{
    return CLI::Validator(
        [zeroAllowed](std::string& text) -> std::string
        {
            double value = 0.0;
            if (CLI::detail::lexical_cast(text, value) && std::isfinite(value) &&
                (value > 0.0 || (zeroAllowed && value == 0.0)))
            {
                return {};
            }
            return fmt::format("{} is no number {} 0", text, zeroAllowed ? "from" : "above");
        },
        zeroAllowed ? "FROM 0" : "ABOVE 0");
}

/// A number option that must be finite and above 0.
inline CLI::Validator aboveZero()
{
    return finiteNumber(false);
}

/// A number option that must be finite and not below 0.
inline CLI::Validator zeroOrAbove()
{
    return finiteNumber(true);
}

/// Parses the command line into the app's options; the status to exit with when the stand-in must not run
/// (0 after --help, 2 after the message for a bad option), nothing when it may.
inline std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv)
{
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& e)
    {
        app.exit(e);
        return e.get_exit_code() == 0 ? 0 : 2;
    }
    return std::nullopt;
}

} // namespace oxl::standin
