#include "platform/durable_rename.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace oxl::plat
{
namespace
{

// fsync of a file or a folder opened read-only, as Linux allows for both.
bool flush(const std::filesystem::path& path, int flags)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return synced;
}

// The answers of a file system that has no flush of its own (some network and user-space file systems):
// waiting for one is not possible there, and a save must not fail for it.
bool lf_cannotFlush(int number)
{
    return number == EINVAL || number == EOPNOTSUPP;
}

} // namespace

std::error_code renameDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                              std::error_code& error)
{
    error.clear();
    std::error_code unflushed;
    if (!flush(temporary, 0))
    {
        if (!lf_cannotFlush(errno))
        {
            error.assign(errno, std::generic_category());
            return unflushed;
        }
        unflushed.assign(errno, std::generic_category());
    }
    std::filesystem::rename(temporary, target, error);
    if (error)
        return unflushed;
    // The rename itself is durable only once the folder is: a failure there leaves the new file in place.
    std::filesystem::path folder = target.parent_path();
    (void)flush(folder.empty() ? "." : folder, O_DIRECTORY);
    return unflushed;
}

} // namespace oxl::plat
