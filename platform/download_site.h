// Where the program's download site is: the built-in address unless the environment names another.
#pragma once

#include <optional>
#include <string>

namespace oxl::plat
{

/// The download site's base address from OXL_DOWNLOAD_BASE (ends in "/"), or none when unset or empty.
std::optional<std::string> downloadBaseOverride();

} // namespace oxl::plat
