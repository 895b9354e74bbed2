#include "support/kiosk_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gdk/gdk.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace orbeta::test {

namespace fs = std::filesystem;

std::string Bin(const std::string& name) { return std::string(ORBETA_BIN_DIR) + "/" + name; }

std::string ReadIfAny(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool WaitUntil(const std::function<bool()>& done, Clock::duration limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// ---- Child ----

Child::Child(std::vector<std::string> argv, const std::string& out, const std::string& err) {
  std::vector<char*> pointers;
  for (auto& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int failed = posix_spawnp(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

Child::~Child() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

bool Child::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  pid_ = -1;
  status_ = status;
  return false;
}

std::optional<int> Child::WaitExit(Clock::duration limit) {
  if (!WaitUntil([this] { return !Running(); }, limit)) return std::nullopt;
  return status_;
}

Ran RunToEnd(const std::vector<std::string>& argv, const TempDir& dir) {
  const std::string out = dir.File("run.out");
  const std::string err = dir.File("run.err");
  Ran ran;
  {
    Child child(argv, out, err);
    const std::optional<int> status = child.WaitExit(std::chrono::seconds(30));
    if (status && WIFEXITED(*status)) ran.exitCode = WEXITSTATUS(*status);
  }
  ran.out = ReadIfAny(out);
  ran.err = ReadIfAny(err);
  return ran;
}

// ---- DemoServer ----

std::string DemoRoot() { return std::string(ORBETA_SOURCE_DIR) + "/data/demo"; }

DemoServer::DemoServer(const TempDir& dir, const std::string& kiosk, const std::string& root)
    : ports_(dir.File("ports")),
      log_(dir.File("server.log")),
      child_({Bin("orbeta-demo-server"), "--root", root, "--base-port", "0", "--port-file", ports_, "--config-out",
              kiosk},
             log_, dir.File("server.err")) {
  // The port file appears, whole, once the server listens.
  if (!WaitUntil([&] { return fs::exists(ports_) || !child_.Running(); }) || !fs::exists(ports_))
    throw std::runtime_error("the demo server did not start: " + ReadIfAny(dir.File("server.err")));
  std::istringstream in(ReadFile(ports_));
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) hosts_[line.substr(0, equals)] = "127.0.0.1:" + line.substr(equals + 1);
  }
}

int DemoServer::Count(const std::string& text) const {
  std::istringstream lines(Log());
  int count = 0;
  for (std::string line; std::getline(lines, line);)
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

// ---- Windows ----

std::vector<std::string> VisibleWindowsOf(pid_t pid, const TempDir& dir) {
  const Ran search = RunToEnd({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, dir);
  std::istringstream words(search.out);
  std::vector<std::string> windows;
  for (std::string window; words >> window;) windows.push_back(window);
  return windows;
}

std::map<std::string, int> WindowGeometry(const std::string& window, const TempDir& dir) {
  std::map<std::string, int> geometry;
  const Ran shell = RunToEnd({"xdotool", "getwindowgeometry", "--shell", window}, dir);
  if (shell.exitCode != 0) return geometry;
  std::istringstream lines(shell.out);
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos && line.substr(0, equals) != "WINDOW")
      geometry[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
  }
  return geometry;
}

std::optional<KioskWindow> FindKioskWindow(pid_t pid, const TempDir& dir) {
  KioskWindow found;
  const bool visible = WaitUntil([&] {
    for (const std::string& window : VisibleWindowsOf(pid, dir)) {
      auto geometry = WindowGeometry(window, dir);
      if (geometry.count("WIDTH") && geometry.count("HEIGHT") && geometry["WIDTH"] > 400 &&
          geometry["HEIGHT"] > 200) {
        found = {window, std::move(geometry)};
        return true;
      }
    }
    return false;
  });
  if (!visible) return std::nullopt;
  return found;
}

std::optional<std::map<std::string, int>> KioskGeometry(pid_t pid, const TempDir& dir) {
  std::optional<KioskWindow> window = FindKioskWindow(pid, dir);
  if (!window) return std::nullopt;
  return window->geometry;
}

GdkPixbuf* Screenshot() {
  GdkWindow* root = gdk_get_default_root_window();
  return gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
}

// The address entry is the first wide white field from the top of the window, starting in its
// left half (the toolbar above it is grey; the text of the entry breaks the white only on its
// left side).
Point FindAddressEntry(GdkPixbuf* shot, const std::map<std::string, int>& window) {
  const int channels = gdk_pixbuf_get_n_channels(shot);
  const int stride = gdk_pixbuf_get_rowstride(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  const int left = std::max(0, window.at("X"));
  const int top = std::max(0, window.at("Y"));
  const int right = std::min(gdk_pixbuf_get_width(shot), left + window.at("WIDTH"));
  const int bottom = std::min(gdk_pixbuf_get_height(shot), top + std::min(window.at("HEIGHT"), 250));
  const auto white = [&](int x, int y) {
    const guchar* p = pixels + y * stride + x * channels;
    return p[0] >= 250 && p[1] >= 250 && p[2] >= 250;
  };
  // The widest white run of a row, as [begin, end).
  const auto run = [&](int y) {
    std::pair<int, int> best{0, 0};
    for (int x = left; x < right;) {
      if (!white(x, y)) {
        ++x;
        continue;
      }
      const int begin = x;
      while (x < right && white(x, y)) ++x;
      if (x - begin > best.second - best.first) best = {begin, x};
    }
    return best;
  };
  const int half = left + (right - left) / 2;
  for (int y = top; y < bottom; ++y) {
    const auto [begin, end] = run(y);
    if (end - begin < 120 || begin > half) continue;
    int last = y;
    while (last + 1 < bottom) {
      const auto next = run(last + 1);
      if (next.second - next.first < 120 || next.first > half) break;
      ++last;
    }
    return {(begin + end) / 2, (y + last) / 2};
  }
  return {};
}

void TypeAddress(const Point& entry, const std::string& address, const TempDir& dir) {
  const std::string x = std::to_string(entry.x);
  const std::string y = std::to_string(entry.y);
  EXPECT_EQ(RunToEnd({"xdotool", "mousemove", x, y, "click", "1"}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "key", "--clearmodifiers", "ctrl+a"}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "type", "--delay", "20", address}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "key", "Return"}, dir).exitCode, 0);
}

}  // namespace orbeta::test
