#include "platform/download_site.h"

#include "platform/folders.h"

namespace oxl::plat
{

std::optional<std::string> downloadBaseOverride()
{
    std::optional<std::string> base = environment("OXL_DOWNLOAD_BASE");
    // The site's file names are appended to the base as they are, so a missing separator would glue them on.
    if (base && base->back() != '/')
    {
        *base += '/';
    }
    return base;
}

} // namespace oxl::plat
