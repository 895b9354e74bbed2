// The launcher's programs, started from its menu or from "run:" links in pages, and the
// log-off of the kiosk user.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/command_line.h"

namespace orbeta {

// Starts the program of launcher slot 1 to 10 when its path is set and names an existing
// file, the path being the whole command line; does not wait. True when it started.
bool StartLaunchProgram(int slot);

// What a launcher link needs from the main window, and the system calls it makes (replaced
// in tests). Empty members fall back to the real ones; an empty sendMainWindowToBack does
// nothing.
struct LauncherHooks {
  std::function<void()> sendMainWindowToBack;
  std::function<bool(std::string_view baseName)> isProgramRunning;
  std::function<bool(std::string_view commandLine, WindowShow show)> runCommandLine;
};

// A link whose address contains "run:": the number after the first "run:" (blanks and one
// final "/" removed) selects a launcher slot. A slot with an existing program file either
// starts it maximised or, when a program of the same base name (the file name up to its
// first ".") already runs, sends the main window back so that program shows. A bad number
// or an empty or missing entry does nothing. The caller cancels the navigation in any case.
void RunLauncherLink(std::string_view url, const LauncherHooks& hooks = {});

// Ends the kiosk user's session, closing every program of it without asking.
class SessionLogoff {
 public:
  virtual ~SessionLogoff() = default;
  // False when the log-off could not be asked for or was refused.
  virtual bool LogOff() = 0;
};

// Asks logind to terminate the session of this process, with "loginctl terminate-session"
// found in PATH (started directly, no shell) and waited for. The session is $XDG_SESSION_ID,
// else the one named in this process's control group.
class LogindSessionLogoff : public SessionLogoff {
 public:
  bool LogOff() override;
};

// The logind session named by a /proc/<pid>/cgroup text ("…/session-<id>.scope"), if any.
std::optional<std::string> SessionIdFromCgroup(std::string_view cgroup);

}  // namespace orbeta
