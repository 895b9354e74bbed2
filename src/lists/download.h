// Downloading a list file from a web server, with the proxy and progress of the kiosk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orbeta {

// The download settings: the proxy (filled from the system's proxy settings at start-up).
struct TDownloadInfos {
  std::string UserName;
  std::string Password;
  bool UseProxy = false;
  std::string ProxyHost;
  std::int32_t ProxyPort = 0;
};
extern TDownloadInfos DownloadInfos;

// Called as packets arrive: bytes so far and the total the server announced (0: unknown).
using DownloadProgress = std::function<void(std::uint64_t arrived, std::uint64_t announced)>;
void SetDownloadProgress(DownloadProgress progress);

// The splash text for a download in progress: dictionary text 95, the rounded percentage
// (halves to even) and " %". Without an announced total there is no percentage: text 95 alone.
std::string DownloadProgressText(std::uint64_t arrived, std::uint64_t announced);

inline constexpr std::uint32_t kDownloadTimeoutMs = 90000;

// Deletes the file `target` (false when that fails: nothing is downloaded), then GETs `address`
// into it, the whole download within `timeoutMs`, through the proxy when DownloadInfos says so.
// Waits by running the GLib main loop, so windows stay alive; each piece that arrives goes to
// the progress callback. False on any error, a non-2xx status included; a failed download
// leaves no file at `target`, neither a partial one nor the server's error page.
bool DownloadToFile(const std::string& target, const std::string& address,
                    std::uint32_t timeoutMs = kDownloadTimeoutMs);

}  // namespace orbeta
