#include "platform/disk_refusal.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace oxl::plat
{

namespace
{

// The errno value behind an error of the system or of the generic category.
int lf_errnoOf(const std::error_code& error)
{
    const std::error_condition condition = error.default_error_condition();
    return condition.category() == std::generic_category() ? condition.value() : 0;
}

} // namespace

bool isDiskFull(const std::error_code& error)
{
    const int number = lf_errnoOf(error);
    return number == ENOSPC || number == EDQUOT;
}

bool isUnwritable(const std::error_code& error)
{
    const int number = lf_errnoOf(error);
    return number == EROFS || number == EACCES || number == EPERM;
}

std::error_code folderWriteRefusal(const std::filesystem::path& folder)
{
    // The effective ids decide, as they do for the writes that follow.
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return {};
    const std::error_code error(errno, std::generic_category());
    return isUnwritable(error) ? error : std::error_code();
}

} // namespace oxl::plat
