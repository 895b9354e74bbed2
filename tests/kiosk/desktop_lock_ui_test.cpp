// The desktop lock component with the real lock library on the test X server: the switches the
// kiosk set-up engages and releases, read back from the library instance the component loaded;
// key reports of real XTest input through the GLib main loop; where the library is looked for.
#include "kiosk/desktop_lock.h"

// Before Xlib, whose macros (None, Bool) clash with names in GoogleTest.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <glib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "kiosk/kiosk_setup.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/virtual_keys.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using namespace std::chrono_literals;
using test::ScopedEnv;
using test::TempDir;

const std::string kBinDir = ORBETA_BIN_DIR;
const std::string kBuiltLibrary = kBinDir + "/libdwlgina3.so";
// This test program has the built library loaded already, so the bare name would always find it.
const DesktopLockSearch kNotByBareName{.firstDirectory = "", .byBareName = false};

struct KeyCombo {
  std::uint32_t key;
  std::uint32_t modifiers;
};

// Each switch and the restrictions it stands for in the library.
struct SwitchEffect {
  LockSwitch which;
  std::vector<KeyCombo> keys;
  int item;
};
const std::vector<SwitchEffect>& SwitchEffects() {
  using S = LockSwitch;
  using vk::kAlt, vk::kCtrl, vk::kShift, vk::kWin;
  static const std::vector<SwitchEffect> effects = {
      {S::noAltTab, {{vk::Tab, kAlt}, {vk::Tab, kAlt | kShift}, {vk::Tab, kAlt | kWin}}, 0},
      {S::noAltEsc, {{vk::Escape, kAlt}}, 0},
      {S::noCtrlEsc, {{vk::Escape, kCtrl}}, 0},
      {S::noAltF4, {{vk::F4, kAlt}}, 0},
      {S::noAltReturn, {{vk::Return, kAlt}}, 0},
      {S::noCtrlAltDel, {{vk::Delete, kCtrl | kAlt}}, 0},
      {S::noWinkeys, {{0, kWin}}, 0},
      {S::noAppkey, {{vk::Apps, 0}}, 0},
      {S::noRButton, {{vk::RButton, 0}}, 0},
      {S::noTaskbar, {}, 1},
      {S::noDesktop, {}, 2},
      {S::noStartbutton, {}, 3},
      {S::noTaskLinks, {}, 4},
      {S::noTaskTray, {}, 5},
      {S::noItem6, {}, 6},
      {S::noAccessibilityShortcuts, {}, 7},
      {S::noShutdown, {}, 13},
      {S::noStartmenu, {}, 14},
  };
  return effects;
}

// The state calls of a library instance that is already loaded.
class LibraryState {
 public:
  explicit LibraryState(const std::string& file) : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
    if (!handle_) throw std::runtime_error(file + " is not loaded");
    keyDisabled_ = reinterpret_cast<int (*)(std::uint32_t, std::uint32_t)>(dlsym(handle_, "wlIsKeyDisabled"));
    itemDisabled_ = reinterpret_cast<int (*)(int)>(dlsym(handle_, "wlIsItemDisabled"));
  }
  ~LibraryState() { dlclose(handle_); }
  LibraryState(const LibraryState&) = delete;
  LibraryState& operator=(const LibraryState&) = delete;

  // Whether all (true) or none (false) of the switch's restrictions are in force.
  void ExpectSwitch(const SwitchEffect& effect, bool disabled) const {
    SCOPED_TRACE(testing::Message() << "switch " << static_cast<int>(effect.which));
    for (const KeyCombo& combo : effect.keys)
      EXPECT_EQ(keyDisabled_(combo.key, combo.modifiers) != 0, disabled)
          << "key " << combo.key << " with " << combo.modifiers;
    if (effect.item != 0) {
      EXPECT_EQ(itemDisabled_(effect.item) != 0, disabled) << "item " << effect.item;
    }
  }

 private:
  void* handle_;
  int (*keyDisabled_)(std::uint32_t, std::uint32_t);
  int (*itemDisabled_)(int);
};

const SwitchEffect& EffectOf(LockSwitch which) {
  for (const SwitchEffect& effect : SwitchEffects())
    if (effect.which == which) return effect;
  throw std::logic_error("no such switch");
}

// Runs the default main context until `done`, for five seconds at most.
bool IterateUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) std::this_thread::sleep_for(2ms);
  }
  return true;
}

// A kiosk machine: the library beside the program, a registry of its own, hooks that record.
class DesktopLockTest : public ::testing::Test {
 protected:
  DesktopLockHooks RecordingHooks() {
    return {[this](const std::string& text) { messages_.push_back(text); },
            [this] {
              ++choices_;
              return chosenFile_;
            },
            [this](int code) { exitCodes_.push_back(code); }};
  }
  static std::optional<std::string> LocalMachineString(const std::string& path, const std::string& name) {
    reg::Key key;
    std::string text;
    if (reg::Key::Open(reg::Root::LocalMachine, path, false, key) != reg::kSuccess ||
        key.ReadString(name, text) != reg::kSuccess)
      return std::nullopt;
    return text;
  }
  static void PutLocalMachineString(const std::string& path, const std::string& name, const std::string& text) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Open(reg::Root::LocalMachine, path, true, key), reg::kSuccess);
    ASSERT_EQ(key.WriteString(name, text), reg::kSuccess);
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
  ScopedEnv home_{"ORBETA_HOME", kBinDir};
  std::vector<std::string> messages_;
  std::vector<int> exitCodes_;
  std::string chosenFile_;
  int choices_ = 0;
  std::vector<bool> taskBarHidden_;
  TaskBarSetter setTaskBarHidden_ = [this](bool hide) { taskBarHidden_.push_back(hide); };
};

TSettings KioskSettings(bool on) {
  TSettings settings;
  settings.NoAltTab = settings.NoStartButton = settings.NoTaskLinks = on;
  settings.NoTaskTray = settings.NoDesktop = settings.AppAsFront = on;
  return settings;
}

TEST_F(DesktopLockTest, EngagingSetsEverySwitchAndReleasingLiftsThem) {
  PutLocalMachineString(kRunOnceKey, "other program", "kept");
  TdWinlock lock(RecordingHooks());
  lock.Create([](std::uintptr_t, std::uint16_t, std::uint16_t) {});
  ASSERT_TRUE(lock.Loaded());
  EXPECT_EQ(lock.LibraryFile(), kBuiltLibrary);
  const LibraryState library(kBuiltLibrary);

  // Creation disables the task bar item alone.
  for (const SwitchEffect& effect : SwitchEffects())
    library.ExpectSwitch(effect, effect.which == LockSwitch::noTaskbar);

  EXPECT_TRUE(EngageLock(lock, KioskSettings(true), setTaskBarHidden_));
  for (const SwitchEffect& effect : SwitchEffects()) {
    EXPECT_TRUE(lock.Get(effect.which));
    library.ExpectSwitch(effect, true);
  }
  EXPECT_EQ(taskBarHidden_, std::vector<bool>{true});
  EXPECT_EQ(LocalMachineString(kRunOnceKey, kFrontAppValue), ProgramPath());

  EXPECT_TRUE(ReleaseLock(lock, setTaskBarHidden_));
  for (const SwitchEffect& effect : SwitchEffects()) {
    EXPECT_TRUE(lock.Get(effect.which));  // the switches keep their values
    library.ExpectSwitch(effect, false);
  }
  EXPECT_EQ(taskBarHidden_, (std::vector<bool>{true, false}));
  EXPECT_EQ(LocalMachineString(kRunOnceKey, kFrontAppValue), ProgramPath());  // left for the next start
  EXPECT_EQ(LocalMachineString(kRunOnceKey, "other program"), "kept");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(DesktopLockTest, SettingsTurnedOffLiftTheirRestrictionsAtTheNextEngagement) {
  PutLocalMachineString(kRunOnceKey, "other program", "kept");
  TdWinlock lock(RecordingHooks());
  lock.Create({});
  const LibraryState library(kBuiltLibrary);
  ASSERT_TRUE(EngageLock(lock, KioskSettings(true), setTaskBarHidden_));

  EXPECT_TRUE(EngageLock(lock, KioskSettings(false), setTaskBarHidden_));  // every call succeeds
  using S = LockSwitch;
  for (const LockSwitch off : {S::noAltTab, S::noStartbutton, S::noTaskLinks, S::noTaskTray, S::noDesktop}) {
    EXPECT_FALSE(lock.Get(off));
    library.ExpectSwitch(EffectOf(off), false);
  }
  for (const LockSwitch on : {S::noTaskbar, S::noAltEsc, S::noWinkeys, S::noRButton, S::noStartmenu})
    library.ExpectSwitch(EffectOf(on), true);
  EXPECT_EQ(LocalMachineString(kRunOnceKey, kFrontAppValue), std::nullopt);
  EXPECT_EQ(taskBarHidden_, (std::vector<bool>{true, true}));
}

TEST_F(DesktopLockTest, DestroyingTheComponentLiftsItsRestrictions) {
  const LibraryState library(kBuiltLibrary);
  {
    TdWinlock lock(RecordingHooks());
    lock.Create({});
    EXPECT_TRUE(lock.Set(LockSwitch::noAltF4, true));
    library.ExpectSwitch(EffectOf(LockSwitch::noAltF4), true);
  }
  library.ExpectSwitch(EffectOf(LockSwitch::noAltF4), false);
  library.ExpectSwitch(EffectOf(LockSwitch::noTaskbar), false);
}

// Real input on a connection of its own.
class XTestInput {
 public:
  XTestInput() : display_(XOpenDisplay(nullptr)) {
    if (!display_) throw std::runtime_error("cannot open the display");
  }
  ~XTestInput() { XCloseDisplay(display_); }
  XTestInput(const XTestInput&) = delete;
  XTestInput& operator=(const XTestInput&) = delete;

  void Key(KeySym keysym, bool press) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, keysym), press, CurrentTime);
  }
  void Tap(KeySym keysym) {
    Key(keysym, true);
    Key(keysym, false);
  }
  void Click(unsigned int button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
  }
  void Sync() { XSync(display_, False); }
  std::uintptr_t Focus() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
  }

 private:
  Display* display_;
};

TEST_F(DesktopLockTest, KeysPressedAnywhereReachOnKeyDownButMouseButtonsDoNot) {
  struct Press {
    std::uintptr_t target;
    std::uint16_t key;
    std::uint16_t shift;
  };
  std::vector<Press> presses;
  TdWinlock lock(RecordingHooks());
  lock.Create([&](std::uintptr_t target, std::uint16_t key, std::uint16_t shift) {
    presses.push_back({target, key, shift});
  });

  XTestInput input;
  const std::uintptr_t focus = input.Focus();
  for (const unsigned int button : {1u, 2u, 3u}) input.Click(button);
  input.Key(XK_Control_L, true);
  input.Tap(XK_F5);
  input.Key(XK_Control_L, false);
  input.Tap(XK_a);
  input.Sync();

  const auto pressed = [&](std::uint16_t key) {
    for (const Press& press : presses)
      if (press.key == key) return true;
    return false;
  };
  ASSERT_TRUE(IterateUntil([&] { return pressed(vk::Char('A')); }));

  // The control key itself comes first, then F5 with Ctrl held, then A alone.
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[1].key, vk::F5);
  EXPECT_EQ(presses[1].shift, vk::kCtrl);
  EXPECT_EQ(presses[2].key, vk::Char('A'));
  EXPECT_EQ(presses[2].shift, 0);
  for (const Press& press : presses) EXPECT_EQ(press.target, focus);
}

TEST_F(DesktopLockTest, TheLibraryIsLookedForBesideTheProgramThenInTheRegisteredFolderThenAsChosen) {
  TempDir beside;
  TempDir empty;
  std::filesystem::copy_file(kBuiltLibrary, beside.File("libdwlgina3.so"));
  struct Case {
    const char* what;
    std::string programDirectory;
    std::optional<std::string> registeredFolder;
    std::string chosenFile;
    std::string loadedFile;
    std::optional<std::string> folderAfter;
  };
  const Case cases[] = {
      {"beside the program first", beside.path(), kBinDir + "/", "", beside.File("libdwlgina3.so"), kBinDir + "/"},
      {"registered folder", empty.path(), kBinDir + "/", "", kBuiltLibrary, kBinDir + "/"},
      {"chosen, in any case", empty.path(), std::nullopt, kBinDir + "/LibDWLgina3.SO", kBuiltLibrary, kBinDir + "/"},
      {"chosen after a blank folder", empty.path(), "  ", kBinDir + "/libdwlgina3.so", kBuiltLibrary, kBinDir + "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir registry;
    ScopedEnv registryDir("ORBETA_REGISTRY", registry.path());
    ScopedEnv home("ORBETA_HOME", c.programDirectory);
    if (c.registeredFolder) PutLocalMachineString(kDesktopLockKey, kDesktopLockPathValue, *c.registeredFolder);
    chosenFile_ = c.chosenFile;
    choices_ = 0;
    {
      TdWinlock lock(RecordingHooks(), kNotByBareName);
      EXPECT_TRUE(lock.Set(LockSwitch::noAltReturn, true));
      EXPECT_EQ(lock.LibraryFile(), c.loadedFile);
      // The component drives the instance it loaded.
      const LibraryState library(c.loadedFile);
      library.ExpectSwitch(EffectOf(LockSwitch::noAltReturn), true);
    }
    EXPECT_EQ(choices_, c.chosenFile.empty() ? 0 : 1);
    EXPECT_EQ(LocalMachineString(kDesktopLockKey, kDesktopLockPathValue), c.folderAfter);
    EXPECT_TRUE(exitCodes_.empty());
  }
}

TEST_F(DesktopLockTest, WithoutTheLibraryTheUserIsAskedAndTheProgramEnds) {
  TempDir empty;
  TempDir otherEmpty;
  const std::string registered = empty.path() + "/";
  struct Case {
    std::string chosenFile;
    std::string folderAfter;
  };
  const Case cases[] = {
      {"", registered},
      {kBuiltLibrary + ".bak", registered},  // another name: the registered folder is tried again
      {otherEmpty.File("LIBDWLGINA3.so"), otherEmpty.path() + "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosenFile);
    TempDir registry;
    ScopedEnv registryDir("ORBETA_REGISTRY", registry.path());
    ScopedEnv home("ORBETA_HOME", empty.path());
    PutLocalMachineString(kDesktopLockKey, kDesktopLockPathValue, registered);
    messages_.clear();
    exitCodes_.clear();
    chosenFile_ = c.chosenFile;

    TdWinlock lock(RecordingHooks(), kNotByBareName);
    EXPECT_FALSE(lock.Set(LockSwitch::noAltTab, true));
    EXPECT_FALSE(lock.Loaded());
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0], "cannot find libdwlgina3.so\n\rplease select path to libdwlgina3.so");
    const std::string loadFailure = "cannot load libdwlgina3.so\n";
    EXPECT_EQ(messages_[1].substr(0, loadFailure.size()), loadFailure);
    EXPECT_NE(messages_[1].find("libdwlgina3.so", loadFailure.size()), std::string::npos) << messages_[1];
    EXPECT_EQ(exitCodes_, std::vector<int>{1});
    EXPECT_EQ(LocalMachineString(kDesktopLockKey, kDesktopLockPathValue), c.folderAfter);

    EXPECT_FALSE(lock.Set(LockSwitch::noAltEsc, true));  // asked once, not at every call
    EXPECT_EQ(messages_.size(), 2u);
  }
}

TEST_F(DesktopLockTest, ALibraryWithoutTheCallsIsRefusedByName) {
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&XTestFakeKeyEvent), &info), 0);
  TempDir beside;
  std::filesystem::copy_file(info.dli_fname, beside.File("libdwlgina3.so"));
  ScopedEnv home("ORBETA_HOME", beside.path());

  TdWinlock lock(RecordingHooks());
  try {
    lock.Set(LockSwitch::noAltTab, true);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "error: method not found:wlVersion");
  }
  EXPECT_FALSE(lock.Loaded());
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace orbeta
