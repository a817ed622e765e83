#include "tests/fuzz/fuzz_driver.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace oxl::fuzz
{

namespace
{

std::vector<Target>& registry()
{
    static std::vector<Target> all;
    return all;
}

std::filesystem::path gScratch;
std::string gInputName;

void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(gScratch, ignored);
}

} // namespace

bool registerTarget(Target target)
{
    registry().push_back(target);
    return true;
}

const Target* findTarget(std::string_view name)
{
    for (const auto& target : registry())
        if (name == target.name)
            return &target;
    return nullptr;
}

std::span<const Target> targets()
{
    return registry();
}

void prepareProcess()
{
    if (!gScratch.empty())
        return;
    std::string pattern = (std::filesystem::temp_directory_path() / "oxl-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
    {
        std::perror("mkdtemp");
        std::abort();
    }
    gScratch = pattern;
    std::atexit(removeScratch);
    // Whatever a parser looks up or writes stays in the scratch folder.
    for (const char* folder : {"appdata", "documents", "public", "programdata", "work", "site"})
        std::filesystem::create_directories(gScratch / folder);
    ::setenv("OXL_APPDATA", (gScratch / "appdata").c_str(), 1);
    ::setenv("OXL_DOCUMENTS", (gScratch / "documents").c_str(), 1);
    ::setenv("OXL_PUBLIC_DOCUMENTS", (gScratch / "public").c_str(), 1);
    ::setenv("OXL_PROGRAMDATA", (gScratch / "programdata").c_str(), 1);
    ::setenv("OXL_REGISTRY", (gScratch / "registry.xml").c_str(), 1);
    ::setenv("OXL_HEADLESS", "1", 1);
    ::setenv("OXL_DOWNLOAD_BASE", ("file://" + (gScratch / "site").string()).c_str(), 1);
    std::filesystem::current_path(gScratch / "work");
}

const std::filesystem::path& scratchFolder()
{
    prepareProcess();
    return gScratch;
}

std::filesystem::path writeInput(std::string_view name, std::span<const std::uint8_t> bytes)
{
    const auto path = scratchFolder() / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void setInputName(std::string name)
{
    gInputName = std::move(name);
}

void fail(const char* harness, const std::string& what)
{
    std::fprintf(stderr, "fuzz harness %s: %s%s%s\n", harness, what.c_str(),
                 gInputName.empty() ? "" : ", input ", gInputName.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace oxl::fuzz
