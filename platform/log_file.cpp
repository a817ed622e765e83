#include "platform/log_file.h"

#include "platform/folders.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace oxl::plat
{
namespace
{

std::error_code lastError()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

} // namespace

AppendFile::~AppendFile()
{
    close();
}

std::error_code AppendFile::open(const std::filesystem::path& path, bool empty)
{
    close();
    // Not blocking: a FIFO planted at the name must not hold the opening; it is refused below.
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0)
        return lastError();
    struct stat status = {};
    const bool known = ::fstat(fd, &status) == 0;
    if (!known || !S_ISREG(status.st_mode))
    {
        const std::error_code error = known ? std::make_error_code(std::errc::invalid_argument) : lastError();
        ::close(fd);
        return error;
    }
    if ((empty && ::ftruncate(fd, 0) != 0) || ::fcntl(fd, F_SETFL, O_APPEND) != 0)
    {
        const std::error_code error = lastError();
        ::close(fd);
        return error;
    }
    fd_ = fd;
    return {};
}

std::error_code AppendFile::append(std::string_view bytes)
{
    if (fd_ < 0)
        return std::make_error_code(std::errc::bad_file_descriptor);
    while (!bytes.empty())
    {
        errno = 0;
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return lastError();
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

void AppendFile::cut(std::uint64_t size)
{
    if (fd_ >= 0)
        (void)::ftruncate(fd_, static_cast<off_t>(size));
}

std::uint64_t AppendFile::size() const
{
    struct stat status = {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0)
        return 0;
    return static_cast<std::uint64_t>(status.st_size);
}

bool AppendFile::lostFrom(const std::filesystem::path& path) const
{
    struct stat open = {};
    struct stat named = {};
    if (fd_ < 0 || ::fstat(fd_, &open) != 0)
        return false;
    if (open.st_nlink == 0)
        return true;
    if (::lstat(path.c_str(), &named) != 0)
        return errno == ENOENT || errno == ENOTDIR;
    return named.st_dev != open.st_dev || named.st_ino != open.st_ino;
}

void AppendFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::error_code makePrivateFolder(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return lastError();
    struct stat status = {};
    if (::lstat(folder.c_str(), &status) != 0)
        return lastError();
    if (S_ISLNK(status.st_mode))
        return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    if (!S_ISDIR(status.st_mode))
        return std::make_error_code(std::errc::not_a_directory);
    if (status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return std::make_error_code(std::errc::operation_not_permitted);
    return {};
}

std::optional<std::filesystem::path> privateFolder(std::string_view name, bool anyName)
{
    std::vector<std::filesystem::path> candidates;
    if (const auto cache = environment("XDG_CACHE_HOME"))
        candidates.emplace_back(*cache);
    else if (const auto home = environment("HOME"))
        candidates.push_back(std::filesystem::path(*home) / ".cache");
    if (const auto runtime = environment("XDG_RUNTIME_DIR"))
        candidates.emplace_back(*runtime);
    std::error_code ignored;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(ignored);
    for (const std::filesystem::path& parent : candidates)
    {
        // The cache folder may not exist yet; the folders above it are the user's own.
        std::filesystem::create_directories(parent, ignored);
        if (!makePrivateFolder(parent / name))
            return parent / name;
    }
    if (temporary.empty())
        return std::nullopt;
    // The shared temporary folder: a name of this user's, and when another's folder stands in its way, one
    // that nobody can have made before.
    const std::filesystem::path own = temporary / (std::string(name) + "-" + std::to_string(::geteuid()));
    if (!makePrivateFolder(own))
        return own;
    if (!anyName)
        return std::nullopt;
    std::string pattern = own.string() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
        return std::filesystem::path(pattern);
    return std::nullopt;
}

std::optional<std::filesystem::path> runtimeFolder()
{
    if (const auto runtime = environment("XDG_RUNTIME_DIR"))
        return std::filesystem::path(*runtime);
    return privateFolder("Ordalis_P3D", false);
}

} // namespace oxl::plat
