#include "foundation/downloads.h"
#include "foundation/foundation_state.h"

#include "foundation/log.h"
#include "foundation/run_state.h"
#include "foundation/text_files.h"
#include "platform/download_site.h"

#include <fmt/format.h>

#include <cerrno>

#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

namespace oxl
{

namespace
{

constexpr int kStopPollMs = 250; // longest time a set stop flag waits for the transfer to notice it

bool stopRequested()
{
    return gFoundation.gStopRequested.load() != 0 || gFoundation.gWindowClosed.load() != 0;
}

/// Runs the transfer through a multi handle so that the stop flags are looked at between short waits.
CURLcode performStoppable(CURL* handle)
{
    CURLM* multi = curl_multi_init();
    if (multi == nullptr)
    {
        return CURLE_OUT_OF_MEMORY;
    }
    if (curl_multi_add_handle(multi, handle) != CURLM_OK)
    {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (;;)
    {
        if (stopRequested())
        {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
        {
            result = CURLE_RECV_ERROR;
            break;
        }
        bool done = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued))
        {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle)
            {
                result = message->data.result;
                done = true;
            }
        }
        if (done)
        {
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kStopPollMs, nullptr);
    }
    curl_multi_remove_handle(multi, handle);
    curl_multi_cleanup(multi);
    return result;
}

// Why a transfer failed, worded for the log: what the site answered, or the library's own detail.
std::string fetchFailure(CURL* handle, CURLcode result, const char* detail)
{
    if (result == CURLE_HTTP_RETURNED_ERROR)
    {
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (status == 404 || status == 410)
            return fmt::format("the site has no such file (HTTP {})", status);
        return fmt::format("the site answered HTTP {}", status);
    }
    // A site in a local folder (file://) that lacks the file.
    if (result == CURLE_FILE_COULDNT_READ_FILE)
        return "the site has no such file";
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return "stopped, the program is closing";
    return detail[0] != '\0' ? detail : curl_easy_strerror(result);
}

} // namespace

void gf_setDownloadLimits(const DownloadLimits& limits)
{
    std::lock_guard lock(gFoundation.gLimitsMutex);
    gFoundation.gDownloadLimits = limits;
}

DownloadLimits gf_downloadLimits()
{
    std::lock_guard lock(gFoundation.gLimitsMutex);
    return gFoundation.gDownloadLimits;
}

std::string gf_downloadSiteBase()
{
    return plat::downloadBaseOverride().value_or(kDownloadSiteBase);
}

std::string gf_downloadFolderUrl()
{
    return gf_downloadSiteBase() + kDownloadAirportFolder;
}

std::size_t gf_curlWriteToFile(char* data, std::size_t size, std::size_t count, void* sink)
{
    // libcurl wants the bytes taken; anything less than size * count ends the transfer as failed.
    auto& to = *static_cast<DownloadSink*>(sink);
    to.out.write(data, static_cast<std::streamsize>(size * count));
    if (to.out.good())
        return size * count;
    // Taken at once: the transfer's own calls that follow may change it.
    to.error = std::error_code(errno, std::generic_category());
    return 0;
}

SaveResult gf_downloadToFile(CURL* handle, const std::string& url, const std::filesystem::path& target,
                             bool /*binary*/)
{
    if (handle == nullptr)
    {
        return {};
    }
    bool started = false;
    try
    {
        // Saved as every file is: a failed transfer leaves the old file as it was.
        SaveResult saved = gf_replaceFileFrom(
            target,
            [&](std::ostream& out) -> std::optional<WriteFailure>
            {
                started = true;
                DownloadSink sink{out, {}};
                char detail[CURL_ERROR_SIZE] = {};
                const DownloadLimits limits = gf_downloadLimits();
                curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
                curl_easy_setopt(handle, CURLOPT_USERAGENT, kDownloadUserAgent);
                curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, gf_curlWriteToFile);
                curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
                curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
                curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
                curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutS);
                curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerS);
                curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedTimeS);
                curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
                const CURLcode result = performStoppable(handle);
                // The handle outlives this buffer.
                curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
                if (result == CURLE_OK)
                    return std::nullopt;
                // The disk refused the bytes: a failed save.
                if (sink.error)
                    return WriteFailure{fmt::format("{} of {}", curl_easy_strerror(result), url), sink.error};
                // Nothing reached the disk: the fetch failed, and the old file stays as it was.
                gf_log(fmt::format("Could not fetch '{}': {}", url, fetchFailure(handle, result, detail)));
                return WriteFailure{{}, {}, true};
            });
        if (!started)
        {
            gf_log(fmt::format("Could not open output file: {}", target.string()));
        }
        return saved;
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("Downloader exception: '{}', {} => {}", error.what(), url, target.string()));
        return {};
    }
}

SaveResult gf_downloadFromSite(const std::string& name, const std::filesystem::path& target)
{
    const std::string url = gf_downloadSiteBase() + name;
    CURL* handle = curl_easy_init();
    SaveResult ok = gf_downloadToFile(handle, url, target, true);
    if (ok)
    {
        gf_log(fmt::format("Downloaded '{}' to '{}'", url, target.string()));
    }
    else if (ok.refused)
    {
        // Not the site's answer: the file is fetched again when there is room for it.
        gf_logMarked(
            fmt::format("Downloading '{}' waits for the disk: {}", url, ok.refused->error.message()));
    }
    else
    {
        gf_logMarked(fmt::format("Downloading '{}' failed !", url));
    }
    if (handle != nullptr)
    {
        curl_easy_cleanup(handle);
    }
    return ok;
}

} // namespace oxl
