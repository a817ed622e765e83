#include "platform/single_instance.h"

#include "platform/folders.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
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
    const auto runtimeFolder = environment("XDG_RUNTIME_DIR");
    std::error_code error;
    const std::filesystem::path folder =
        runtimeFolder ? std::filesystem::path(*runtimeFolder) : std::filesystem::temp_directory_path(error);
    return folder / fileName;
}

bool acquireSingleInstance(std::string_view mutexName)
{
    const std::filesystem::path file = singleInstanceLockFile(mutexName);
    // The descriptor is never closed: the lock ends with the process, as the mutex handle does.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // without a place for the lock the program runs, as it would without the check
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
