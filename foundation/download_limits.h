// The bounds of a download, apart from the downloads themselves so that the foundation's state can
// hold them without libcurl.
#pragma once

namespace oxl
{

/// Bounds that keep a dead or stalled server from holding a download forever.
struct DownloadLimits
{
    long connectTimeoutS = 15;  ///< longest wait for the connection [s]
    long lowSpeedTimeS = 30;    ///< a transfer slower than lowSpeedBytesPerS for this long fails [s]
    long lowSpeedBytesPerS = 1; ///< the speed below which a transfer counts as stalled [bytes/s]
};

} // namespace oxl
