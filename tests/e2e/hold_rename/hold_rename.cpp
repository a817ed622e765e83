// Preloaded into the program by an end-to-end test: a rename onto a file whose path ends in
// OXL_HOLD_RENAME_OF first creates the file OXL_HOLD_RENAME_MARK and then never returns, so that the
// test can kill the program in the middle of saving that file. Every other rename goes through. With
// OXL_NO_FSYNC set, fsync answers as on a file system that has none (some network and user-space ones).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace
{

bool endsWith(const char* text, const char* end)
{
    const std::size_t n = std::strlen(text);
    const std::size_t m = std::strlen(end);
    return n >= m && std::strcmp(text + n - m, end) == 0;
}

} // namespace

extern "C" int rename(const char* from, const char* to)
{
    const char* watched = std::getenv("OXL_HOLD_RENAME_OF");
    const char* mark = std::getenv("OXL_HOLD_RENAME_MARK");
    if (watched != nullptr && mark != nullptr && to != nullptr && endsWith(to, watched))
    {
        const int fd = ::open(mark, O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd >= 0)
            ::close(fd);
        for (;;)
            ::pause();
    }
    using Rename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    return next(from, to);
}

extern "C" int fsync(int fd)
{
    static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    return std::getenv("OXL_NO_FSYNC") != nullptr ? (errno = EINVAL, -1) : next(fd);
}
