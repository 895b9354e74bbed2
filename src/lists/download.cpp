#include "lists/download.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "language/dictionary.h"
#include "platform/http_client.h"

namespace orbeta {

TDownloadInfos DownloadInfos;

namespace {
DownloadProgress gProgress;
}  // namespace

void SetDownloadProgress(DownloadProgress progress) { gProgress = std::move(progress); }

std::string DownloadProgressText(std::uint64_t arrived, std::uint64_t announced) {
  std::string text = Dictionary().GetText(95);
  if (announced == 0) return text;
  // arrived × 100 / announced, rounded to the nearest integer, halves to even.
  const unsigned __int128 scaled = static_cast<unsigned __int128>(arrived) * 100;
  unsigned __int128 percent = scaled / announced;
  const unsigned __int128 twiceRest = (scaled % announced) * 2;
  if (twiceRest > announced || (twiceRest == announced && percent % 2 == 1)) ++percent;
  return text + std::to_string(static_cast<std::uint64_t>(percent)) + " %";
}

bool DownloadToFile(const std::string& target, const std::string& address, std::uint32_t timeoutMs) {
  // The old file goes first; one that cannot be deleted (locked folder, a directory of that
  // name) keeps its place and nothing is downloaded.
  if (::unlink(target.c_str()) != 0 && errno != ENOENT) return false;

  HttpRequest request;
  request.address = address;
  request.timeoutMs = timeoutMs;
  request.bodyFile = target;
  if (DownloadInfos.UseProxy && !DownloadInfos.ProxyHost.empty())
    request.proxy = HttpProxy{DownloadInfos.ProxyHost, DownloadInfos.ProxyPort};
  request.events.progress = [](std::uint64_t arrived, std::uint64_t announced) {
    if (gProgress) gProgress(arrived, announced);
  };
  // The client writes the body beside the target and renames it only when the whole body of a
  // 2xx answer has arrived: an error page never takes the place of a list, and a broken
  // transfer leaves no partial file behind.
  return HttpGet(request).success;
}

}  // namespace orbeta
