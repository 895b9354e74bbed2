#include "kiosk/desktop_lock.h"

#include <dlfcn.h>
#include <glib-unix.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "../../lib/dwlgina3/dwlgina3.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/virtual_keys.h"

namespace orbeta {

struct TdWinlock::Library {
  explicit Library(void* opened) : handle(opened) {}
  ~Library() { dlclose(handle); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  void* handle;
  decltype(&::wlVersion) version = nullptr;
  decltype(&::wlDisableKey) disableKey = nullptr;
  decltype(&::wlDisableItem) disableItem = nullptr;
  decltype(&::wlSetPostMessageProc) setPostMessageProc = nullptr;
  decltype(&::wlSetKeyPostMessage) setKeyPostMessage = nullptr;
  decltype(&::wlEventFd) eventFd = nullptr;
  decltype(&::wlProcessEvents) processEvents = nullptr;
  decltype(&::wlRestoreAll) restoreAll = nullptr;
};

namespace {

struct KeyCombo {
  std::uint32_t key;
  std::uint32_t modifiers;
};

// The library calls of one switch: key combinations, and a desktop item (0: none).
struct SwitchCalls {
  LockSwitch which;
  int item;
  std::vector<KeyCombo> keys;
};

const SwitchCalls& CallsOf(LockSwitch which) {
  using S = LockSwitch;
  using vk::kAlt, vk::kCtrl, vk::kShift, vk::kWin;
  static const std::vector<SwitchCalls> table = {
      {S::noAltTab, 0, {{vk::Tab, kAlt}, {vk::Tab, kAlt | kShift}, {vk::Tab, kAlt | kWin}}},
      {S::noAltEsc, 0, {{vk::Escape, kAlt}}},
      {S::noCtrlEsc, 0, {{vk::Escape, kCtrl}}},
      {S::noAltF4, 0, {{vk::F4, kAlt}}},
      {S::noAltReturn, 0, {{vk::Return, kAlt}}},
      {S::noCtrlAltDel, 0, {{vk::Delete, kCtrl | kAlt}}},
      {S::noWinkeys, 0, {{0, kWin}}},  // key 0: every key
      {S::noAppkey, 0, {{vk::Apps, 0}}},
      {S::noRButton, 0, {{vk::RButton, 0}}},
      {S::noTaskbar, 1, {}},
      {S::noDesktop, 2, {}},
      {S::noStartbutton, 3, {}},
      {S::noTaskLinks, 4, {}},
      {S::noTaskTray, 5, {}},
      {S::noItem6, 6, {}},
      {S::noAccessibilityShortcuts, 7, {}},
      {S::noShutdown, 13, {}},
      {S::noStartmenu, 14, {}},
  };
  for (const SwitchCalls& calls : table)
    if (calls.which == which) return calls;
  throw std::logic_error("desktop lock switch without calls");
}

std::size_t IndexOf(LockSwitch which) { return static_cast<std::size_t>(which); }

bool IsMouseButton(std::uint16_t key) {
  return key == vk::LButton || key == vk::RButton || key == vk::MButton;
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// The folder part of a path, with its trailing "/"; "" for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) { return path.substr(FolderOf(path).size()); }

std::string RegisteredLibraryFolder() {
  reg::Key key;
  std::string folder;
  if (reg::Key::Open(reg::Root::LocalMachine, kDesktopLockKey, false, key) != reg::kSuccess ||
      key.ReadString(kDesktopLockPathValue, folder) != reg::kSuccess)
    return {};
  return folder;
}

void RegisterLibraryFolder(const std::string& folder) {
  reg::Key key;
  if (reg::Key::Open(reg::Root::LocalMachine, kDesktopLockKey, true, key) == reg::kSuccess)
    key.WriteString(kDesktopLockPathValue, folder);
}

// dlopen that keeps the text of its last failure.
class LibraryOpener {
 public:
  void* Open(const std::string& file) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
      opened_ = file;
    } else if (const char* error = dlerror()) {
      lastError_ = error;
    }
    return handle;
  }
  const std::string& Opened() const { return opened_; }
  const std::string& LastError() const { return lastError_; }

 private:
  std::string opened_;
  std::string lastError_;
};

template <typename Function>
void Bind(void* handle, const char* name, Function& out) {
  out = reinterpret_cast<Function>(dlsym(handle, name));
  if (!out) throw std::runtime_error(std::string("error: method not found:") + name);
}

void BindExports(TdWinlock::Library& library) {
  Bind(library.handle, "wlVersion", library.version);
  Bind(library.handle, "wlDisableKey", library.disableKey);
  Bind(library.handle, "wlDisableItem", library.disableItem);
  Bind(library.handle, "wlSetPostMessageProc", library.setPostMessageProc);
  Bind(library.handle, "wlSetKeyPostMessage", library.setKeyPostMessage);
  Bind(library.handle, "wlEventFd", library.eventFd);
  Bind(library.handle, "wlProcessEvents", library.processEvents);
  Bind(library.handle, "wlRestoreAll", library.restoreAll);
}

// The library posts key reports to the "window" it was given: the component's message queue.
void PostToQueue(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  static_cast<MessageQueue*>(window)->Post(message, static_cast<std::intptr_t>(wParam), lParam);
}

DesktopLockHooks WithDefaults(DesktopLockHooks hooks) {
  if (!hooks.showMessage)
    hooks.showMessage = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  if (!hooks.chooseLibraryFile) hooks.chooseLibraryFile = [] { return std::string(); };
  if (!hooks.exitProgram) hooks.exitProgram = [](int code) { std::exit(code); };
  return hooks;
}

}  // namespace

TdWinlock::TdWinlock(DesktopLockHooks hooks, DesktopLockSearch search)
    : hooks_(WithDefaults(std::move(hooks))),
      search_(std::move(search)),
      queue_([this](const PostedMessage& message) { HandleMessage(message); }) {}

TdWinlock::~TdWinlock() {
  if (eventWatch_) g_source_remove(eventWatch_);
  if (!library_) return;
  if (onKeyDown_) library_->setKeyPostMessage(nullptr, 0, 0);
  library_->restoreAll();
}

// Program directory, linker path, registered folder, then the user's choice; without a
// library the program ends.
TdWinlock::Library* TdWinlock::EnsureLoaded() {
  if (library_ || loadAttempted_) return library_.get();
  loadAttempted_ = true;

  const std::string name = kDesktopLockLibrary;
  const std::string firstDirectory =
      search_.firstDirectory.empty() ? ProgramDirectory() : search_.firstDirectory;
  LibraryOpener opener;
  void* handle = opener.Open(JoinPath(firstDirectory, name));
  if (!handle && search_.byBareName) handle = opener.Open(name);
  std::string folder;
  if (!handle) {
    folder = RegisteredLibraryFolder();
    if (!IsBlank(folder)) handle = opener.Open(folder + name);
  }
  if (!handle) {
    hooks_.showMessage("cannot find " + name + "\n\r" + "please select path to " + name);
    const std::string chosen = hooks_.chooseLibraryFile();
    if (!chosen.empty()) {
      if (::strcasecmp(FileNameOf(chosen).c_str(), name.c_str()) == 0) {
        folder = FolderOf(chosen);
        RegisterLibraryFolder(folder);
      }
      handle = opener.Open(folder + name);
    }
  }
  if (!handle) {
    hooks_.showMessage("cannot load " + name + "\n" + opener.LastError());
    hooks_.exitProgram(1);
    return nullptr;
  }

  auto library = std::make_unique<Library>(handle);
  BindExports(*library);
  library->version(kDesktopLockVersion);
  library_ = std::move(library);
  libraryFile_ = opener.Opened();
  return library_.get();
}

void TdWinlock::Create(OnKeyDown onKeyDown, bool leaveTaskBar) {
  if (!leaveTaskBar) Set(LockSwitch::noTaskbar, true);
  onKeyDown_ = std::move(onKeyDown);
  if (!onKeyDown_ || !EnsureLoaded()) return;
  library_->setPostMessageProc(&PostToQueue);
  library_->setKeyPostMessage(&queue_, kLockKeyDownMessage, 0);
  WatchLibraryEvents();
}

void TdWinlock::WatchLibraryEvents() {
  const int fd = library_->eventFd();
  if (fd < 0 || eventWatch_) return;
  const GUnixFDSourceFunc processEvents = [](gint, GIOCondition condition, gpointer data) -> gboolean {
    auto* self = static_cast<TdWinlock*>(data);
    self->library_->processEvents();
    if (condition & (G_IO_HUP | G_IO_ERR)) {
      self->eventWatch_ = 0;
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  };
  const auto readableOrClosed = static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR);
  eventWatch_ = g_unix_fd_add(fd, readableOrClosed, processEvents, this);
}

// Key reports: lParam low word the virtual key, high word the modifier bits.
void TdWinlock::HandleMessage(const PostedMessage& message) {
  if (message.message != kLockKeyDownMessage || !onKeyDown_) return;
  const auto key = static_cast<std::uint16_t>(message.lParam & 0xFFFF);
  const auto shift = static_cast<std::uint16_t>((message.lParam >> 16) & 0xFFFF);
  if (IsMouseButton(key)) return;
  onKeyDown_(static_cast<std::uintptr_t>(message.wParam), key, shift);
}

bool TdWinlock::Set(LockSwitch which, bool value) {
  switches_[IndexOf(which)] = value;
  Library* library = EnsureLoaded();
  if (!library) return false;
  const SwitchCalls& calls = CallsOf(which);
  bool done = true;
  for (const KeyCombo& combo : calls.keys)
    done = library->disableKey(0, combo.key, combo.modifiers, value) != 0 && done;
  if (calls.item != 0) library->disableItem(calls.item, value);  // its result says nothing
  return done;
}

bool TdWinlock::Get(LockSwitch which) const { return switches_[IndexOf(which)]; }

void TdWinlock::SetFrontApp(bool value) {
  if (value == frontApp_) return;
  frontApp_ = value;
  reg::Key key;
  if (reg::Key::Open(reg::Root::LocalMachine, kRunOnceKey, false, key) != reg::kSuccess) return;
  if (value)
    key.WriteString(kFrontAppValue, ProgramPath());
  else
    key.Delete(kFrontAppValue);
}

bool TdWinlock::RestoreAll() { return !library_ || library_->restoreAll() != 0; }

bool TdWinlock::Loaded() const { return library_ != nullptr; }

}  // namespace orbeta
