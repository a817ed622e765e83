#include "platform/single_instance.h"

#include "platform/log_file.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace oxl::plat
{

std::filesystem::path singleInstanceLockFile(std::string_view mutexName)
{
    std::string fileName;
    for (const char c : mutexName)
    {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-';
        fileName += plain ? c : '_';
    }
    fileName += ".lock";
    const auto folder = runtimeFolder();
    return folder ? *folder / fileName : std::filesystem::path();
}

bool acquireSingleInstance(std::string_view mutexName)
{
    const std::filesystem::path file = singleInstanceLockFile(mutexName);
    // Without a place for the lock the program runs, as it would without the check.
    if (file.empty())
        return true;
    // The descriptor is never closed: the lock ends with the process, as the mutex handle does. No link
    // is followed and only a plain file of this user's is locked, so nothing planted decides the start.
    const int fd =
        ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0)
        return true;
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
    {
        ::close(fd);
        return true;
    }
    int result = 0;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    ::close(fd);
    return false;
}

} // namespace oxl::plat
