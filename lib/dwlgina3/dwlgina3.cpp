// The desktop lock library on X11. Everything runs on the caller's thread: the calls below and
// wlProcessEvents, which the program calls when the descriptor of wlEventFd is readable.
#include "dwlgina3.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <set>
#include <utility>
#include <vector>

#include "platform/virtual_keys.h"
#include "platform/x11_dock.h"
#include "platform/x11_error_trap.h"

#define WL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

namespace vk = orbeta::vk;

constexpr uint32_t kVersion = 0x00030002;
constexpr int kItemCount = 14;
constexpr uint32_t kAllModifiers = WL_ALT | WL_CTRL | WL_SHIFT | WL_WIN;

// Mouse buttons that stand as virtual keys.
struct ButtonKey {
  uint16_t virtualKey;
  unsigned int button;
};
constexpr ButtonKey kButtons[] = {{vk::LButton, Button1}, {vk::MButton, Button2}, {vk::RButton, Button3}};

// One passive grab on the root window: a key (or AnyKey) or a button, with a modifier mask.
struct Grab {
  bool button;
  int code;
  unsigned int mask;
};

// The library keeps two connections. The server hands a client no raw events of the input
// that the client's own grab takes (it would send them through the grab instead), so the grabs
// live on one connection and the raw events for the key reports arrive on the other.
struct LockState {
  Display* events = nullptr;  // raw events; its descriptor is the one the program watches
  Display* grabs = nullptr;   // key and button grabs, dock windows, the keyboard mapping
  Window root = None;
  int xiOpcode = -1;      // -1: no XInput2, no key reports
  int xkbEventBase = -1;  // -1: no XKB; changes of the keyboard come as MappingNotify only

  std::set<std::pair<uint32_t, uint32_t>> keys;  // disabled (virtual key, modifier bits)
  std::bitset<kItemCount + 1> items;             // disabled items, by number
  bool docksHidden = false;                      // dock windows unmapped by this library

  wlPostMessageProc post = nullptr;
  void* reportWindow = nullptr;
  uint32_t downMessage = 0, upMessage = 0;

  // The keyboard as the server maps it now.
  int minKeycode = 8, keysymsPerKeycode = 0;
  std::vector<KeySym> keymap;
  unsigned int modMasks[4] = {};  // X masks of WL_ALT, WL_CTRL, WL_SHIFT, WL_WIN, by bit number
  unsigned int numLockMask = 0;
  std::array<uint8_t, 256> modifierBits{};  // WL_* bits a keycode sets while it is held
  std::bitset<256> heldModifiers;           // modifier keycodes down, from the raw events
};

LockState g;

std::vector<int> KeycodesOf(const std::vector<uint32_t>& keysyms) {
  std::vector<int> keycodes;
  const int per = g.keysymsPerKeycode;
  for (std::size_t i = 0; per > 0 && i < g.keymap.size(); i += per) {
    for (int level = 0; level < per; ++level) {
      if (std::find(keysyms.begin(), keysyms.end(), g.keymap[i + level]) != keysyms.end()) {
        keycodes.push_back(g.minKeycode + static_cast<int>(i / per));
        break;
      }
    }
  }
  return keycodes;
}

KeySym LevelZeroKeysym(int keycode) {
  const std::size_t index = static_cast<std::size_t>(keycode - g.minKeycode) * g.keysymsPerKeycode;
  return keycode >= g.minKeycode && index < g.keymap.size() ? g.keymap[index] : NoSymbol;
}

// Reads the keyboard mapping and finds which X modifiers Alt, the Windows key and Num Lock are.
void LoadKeyboard() {
  int maxKeycode = 0;
  XDisplayKeycodes(g.grabs, &g.minKeycode, &maxKeycode);
  KeySym* keysyms = XGetKeyboardMapping(g.grabs, static_cast<KeyCode>(g.minKeycode),
                                        maxKeycode - g.minKeycode + 1, &g.keysymsPerKeycode);
  g.keymap.assign(keysyms, keysyms + (maxKeycode - g.minKeycode + 1) * g.keysymsPerKeycode);
  XFree(keysyms);

  const std::vector<uint32_t> altKeys = {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R};
  const std::vector<uint32_t> winKeys = {XK_Super_L, XK_Super_R};
  const std::vector<uint32_t> numLockKeys = {XK_Num_Lock};
  auto maskOf = [](const XModifierKeymap* map, const std::vector<uint32_t>& keysyms) {
    unsigned int mask = 0;
    const std::vector<int> keycodes = KeycodesOf(keysyms);
    for (int row = 0; row < 8; ++row)
      for (int i = 0; i < map->max_keypermod; ++i)
        if (std::find(keycodes.begin(), keycodes.end(), map->modifiermap[row * map->max_keypermod + i]) !=
            keycodes.end())
          mask |= 1u << row;
    return mask;
  };
  XModifierKeymap* map = XGetModifierMapping(g.grabs);
  const unsigned int alt = maskOf(map, altKeys), win = maskOf(map, winKeys);
  g.modMasks[0] = alt ? alt : Mod1Mask;
  g.modMasks[1] = ControlMask;
  g.modMasks[2] = ShiftMask;
  g.modMasks[3] = win ? win : Mod4Mask;
  g.numLockMask = maskOf(map, numLockKeys);
  g.modifierBits.fill(0);
  for (int row = 0; row < 8; ++row) {
    for (int bit = 0; bit < 4; ++bit) {
      if (!(g.modMasks[bit] & (1u << row))) continue;
      for (int i = 0; i < map->max_keypermod; ++i)
        if (KeyCode keycode = map->modifiermap[row * map->max_keypermod + i]) g.modifierBits[keycode] |= 1u << bit;
    }
  }
  XFreeModifiermap(map);
}

unsigned int XMask(uint32_t modifiers) {
  unsigned int mask = 0;
  for (int bit = 0; bit < 4; ++bit)
    if (modifiers & (1u << bit)) mask |= g.modMasks[bit];
  return mask;
}

// The masks of a modifier combination in every state of Caps Lock and Num Lock.
std::vector<unsigned int> WithLocks(unsigned int mask) {
  std::vector<unsigned int> masks = {mask, mask | LockMask};
  if (g.numLockMask) masks.insert(masks.end(), {mask | g.numLockMask, mask | LockMask | g.numLockMask});
  return masks;
}

bool IsKnownKey(uint32_t virtualKey) {
  for (const ButtonKey& button : kButtons)
    if (button.virtualKey == virtualKey) return true;
  return virtualKey == 0 || (virtualKey <= 0xFF && !vk::Keysyms(static_cast<uint16_t>(virtualKey)).empty());
}

// The grabs that take a combination away. A button alone is taken with every modifier; key 0
// is every key, and with the Windows key also the Windows keys pressed alone.
std::vector<Grab> GrabsOf(uint32_t virtualKey, uint32_t modifiers) {
  std::vector<Grab> grabs;
  for (const ButtonKey& button : kButtons) {
    if (button.virtualKey != virtualKey) continue;
    if (modifiers == 0) return {{true, static_cast<int>(button.button), AnyModifier}};
    for (unsigned int mask : WithLocks(XMask(modifiers))) grabs.push_back({true, static_cast<int>(button.button), mask});
    return grabs;
  }
  std::vector<int> keycodes;
  if (virtualKey == 0)
    keycodes.push_back(AnyKey);
  else
    keycodes = KeycodesOf(vk::Keysyms(static_cast<uint16_t>(virtualKey)));
  for (int keycode : keycodes)
    for (unsigned int mask : WithLocks(XMask(modifiers))) grabs.push_back({false, keycode, mask});
  if (virtualKey == 0 && (modifiers & WL_WIN)) {
    std::vector<uint32_t> winKeysyms = vk::Keysyms(vk::LWin);
    for (uint32_t keysym : vk::Keysyms(vk::RWin)) winKeysyms.push_back(keysym);
    for (int keycode : KeycodesOf(winKeysyms))
      for (unsigned int mask : WithLocks(0)) grabs.push_back({false, keycode, mask});
  }
  return grabs;
}

bool SetGrabs(const std::vector<Grab>& grabs, bool grab) {
  orbeta::X11ErrorTrap trap(g.grabs);
  for (const Grab& each : grabs) {
    if (each.button && grab)
      XGrabButton(g.grabs, each.code, each.mask, g.root, False, ButtonPressMask | ButtonReleaseMask, GrabModeAsync,
                  GrabModeAsync, None, None);
    else if (each.button)
      XUngrabButton(g.grabs, each.code, each.mask, g.root);
    else if (grab)
      XGrabKey(g.grabs, each.code, each.mask, g.root, False, GrabModeAsync, GrabModeAsync);
    else
      XUngrabKey(g.grabs, each.code, each.mask, g.root);
  }
  return !trap.Failed();
}

bool GrabAllKeys() {
  bool ok = true;
  for (const auto& [virtualKey, modifiers] : g.keys) ok = SetGrabs(GrabsOf(virtualKey, modifiers), true) && ok;
  return ok;
}

bool ApplyDocks() {
  const bool hide = g.items[WL_ITEM_TASKBAR] || g.items[WL_ITEM_TASKTRAY];
  if (!hide && !g.docksHidden) return true;
  g.docksHidden = hide;
  return orbeta::SetDockWindowsShown(g.grabs, !hide);
}

// Raw events come from all input, whoever has grabbed it (XInput 2.1 and later). They are
// selected for as long as the connection lives, so that its descriptor wakes the program at
// every key press and the grab connection is read too, reports or not.
void SelectRawEvents() {
  int event = 0, error = 0, major = 2, minor = 2;
  orbeta::X11ErrorTrap trap(g.events);
  if (!XQueryExtension(g.events, "XInputExtension", &g.xiOpcode, &event, &error) ||
      XIQueryVersion(g.events, &major, &minor) != Success) {
    g.xiOpcode = -1;
    return;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease}) XISetMask(bits, type);
  XIEventMask mask = {XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(g.events, g.root, &mask, 1);
  // Modifiers already held count from the start.
  char keys[32];
  XQueryKeymap(g.events, keys);
  for (int keycode = 0; keycode < 256; ++keycode)
    g.heldModifiers[keycode] = ((keys[keycode / 8] >> (keycode % 8)) & 1) && g.modifierBits[keycode];
  if (trap.Failed()) g.xiOpcode = -1;
}

// Opens the connections at the first call that needs them, and applies what was recorded
// before.
bool Connect() {
  if (g.grabs) return true;
  g.events = XOpenDisplay(nullptr);
  g.grabs = g.events ? XOpenDisplay(nullptr) : nullptr;
  if (!g.grabs) {
    if (g.events) XCloseDisplay(g.events);
    g.events = nullptr;
    return false;
  }
  g.root = DefaultRootWindow(g.grabs);
  // A client that uses XKB (as Xlib does) hears of a new keyboard layout only through XKB. The
  // news come on the watched connection, so that the grabs follow before the next key.
  int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(g.events, &opcode, &g.xkbEventBase, &error, &major, &minor)) {
    const unsigned int changes = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    XkbSelectEvents(g.events, XkbUseCoreKbd, changes, changes);
  } else {
    g.xkbEventBase = -1;
  }
  LoadKeyboard();
  SelectRawEvents();
  GrabAllKeys();
  ApplyDocks();
  return true;
}

// The keys may sit on other keycodes now, and the modifiers on other masks: grab them anew.
void OnKeyboardChanged() {
  LoadKeyboard();
  {
    orbeta::X11ErrorTrap trap(g.grabs);
    XUngrabKey(g.grabs, AnyKey, AnyModifier, g.root);
  }
  GrabAllKeys();
}

void Report(int type, int detail) {
  const bool key = type == XI_RawKeyPress || type == XI_RawKeyRelease;
  const bool press = type == XI_RawKeyPress || type == XI_RawButtonPress;
  uint16_t virtualKey = 0;
  if (key) {
    virtualKey = vk::FromKeysym(static_cast<uint32_t>(LevelZeroKeysym(detail)));
  } else {
    for (const ButtonKey& button : kButtons)
      if (static_cast<int>(button.button) == detail) virtualKey = button.virtualKey;
  }
  // As in X's own events, the modifiers are those held before this event.
  uint32_t modifiers = 0;
  for (int keycode = 0; keycode < 256; ++keycode)
    if (g.heldModifiers[keycode]) modifiers |= g.modifierBits[keycode];
  if (key && detail >= 0 && detail < 256 && g.modifierBits[detail]) g.heldModifiers[detail] = press;

  const uint32_t message = press ? g.downMessage : g.upMessage;
  if (!virtualKey || !message || !g.post || !g.reportWindow) return;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(g.events, &focus, &revert);
  g.post(g.reportWindow, message, static_cast<uintptr_t>(focus), static_cast<intptr_t>(virtualKey | (modifiers << 16)));
}

}  // namespace

WL_EXPORT uint32_t wlVersion(uint32_t) { return kVersion; }

WL_EXPORT int wlDisableKey(int reserved, uint32_t virtualKey, uint32_t modifiers, int disable) {
  if (reserved != 0 || (modifiers & ~kAllModifiers) || !IsKnownKey(virtualKey)) return 0;
  const bool connected = Connect();
  if (disable)
    g.keys.insert({virtualKey, modifiers});
  else
    g.keys.erase({virtualKey, modifiers});
  if (!connected) return 0;
  if (disable) return SetGrabs(GrabsOf(virtualKey, modifiers), true);
  const bool ok = SetGrabs(GrabsOf(virtualKey, modifiers), false);
  // Releasing one key of an AnyKey grab leaves the rest grabbed, but releasing a combination
  // that another one overlaps releases both: grab what is still disabled again.
  GrabAllKeys();
  return ok;
}

WL_EXPORT int wlDisableItem(int item, int disable) {
  if (item < 1 || item > kItemCount) return 0;
  const bool connected = Connect();
  g.items[item] = disable != 0;
  return connected && ApplyDocks();
}

WL_EXPORT void wlSetPostMessageProc(wlPostMessageProc proc) { g.post = proc; }

WL_EXPORT int wlSetKeyPostMessage(void* window, uint32_t downMessage, uint32_t upMessage) {
  const bool connected = Connect();
  g.reportWindow = window;
  g.downMessage = downMessage;
  g.upMessage = upMessage;
  return connected && g.xiOpcode >= 0;
}

WL_EXPORT int wlEventFd(void) { return Connect() ? ConnectionNumber(g.events) : -1; }

WL_EXPORT void wlProcessEvents(void) {
  if (!g.grabs) return;
  while (XPending(g.events)) {
    XEvent event;
    XNextEvent(g.events, &event);
    if (event.type == GenericEvent && event.xcookie.extension == g.xiOpcode &&
        XGetEventData(g.events, &event.xcookie)) {
      Report(event.xcookie.evtype, static_cast<const XIRawEvent*>(event.xcookie.data)->detail);
      XFreeEventData(g.events, &event.xcookie);
    } else if ((event.type == MappingNotify && event.xmapping.request != MappingPointer) ||
               event.type == g.xkbEventBase) {
      OnKeyboardChanged();
    }
  }
  // The grab connection gets the core key and button events of the library's own grabs: they
  // are read and dropped.
  while (XPending(g.grabs)) {
    XEvent event;
    XNextEvent(g.grabs, &event);
  }
}

WL_EXPORT int wlRestoreAll(void) {
  const bool connected = Connect();
  g.keys.clear();
  g.items.reset();
  if (!connected) return 0;
  bool ok = false;
  {
    orbeta::X11ErrorTrap trap(g.grabs);
    XUngrabKey(g.grabs, AnyKey, AnyModifier, g.root);
    XUngrabButton(g.grabs, AnyButton, AnyModifier, g.root);
    ok = !trap.Failed();
  }
  return ApplyDocks() && ok;
}

WL_EXPORT int wlIsKeyDisabled(uint32_t virtualKey, uint32_t modifiers) {
  return g.keys.count({virtualKey, modifiers}) != 0;
}

WL_EXPORT int wlIsItemDisabled(int item) { return item >= 1 && item <= kItemCount && g.items[item]; }
