// A start-up step that the disk refused: a full disk is waited out, a read-only program folder is said.
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/text_files.h"
#include "platform/disk_refusal.h"
#include "traffic/cycle/cycle_detail.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

namespace oxl::cycle
{

namespace
{

// [ms] how often a waiting start-up looks at the stop flags.
constexpr std::chrono::milliseconds kWaitStep{100};
// The code of a UserErrorException whose text is the message alone.
constexpr int kMessageOnly = 99;

// Why the step failed when the disk took no write: what it could not write and the system's reason.
std::optional<RefusedSave> lf_refusalOf(const std::exception& failure)
{
    // "Permission denied" may also answer a read (a folder a scan cannot enter): only a save tells a write.
    if (const auto* error = dynamic_cast<const std::filesystem::filesystem_error*>(&failure))
        if (plat::isDiskFull(error->code()) || error->code() == std::errc::read_only_file_system)
            return RefusedSave{std::filesystem::absolute(error->path1()).lexically_normal(), error->code()};
    // A failure that follows a save the disk refused (a scan whose file was not written) has that cause.
    return gf_takeRefusedSave();
}

// The plain text, with the failure it caused when that is not the refusal itself (a scan's file that is
// missing because it could not be written).
std::string lf_unwritableError(const RefusedSave& refusal, const std::exception& failure)
{
    if (const auto* error = dynamic_cast<const std::filesystem::filesystem_error*>(&failure);
        error != nullptr && error->code() == refusal.error)
        return unwritableText(refusal);
    return fmt::format("{} ({})", unwritableText(refusal), failure.what());
}

// False when a stop came first.
bool lf_waitForRetry()
{
    for (auto waited = std::chrono::milliseconds(0); waited < kDiskFullRetry; waited += kWaitStep)
    {
        if (gf_stopSeen())
            return false;
        sleepFor(kWaitStep);
    }
    return !gf_stopSeen();
}

} // namespace

std::string unwritableText(const RefusedSave& refusal)
{
    if (const std::string logElsewhere = gf_logElsewhere(); !logElsewhere.empty())
        return fmt::format(
            "The program folder cannot be written ({}: {}): the scans and the learned airports "
            "live there and are not saved; the log is written to {}",
            refusal.error.message(), refusal.file.string(), logElsewhere);
    return fmt::format("The program folder cannot be written ({}: {}): the log, the scans and the learned "
                       "airports live there and are not saved",
                       refusal.error.message(), refusal.file.string());
}

bool whenTheDiskLets(const std::function<void()>& step)
{
    std::optional<RefusedSave> waitedFor;
    std::int64_t waitedS = 0;
    for (;;)
    {
        (void)gf_takeRefusedSave();
        try
        {
            step();
            break;
        }
        catch (const std::exception& failure)
        {
            const std::optional<RefusedSave> refusal = lf_refusalOf(failure);
            if (!refusal)
                throw;
            if (!plat::isDiskFull(refusal->error))
                throw UserErrorException(kMessageOnly, lf_unwritableError(*refusal, failure));
            // Shown as the error, which stays in view; the log may lie on that very disk, so the reason is
            // logged again once the start-up goes on.
            if (!waitedFor || waitedFor->file != refusal->file)
                gCycle.gPorts.window->showError(fmt::format(
                    "The disk is full ({}): {} cannot be written; the start-up tries again every {} s",
                    refusal->error.message(), refusal->file.string(), kDiskFullRetry.count()));
            waitedFor = refusal;
            if (!lf_waitForRetry())
                return false;
            waitedS += kDiskFullRetry.count();
        }
    }
    if (waitedFor)
    {
        gCycle.gPorts.window->clearMessageAndError();
        gf_logMarked(
            fmt::format("The disk has room again: the start-up goes on after waiting {} s for it ({} "
                        "could not be written: {})",
                        waitedS, waitedFor->file.string(), waitedFor->error.message()));
    }
    return true;
}

} // namespace oxl::cycle
