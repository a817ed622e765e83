#include "platform/download_site.h"

#include <cstdlib>

namespace oxl::plat
{

std::optional<std::string> downloadBaseOverride()
{
    const char* value = std::getenv("OXL_DOWNLOAD_BASE");
    if (value == nullptr || *value == '\0')
    {
        return std::nullopt;
    }
    std::string base = value;
    // The site's files are appended to the base as they are, so a missing separator would glue names.
    if (base.back() != '/')
    {
        base += '/';
    }
    return base;
}

} // namespace oxl::plat
