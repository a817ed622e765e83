#include "foundation/disk_refusal.h"

#include "platform/disk_refusal.h"

#include <fmt/format.h>

namespace oxl
{

namespace fs = std::filesystem;

bool DiskRefusal::full() const
{
    return plat::isDiskFull(error);
}

std::optional<DiskRefusal> gf_writeRefused(const fs::path& file, const std::error_code& error)
{
    if (!plat::isDiskFull(error) && !plat::isUnwritable(error))
        return std::nullopt;
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return DiskRefusal{ec ? file : absolute.lexically_normal(), error};
}

DiskRefusedError::DiskRefusedError(DiskRefusal refusal, const std::string& consequence)
    : std::runtime_error(consequence.empty()
                             ? fmt::format("{}: {}", refusal.error.message(), refusal.file.string())
                             : consequence),
      refusal_(std::move(refusal)), hasConsequence_(!consequence.empty())
{
}

std::optional<DiskRefusal> gf_refusalOf(const std::exception& failure)
{
    if (const auto* refused = dynamic_cast<const DiskRefusedError*>(&failure))
        return refused->refusal();
    if (const auto* error = dynamic_cast<const fs::filesystem_error*>(&failure))
        if (plat::isDiskFull(error->code()) || error->code() == std::errc::read_only_file_system)
            return gf_writeRefused(error->path1(), error->code());
    return std::nullopt;
}

std::string gf_waitsForSpaceText(const std::string& what, const DiskRefusal& refusal)
{
    return fmt::format("{} waits for disk space ({})", what, refusal.error.message());
}

} // namespace oxl
