// The desktop lock library against a real X server: what another client's window still receives
// of real XTest input while keys and buttons are taken away, the key reports of that input, the
// dock windows, and the calls without a display.
#include "dwlgina3.h"

// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/virtual_keys.h"
#include "platform/x11_dock.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using namespace std::chrono_literals;

// Polls `done` every few milliseconds, for five seconds at most.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Another X client: a plain window on a connection of its own, with the input focus, recording
// the key and button presses it receives.
class Client {
 public:
  Client() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 200, 0, 0, 0);
    XSelectInput(display_, window_, KeyPressMask | ButtonPressMask | StructureNotifyMask);
    XMapWindow(display_, window_);
    XEvent event;
    WaitFor([&] { return XCheckTypedWindowEvent(display_, window_, MapNotify, &event); });
    XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }
  ~Client() {
    if (display_) XCloseDisplay(display_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  Display* display() const { return display_; }
  Window window() const { return window_; }

  void Clear() {
    Read();
    presses_.clear();
  }
  void Read() {
    while (XPending(display_)) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == KeyPress || event.type == ButtonPress) presses_.push_back(event);
    }
  }
  // The press of a keycode (a button) received since Clear, or null.
  const XEvent* KeyPressed(unsigned int keycode) const { return Find(KeyPress, keycode); }
  const XEvent* ButtonPressed(unsigned int button) const { return Find(ButtonPress, button); }

 private:
  const XEvent* Find(int type, unsigned int detail) const {
    for (const XEvent& event : presses_)
      if (event.type == type && (type == KeyPress ? event.xkey.keycode : event.xbutton.button) == detail)
        return &event;
    return nullptr;
  }

  Display* display_;
  Window window_ = None;
  std::vector<XEvent> presses_;
};

// Real input through the XTest extension, on a connection of its own.
class Input {
 public:
  Input() : display_(XOpenDisplay(nullptr)) {}
  ~Input() {
    if (display_) XCloseDisplay(display_);
  }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  KeyCode Code(KeySym keysym) const { return XKeysymToKeycode(display_, keysym); }
  // Presses the keys in order and releases them in reverse order.
  void Chord(const std::vector<KeyCode>& keys) {
    for (KeyCode key : keys) XTestFakeKeyEvent(display_, key, True, CurrentTime);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) XTestFakeKeyEvent(display_, *key, False, CurrentTime);
    XSync(display_, False);
  }
  void Chord(const std::vector<KeySym>& keysyms) {
    std::vector<KeyCode> keys;
    for (KeySym keysym : keysyms) keys.push_back(Code(keysym));
    Chord(keys);
  }
  void Click(unsigned int button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
  }
  void PointAt(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
  }

 private:
  Display* display_;
};

struct Report {
  void* window;
  uint32_t message;
  uintptr_t focus;
  uint16_t virtualKey;
  uint16_t modifiers;
};
std::vector<Report> reports;

void RecordReport(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  reports.push_back({window, message, wParam, static_cast<uint16_t>(lParam & 0xFFFF),
                     static_cast<uint16_t>((lParam >> 16) & 0xFFFF)});
}

constexpr uint32_t kDown = 0x0400 + 444, kUp = 0x0400 + 445;

class DesktopLockLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(client_.display(), nullptr);
    // Input of earlier tests in this process is read before reports are wanted.
    wlProcessEvents();
    reports.clear();
  }
  void TearDown() override {
    wlRestoreAll();
    wlSetKeyPostMessage(nullptr, 0, 0);
    wlSetPostMessageProc(nullptr);
  }

  // Sends the chord (the click), then the unrestricted key "a" as a marker: once the marker has
  // arrived, whatever the chord could deliver has arrived too. Returns whether the chord's last
  // key (the button) reached the client's window.
  bool Reaches(const std::vector<KeySym>& chord) {
    return Delivered([&] { input_.Chord(chord); }, [&] { return client_.KeyPressed(input_.Code(chord.back())); });
  }
  bool ReachesKeycodes(const std::vector<KeyCode>& chord) {
    return Delivered([&] { input_.Chord(chord); }, [&] { return client_.KeyPressed(chord.back()); });
  }
  bool ClickReaches(unsigned int button) {
    input_.PointAt(60, 60);  // inside the client's window
    return Delivered([&] { input_.Click(button); }, [&] { return client_.ButtonPressed(button); });
  }
  // The marker's press as the window got it (its state shows the locks), or null.
  const XEvent* Marker() const { return client_.KeyPressed(input_.Code(XK_a)); }

  // Waits for the reports of everything sent so far, marked by an "a" sent now.
  void WaitForReports() {
    input_.Chord(std::vector<KeySym>{XK_a});
    EXPECT_TRUE(WaitFor([] {
      wlProcessEvents();
      return std::any_of(reports.begin(), reports.end(),
                         [](const Report& r) { return r.virtualKey == 'A' && r.message == kUp; });
    })) << "the marker key was not reported";
  }

  Client client_;
  Input input_;

 private:
  bool Delivered(const std::function<void()>& send, const std::function<const XEvent*()>& arrived) {
    client_.Clear();
    send();
    input_.Chord(std::vector<KeySym>{XK_a});
    EXPECT_TRUE(WaitFor([&] {
      client_.Read();
      return Marker() != nullptr;
    })) << "the window received no keys at all";
    return arrived() != nullptr;
  }
};

struct KeyCase {
  const char* name;
  uint32_t virtualKey;
  uint32_t modifiers;
  std::vector<KeySym> chord;
  std::vector<KeySym> stillAllowed;  // the same key with other modifiers; empty: none
};

const std::vector<KeyCase> kKioskKeys = {
    {"Alt+Tab", vk::Tab, WL_ALT, {XK_Alt_L, XK_Tab}, {XK_Tab}},
    {"Alt+Shift+Tab", vk::Tab, WL_ALT | WL_SHIFT, {XK_Alt_L, XK_Shift_L, XK_Tab}, {XK_Alt_L, XK_Tab}},
    {"Alt+Win+Tab", vk::Tab, WL_ALT | WL_WIN, {XK_Alt_L, XK_Super_R, XK_Tab}, {XK_Alt_L, XK_Tab}},
    {"Alt+Esc", vk::Escape, WL_ALT, {XK_Alt_L, XK_Escape}, {XK_Escape}},
    {"Ctrl+Esc", vk::Escape, WL_CTRL, {XK_Control_R, XK_Escape}, {XK_Shift_L, XK_Escape}},
    {"Alt+F4", vk::F4, WL_ALT, {XK_Alt_R, XK_F4}, {XK_Control_L, XK_F4}},
    {"Alt+Return", vk::Return, WL_ALT, {XK_Alt_L, XK_KP_Enter}, {XK_Return}},
    {"Ctrl+Alt+Delete", vk::Delete, WL_CTRL | WL_ALT, {XK_Control_L, XK_Alt_L, XK_Delete}, {XK_Control_L, XK_Delete}},
    {"Win+E", 0, WL_WIN, {XK_Super_L, XK_e}, {XK_Alt_L, XK_e}},
    {"Win alone", 0, WL_WIN, {XK_Super_R}, {}},
    {"Apps", vk::Apps, 0, {XK_Menu}, {XK_Shift_L, XK_Menu}},
};

TEST_F(DesktopLockLibrary, DisabledCombinationsReachNoOtherClientUntilEnabledAgain) {
  for (const KeyCase& key : kKioskKeys) {
    SCOPED_TRACE(key.name);
    ASSERT_TRUE(Reaches(key.chord)) << "reaches the window before";
    EXPECT_EQ(wlDisableKey(0, key.virtualKey, key.modifiers, 1), 1);
    EXPECT_TRUE(wlIsKeyDisabled(key.virtualKey, key.modifiers));
    EXPECT_FALSE(Reaches(key.chord));
    if (!key.stillAllowed.empty()) {
      EXPECT_TRUE(Reaches(key.stillAllowed));
    }
    EXPECT_EQ(wlDisableKey(0, key.virtualKey, key.modifiers, 0), 1);
    EXPECT_FALSE(wlIsKeyDisabled(key.virtualKey, key.modifiers));
    EXPECT_TRUE(Reaches(key.chord));
  }

  for (const KeyCase& key : kKioskKeys) wlDisableKey(0, key.virtualKey, key.modifiers, 1);
  for (const KeyCase& key : kKioskKeys) EXPECT_FALSE(Reaches(key.chord)) << key.name;
  EXPECT_NE(wlRestoreAll(), 0);
  for (const KeyCase& key : kKioskKeys) {
    EXPECT_TRUE(Reaches(key.chord)) << key.name << " after restoring";
    EXPECT_FALSE(wlIsKeyDisabled(key.virtualKey, key.modifiers)) << key.name;
  }
}

TEST_F(DesktopLockLibrary, CapsLockAndNumLockOpenNoHole) {
  ASSERT_EQ(wlDisableKey(0, vk::Tab, WL_ALT, 1), 1);
  ASSERT_EQ(wlDisableKey(0, 0, WL_WIN, 1), 1);
  const struct {
    std::vector<KeySym> locks;
  } cases[] = {{{XK_Caps_Lock}}, {{XK_Num_Lock}}, {{XK_Caps_Lock, XK_Num_Lock}}};
  for (const auto& c : cases) {
    for (KeySym lock : c.locks) input_.Chord(std::vector<KeySym>{lock});  // on
    EXPECT_FALSE(Reaches({XK_Alt_L, XK_Tab})) << c.locks.size();
    EXPECT_FALSE(Reaches({XK_Super_L, XK_r})) << c.locks.size();
    ASSERT_NE(Marker(), nullptr);
    // The marker shows the locks really were on (Num Lock is Mod2 in the keymap of Xvfb).
    const unsigned int state = Marker()->xkey.state;
    for (KeySym lock : c.locks) EXPECT_NE(state & (lock == XK_Caps_Lock ? LockMask : Mod2Mask), 0u) << lock;
    for (KeySym lock : c.locks) input_.Chord(std::vector<KeySym>{lock});  // off
  }
}

TEST_F(DesktopLockLibrary, EnablingOneCombinationKeepsAnOverlappingOneDisabled) {
  // Every key with Alt, and Alt+F4 on its own: enabling Alt+F4 again must not let it through
  // while every key with Alt stays disabled.
  ASSERT_EQ(wlDisableKey(0, 0, WL_ALT, 1), 1);
  ASSERT_EQ(wlDisableKey(0, vk::F4, WL_ALT, 1), 1);
  EXPECT_EQ(wlDisableKey(0, vk::F4, WL_ALT, 0), 1);
  EXPECT_FALSE(Reaches({XK_Alt_L, XK_F4}));
  EXPECT_FALSE(Reaches({XK_Alt_L, XK_x}));
  EXPECT_EQ(wlDisableKey(0, 0, WL_ALT, 0), 1);
  EXPECT_TRUE(Reaches({XK_Alt_L, XK_F4}));
}

TEST_F(DesktopLockLibrary, AGrabHeldByAnotherClientFailsTheCallButNotTheRest) {
  Display* other = client_.display();
  const KeyCode f4 = input_.Code(XK_F4);
  XGrabKey(other, f4, Mod1Mask, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
  XSync(other, False);

  EXPECT_EQ(wlDisableKey(0, vk::F4, WL_ALT, 1), 0);
  EXPECT_TRUE(wlIsKeyDisabled(vk::F4, WL_ALT));
  EXPECT_EQ(wlDisableKey(0, vk::Tab, WL_ALT, 1), 1);
  EXPECT_FALSE(Reaches({XK_Alt_L, XK_Tab}));
}

TEST_F(DesktopLockLibrary, TheRightButtonIsTakenAwayAndTheLeftOneIsNot) {
  ASSERT_TRUE(ClickReaches(Button3));
  ASSERT_EQ(wlDisableKey(0, vk::RButton, 0, 1), 1);
  EXPECT_FALSE(ClickReaches(Button3));
  EXPECT_TRUE(ClickReaches(Button1));
  // With any modifier held too.
  input_.Chord(std::vector<KeySym>{XK_Caps_Lock});
  EXPECT_FALSE(ClickReaches(Button3));
  input_.Chord(std::vector<KeySym>{XK_Caps_Lock});
  EXPECT_NE(wlRestoreAll(), 0);
  EXPECT_TRUE(ClickReaches(Button3));
}

TEST_F(DesktopLockLibrary, AKeyMovedToAnotherKeycodeIsGrabbedThere) {
  // A keycode without symbols becomes a second F4 key.
  Display* d = client_.display();
  int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
  XDisplayKeycodes(d, &minKeycode, &maxKeycode);
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(minKeycode), maxKeycode - minKeycode + 1, &perKeycode);
  int spare = 0;
  for (int keycode = maxKeycode; keycode >= minKeycode && !spare; --keycode) {
    const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
    if (std::all_of(syms, syms + perKeycode, [](KeySym s) { return s == NoSymbol; })) spare = keycode;
  }
  XFree(map);
  ASSERT_NE(spare, 0) << "no keycode without symbols";

  ASSERT_EQ(wlDisableKey(0, vk::F4, WL_ALT, 1), 1);
  const KeyCode alt = input_.Code(XK_Alt_L), secondF4 = static_cast<KeyCode>(spare);
  ASSERT_TRUE(ReachesKeycodes({alt, secondF4}));
  KeySym f4 = XK_F4;
  XChangeKeyboardMapping(d, spare, 1, &f4, 1);
  XSync(d, False);
  // The library learns of the change when it reads its events.
  EXPECT_TRUE(WaitFor([&] {
    wlProcessEvents();
    return !ReachesKeycodes({alt, secondF4});
  }));
  KeySym none = NoSymbol;
  XChangeKeyboardMapping(d, spare, 1, &none, 1);
  XSync(d, False);
}

TEST_F(DesktopLockLibrary, ReportsEveryKeyAndButtonWithItsModifiersAndTheFocusedWindow) {
  // A key that another client (a window manager) holds a grab on is reported too.
  Display* other = client_.display();
  XGrabKey(other, input_.Code(XK_F4), Mod1Mask, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
  XSync(other, False);
  ASSERT_EQ(wlDisableKey(0, vk::Tab, WL_ALT, 1), 1);  // and one the library grabs itself

  int target = 0;
  wlSetPostMessageProc(&RecordReport);
  ASSERT_EQ(wlSetKeyPostMessage(&target, kDown, kUp), 1);
  ASSERT_GE(wlEventFd(), 0);

  struct Case {
    std::vector<KeySym> chord;
    uint16_t virtualKey;
    uint16_t modifiers;    // held at the press
    uint16_t upModifiers;  // held at the release: a modifier key counts itself
  };
  std::vector<Case> cases = {
      {{XK_Shift_L, XK_F5}, vk::F5, WL_SHIFT, WL_SHIFT},
      {{XK_Control_L, XK_Alt_R, XK_p}, 'P', WL_CTRL | WL_ALT, WL_CTRL | WL_ALT},
      {{XK_Super_L, XK_KP_Multiply}, vk::Multiply, WL_WIN, WL_WIN},
      {{XK_Alt_L, XK_F4}, vk::F4, WL_ALT, WL_ALT},
      {{XK_Alt_L, XK_Tab}, vk::Tab, WL_ALT, WL_ALT},
      {{XK_Shift_R, XK_1}, '1', WL_SHIFT, WL_SHIFT},
      {{XK_Shift_L}, vk::LShift, 0, WL_SHIFT},
  };
  if (input_.Code(XF86XK_Back))
    cases.push_back({{XF86XK_Back}, vk::BrowserBack, 0, 0});
  else
    std::printf("the keymap has no XF86Back: not checked\n");

  for (const Case& c : cases) {
    SCOPED_TRACE(XKeysymToString(c.chord.back()));
    reports.clear();
    input_.Chord(c.chord);
    WaitForReports();
    auto down = std::find_if(reports.begin(), reports.end(),
                             [&](const Report& r) { return r.virtualKey == c.virtualKey && r.message == kDown; });
    ASSERT_NE(down, reports.end());
    EXPECT_EQ(down->window, &target);
    EXPECT_EQ(down->focus, client_.window());
    EXPECT_EQ(down->modifiers, c.modifiers);
    auto up = std::find_if(down, reports.end(),
                           [&](const Report& r) { return r.virtualKey == c.virtualKey && r.message == kUp; });
    ASSERT_NE(up, reports.end());
    EXPECT_EQ(up->modifiers, c.upModifiers);
  }

  reports.clear();
  input_.PointAt(60, 60);
  for (unsigned int button : {Button1, Button2, Button3}) input_.Click(button);
  WaitForReports();
  std::vector<uint16_t> buttonsDown;
  for (const Report& r : reports)
    if (r.message == kDown && r.virtualKey != 'A') buttonsDown.push_back(r.virtualKey);
  EXPECT_EQ(buttonsDown, (std::vector<uint16_t>{vk::LButton, vk::MButton, vk::RButton}));
}

TEST_F(DesktopLockLibrary, ReportsStopWithoutAnUpMessageOrAWindow) {
  int target = 0;
  wlSetPostMessageProc(&RecordReport);
  ASSERT_EQ(wlSetKeyPostMessage(&target, kDown, 0), 1);
  input_.Chord(std::vector<KeySym>{XK_F5});
  input_.Chord(std::vector<KeySym>{XK_a});
  ASSERT_TRUE(WaitFor([] {
    wlProcessEvents();
    return !reports.empty() && reports.back().virtualKey == 'A';
  }));
  EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const Report& r) { return r.virtualKey == vk::F5; }));
  for (const Report& r : reports) EXPECT_EQ(r.message, kDown);

  reports.clear();
  ASSERT_EQ(wlSetKeyPostMessage(nullptr, kDown, kUp), 1);
  EXPECT_TRUE(Reaches({XK_F5}));  // the window got the keys, the library reports none
  wlProcessEvents();
  EXPECT_TRUE(reports.empty());
}

// Dock windows: a task bar at the top level, a panel inside a frame, and a normal window.
TEST_F(DesktopLockLibrary, DockItemsHideTheDockWindowsAndNothingElse) {
  Display* d = client_.display();
  const Window root = DefaultRootWindow(d);
  const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  const Atom dockTypes[] = {XInternAtom(d, "_NET_WM_WINDOW_TYPE_NORMAL", False),
                            XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False)};
  auto makeWindow = [&](Window parent, bool dock) {
    Window w = XCreateSimpleWindow(d, parent, 0, 0, 50, 20, 0, 0, 0);
    if (dock)
      XChangeProperty(d, w, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(dockTypes), 2);
    XMapWindow(d, w);
    return w;
  };
  const Window taskBar = makeWindow(root, true);
  const Window frame = makeWindow(root, false);
  const Window panel = makeWindow(frame, true);
  const Window normal = client_.window();
  XSync(d, False);
  auto mapped = [&](Window w) {
    XWindowAttributes attributes;
    XGetWindowAttributes(d, w, &attributes);
    return attributes.map_state != IsUnmapped;
  };
  auto docksShown = [&] { return mapped(taskBar) && mapped(panel); };
  auto docksHidden = [&] { return !mapped(taskBar) && !mapped(panel); };

  std::vector<Window> docks = DockWindows(d);
  std::sort(docks.begin(), docks.end());
  EXPECT_EQ(docks, (std::vector<Window>{std::min(taskBar, panel), std::max(taskBar, panel)}));

  EXPECT_EQ(wlDisableItem(3, 1), 1);
  EXPECT_TRUE(docksShown());
  EXPECT_EQ(wlDisableItem(WL_ITEM_TASKBAR, 1), 1);
  EXPECT_TRUE(docksHidden());
  EXPECT_EQ(wlDisableItem(WL_ITEM_TASKTRAY, 1), 1);
  EXPECT_EQ(wlDisableItem(WL_ITEM_TASKBAR, 0), 1);
  EXPECT_TRUE(docksHidden()) << "the task tray item still hides them";
  EXPECT_EQ(wlDisableItem(WL_ITEM_TASKTRAY, 0), 1);
  EXPECT_TRUE(docksShown());

  EXPECT_EQ(wlDisableItem(WL_ITEM_TASKBAR, 1), 1);
  EXPECT_TRUE(wlIsItemDisabled(WL_ITEM_TASKBAR));
  EXPECT_TRUE(wlIsItemDisabled(3));
  EXPECT_NE(wlRestoreAll(), 0);
  EXPECT_TRUE(docksShown());
  EXPECT_TRUE(mapped(frame));
  EXPECT_TRUE(mapped(normal));
  EXPECT_FALSE(wlIsItemDisabled(WL_ITEM_TASKBAR));
  EXPECT_FALSE(wlIsItemDisabled(3));
  for (int item : {0, 15}) EXPECT_EQ(wlDisableItem(item, 1), 0);
}

template <typename Function>
Function* Export(void* library, const char* name) {
  return reinterpret_cast<Function*>(dlsym(library, name));
}

TEST(DesktopLockLibraryWithoutDisplay, CallsFailButRecordTheirState) {
  // A copy of the library of its own, which never finds a display in this process (loaded once:
  // each namespace takes static TLS that unloading does not give back).
  test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
  static void* const library = dlmopen(LM_ID_NEWLM, ORBETA_BIN_DIR "/libdwlgina3.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto version = Export<decltype(wlVersion)>(library, "wlVersion");
  auto disableKey = Export<decltype(wlDisableKey)>(library, "wlDisableKey");
  auto isKeyDisabled = Export<decltype(wlIsKeyDisabled)>(library, "wlIsKeyDisabled");
  auto disableItem = Export<decltype(wlDisableItem)>(library, "wlDisableItem");
  auto isItemDisabled = Export<decltype(wlIsItemDisabled)>(library, "wlIsItemDisabled");
  auto setKeyPostMessage = Export<decltype(wlSetKeyPostMessage)>(library, "wlSetKeyPostMessage");
  auto eventFd = Export<decltype(wlEventFd)>(library, "wlEventFd");
  auto processEvents = Export<decltype(wlProcessEvents)>(library, "wlProcessEvents");
  auto restoreAll = Export<decltype(wlRestoreAll)>(library, "wlRestoreAll");

  EXPECT_EQ(version(0x00030002), 0x00030002u);
  EXPECT_EQ(disableKey(0, vk::Tab, WL_ALT, 1), 0);
  EXPECT_EQ(disableKey(0, vk::RButton, 0, 1), 0);
  EXPECT_TRUE(isKeyDisabled(vk::Tab, WL_ALT));
  EXPECT_TRUE(isKeyDisabled(vk::RButton, 0));
  EXPECT_FALSE(isKeyDisabled(vk::Tab, 0));
  EXPECT_EQ(disableKey(0, vk::Tab, WL_ALT, 0), 0);
  EXPECT_FALSE(isKeyDisabled(vk::Tab, WL_ALT));
  EXPECT_EQ(disableItem(WL_ITEM_TASKBAR, 1), 0);
  EXPECT_TRUE(isItemDisabled(WL_ITEM_TASKBAR));
  int target = 0;
  EXPECT_EQ(setKeyPostMessage(&target, kDown, kUp), 0);
  EXPECT_EQ(eventFd(), -1);
  processEvents();
  EXPECT_EQ(restoreAll(), 0);
  EXPECT_FALSE(isKeyDisabled(vk::RButton, 0));
  EXPECT_FALSE(isItemDisabled(WL_ITEM_TASKBAR));
}

}  // namespace
}  // namespace orbeta
