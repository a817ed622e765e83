// The shared captures some tests replay: a missing one is said aloud, and fails a CI run.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

namespace oxl::test
{

/// True when the capture is missing: then a CI run (CI=true) fails, any other run prints why it skips.
inline bool captureMissing(const std::filesystem::path& capture)
{
    if (std::filesystem::exists(capture))
        return false;
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string_view(ci) == "true")
        ADD_FAILURE() << "no captured traffic at " << capture << " (a CI run needs it)";
    else
        std::cerr << "*** NOT RUN: no captured traffic at " << capture << "\n";
    return true;
}

} // namespace oxl::test
