// The desktop lock component: loads the desktop lock library "libdwlgina3.so" at its first
// call, maps Boolean switches onto the library's key and item calls, and raises OnKeyDown for
// the keys the library reports from anywhere in the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/message_queue.h"

namespace orbeta {

inline constexpr char kDesktopLockLibrary[] = "libdwlgina3.so";
// Under HKEY_LOCAL_MACHINE: "Path", the library's folder with a trailing "/".
inline constexpr char kDesktopLockKey[] = "\\Software\\Kassl\\dWinlock\\Gina";
inline constexpr char kDesktopLockPathValue[] = "Path";
// Under HKEY_LOCAL_MACHINE: "dWinlockFrontApp", the program started once at the next start.
inline constexpr char kRunOnceKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Runonce";
inline constexpr char kFrontAppValue[] = "dWinlockFrontApp";
// The version of the library's interface this component was written for (3.2).
inline constexpr std::uint32_t kDesktopLockVersion = 0x00030002;
// Posted by the library to the component for every key and mouse button pressed.
inline constexpr std::uint32_t kLockKeyDownMessage = WM_USER + 444;

enum class LockSwitch {
  noAltTab,
  noAltEsc,
  noCtrlEsc,
  noAltF4,
  noAltReturn,
  noCtrlAltDel,
  noWinkeys,
  noAppkey,
  noRButton,
  noTaskbar,
  noDesktop,
  noStartbutton,
  noTaskLinks,
  noTaskTray,
  noItem6,
  noAccessibilityShortcuts,
  noShutdown,
  noStartmenu,
};
inline constexpr std::size_t kLockSwitchCount = static_cast<std::size_t>(LockSwitch::noStartmenu) + 1;

// What the component needs from the program when the library cannot be found. Empty members
// fall back to: messages on standard error, no file chosen, std::exit.
struct DesktopLockHooks {
  std::function<void(const std::string&)> showMessage;
  std::function<std::string()> chooseLibraryFile;  // a chosen file's path, or "" for none
  std::function<void(int)> exitProgram;
};

// Where the library is looked for before the registry's path and the user's choice.
struct DesktopLockSearch {
  std::string firstDirectory;  // empty: the program's directory
  bool byBareName = true;      // then through the dynamic linker's search path
};

class TdWinlock {
 public:
  using OnKeyDown = std::function<void(std::uintptr_t target, std::uint16_t key, std::uint16_t shift)>;

  explicit TdWinlock(DesktopLockHooks hooks = {}, DesktopLockSearch search = {});
  ~TdWinlock();  // lifts every restriction and frees the library
  TdWinlock(const TdWinlock&) = delete;
  TdWinlock& operator=(const TdWinlock&) = delete;

  // As the main window creates it: the task bar item disabled unless `leaveTaskBar` (a kiosk
  // whose visitors may quit leaves the desktop as it is), then every key the library reports,
  // other than mouse buttons, raised as `onKeyDown` from the GLib main loop. Either step loads
  // the library.
  void Create(OnKeyDown onKeyDown, bool leaveTaskBar = false);

  // Remembers the value and makes the switch's library calls, each time it is set. True when
  // every call succeeded (an item's result counts as success). The first call loads the
  // library; when that fails (once, reported through the hooks, which end the program), false.
  // A library without one of the calls throws std::runtime_error.
  bool Set(LockSwitch which, bool value);
  bool Get(LockSwitch which) const;

  // Registers (true) or removes (false) the program as the run-once entry, only when the
  // value changes; a missing run-once key is not created.
  void SetFrontApp(bool value);
  bool FrontApp() const { return frontApp_; }

  // Lifts every restriction when the library is loaded; true when done or not loaded.
  bool RestoreAll();
  bool Loaded() const;
  // The file the library was loaded from (as given to the dynamic linker); "" when not loaded.
  const std::string& LibraryFile() const { return libraryFile_; }

  struct Library;  // the bound calls of the loaded library

 private:
  Library* EnsureLoaded();
  void WatchLibraryEvents();
  void HandleMessage(const PostedMessage& message);

  DesktopLockHooks hooks_;
  DesktopLockSearch search_;
  std::unique_ptr<Library> library_;
  bool loadAttempted_ = false;
  std::string libraryFile_;
  bool switches_[kLockSwitchCount] = {};
  bool frontApp_ = false;
  OnKeyDown onKeyDown_;
  MessageQueue queue_;
  unsigned eventWatch_ = 0;
};

}  // namespace orbeta
