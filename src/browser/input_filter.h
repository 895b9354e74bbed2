// The application-wide input filter of the locked kiosk: it sees every key press, right-button
// press and close request of every window of the program before GTK dispatches it, and drops
// or redirects what a visitor must not reach (browser shortcuts, window commands, the engine's
// context menu).
#pragma once

#include <gdk/gdk.h>

#include "browser/event_hooks.h"

namespace orbeta::browser {

// What the filter asks of the program; the main window implements it.
class InputFilterTarget {
 public:
  virtual ~InputFilterTarget() = default;
  // Asked at every event, since the lock state may change at any time (usually
  // InputFilterActive()). While false, every event passes untouched.
  virtual bool FilterActive() = 0;
  virtual void PrintSequence() = 0;  // Ctrl+P
  virtual void Beep() = 0;           // Ctrl with F1 to F12
  virtual void PasswordClick() = 0;  // Shift with the keypad's multiply key
  // A right button went down in a window of the program, at this point of the screen.
  virtual void PopupMenuAt(int xRoot, int yRoot) = 0;
};

// Installed for as long as it lives. Whether Alt with an arrow passes follows
// Settings.CanBackForward at each key press.
class InputFilter {
 public:
  explicit InputFilter(InputFilterTarget& target);
  InputFilter(const InputFilter&) = delete;
  InputFilter& operator=(const InputFilter&) = delete;

 private:
  bool Filter(GdkEvent* event);
  bool FilterKeyPress(const GdkEventKey& key);

  InputFilterTarget& target_;
  // The arrow keys held now, from the presses and releases seen.
  bool leftHeld_ = false;
  bool rightHeld_ = false;
  ScopedEventHook hook_;  // last: removed first
};

}  // namespace orbeta::browser
