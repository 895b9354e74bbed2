// The locked kiosk end to end: the real `orbeta`, locked ("New Window" 0, "Security OFF" 0,
// "Site Control OFF" 0, an administrator password that the test stored), on the test's X
// server, with the pages of tests/fixtures/lockdown served by `orbeta-demo-server`. Every row
// of the tables below is one way a visitor might try to get out, made with real X input
// (xdotool); each row checks that the kiosk stayed put (process alive, its window mapped with
// the geometry it started with, no new top-level window) and that nothing got out:
//  - the server's log: "GET /escaped" comes only from a page that an escape would show, and
//    the "outside" site is never to be reached;
//  - files: the download folder, marker files that shell metacharacters would create, the
//    arguments the stand-in mail and launcher programs were started with;
//  - a plain X window of the test's own, which must not receive the key combinations and the
//    mouse button that the locked kiosk takes from the whole session.
// Rows that share a kiosk start walk one table; a row that leaves the kiosk dead, moved or with
// a window open starts it afresh, so that every later row is still judged on its own.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "admin/admin_password.h"
#include "platform/ini_file.h"
#include "support/kiosk_process.h"
#include "support/test_support.h"

// Xlib last: its macros (None, Status, True, False) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace orbeta {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Child;
using test::Clock;
using test::DemoServer;
using test::Point;
using test::RunToEnd;
using test::ScopedEnv;
using test::TempDir;
using test::WaitUntil;

constexpr char kPassword[] = "Harbour-7-lantern";
// The background of every fixture page: the browser's part of the screen.
constexpr int kPageColour[3] = {0x17, 0x5c, 0x3d};

std::string FixtureRoot() { return std::string(ORBETA_SOURCE_DIR) + "/tests/fixtures/lockdown"; }

std::string Base64Url(const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string text;
  std::uint32_t bits = 0;
  int count = 0;
  for (unsigned char byte : bytes) {
    bits = (bits << 8) | byte;
    count += 8;
    while (count >= 6) text += kDigits[(bits >> (count -= 6)) & 63];
  }
  if (count > 0) text += kDigits[(bits << (6 - count)) & 63];
  return text;
}

// Entry `number` of the dictionary source in the second language (English), the kiosk's
// interface language in the fixture.
std::string EnglishText(int number) {
  std::istringstream lines(test::ReadFile(std::string(ORBETA_SOURCE_DIR) + "/data/dictionary.tsv"));
  const std::string key = std::to_string(number) + "\t";
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(key)) continue;
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() > 2) return fields[2];
  }
  throw std::runtime_error("no dictionary entry " + std::to_string(number));
}

// ---- A server that redirects ----

// A loopback HTTP server of the test's own that answers each mapped path with a redirect (302)
// to the address given, and anything else with 404. The demo server redirects only within a
// site, and a redirect to a "file:" address is one way out to try.
class RedirectServer {
 public:
  RedirectServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("the redirecting server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~RedirectServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
  }
  RedirectServer(const RedirectServer&) = delete;
  RedirectServer& operator=(const RedirectServer&) = delete;

  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  void Map(const std::string& path, const std::string& location) {
    std::lock_guard lock(mutex_);
    locations_[path] = location;
  }
  std::vector<std::string> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  bool Requested(const std::string& path) const {
    const auto seen = Requests();
    return std::find(seen.begin(), seen.end(), path) != seen.end();
  }

 private:
  void Run() {
    while (!stop_) {
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      Answer(client);
      ::close(client);
    }
  }
  void Answer(int client) {
    std::string request;
    const auto deadline = Clock::now() + 2s;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && Clock::now() < deadline) {
      pollfd readable{client, POLLIN, 0};
      if (::poll(&readable, 1, 100) <= 0) continue;
      const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method, path;
    line >> method >> path;
    std::string response;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(path);
      const auto location = locations_.find(path);
      response = location == locations_.end()
                     ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                     : "HTTP/1.1 302 Found\r\nLocation: " + location->second +
                           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    ::send(client, response.data(), response.size(), MSG_NOSIGNAL);
  }

  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> locations_;
  std::vector<std::string> requests_;
};

// ---- The test's own X client ----

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Windows vanish between a listing and the questions about them: errors of the calls inside
// are ignored (Xlib's error handler is one for the whole process; the previous one comes back).
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display) : display_(display), previous_(XSetErrorHandler(IgnoreXErrors)) {}
  ~XErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

struct TopLevel {
  unsigned long id = 0;
  long pid = -1;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;

  std::string Describe() const {
    std::ostringstream text;
    text << "window 0x" << std::hex << id << std::dec << " \"" << name << "\" of process " << pid << ", "
         << width << "x" << height << "+" << x << "+" << y;
    return text.str();
  }
};

struct WindowState {
  bool viewable = false;
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const WindowState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const WindowState& state) {
  return out << (state.viewable ? "mapped " : "not mapped ") << state.width << "x" << state.height << "+" << state.x
             << "+" << state.y;
}

// A connection of the test's own to the X server: the top-level windows on the screen, the
// window manager's close request, the keyboard focus, and a plain window (the probe) that
// records the keys and mouse buttons it receives, as any other program of the session would.
class XClient {
 public:
  XClient() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("cannot open the display");
    root_ = DefaultRootWindow(display_);
    const int screen = DefaultScreen(display_);
    probe_ = XCreateSimpleWindow(display_, root_, 0, DisplayHeight(display_, screen) - 48, 160, 48, 0,
                                 BlackPixel(display_, screen), WhitePixel(display_, screen));
    XStoreName(display_, probe_, "lock-down probe");
    XSelectInput(display_, probe_, KeyPressMask | ButtonPressMask | StructureNotifyMask);
    XMapWindow(display_, probe_);
    const auto deadline = Clock::now() + 10s;
    for (bool mapped = false; !mapped && Clock::now() < deadline;) {
      while (!mapped && XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        mapped = event.type == MapNotify;
      }
      if (!mapped) std::this_thread::sleep_for(20ms);
    }
    LowerProbe();
  }
  ~XClient() {
    FocusFollowsPointer();
    XDestroyWindow(display_, probe_);
    XCloseDisplay(display_);
  }
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  // Every viewable child of the root window but the probe; tooltips (which follow the pointer
  // over the kiosk's own controls) do not count.
  std::vector<TopLevel> ViewableTopLevels() {
    std::vector<TopLevel> found;
    XErrorTrap trap(display_);
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      if (children[i] == probe_ || !XGetWindowAttributes(display_, children[i], &attributes) ||
          attributes.map_state != IsViewable || IsTooltip(children[i]))
        continue;
      found.push_back({children[i], Pid(children[i]), Name(children[i]), attributes.x, attributes.y,
                       attributes.width, attributes.height});
    }
    if (children) XFree(children);
    return found;
  }

  WindowState State(unsigned long window) {
    XErrorTrap trap(display_);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes)) return {};
    return {attributes.map_state == IsViewable, attributes.x, attributes.y, attributes.width, attributes.height};
  }

  // What a window manager sends when the visitor clicks a window's close box.
  void SendDeleteWindow(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XErrorTrap trap(display_);
    XSendEvent(display_, window, False, NoEventMask, &event);
  }

  void Focus(unsigned long window) {
    XErrorTrap trap(display_);
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  }
  // The X server's own default: keys go to the window under the pointer.
  void FocusFollowsPointer() { Focus(PointerRoot); }

  void FocusProbe() { Focus(probe_); }
  void RaiseProbe() {
    XRaiseWindow(display_, probe_);
    XSync(display_, False);
  }
  void LowerProbe() {
    XLowerWindow(display_, probe_);
    XSync(display_, False);
  }
  Point ProbeCentre() {
    const WindowState state = State(probe_);
    return {state.x + state.width / 2, state.y + state.height / 2};
  }

  // Forgets what the probe received so far.
  void ClearProbe() {
    Drain();
    keys_.clear();
    buttons_.clear();
  }
  bool ProbeGotKey(KeySym key) {
    Drain();
    return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
  }
  bool ProbeGotButton(unsigned button) {
    Drain();
    return std::find(buttons_.begin(), buttons_.end(), button) != buttons_.end();
  }
  std::string ProbeKeys() {
    Drain();
    std::string text;
    for (KeySym key : keys_) {
      const char* name = XKeysymToString(key);
      text += std::string(name ? name : "?") + " ";
    }
    return text;
  }

 private:
  void Drain() {
    XSync(display_, False);
    while (XPending(display_)) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == KeyPress) keys_.push_back(XLookupKeysym(&event.xkey, 0));
      if (event.type == ButtonPress) buttons_.push_back(event.xbutton.button);
    }
  }
  long Pid(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &items, &after, &data) == Success &&
        data && items == 1 && format == 32)
      pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
  }
  std::string Name(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(display_, "UTF8_STRING", False), &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 8)
      name.assign(reinterpret_cast<char*>(data), items);
    if (data) XFree(data);
    if (name.empty()) {
      char* plain = nullptr;
      if (XFetchName(display_, window, &plain) && plain) name = plain;
      if (plain) XFree(plain);
    }
    return name;
  }
  bool IsTooltip(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool tooltip = false;
    const Atom wanted = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False), 0, 16, False,
                           XA_ATOM, &type, &format, &items, &after, &data) == Success &&
        data && format == 32) {
      const auto* atoms = reinterpret_cast<Atom*>(data);
      tooltip = std::find(atoms, atoms + items, wanted) != atoms + items;
    }
    if (data) XFree(data);
    return tooltip;
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  Window probe_ = 0;
  std::vector<KeySym> keys_;
  std::vector<unsigned> buttons_;
};

// ---- The fixture ----

struct KioskOptions {
  bool hotKey = true;
  bool returnHome = false;  // "Return Home" 1 with "Return Home Minutes" 1
};

// What a row's checks compare against: taken just before its attempt.
struct Mark {
  std::set<unsigned long> windows;
  std::size_t logSize = 0;
};

// The demo server on the lock-down fixture, the kiosk's configuration and program folder in a
// temporary folder, the environment the kiosk reads, the administrator password stored, and
// stand-ins for the mail program and the launcher's program.
class LockdownE2E : public ::testing::Test {
 protected:
  LockdownE2E()
      : server_(dir_, config_, FixtureRoot()),
        windir_("WINDIR", config_),
        registry_("ORBETA_REGISTRY", config_ + "/registry"),
        socket_("ORBETA_SOCKET", dir_.File("kiosk.socket")),
        screenshot_("ORBETA_SCREENSHOT", std::nullopt),
        programHome_("ORBETA_HOME", program_),
        home_("HOME", dir_.File("home")),
        configHome_("XDG_CONFIG_HOME", dir_.File("home/.config")),
        cacheHome_("XDG_CACHE_HOME", dir_.File("home/.cache")),
        dataHome_("XDG_DATA_HOME", dir_.File("home/.local/share")),
        argvFile_("ORBETA_ARGV_FILE", dir_.File("argv")) {
    fs::create_directories(dir_.File("home"));
    fs::create_directories(markers_);
    // The program folder: what the build put beside the program (dictionary, help pages, the
    // desktop lock library), the stand-in mail program, and a download folder of the test's own.
    fs::create_directories(program_);
    for (const auto& entry : fs::directory_iterator(ORBETA_BIN_DIR)) {
      const std::string name = entry.path().filename().string();
      if (name != "downloads" && name != "Orbeta.log" && name != "Postrel.exe")
        fs::create_symlink(entry.path(), program_ + "/" + name);
    }
    InstallRecorder(program_ + "/Postrel.exe");
    fs::create_directories(dir_.File("launch"));
    InstallRecorder(dir_.File("launch/recorder"));

    // The redirecting server is the site list's second row.
    const std::string list = config_ + "/Orbeta.edn";
    std::string rows = test::ReadFile(list);
    for (std::size_t at; (at = rows.find("REDIRECT-HOST")) != std::string::npos;)
      rows.replace(at, 13, redirect_.Host());
    test::WriteFile(list, rows);
    // Launcher slot 1 starts the recorder; slot 2 names a program that is not there.
    IniFile(config_ + "/Orbeta.ini")
        .WriteString("Kiosk mode", "ProgramsToLaunched",
                     "Recorder," + dir_.File("launch/recorder") + ",Missing," + dir_.File("launch/missing"));
    StoreAdminPassword(kPassword);

    // A local page that an escape to "file:" would show; it asks the server for "/escaped".
    test::WriteFile(escapePage_, "<!DOCTYPE html><html><body><img src=\"http://" + Kiosk() +
                                     "/escaped?from=file\"></body></html>\n");
    redirect_.Map("/to-file", FileUrl());
    redirect_.Map("/to-outside", "http://" + server_.Host("outside") + "/");
  }

  ~LockdownE2E() override { kiosk_.reset(); }

  static void InstallRecorder(const std::string& path) {
    fs::copy_file(test::Bin("argv_recorder"), path, fs::copy_options::overwrite_existing);
    fs::permissions(path, fs::perms::owner_all);
  }

  std::string Kiosk() const { return server_.Host("kiosk"); }
  std::string Outside() const { return server_.Host("outside"); }
  std::string FileUrl() const { return "file://" + escapePage_; }
  std::string Downloads() const { return program_ + "/downloads"; }
  std::string KioskErr() const { return test::ReadIfAny(dir_.File("kiosk-" + std::to_string(starts_) + ".err")); }

  // Starts the kiosk (ending one that runs) and waits until its home page is on the screen:
  // its window, the browser's part of the screen and the address entry are then known.
  bool StartKiosk(const KioskOptions& options) {
    options_ = options;
    kiosk_.reset();
    IniFile settings(config_ + "/Orbeta.ini");
    settings.WriteString("Security", "HotKey", options.hotKey ? "1" : "0");
    settings.WriteString("Navigator Params", "Return Home", options.returnHome ? "1" : "0");
    settings.WriteString("Navigator Params", "Return Home Minutes", options.returnHome ? "1" : "5");
    const int shown = server_.Count("kiosk GET /ready?r= ");
    ++starts_;
    kiosk_ = std::make_unique<Child>(std::vector<std::string>{test::Bin("orbeta")},
                                     dir_.File("kiosk-" + std::to_string(starts_) + ".out"),
                                     dir_.File("kiosk-" + std::to_string(starts_) + ".err"));
    if (!WaitUntil([&] { return server_.Count("kiosk GET /ready?r= ") > shown || !kiosk_->Running(); }) ||
        !kiosk_->Running()) {
      ADD_FAILURE() << "the kiosk did not show its home page\n" << server_.Log() << KioskErr();
      return false;
    }
    const std::optional<test::KioskWindow> window = test::FindKioskWindow(kiosk_->Pid(), dir_);
    if (!window) {
      ADD_FAILURE() << "no visible kiosk window";
      return false;
    }
    window_ = std::stoul(window->id);
    geometry_ = x_.State(window_);
    return FindBrowser(window->geometry);
  }

  // The browser is where the fixture page's colour is; the address entry is found as the
  // other end-to-end tests find it.
  bool FindBrowser(const std::map<std::string, int>& window) {
    GdkPixbuf* shot = nullptr;
    const bool found = WaitUntil(
        [&] {
          if (shot) g_object_unref(shot);
          shot = test::Screenshot();
          browser_ = ColourBox(shot, kPageColour);
          entry_ = test::FindAddressEntry(shot, window);
          logo_ = LogoCentre(shot, window);
          return browser_.width >= 200 && browser_.height >= 200 && entry_.x >= 0;
        },
        15s);
    if (!found) {
      const std::string file = ::testing::TempDir() + "orbeta_lockdown_start.png";
      gdk_pixbuf_save(shot, file.c_str(), "png", nullptr, nullptr);
      ADD_FAILURE() << "the browser or the address entry is not on the screen; screenshot in " << file;
    }
    g_object_unref(shot);
    return found;
  }

  struct Box {
    int x = 0, y = 0, width = 0, height = 0;
  };
  static Box ColourBox(GdkPixbuf* shot, const int (&colour)[3]) {
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    for (int y = 0; y < gdk_pixbuf_get_height(shot); ++y)
      for (int x = 0; x < gdk_pixbuf_get_width(shot); ++x) {
        const guchar* p = pixels + y * stride + x * channels;
        if (std::abs(p[0] - colour[0]) > 4 || std::abs(p[1] - colour[1]) > 4 || std::abs(p[2] - colour[2]) > 4)
          continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    if (right < 0) return {};
    return {left, top, right - left + 1, bottom - top + 1};
  }
  // The logo: the black panel at the right end of the tool bar band.
  static Point LogoCentre(GdkPixbuf* shot, const std::map<std::string, int>& window) {
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    const int right = std::min(gdk_pixbuf_get_width(shot), window.at("X") + window.at("WIDTH"));
    const int top = std::max(0, window.at("Y"));
    int left = INT32_MAX, last = -1, upper = INT32_MAX, lower = -1;
    for (int y = top; y < std::min(gdk_pixbuf_get_height(shot), top + 80); ++y)
      for (int x = std::max(0, right - 80); x < right; ++x) {
        const guchar* p = pixels + y * stride + x * channels;
        if (p[0] > 8 || p[1] > 8 || p[2] > 8) continue;
        left = std::min(left, x), last = std::max(last, x);
        upper = std::min(upper, y), lower = std::max(lower, y);
      }
    if (last < 0) return {};
    return {(left + last) / 2, (upper + lower) / 2};
  }

  Point BrowserCentre() const { return {browser_.x + browser_.width / 2, browser_.y + browser_.height / 2}; }

  void Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    const test::Ran ran = RunToEnd(args, dir_);
    EXPECT_EQ(ran.exitCode, 0) << "xdotool failed: " << ran.err;
  }
  void Click(const Point& at, int button = 1) {
    Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click", std::to_string(button)});
  }
  void ClickBrowser(int button = 1) { Click(BrowserCentre(), button); }

  // Types a fixture page's address into the address bar and waits until the page is shown;
  // types it once more when the first try shows nothing (a kiosk busy with the row before may
  // lose the keys). `query` follows the page's own "r" parameter.
  bool Open(const std::string& page, const std::string& query = "") {
    const std::string id = page.substr(0, page.find('.')) + "-" + std::to_string(++pages_);
    const std::string address = "http://" + Kiosk() + "/" + page + "?r=" + id + query;
    for (int attempt = 0; attempt < 2; ++attempt) {
      x_.FocusFollowsPointer();
      test::TypeAddress(entry_, address, dir_);
      if (server_.WaitForLine("kiosk GET /ready?r=" + id + " 404", 10s)) return true;
    }
    ADD_FAILURE() << "the kiosk did not show " << page << "\n" << KioskErr();
    return false;
  }
  // The fixture page whose one link fills the browser, linking to `target`.
  bool OpenLinkTo(const std::string& target) { return Open("link.html", "&to=" + Base64Url(target)); }

  std::string LogSince(const Mark& mark) const {
    const std::string log = server_.Log();
    return log.substr(std::min(mark.logSize, log.size()));
  }

  Mark MarkNow() {
    Mark mark;
    for (const TopLevel& window : x_.ViewableTopLevels()) mark.windows.insert(window.id);
    mark.logSize = server_.Log().size();
    return mark;
  }

  // What got out since `mark`, as text; empty when nothing did. Every row watches these.
  std::string CommonEscapes(const Mark& mark) const {
    std::string found;
    std::istringstream lines(LogSince(mark));
    for (std::string line; std::getline(lines, line);) {
      if (line.find(" GET /escaped") != std::string::npos) found += "a page of an escape was shown: " + line + "\n";
      if (line.starts_with("outside ")) found += "the outside site was reached: " + line + "\n";
      if (line.find(" /source.html") != std::string::npos) found += "a page was loaded for its source: " + line + "\n";
    }
    for (const auto& marker : fs::directory_iterator(markers_))
      found += "a marker file was created: " + marker.path().string() + "\n";
    return found;
  }

  // Watches the kiosk for `quiet` after an attempt and checks that it stayed put and that
  // nothing got out (CommonEscapes and the row's own `escaped`). A kiosk left dead, moved or
  // with a new window open is started afresh for the rows after this one.
  void ExpectStaysPut(const std::string& row, const Mark& mark, Clock::duration quiet,
                      const std::function<std::string()>& escaped = {}) {
    std::map<unsigned long, std::string> appeared;
    std::string got;
    const auto deadline = Clock::now() + quiet;
    do {
      for (const TopLevel& window : x_.ViewableTopLevels())
        if (!mark.windows.contains(window.id)) appeared.emplace(window.id, window.Describe());
      got = CommonEscapes(mark) + (escaped ? escaped() : "");
      if (!got.empty()) break;
      std::this_thread::sleep_for(150ms);
    } while (Clock::now() < deadline);

    const bool alive = kiosk_ && kiosk_->Running();
    const WindowState state = alive ? x_.State(window_) : WindowState{};
    EXPECT_TRUE(alive) << row << ": the kiosk ended\n" << KioskErr();
    if (alive) {
      EXPECT_EQ(state, geometry_) << row << ": the kiosk's window changed";
    }
    std::string windows;
    bool open = false;
    for (const auto& [id, description] : appeared) {
      windows += "  " + description + "\n";
      open = open || x_.State(id).viewable;
    }
    EXPECT_TRUE(appeared.empty()) << row << ": new top-level windows appeared:\n" << windows;
    EXPECT_EQ(got, "") << row << ": something got out";
    if (!alive || state != geometry_ || open) Recover();
    // Files that appeared were reported with this row; the next row starts without them.
    for (const auto& marker : fs::directory_iterator(markers_)) fs::remove(marker.path());
    std::error_code ignored;
    fs::remove_all(Downloads(), ignored);
  }

  // Starts the kiosk afresh, and brings back the page the current group works on.
  void Recover() {
    if (!StartKiosk(options_)) return;
    if (reopen_) reopen_();
  }

  // Whether Alt+Tab reaches the test's own window while it has the keyboard focus. A plain
  // key sent after it, which nothing takes, tells when the probe has seen all there was.
  // The kiosk applies a new lock state in its own time: a lifted lock is waited for, a kept
  // one is judged after a second.
  bool LockLiftedAfterAWhile(bool expectLifted) {
    if (expectLifted) return WaitUntil([&] { return AltTabReachesProbe(); }, 10s);
    std::this_thread::sleep_for(1s);
    return AltTabReachesProbe();
  }

  bool AltTabReachesProbe() {
    x_.ClearProbe();
    x_.FocusProbe();
    Xdotool({"key", "alt+Tab"});
    Xdotool({"key", "x"});
    EXPECT_TRUE(WaitUntil([&] { return x_.ProbeGotKey(XK_x); }, 10s)) << "the test's window got no keys at all";
    const bool got = x_.ProbeGotKey(XK_Tab);
    x_.FocusFollowsPointer();
    return got;
  }

  TempDir dir_;
  std::string config_ = dir_.File("kiosk");
  std::string program_ = dir_.File("program");
  std::string markers_ = dir_.File("markers");
  std::string escapePage_ = dir_.File("escape.html");
  DemoServer server_;
  RedirectServer redirect_;
  ScopedEnv windir_, registry_, socket_, screenshot_, programHome_, home_, configHome_, cacheHome_, dataHome_,
      argvFile_;
  XClient x_;

  std::unique_ptr<Child> kiosk_;
  KioskOptions options_;
  int starts_ = 0;
  int pages_ = 0;
  unsigned long window_ = 0;
  WindowState geometry_;
  Box browser_;
  Point entry_;
  Point logo_;
  std::function<void()> reopen_;
};

// ---- Keys ----

// Key combinations that leave a program or reach the desktop: the locked kiosk takes them from
// the whole session (no other window receives them) and swallows them itself (the page never
// sees them). Ctrl with a function key is not taken from the session, but the kiosk swallows it.
TEST_F(LockdownE2E, KeysThatLeaveTheKioskReachNoWindow) {
  ASSERT_TRUE(StartKiosk({}));
  reopen_ = [this] { Open("input.html"); };
  ASSERT_TRUE(Open("input.html"));

  struct Row {
    std::string keys;          // as xdotool names them
    KeySym probeKey;           // what the test's window must not receive
    std::vector<std::string> pageKeys;  // what the page must not see (KeyboardEvent.key)
    bool takenFromSession;
  };
  std::vector<Row> rows = {
      {"alt+Tab", XK_Tab, {"Tab"}, true},
      {"alt+shift+Tab", XK_Tab, {"Tab"}, true},
      {"alt+F4", XK_F4, {"F4"}, true},
      {"alt+Escape", XK_Escape, {"Escape"}, true},
      {"ctrl+Escape", XK_Escape, {"Escape"}, true},
      {"alt+Return", XK_Return, {"Enter"}, true},
      {"ctrl+alt+Delete", XK_Delete, {"Delete"}, true},
      {"Super_L", XK_Super_L, {"Meta", "OS", "Super"}, true},
      {"Super_R", XK_Super_R, {"Meta", "OS", "Super"}, true},
      {"super+r", XK_r, {"r", "R"}, true},
      {"super+e", XK_e, {"e", "E"}, true},
      {"Menu", XK_Menu, {"ContextMenu"}, true},
  };
  for (int f = 1; f <= 12; ++f)
    rows.push_back(
        {"ctrl+F" + std::to_string(f), static_cast<KeySym>(XK_F1 + f - 1), {"F" + std::to_string(f)}, false});

  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    const Mark mark = MarkNow();
    if (row.takenFromSession) {
      x_.ClearProbe();
      x_.FocusProbe();
      Xdotool({"key", row.keys});
      Xdotool({"key", "x"});
      EXPECT_TRUE(WaitUntil([&] { return x_.ProbeGotKey(XK_x); }, 10s)) << "the test's window got no keys at all";
      EXPECT_FALSE(x_.ProbeGotKey(row.probeKey))
          << row.keys << " reached the test's own window; it received: " << x_.ProbeKeys();
      x_.FocusFollowsPointer();
    }
    // The same keys with the page in front; a plain key first shows that the page has the
    // keyboard (keys that got through may move the focus elsewhere).
    ClickBrowser();
    const int controls = server_.Count("kiosk GET /key?k=x ");
    Xdotool({"key", "x"});
    EXPECT_TRUE(WaitUntil([&] { return server_.Count("kiosk GET /key?k=x ") > controls; }, 10s))
        << "the page got no keys at all";
    Xdotool({"key", row.keys});
    ExpectStaysPut(row.keys, mark, 1s, [&] {
      const std::string seen = LogSince(mark);
      std::string found;
      for (const std::string& key : row.pageKeys)
        if (seen.find("GET /key?k=" + key + " ") != std::string::npos)
          found += row.keys + " reached the page as " + key + "\n";
      return found;
    });
  }
}

// ---- The mouse ----

// The right button is taken from the whole session while locked: neither the page, nor the
// kiosk's own controls (no context menu of the engine or of an entry), nor another program's
// window receive it. The left button, clicked after it, shows that the clicks arrive at all.
TEST_F(LockdownE2E, RightButtonReachesNothing) {
  ASSERT_TRUE(StartKiosk({}));
  reopen_ = [this] { Open("input.html"); };
  ASSERT_TRUE(Open("input.html"));
  const Point toolBar = {static_cast<int>(geometry_.x + geometry_.width * 3 / 4), geometry_.y + 20};

  enum class Where { Page, AddressBar, ToolBar, OtherProgram };
  const struct {
    const char* name;
    Where where;
  } rows[] = {
      {"right click in the page", Where::Page},
      {"right click on the address bar", Where::AddressBar},
      {"right click on the tool bar", Where::ToolBar},
      {"right click on another program's window", Where::OtherProgram},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Mark mark = MarkNow();
    switch (row.where) {
      case Where::Page: {
        const int lefts = server_.Count("kiosk GET /mouse?b=0 ");
        ClickBrowser(3);
        ClickBrowser(1);
        EXPECT_TRUE(WaitUntil([&] { return server_.Count("kiosk GET /mouse?b=0 ") > lefts; }, 10s))
            << "the page got no clicks at all";
        const std::string seen = LogSince(mark);
        EXPECT_EQ(seen.find("GET /mouse?b=2 "), std::string::npos) << "the right button reached the page";
        EXPECT_EQ(seen.find("GET /contextmenu "), std::string::npos) << "the page got a context menu event";
        break;
      }
      case Where::AddressBar: Click(entry_, 3); break;
      case Where::ToolBar: Click(toolBar, 3); break;
      case Where::OtherProgram: {
        x_.RaiseProbe();
        x_.ClearProbe();
        Click(x_.ProbeCentre(), 3);
        Click(x_.ProbeCentre(), 1);
        EXPECT_TRUE(WaitUntil([&] { return x_.ProbeGotButton(1); }, 10s)) << "the test's window got no clicks";
        EXPECT_FALSE(x_.ProbeGotButton(3)) << "the right button reached the test's own window";
        x_.LowerProbe();
        Click(BrowserCentre(), 1);
        break;
      }
    }
    ExpectStaysPut(row.name, mark, 1500ms);
  }
}

// ---- Closing ----

// The close request a window manager sends (there is none on the test's X server, so the
// test sends it as one would) leaves the kiosk running, mapped and in place, and usable.
TEST_F(LockdownE2E, WindowManagerCloseRequestIsRefused) {
  ASSERT_TRUE(StartKiosk({}));
  const Mark mark = MarkNow();
  x_.SendDeleteWindow(window_);
  ExpectStaysPut("close request of the window manager", mark, 3s);
  EXPECT_TRUE(Open("input.html")) << "the kiosk no longer works after the close request";
}

// ---- Addresses ----

struct AddressRow {
  std::string name;
  std::string address;
  std::string redirectPath;  // the row goes through the redirecting server: it must be asked
};

// Addresses that leave the allowed sites or reach the window: local files (also through a
// server's redirect), page sources, data addresses, window scripts, and an allowed host named
// as the user of an address whose host is another.
std::vector<AddressRow> EscapeAddresses(const std::string& fileUrl, const std::string& kiosk,
                                        const std::string& outside, const std::string& redirect) {
  const std::string path = fileUrl.substr(std::string("file://").size());
  return {
      {"file address", fileUrl, ""},
      {"file address in capitals", "FILE://" + path, ""},
      {"file address on localhost", "file://localhost" + path, ""},
      {"file address with one slash", "file:" + path, ""},
      {"source of a page", "view-source:http://" + kiosk + "/source.html", ""},
      {"data address", "data:text/html,<img src=http://" + kiosk + "/escaped?from=data>", ""},
      {"script closing the window", "javascript:window.close()", ""},
      {"script moving and resizing the window", "javascript:window.moveTo(40,40);window.resizeTo(320,240)", ""},
      {"script printing the page", "javascript:window.print()", ""},
      {"server redirect to a file address", "http://" + redirect + "/to-file", "/to-file"},
      {"server redirect to an unlisted site", "http://" + redirect + "/to-outside", "/to-outside"},
      {"allowed host as the user of another", "http://" + kiosk + "@" + outside + "/", ""},
      {"allowed host and a password as the user of another", "http://" + kiosk + ":secret@" + outside + "/", ""},
      {"backslash before the allowed host", "http://" + outside + "\\@" + kiosk + "/", ""},
  };
}

// Typed into the address bar (click, type, Return).
TEST_F(LockdownE2E, TypedAddressesLeadNowhere) {
  ASSERT_TRUE(StartKiosk({}));
  for (const AddressRow& row : EscapeAddresses(FileUrl(), Kiosk(), Outside(), redirect_.Host())) {
    SCOPED_TRACE(row.name);
    const Mark mark = MarkNow();
    x_.FocusFollowsPointer();
    test::TypeAddress(entry_, row.address, dir_);
    Xdotool({"mousemove", std::to_string(BrowserCentre().x), std::to_string(BrowserCentre().y)});
    if (!row.redirectPath.empty()) {
      EXPECT_TRUE(WaitUntil([&] { return redirect_.Requested(row.redirectPath); }, 10s))
          << "the kiosk did not even ask the redirecting server, which the site list allows";
    }
    ExpectStaysPut(row.name + " (typed: " + row.address + ")", mark, 2s);
  }
}

// Linked from a page: the visitor clicks a link that fills the page.
TEST_F(LockdownE2E, LinkedAddressesLeadNowhere) {
  ASSERT_TRUE(StartKiosk({}));
  for (const AddressRow& row : EscapeAddresses(FileUrl(), Kiosk(), Outside(), redirect_.Host())) {
    SCOPED_TRACE(row.name);
    if (!OpenLinkTo(row.address)) continue;
    const Mark mark = MarkNow();
    ClickBrowser();
    if (!row.redirectPath.empty()) {
      EXPECT_TRUE(WaitUntil([&] { return redirect_.Requested(row.redirectPath); }, 10s))
          << "the kiosk did not even ask the redirecting server, which the site list allows";
    }
    ExpectStaysPut(row.name + " (linked: " + row.address + ")", mark, 2s);
  }
}

// ---- Printing, uploads, downloads ----

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    if (entry.is_regular_file()) names.push_back(entry.path().string());
  return names;
}

// A page that prints itself or moves and closes its window, a file field, and downloads: no
// print dialog, file chooser or save dialog; forbidden file types are never fetched nor saved;
// an allowed one is saved, without asking, into the kiosk's own download folder only.
TEST_F(LockdownE2E, PagesCannotPrintUploadOrSaveForbiddenFiles) {
  ASSERT_TRUE(StartKiosk({}));
  const auto nothingSaved = [&] {
    std::string found;
    for (const std::string& file : FilesIn(Downloads())) found += "saved: " + file + "\n";
    return found;
  };

  {
    SCOPED_TRACE("a page that prints itself");
    const Mark mark = MarkNow();
    if (Open("print.html")) {
      EXPECT_TRUE(WaitUntil([&] { return LogSince(mark).find("GET /print-returned") != std::string::npos; }, 10s))
          << "the page's print request never returned";
    }
    ExpectStaysPut("a page that prints itself", mark, 2s);
  }
  {
    SCOPED_TRACE("a page that moves, resizes and closes its window");
    if (Open("window.html")) {
      const Mark mark = MarkNow();
      ClickBrowser();
      EXPECT_TRUE(WaitUntil([&] { return LogSince(mark).find("GET /window-returned") != std::string::npos; }, 10s))
          << "the page's script did not run";
      ExpectStaysPut("a page that moves, resizes and closes its window", mark, 2s);
    }
  }
  {
    SCOPED_TRACE("a file upload field clicked");
    if (Open("upload.html")) {
      const Mark mark = MarkNow();
      ClickBrowser();
      ExpectStaysPut("a file upload field clicked", mark, 2s);
    }
  }
  // Forbidden types (".exe;.msi;.bat;.sh", matched as the settings write them), also behind a
  // query or a fragment, and when the link asks for a download itself ("download" attribute).
  const struct {
    std::string file;
    bool downloadAttribute;
  } forbidden[] = {{"tool.exe", false},           {"setup.msi", false},    {"tidy.sh", false},
                   {"tool.exe?version=2", false}, {"tool.exe#top", false}, {"tool.exe", true},
                   {"tidy.sh", true}};
  for (const auto& [file, downloadAttribute] : forbidden) {
    const std::string row = "download of " + file + (downloadAttribute ? " by a download link" : "");
    SCOPED_TRACE(row);
    if (!Open("link.html", "&to=" + Base64Url("http://" + Kiosk() + "/files/" + file) +
                               (downloadAttribute ? "&download" : "")))
      continue;
    const Mark mark = MarkNow();
    ClickBrowser();
    const std::string name = file.substr(0, file.find_first_of("?#"));
    ExpectStaysPut(row, mark, 3s, [&] {
      std::string found = nothingSaved();
      const std::string seen = LogSince(mark);
      const std::size_t at = seen.find(" /files/" + name);
      if (at != std::string::npos)
        found += "the forbidden file was fetched:" + seen.substr(at, seen.find('\n', at) - at) + "\n";
      return found;
    });
  }
  {
    SCOPED_TRACE("download of an allowed type");
    const std::string expected = test::ReadFile(FixtureRoot() + "/sites/kiosk/files/leaflet.pdf");
    if (Open("link.html", "&to=" + Base64Url("http://" + Kiosk() + "/files/leaflet.pdf") + "&download")) {
      const Mark mark = MarkNow();
      ClickBrowser();
      const std::string saved = Downloads() + "/leaflet.pdf";
      EXPECT_TRUE(WaitUntil([&] { return test::ReadIfAny(saved) == expected; }, 15s))
          << "the allowed file was not saved into " << Downloads() << "; the server saw:\n" << LogSince(mark);
      ExpectStaysPut("download of an allowed type", mark, 1s, [&] {
        std::string found;
        for (const std::string& file : FilesIn(dir_.File("home")))
          if (file.find("leaflet") != std::string::npos) found += "saved outside the download folder: " + file + "\n";
        for (const std::string& file : FilesIn(Downloads()))
          if (file != saved) found += "saved besides: " + file + "\n";
        return found;
      });
    }
  }
}

// ---- Pop-ups ----

// Pages' new windows are shown inside the main window, never as windows of their own: a page
// that opens fifty, and a pop-up that opens further windows (one of them outside the allowed
// sites). The kiosk stays, in place, and keeps working.
TEST_F(LockdownE2E, PopUpsStayInsideTheKiosk) {
  // Pop-ups cover the page they came from: each row has a kiosk of its own.
  const struct {
    std::string name;
    std::string page;
    std::string query;
    std::string done;  // what the page reports once its script has run
  } rows[] = {
      {"a page opening fifty windows", "fifty.html", "", "GET /fifty-done"},
      {"a pop-up opening further windows", "opener.html", "&to=" + Base64Url("/spawner.html?r=spawner"),
       "GET /spawner-done?r=spawner "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(StartKiosk({}));
    if (!Open(row.page, row.query)) continue;
    const Mark mark = MarkNow();
    ClickBrowser();
    EXPECT_TRUE(WaitUntil([&] { return LogSince(mark).find(row.done) != std::string::npos; }, 15s))
        << "the page's windows were not shown, or their script did not run; the server saw:\n" << LogSince(mark);
    ExpectStaysPut(row.name, mark, 3s);
    EXPECT_TRUE(Open("input.html")) << "the kiosk no longer works after " << row.name;
  }
}

// ---- Mail and launcher links ----

std::vector<std::string> RecordedArgs(const std::string& file) {
  std::vector<std::string> args;
  const std::string bytes = test::ReadIfAny(file);
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) break;
    args.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

// A mail link hands its address to the mail program as plain arguments, so shell
// metacharacters in it run nothing; "run:" links with a number that names no launcher program
// start nothing, while one that does starts exactly that program.
TEST_F(LockdownE2E, MailAndLauncherLinksStartNothingElse) {
  ASSERT_TRUE(StartKiosk({}));
  const std::string argv = dir_.File("argv");
  const std::string marker = markers_ + "/created";
  {
    const std::string address =
        "visitor@example.org;touch " + marker + "-1 $(touch " + marker + "-2) |touch " + marker + "-3";
    SCOPED_TRACE("mail link with shell metacharacters");
    if (OpenLinkTo("mailto:" + address)) {
      const Mark mark = MarkNow();
      ClickBrowser();
      EXPECT_TRUE(WaitUntil([&] { return fs::exists(argv); }, 15s)) << "the mail program was not started";
      const std::vector<std::string> args = RecordedArgs(argv);
      std::string rest;
      for (std::size_t i = 2; i < args.size(); ++i) rest += (i > 2 ? " " : "") + args[i];
      if (args.size() >= 2) {
        EXPECT_EQ(args[0], "Postrel.exe");
        EXPECT_EQ(args[1], "securityon");
      }
      EXPECT_EQ(rest, address) << "the address did not reach the mail program as plain arguments";
      ExpectStaysPut("mail link with shell metacharacters", mark, 2s);
      fs::remove(argv);
    }
  }
  const std::string numbers[] = {"0", "11", "-1", "abc", "2", "3", "1;touch " + marker, "0x1", "1 2", "99999999999"};
  for (const std::string& number : numbers) {
    SCOPED_TRACE("run:" + number);
    if (!OpenLinkTo("run:" + number)) continue;
    const Mark mark = MarkNow();
    ClickBrowser();
    ExpectStaysPut("launcher link run:" + number, mark, 2s, [&] {
      return fs::exists(argv) ? "a program was started: " + RecordedArgs(argv).front() + "\n" : std::string();
    });
    fs::remove(argv);
  }
  // The same link with the number of the configured program does start it: the rows above
  // were refused, not lost.
  SCOPED_TRACE("run:1");
  ASSERT_TRUE(OpenLinkTo("run:1"));
  ClickBrowser();
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(argv); }, 15s)) << "run:1 did not start the launcher's program";
  const std::vector<std::string> started = RecordedArgs(argv);
  ASSERT_FALSE(started.empty());
  EXPECT_EQ(fs::path(started[0]).filename(), "recorder");
}

// ---- Return home ----

// "Return Home" 1, "Return Home Minutes" 1: with a pop-up open and the mouse left alone, the
// home page is requested again 60 to 95 seconds after the last movement (the mouse is sampled
// every 30 seconds), never sooner.
TEST_F(LockdownE2E, ReturnsHomeAfterAMinuteWithoutInputWithAPopUpOpen) {
  ASSERT_TRUE(StartKiosk({.hotKey = true, .returnHome = true}));
  ASSERT_TRUE(Open("opener.html", "&to=" + Base64Url("/popup.html?r=idle-popup")));
  ClickBrowser();
  EXPECT_TRUE(server_.WaitForLine("kiosk GET /ready?r=idle-popup 404", 15s)) << "the pop-up was not shown";
  const int homes = server_.Count("kiosk GET / 200");
  // The last movement, to a place the pointer has not been before.
  Xdotool({"mousemove", std::to_string(BrowserCentre().x + 13), std::to_string(BrowserCentre().y + 7)});
  const auto moved = Clock::now();
  ASSERT_TRUE(WaitUntil([&] { return server_.Count("kiosk GET / 200") > homes || !kiosk_->Running(); }, 110s))
      << "the kiosk did not return home";
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - moved).count();
  EXPECT_TRUE(kiosk_->Running()) << KioskErr();
  EXPECT_GE(seconds, 60);
  EXPECT_LE(seconds, 95);
}

// ---- Unlocking ----

// Shift + numeric keypad "*" opens the password dialog; an empty, a wrong or a wrongly cased
// password keeps the lock (Alt+Tab still reaches no other window); the right one lifts it.
TEST_F(LockdownE2E, OnlyTheAdministratorPasswordLiftsTheLock) {
  ASSERT_TRUE(StartKiosk({.hotKey = false, .returnHome = false}));
  EXPECT_FALSE(AltTabReachesProbe()) << "the kiosk does not lock Alt+Tab at start";
  const std::string title = EnglishText(315);
  std::string upper = kPassword;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });

  const struct {
    std::string entry;
    bool unlocks;
  } rows[] = {{"", false}, {"wrong password", false}, {upper, false}, {kPassword, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE("password \"" + row.entry + "\"");
    ClickBrowser();
    Xdotool({"key", "shift+KP_Multiply"});
    std::optional<TopLevel> dialog;
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (const TopLevel& window : x_.ViewableTopLevels())
            if (window.name == title) dialog = window;
          return dialog.has_value();
        },
        10s))
        << "Shift + keypad * opened no window titled \"" << title << "\"";
    x_.Focus(dialog->id);
    if (!row.entry.empty()) Xdotool({"type", "--delay", "20", row.entry});
    Xdotool({"key", "Return"});
    EXPECT_TRUE(WaitUntil([&] { return !x_.State(dialog->id).viewable; }, 10s)) << "Return did not close the dialog";
    x_.FocusFollowsPointer();
    EXPECT_TRUE(kiosk_->Running()) << KioskErr();
    EXPECT_EQ(x_.State(window_), geometry_);
    EXPECT_EQ(LockLiftedAfterAWhile(row.unlocks), row.unlocks)
        << (row.unlocks ? "the right password did not lift the lock" : "a wrong password lifted the lock");
  }
}

// Ctrl+Alt+left click on the logo unlocks without a password, only when "HotKey" is 1, and
// only with exactly those modifiers.
struct GestureCase {
  bool hotKey;
  std::vector<std::pair<std::vector<std::string>, bool>> gestures;  // modifiers, unlocks
};

void PrintTo(const GestureCase& c, std::ostream* out) { *out << "HotKey " << (c.hotKey ? 1 : 0); }

class LockdownGesture : public LockdownE2E, public ::testing::WithParamInterface<GestureCase> {};

TEST_P(LockdownGesture, LogoGestureUnlocksOnlyWhenAllowed) {
  ASSERT_TRUE(StartKiosk({.hotKey = GetParam().hotKey, .returnHome = false}));
  ASSERT_GE(logo_.x, 0) << "no logo at the right end of the tool bar band";
  EXPECT_FALSE(AltTabReachesProbe()) << "the kiosk does not lock Alt+Tab at start";
  for (const auto& [modifiers, unlocks] : GetParam().gestures) {
    std::string name;
    for (const std::string& key : modifiers) name += key + "+";
    SCOPED_TRACE(name + "click on the logo");
    std::vector<std::string> args = {"mousemove", std::to_string(logo_.x), std::to_string(logo_.y)};
    for (const std::string& key : modifiers) args.insert(args.end(), {"keydown", key});
    args.insert(args.end(), {"click", "1"});
    for (auto key = modifiers.rbegin(); key != modifiers.rend(); ++key) args.insert(args.end(), {"keyup", *key});
    Xdotool(args);
    // Away from the logo, so that nothing more happens there.
    Xdotool({"mousemove", std::to_string(BrowserCentre().x), std::to_string(BrowserCentre().y)});
    EXPECT_TRUE(kiosk_->Running()) << KioskErr();
    EXPECT_EQ(LockLiftedAfterAWhile(unlocks), unlocks) << (unlocks ? "the gesture did not lift the lock"
                                                                   : "the gesture lifted the lock");
  }
}

INSTANTIATE_TEST_SUITE_P(
    HotKey, LockdownGesture,
    ::testing::Values(GestureCase{true, {{{"ctrl", "alt", "shift"}, false}, {{"ctrl", "alt"}, true}}},
                      GestureCase{false, {{{"ctrl", "alt"}, false}, {{"ctrl", "alt", "shift"}, false}}}),
    [](const ::testing::TestParamInfo<GestureCase>& info) { return info.param.hotKey ? "On" : "Off"; });

}  // namespace
}  // namespace orbeta
