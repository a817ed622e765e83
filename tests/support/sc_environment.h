// The client library's connection environment for tests that must not read the machine's own.
#pragma once

#include "simlink/client/sc_connect.h"

#include <filesystem>
#include <optional>
#include <string>

namespace oxl::test
{

/// No configuration folders, no registry ports and no current folder.
inline ScEnvironment bareScEnvironment()
{
    return {[] { return std::optional<std::filesystem::path>(); },
            [] { return std::optional<std::filesystem::path>(); },
            [] { return std::optional<std::filesystem::path>(); },
            [](plat::net::IpFamily) { return std::string(); }};
}

/// No configuration folders and no registry ports; the given current folder.
inline ScEnvironment bareScEnvironment(const std::filesystem::path& currentDirectory)
{
    ScEnvironment environment = bareScEnvironment();
    environment.currentDirectory = [currentDirectory]
    { return std::optional<std::filesystem::path>(currentDirectory); };
    return environment;
}

} // namespace oxl::test
