#include "app/input_rules.h"

#include <algorithm>
#include <array>

#include "admin/admin_password.h"
#include "platform/virtual_keys.h"

namespace orbeta {
namespace {

template <typename T, std::size_t N>
bool Contains(const std::array<T, N>& values, T value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// Keys that pass whatever is held with them: select all, copy, paste, and the few digits and
// letters the visitors' pages need with Ctrl.
constexpr std::array<std::uint16_t, 6> kAlwaysPassing = {'0', '2', 'A', 'C', 'O', 'V'};

// System commands that would let a visitor move away from the kiosk window. Move, the screen
// saver and monitor power are left to the main window's own rules.
constexpr std::array<std::uint32_t, 13> kDroppedCommands = {
    sc::Size,    sc::Minimize, sc::Maximize, sc::NextWindow, sc::PrevWindow,
    sc::Close,   sc::MouseMenu, sc::KeyMenu, sc::Restore,    sc::TaskList,
    sc::HotKey,  sc::Default,  sc::ContextHelp};

struct KeyButton {
  std::uint16_t key;
  KeyReportAction::Kind click;
};
constexpr std::array<KeyButton, 5> kBrowserKeys = {{
    {vk::BrowserBack, KeyReportAction::ClickBack},
    {vk::BrowserForward, KeyReportAction::ClickForward},
    {vk::BrowserHome, KeyReportAction::ClickHome},
    {vk::BrowserStop, KeyReportAction::ClickStop},
    {vk::BrowserRefresh, KeyReportAction::ClickRefresh},
}};

InputAction FilterKeyDown(const InputEvent& event) {
  const std::uint16_t key = event.virtualKey;
  if (Contains(kAlwaysPassing, key)) return InputAction::Pass;
  if (key == 'P') return event.ctrl ? InputAction::Print : InputAction::Pass;
  if (key >= vk::F1 && key <= vk::F12) return event.ctrl ? InputAction::Beep : InputAction::Pass;
  if (key == vk::Multiply) return event.shift ? InputAction::PasswordDialog : InputAction::Pass;
  return event.ctrl ? InputAction::Consume : InputAction::Pass;
}

}  // namespace

bool InputFilterActive(bool adminMode, bool securityOff, bool userCanQuit) {
  return !adminMode && !securityOff && !userCanQuit;
}

bool InputFilterActive() { return InputFilterActive(AdminMode, Settings.SecurityOff, Settings.UserCanQuit); }

InputEvent KeyPressEvent(std::uint16_t virtualKey, bool ctrl, bool shift, bool alt, bool leftArrowHeld,
                         bool rightArrowHeld) {
  InputEvent event;
  event.virtualKey = virtualKey;
  event.ctrl = ctrl || virtualKey == vk::Control || virtualKey == vk::LControl || virtualKey == vk::RControl;
  event.shift = shift || virtualKey == vk::Shift || virtualKey == vk::LShift || virtualKey == vk::RShift;
  event.alt = alt || virtualKey == vk::Menu || virtualKey == vk::LMenu || virtualKey == vk::RMenu;
  event.leftArrowHeld = leftArrowHeld || virtualKey == vk::Left;
  event.rightArrowHeld = rightArrowHeld || virtualKey == vk::Right;
  // Alt together with Ctrl types characters (as AltGr does): an ordinary key, not a system key.
  const bool systemKey = !event.ctrl && (event.alt || virtualKey == vk::F10);
  event.kind = systemKey ? InputKind::SystemKeyDown : InputKind::KeyDown;
  return event;
}

InputAction FilterInput(const InputEvent& event, bool canBackForward) {
  switch (event.kind) {
    case InputKind::KeyDown:
      return FilterKeyDown(event);
    case InputKind::SystemKeyDown:
      // Alt with an arrow is Back or Forward, which the main window's key preview handles.
      return (event.leftArrowHeld || event.rightArrowHeld) && canBackForward ? InputAction::Pass
                                                                             : InputAction::Consume;
    case InputKind::SystemCommand:
      return Contains(kDroppedCommands, event.systemCommand & 0xFFF0u) ? InputAction::Consume
                                                                        : InputAction::Pass;
    case InputKind::RightButtonDown:
      return InputAction::PopupMenu;
  }
  return InputAction::Pass;
}

KeyPreviewAction PreviewKey(std::uint16_t virtualKey, bool ctrl, bool shift, bool alt) {
  if (virtualKey == vk::LWin || virtualKey == vk::RWin) return KeyPreviewAction::SendAltPresses;
  if (alt && !ctrl && !shift) {
    if (virtualKey == vk::Right) return KeyPreviewAction::Forward;
    if (virtualKey == vk::Left) return KeyPreviewAction::Back;
  }
  return KeyPreviewAction::None;
}

std::vector<KeyReportAction> KeyReportActions(std::uint16_t code, bool unlocked, const TSettings& settings) {
  std::vector<KeyReportAction> actions;
  for (const KeyButton& button : kBrowserKeys)
    if (button.key == code) actions.push_back({button.click});
  if (unlocked) return actions;
  for (std::size_t i = 0; i < settings.LinkHotKeys.size(); ++i) {
    // A stored hot key above 255 carries modifier bits: the library reports bare keys, and
    // such a key never fires, even if a report happens to carry the same number.
    const std::uint16_t hotKey = settings.LinkHotKeys[i];
    if (hotKey != 0 && hotKey <= 0xFF && hotKey == code)
      actions.push_back({KeyReportAction::ClickLink, static_cast<int>(i) + 1});
  }
  if (settings.ReturnHome) actions.push_back({KeyReportAction::RestartReturnHomeTimer});
  return actions;
}

LogoAction LogoGesture(const LogoPress& press, bool hotKeyUnlock) {
  if (press.doubleClick) return press.button == 1 ? LogoAction::PasswordDialog : LogoAction::None;
  const bool unlockChord =
      press.button == 1 && !press.otherButtonHeld && press.ctrl && press.alt && !press.shift;
  return unlockChord && hotKeyUnlock ? LogoAction::Unlock : LogoAction::None;
}

}  // namespace orbeta
