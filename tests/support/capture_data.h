// The shared captures some tests replay: a missing one is said aloud, and fails a CI run (CI=true).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>

namespace oxl::test
{

/// True when the capture is missing, which a CI run fails and any other run prints.
inline bool captureMissing(const std::filesystem::path& capture)
{
    const char* ci = std::getenv("CI");
    if (!std::filesystem::exists(capture) && ci != nullptr && std::string_view(ci) == "true")
        ADD_FAILURE() << "no captured traffic at " << capture;
    else if (!std::filesystem::exists(capture))
        std::cerr << "*** NOT RUN: no captured traffic at " << capture << "\n";
    return !std::filesystem::exists(capture);
}

} // namespace oxl::test
