#include "browser/input_filter.h"

#include <cmath>

#include "app/input_rules.h"
#include "app/settings.h"
#include "platform/virtual_keys.h"

namespace orbeta::browser {
namespace {

// The virtual key of the physical key: its symbol without Shift, Caps Lock or Num Lock, so that
// Shift+1 is the key "1" and Shift with the keypad's multiply is still that key.
std::uint16_t VirtualKeyOf(const GdkEventKey& key) {
  GdkDisplay* display = key.window ? gdk_window_get_display(key.window) : gdk_display_get_default();
  guint keyval = 0;
  if (!gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(display), key.hardware_keycode,
                                           GdkModifierType(0), key.group, &keyval, nullptr, nullptr,
                                           nullptr))
    keyval = key.keyval;
  return vk::FromKeysym(keyval);
}

}  // namespace

InputFilter::InputFilter(InputFilterTarget& target)
    : target_(target), hook_([this](GdkEvent* event) { return Filter(event); }) {}

bool InputFilter::Filter(GdkEvent* event) {
  switch (event->type) {
    case GDK_KEY_PRESS:
      return FilterKeyPress(event->key);
    case GDK_KEY_RELEASE: {
      // Followed whatever the lock state, so that the state is right when the kiosk locks.
      const std::uint16_t key = VirtualKeyOf(event->key);
      if (key == vk::Left) leftHeld_ = false;
      if (key == vk::Right) rightHeld_ = false;
      return false;
    }
    case GDK_FOCUS_CHANGE:
      // Keys released while another program has the keyboard are never reported to us.
      if (!event->focus_change.in) leftHeld_ = rightHeld_ = false;
      return false;
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS: {
      if (event->button.button != 3 || !target_.FilterActive()) return false;
      // The second and third press of a multiple click are reported again as double and triple
      // clicks: those are dropped without a second menu.
      if (event->type != GDK_BUTTON_PRESS) return true;
      InputEvent input;
      input.kind = InputKind::RightButtonDown;
      if (FilterInput(input, Settings.CanBackForward) != InputAction::PopupMenu) return false;
      target_.PopupMenuAt(static_cast<int>(std::floor(event->button.x_root)),
                          static_cast<int>(std::floor(event->button.y_root)));
      return true;
    }
    case GDK_DELETE: {
      // The window manager's close button or close shortcut.
      if (!target_.FilterActive()) return false;
      InputEvent input;
      input.kind = InputKind::SystemCommand;
      input.systemCommand = sc::Close;
      return FilterInput(input, Settings.CanBackForward) != InputAction::Pass;
    }
    default:
      return false;
  }
}

bool InputFilter::FilterKeyPress(const GdkEventKey& key) {
  const std::uint16_t virtualKey = VirtualKeyOf(key);
  if (virtualKey == vk::Left) leftHeld_ = true;
  if (virtualKey == vk::Right) rightHeld_ = true;
  if (!target_.FilterActive()) return false;
  const InputEvent input = KeyPressEvent(virtualKey, key.state & GDK_CONTROL_MASK, key.state & GDK_SHIFT_MASK,
                                         key.state & GDK_MOD1_MASK, leftHeld_, rightHeld_);
  // The target's answers may run dialogs and nested main loops: nothing of this object is used
  // after them.
  switch (FilterInput(input, Settings.CanBackForward)) {
    case InputAction::Pass:
      return false;
    case InputAction::Print:
      target_.PrintSequence();
      return true;
    case InputAction::Beep:
      target_.Beep();
      return true;
    case InputAction::PasswordDialog:
      target_.PasswordClick();
      return true;
    case InputAction::Consume:
    case InputAction::PopupMenu:
      return true;
  }
  return false;
}

}  // namespace orbeta::browser
