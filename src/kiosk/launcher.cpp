#include "kiosk/launcher.h"

#include <charconv>
#include <cstdlib>

#include "app/settings.h"
#include "navigation/url_analysis.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/process_list.h"

namespace orbeta {
namespace {

// The path of a slot that holds an existing program file, else nothing.
std::optional<std::string> LaunchPath(int slot) {
  if (slot < 1 || slot > static_cast<int>(Settings.LaunchList.size())) return std::nullopt;
  const std::string& path = Settings.LaunchList[static_cast<std::size_t>(slot - 1)].Path;
  if (path.empty() || !FileExists(ResolveFileName(path))) return std::nullopt;
  return path;
}

// A decimal integer with an optional sign and nothing else around it; 0 otherwise.
int SlotNumber(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// The file name after the last "\" or "/", up to its first ".".
std::string BaseName(std::string_view path) {
  if (const std::size_t slash = path.find_last_of("\\/"); slash != std::string_view::npos)
    path.remove_prefix(slash + 1);
  return std::string(path.substr(0, path.find('.')));
}

bool IsSessionId(std::string_view id) {
  if (id.empty()) return false;
  for (const char c : id)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')) return false;
  return true;
}

}  // namespace

bool StartLaunchProgram(int slot) {
  const auto path = LaunchPath(slot);
  return path && RunCommandLine(*path, WindowShow::Normal);
}

void RunLauncherLink(std::string_view url, const LauncherHooks& hooks) {
  const std::size_t run = url.find("run:");
  if (run == std::string_view::npos) return;
  std::string_view number = TrimControls(url.substr(run + 4));
  if (number.ends_with('/')) number.remove_suffix(1);
  const auto path = LaunchPath(SlotNumber(number));
  if (!path) return;

  const std::string baseName = BaseName(*path);
  const bool running = hooks.isProgramRunning ? hooks.isProgramRunning(baseName) : IsProgramRunning(baseName);
  if (running) {
    if (hooks.sendMainWindowToBack) hooks.sendMainWindowToBack();
  } else if (hooks.runCommandLine) {
    hooks.runCommandLine(*path, WindowShow::Maximized);
  } else {
    RunCommandLine(*path, WindowShow::Maximized);
  }
}

std::optional<std::string> SessionIdFromCgroup(std::string_view cgroup) {
  constexpr std::string_view kStart = "/session-", kEnd = ".scope";
  for (std::size_t at = cgroup.find(kStart); at != std::string_view::npos; at = cgroup.find(kStart, at + 1)) {
    std::string_view rest = cgroup.substr(at + kStart.size());
    const std::size_t end = rest.find(kEnd);
    if (end == std::string_view::npos) break;
    const std::string_view id = rest.substr(0, end);
    const std::string_view after = rest.substr(end + kEnd.size());
    if (IsSessionId(id) && (after.empty() || after.front() == '/' || after.front() == '\n')) return std::string(id);
  }
  return std::nullopt;
}

bool LogindSessionLogoff::LogOff() {
  std::optional<std::string> session;
  if (const char* id = std::getenv("XDG_SESSION_ID"); id && IsSessionId(id))
    session = id;
  else
    session = SessionIdFromCgroup(ReadWholeFile("/proc/self/cgroup").value_or(""));
  if (!session) return false;
  const std::string loginctl = FindProgramInPath("loginctl");
  if (loginctl.empty()) return false;
  return RunProgramAndWait(loginctl, {"loginctl", "terminate-session", *session}) == 0;
}

}  // namespace orbeta
