// Running the real programs of the build from a window test: children started without a
// shell and always reaped, bounded waits, the demo server with its request log, and the
// kiosk's window and address entry as the X server shows them.
#pragma once

#include <sys/types.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace orbeta::test {

using Clock = std::chrono::steady_clock;

inline constexpr auto kLongWait = std::chrono::seconds(60);

// A program of the build's bin folder.
std::string Bin(const std::string& name);

// The file's bytes; empty when it cannot be read.
std::string ReadIfAny(const std::string& path);

// Polls `done` every 50 ms until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& done, Clock::duration limit = kLongWait);

// A child started without a shell with the test's environment (DISPLAY included), its
// standard output and error going to the files named; killed and reaped when the object goes,
// whatever happened before.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& out, const std::string& err);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // The wait status once the child has ended within `limit`; nothing if it still runs.
  std::optional<int> WaitExit(Clock::duration limit = kLongWait);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

struct Ran {
  int exitCode = -1;  // -1 when it did not end by itself within the limit
  std::string out;
  std::string err;
};

// Runs a program (searched on PATH unless the name holds a slash) to its end, at most 30 s.
// Its output goes through files in `dir`.
Ran RunToEnd(const std::vector<std::string>& argv, const TempDir& dir);

// The demo sites folder of the sources.
std::string DemoRoot();

// orbeta-demo-server on free ports, serving `root` (a folder laid out as data/demo), with the
// kiosk configuration written into `kiosk`. Its log holds one line per request:
// "SITE METHOD PATH?QUERY STATUS".
class DemoServer {
 public:
  DemoServer(const TempDir& dir, const std::string& kiosk, const std::string& root = DemoRoot());

  const std::string& Host(const std::string& site) const { return hosts_.at(site); }
  std::string Url(const std::string& site) const { return "http://" + Host(site) + "/"; }
  std::string Log() const { return ReadIfAny(log_); }
  bool Logged(const std::string& line) const { return Log().find("\n" + line + "\n") != std::string::npos; }
  bool WaitForLine(const std::string& line, Clock::duration limit = kLongWait) const {
    return WaitUntil([&] { return Logged(line); }, limit);
  }
  // Whether any request reached `site` (validation questions about it do not count).
  bool SiteRequested(const std::string& site) const { return Log().find("\n" + site + " ") != std::string::npos; }
  bool ValidationAsked(const std::string& site) const {
    return Log().find("\nvalidation GET /LB.php?url=" + Host(site) + " ") != std::string::npos;
  }
  // How many lines of the log contain `text`.
  int Count(const std::string& text) const;

 private:
  std::string ports_;
  std::string log_;
  Child child_;
  std::map<std::string, std::string> hosts_;
};

// ---- The kiosk's window on the screen ----

struct Point {
  int x = -1;
  int y = -1;
};

// The visible top-level windows that carry the process id `pid`, as xdotool finds them.
std::vector<std::string> VisibleWindowsOf(pid_t pid, const TempDir& dir);

// A window's place and size as "X", "Y", "WIDTH", "HEIGHT" (and "SCREEN"); empty when the
// window is gone.
std::map<std::string, int> WindowGeometry(const std::string& window, const TempDir& dir);

struct KioskWindow {
  std::string id;  // as xdotool writes it: the X window number in decimal
  std::map<std::string, int> geometry;
};

// The kiosk's main window, found by its process: its first visible window larger than
// 400 x 200, once there (at most kLongWait).
std::optional<KioskWindow> FindKioskWindow(pid_t pid, const TempDir& dir);

// The geometry of FindKioskWindow.
std::optional<std::map<std::string, int>> KioskGeometry(pid_t pid, const TempDir& dir);

// The whole screen; the caller unrefs it.
GdkPixbuf* Screenshot();

// The middle of the address entry of the kiosk window `window`: the first wide white field
// from the top of the window; x < 0 when there is none.
Point FindAddressEntry(GdkPixbuf* shot, const std::map<std::string, int>& window);

// Types an address into the address bar with real X input and sends it with Return.
void TypeAddress(const Point& entry, const std::string& address, const TempDir& dir);

}  // namespace orbeta::test
