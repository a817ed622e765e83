#include "tests/support/temp_folder.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace oxl::test
{
namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    static std::atomic<unsigned> serial{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const fs::path candidate =
            fs::temp_directory_path() / ("oxl-test-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(serial++) + "-" + std::to_string(rd()));
        if (fs::create_directory(candidate))
        {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void writeBytes(const fs::path& file, std::string_view bytes)
{
    if (file.has_parent_path())
    {
        fs::create_directories(file.parent_path());
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
    {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str()))
    {
        old_ = old;
    }
    if (value)
    {
        ::setenv(name_.c_str(), value->c_str(), 1);
    }
    else
    {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv()
{
    if (old_)
    {
        ::setenv(name_.c_str(), old_->c_str(), 1);
    }
    else
    {
        ::unsetenv(name_.c_str());
    }
}

ScopedCurrentPath::ScopedCurrentPath(const fs::path& folder) : old_(fs::current_path())
{
    fs::current_path(folder);
}

ScopedCurrentPath::~ScopedCurrentPath()
{
    std::error_code ec;
    fs::current_path(old_, ec);
}

} // namespace oxl::test
