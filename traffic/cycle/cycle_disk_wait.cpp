// A start-up step that the disk refused: a full disk is waited out, a read-only program folder is said.
#include "foundation/disk_refusal.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/run_state.h"
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

// The plain text, with the failure it caused when that is not the refusal itself (a scan's file that is
// missing because it could not be written).
std::string lf_unwritableError(const DiskRefusal& refusal, const std::exception& failure)
{
    const auto* refused = dynamic_cast<const DiskRefusedError*>(&failure);
    const auto* error = dynamic_cast<const std::filesystem::filesystem_error*>(&failure);
    if ((refused != nullptr && !refused->hasConsequence()) ||
        (error != nullptr && error->code() == refusal.error))
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

std::string unwritableText(const DiskRefusal& refusal)
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
    std::optional<DiskRefusal> waitedFor;
    std::int64_t waitedS = 0;
    for (;;)
    {
        try
        {
            step();
            break;
        }
        catch (const std::exception& failure)
        {
            const std::optional<DiskRefusal> refusal = gf_refusalOf(failure);
            if (!refusal)
                throw;
            if (!refusal->full())
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
