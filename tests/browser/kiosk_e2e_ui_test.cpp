// The real kiosk program end to end: `orbeta` started on the demo configuration, the demo
// sites and the validation server of `orbeta-demo-server` on loopback ports, real X input
// (xdotool) on the test's X server. The kiosk logs nothing: what it asked for is read from the
// demo server's log, one line per request.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gdk/gdk.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

extern char** environ;

namespace orbeta {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::ScopedEnv;
using test::TempDir;

constexpr auto kLongWait = std::chrono::seconds(60);

std::string Bin(const std::string& name) { return std::string(ORBETA_BIN_DIR) + "/" + name; }

std::string ReadIfAny(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Polls `done` every 50 ms until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& done, Clock::duration limit = kLongWait) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// A child started without a shell with the test's environment (DISPLAY included); killed and
// reaped when the object goes, whatever happened before.
class Child {
 public:
  Child(std::vector<std::string> argv, const std::string& out, const std::string& err) {
    std::vector<char*> pointers;
    for (auto& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int failed = posix_spawnp(&pid_, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start " + argv[0]);
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    pid_ = -1;
    status_ = status;
    return false;
  }
  // The wait status once the child has ended within `limit`; nothing if it still runs.
  std::optional<int> WaitExit(Clock::duration limit = kLongWait) {
    if (!WaitUntil([this] { return !Running(); }, limit)) return std::nullopt;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

struct Ran {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program (searched on PATH unless the name holds a slash) to its end, at most 30 s.
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

// The demo server on free ports, the kiosk configuration written into `kiosk`.
class DemoServer {
 public:
  DemoServer(const TempDir& dir, const std::string& kiosk)
      : ports_(dir.File("ports")),
        log_(dir.File("server.log")),
        child_({Bin("orbeta-demo-server"), "--root", std::string(ORBETA_SOURCE_DIR) + "/data/demo", "--base-port",
                "0", "--port-file", ports_, "--config-out", kiosk},
               log_, dir.File("server.err")) {
    // The port file appears, whole, once the server listens.
    if (!WaitUntil([&] { return fs::exists(ports_) || !child_.Running(); }) || !fs::exists(ports_))
      throw std::runtime_error("the demo server did not start: " + ReadIfAny(dir.File("server.err")));
    std::istringstream in(test::ReadFile(ports_));
    for (std::string line; std::getline(in, line);) {
      const auto equals = line.find('=');
      if (equals != std::string::npos) hosts_[line.substr(0, equals)] = "127.0.0.1:" + line.substr(equals + 1);
    }
  }

  const std::string& Host(const std::string& site) const { return hosts_.at(site); }
  std::string Url(const std::string& site) const { return "http://" + Host(site) + "/"; }
  std::string Log() const { return ReadIfAny(log_); }
  bool Logged(const std::string& line) const { return Log().find("\n" + line + "\n") != std::string::npos; }
  bool WaitForLine(const std::string& line) const {
    return WaitUntil([&] { return Logged(line); });
  }
  // Whether any request reached `site` (validation questions about it do not count).
  bool SiteRequested(const std::string& site) const { return Log().find("\n" + site + " ") != std::string::npos; }
  bool ValidationAsked(const std::string& site) const {
    return Log().find("\nvalidation GET /LB.php?url=" + Host(site) + " ") != std::string::npos;
  }

 private:
  std::string ports_;
  std::string log_;
  Child child_;
  std::map<std::string, std::string> hosts_;
};

// A demo server, its kiosk configuration, and the environment the kiosk and orbeta-send read.
class KioskE2E : public ::testing::Test {
 protected:
  KioskE2E()
      : server_(dir_, kiosk_),
        windir_("WINDIR", kiosk_),
        registry_("ORBETA_REGISTRY", kiosk_ + "/registry"),
        socket_("ORBETA_SOCKET", dir_.File("kiosk.socket")),
        screenshot_("ORBETA_SCREENSHOT", std::nullopt) {}

  std::unique_ptr<Child> StartKiosk() {
    return std::make_unique<Child>(std::vector<std::string>{Bin("orbeta")}, dir_.File("kiosk.out"),
                                   dir_.File("kiosk.err"));
  }

  // Asks the running kiosk to close, as a launcher would, and gives its exit code.
  int CloseKiosk(Child& kiosk) {
    const Ran send = RunToEnd({Bin("orbeta-send"), "closemain"}, dir_);
    EXPECT_EQ(send.exitCode, 0) << send.err;
    const std::optional<int> status = kiosk.WaitExit();
    if (!status) return -1000;
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : -WTERMSIG(*status);
  }

  std::string KioskErr() const { return ReadIfAny(dir_.File("kiosk.err")); }

  TempDir dir_;
  std::string kiosk_ = dir_.File("kiosk");
  DemoServer server_;
  ScopedEnv windir_;
  ScopedEnv registry_;
  ScopedEnv socket_;
  ScopedEnv screenshot_;
};

// ---- The address entry on the screen ----

struct Point {
  int x = -1;
  int y = -1;
};

GdkPixbuf* Screenshot() {
  GdkWindow* root = gdk_get_default_root_window();
  return gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root), gdk_window_get_height(root));
}

// The kiosk's top-level window, found by its process, as xdotool sees it: its place and size.
std::optional<std::map<std::string, int>> KioskGeometry(pid_t pid, const TempDir& dir) {
  std::map<std::string, int> geometry;
  const bool found = WaitUntil([&] {
    const Ran search = RunToEnd({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, dir);
    std::istringstream windows(search.out);
    std::string window;
    if (!(windows >> window)) return false;
    const Ran shell = RunToEnd({"xdotool", "getwindowgeometry", "--shell", window}, dir);
    std::istringstream lines(shell.out);
    for (std::string line; std::getline(lines, line);) {
      const auto equals = line.find('=');
      if (equals != std::string::npos && line.substr(0, equals) != "WINDOW")
        geometry[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
    return geometry.count("WIDTH") && geometry["WIDTH"] > 400 && geometry["HEIGHT"] > 200;
  });
  if (!found) return std::nullopt;
  return geometry;
}

// The address entry is the first wide white field from the top of the window, starting in its
// left half (the toolbar above it is grey; the text of the entry breaks the white only on its
// left side). Gives the middle of that field.
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

// Types an address into the address bar with real X input and sends it with Return.
void TypeAddress(const Point& entry, const std::string& address, const TempDir& dir) {
  const std::string x = std::to_string(entry.x);
  const std::string y = std::to_string(entry.y);
  EXPECT_EQ(RunToEnd({"xdotool", "mousemove", x, y, "click", "1"}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "key", "--clearmodifiers", "ctrl+a"}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "type", "--delay", "20", address}, dir).exitCode, 0);
  EXPECT_EQ(RunToEnd({"xdotool", "key", "Return"}, dir).exitCode, 0);
}

// ---- The tests ----

// Start-up shows the home page (its last element, the end image, included) without asking the
// validation server about it, and a closing message ends the kiosk cleanly.
TEST_F(KioskE2E, StartsOnTheHomePageAndClosesOnTheCloseMessage) {
  std::unique_ptr<Child> kiosk = StartKiosk();
  ASSERT_TRUE(server_.WaitForLine("home GET / 200")) << server_.Log() << KioskErr();
  ASSERT_TRUE(server_.WaitForLine("home GET /end.png 200")) << server_.Log() << KioskErr();
  EXPECT_TRUE(kiosk->Running()) << KioskErr();
  // The home page is admitted by a rule of the site list: no question to the validation server.
  EXPECT_EQ(server_.Log().find("\nvalidation "), std::string::npos) << server_.Log();

  EXPECT_EQ(CloseKiosk(*kiosk), 0) << KioskErr();
}

// A visitor types addresses: listed sites open without a question to the validation server;
// the shop (unlisted) and the games site (closed by a rule) are refused by the validation
// server and never reach their sites.
TEST_F(KioskE2E, AddressBarOpensListedSitesAndKeepsRefusedOnesAway) {
  std::unique_ptr<Child> kiosk = StartKiosk();
  ASSERT_TRUE(server_.WaitForLine("home GET /end.png 200")) << server_.Log() << KioskErr();

  const auto window = KioskGeometry(kiosk->Pid(), dir_);
  ASSERT_TRUE(window) << "no visible kiosk window";
  GdkPixbuf* shot = Screenshot();
  ASSERT_NE(shot, nullptr);
  const Point entry = FindAddressEntry(shot, *window);
  const std::string shotFile = ::testing::TempDir() + "orbeta_kiosk_e2e_address_bar.png";
  if (entry.x < 0) gdk_pixbuf_save(shot, shotFile.c_str(), "png", nullptr, nullptr);
  g_object_unref(shot);
  ASSERT_GE(entry.x, 0) << "no address entry on the screen; screenshot in " << shotFile;

  TypeAddress(entry, server_.Url("library"), dir_);
  EXPECT_TRUE(server_.WaitForLine("library GET / 200")) << server_.Log() << KioskErr();
  EXPECT_FALSE(server_.ValidationAsked("library")) << server_.Log();

  // The shop is not listed: the validation server is asked, refuses, and the shop sees nothing.
  TypeAddress(entry, server_.Url("shop"), dir_);
  EXPECT_TRUE(server_.WaitForLine("validation GET /LB.php?url=" + server_.Host("shop") + " 200 refused"))
      << server_.Log();

  // The games site is closed by an "&" rule, which makes its host unlisted: the validation
  // server, which does not admit it either, is asked, and the site itself never is.
  TypeAddress(entry, server_.Url("games"), dir_);
  EXPECT_TRUE(server_.WaitForLine("validation GET /LB.php?url=" + server_.Host("games") + " 200 refused"))
      << server_.Log();

  // A listed site typed last: once it is requested, every address before it has been handled.
  TypeAddress(entry, server_.Url("museum"), dir_);
  EXPECT_TRUE(server_.WaitForLine("museum GET / 200")) << server_.Log() << KioskErr();

  EXPECT_FALSE(server_.SiteRequested("shop")) << server_.Log();
  EXPECT_FALSE(server_.SiteRequested("games")) << server_.Log();
  EXPECT_FALSE(server_.ValidationAsked("museum")) << server_.Log();
  EXPECT_TRUE(kiosk->Running()) << KioskErr();

  EXPECT_EQ(CloseKiosk(*kiosk), 0) << KioskErr();
}

// Without its settings file the kiosk does not open a window: it names the missing file on one
// line of its error output and ends with a failure status.
TEST_F(KioskE2E, RefusesToStartWithoutItsSettingsFile) {
  TempDir empty;
  ScopedEnv windir("WINDIR", empty.path());
  const Ran ran = RunToEnd({Bin("orbeta")}, dir_);
  EXPECT_NE(ran.exitCode, 0);
  EXPECT_NE(ran.exitCode, -1) << "the kiosk did not end by itself";
  EXPECT_EQ(ran.out, "");
  const std::string missing = empty.File("Orbeta.ini");
  EXPECT_NE(ran.err.find(missing), std::string::npos) << ran.err;
  ASSERT_FALSE(ran.err.empty());
  EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
  EXPECT_FALSE(server_.SiteRequested("home")) << server_.Log();
}

}  // namespace
}  // namespace orbeta
