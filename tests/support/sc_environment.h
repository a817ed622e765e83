// The client library's connection environment for tests that must not read the machine's own.
#pragma once

#include "simlink/client/sc_connect.h"

#include <filesystem>
#include <optional>
#include <string>

namespace oxl::test
{

/// No configuration folders and no registry ports; the current folder only when one is given.
inline ScEnvironment bareScEnvironment(std::optional<std::filesystem::path> currentDirectory = {})
{
    return {[] { return std::optional<std::filesystem::path>(); },
            [] { return std::optional<std::filesystem::path>(); },
            [currentDirectory] { return currentDirectory; },
            [](plat::net::IpFamily) { return std::string(); }};
}

} // namespace oxl::test
