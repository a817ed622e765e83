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

} // namespace

void renameDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                   std::error_code& error)
{
    error.clear();
    if (!flush(temporary, 0))
    {
        error.assign(errno, std::generic_category());
        return;
    }
    std::filesystem::rename(temporary, target, error);
    if (error)
        return;
    // The rename itself is durable only once the folder is: a failure there leaves the new file in place.
    std::filesystem::path folder = target.parent_path();
    (void)flush(folder.empty() ? "." : folder, O_DIRECTORY);
}

} // namespace oxl::plat
