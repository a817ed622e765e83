// libFuzzer's entry points. One executable holds every harness; OXL_FUZZ_TARGET names the one to run
// (OXL_FUZZ_TARGET=list prints their names).
#include "tests/fuzz/fuzz_driver.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const oxl::fuzz::Target* gTarget = nullptr;

// The harnesses work in a folder of their own, so libFuzzer's corpus folders and artifact prefix are
// made absolute before it reads them.
void makePathsAbsolute(int argc, char** argv)
{
    static std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(argc));
    for (int i = 1; i < argc; ++i)
    {
        std::string argument = argv[i];
        const std::string prefix = "-artifact_prefix=";
        if (argument.starts_with(prefix))
            argument = prefix + std::filesystem::absolute(argument.substr(prefix.size())).string();
        else if (!argument.starts_with("-"))
            argument = std::filesystem::absolute(argument).string();
        else
            continue;
        texts.push_back(argument);
        argv[i] = texts.back().data();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    makePathsAbsolute(*argc, *argv);
    const char* name = std::getenv("OXL_FUZZ_TARGET");
    if (name != nullptr && std::string_view(name) == "list")
    {
        for (const auto& target : oxl::fuzz::targets())
            std::printf("%s\n", target.name);
        std::exit(0);
    }
    gTarget = name != nullptr ? oxl::fuzz::findTarget(name) : nullptr;
    if (gTarget == nullptr)
    {
        std::fprintf(stderr, "OXL_FUZZ_TARGET must name a harness (OXL_FUZZ_TARGET=list shows them)\n");
        std::exit(2);
    }
    oxl::fuzz::prepareProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    gTarget->run({data, size});
    return 0;
}
