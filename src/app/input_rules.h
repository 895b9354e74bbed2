// What keys and mouse presses do in the kiosk, decided without any window: the application-wide
// filter that sees every input event of the program, the main window's key preview, the key
// reports of the desktop lock library, and the gestures on the animated logo. The windows
// describe what happened and carry out the answer.
#pragma once

#include <cstdint>
#include <vector>

#include "app/settings.h"

namespace orbeta {

// The application-wide filter works only in the locked kiosk: not in administration mode, not
// with security off, and not when visitors may quit anyway.
bool InputFilterActive(bool adminMode, bool securityOff, bool userCanQuit);
// The same from AdminMode and Settings as they are now.
bool InputFilterActive();

// System command values of the window manager's and the system menu's requests. The four low
// bits of a value carry details (which border a size drag started from) and are ignored.
namespace sc {
inline constexpr std::uint32_t Size = 0xF000, Move = 0xF010, Minimize = 0xF020, Maximize = 0xF030;
inline constexpr std::uint32_t NextWindow = 0xF040, PrevWindow = 0xF050, Close = 0xF060;
inline constexpr std::uint32_t MouseMenu = 0xF090, KeyMenu = 0xF100, Restore = 0xF120;
inline constexpr std::uint32_t TaskList = 0xF130, ScreenSave = 0xF140, HotKey = 0xF150;
inline constexpr std::uint32_t Default = 0xF160, MonitorPower = 0xF170, ContextHelp = 0xF180;
}  // namespace sc

// One input event as the application-wide filter sees it.
enum class InputKind {
  KeyDown,
  SystemKeyDown,    // a key pressed with Alt (and without Ctrl), F10, or Alt itself
  SystemCommand,
  RightButtonDown,
};

struct InputEvent {
  InputKind kind = InputKind::KeyDown;
  std::uint16_t virtualKey = 0;  // key events
  // Keys held at the moment of the event, the pressed key itself included.
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool leftArrowHeld = false;
  bool rightArrowHeld = false;
  std::uint32_t systemCommand = 0;  // system commands: one of the sc values
};

// A key press described by the filter: whether it is a system key, and the modifiers held with
// it. A modifier key counts as held while it is being pressed, as the keyboard state says.
InputEvent KeyPressEvent(std::uint16_t virtualKey, bool ctrl, bool shift, bool alt, bool leftArrowHeld,
                         bool rightArrowHeld);

enum class InputAction {
  Pass,            // dispatch the event as usual
  Consume,         // drop it
  Print,           // run the print sequence (whether or not the Print button shows); drop it
  Beep,            // beep; drop it
  PasswordDialog,  // the administrator password dialog; drop it
  PopupMenu,       // open the main pop-up menu where the button went down; drop it
};

// The application-wide filter's answer while it is active.
InputAction FilterInput(const InputEvent& event, bool canBackForward);

// The main window's key preview, whatever the lock state.
enum class KeyPreviewAction {
  None,
  SendAltPresses,  // a Windows key: press and release Alt five times, so it opens no menu
  Back,            // click Back, when it is enabled
  Forward,         // click Forward, when it is enabled
};
KeyPreviewAction PreviewKey(std::uint16_t virtualKey, bool ctrl, bool shift, bool alt);

// What a key reported by the desktop lock library makes the main window do, in order.
struct KeyReportAction {
  enum Kind {
    ClickBack,     // when Back is enabled
    ClickForward,  // when Forward is enabled
    ClickHome,     // Home, Stop and Refresh also when their buttons are hidden
    ClickStop,
    ClickRefresh,
    ClickLink,     // the link button `link` (1 to 5)
    RestartReturnHomeTimer,
  };
  Kind kind;
  int link = 0;
  bool operator==(const KeyReportAction&) const = default;
};
// `unlocked`: administration mode or security off. A stored link hot key that carries modifier
// bits (above 255) never matches.
std::vector<KeyReportAction> KeyReportActions(std::uint16_t code, bool unlocked, const TSettings& settings);

// A mouse button going down on the logo.
struct LogoPress {
  unsigned button = 1;           // 1 left, 2 middle, 3 right
  bool otherButtonHeld = false;  // another button was already down
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool doubleClick = false;      // the press completes a double click
};
enum class LogoAction {
  None,
  Unlock,          // administration mode on, lock state applied, beep
  PasswordDialog,  // the administrator password dialog
};
// Ctrl+Alt and the left button alone unlock when the unlock hot key is allowed; a double click
// of the left button asks for the password.
LogoAction LogoGesture(const LogoPress& press, bool hotKeyUnlock);

}  // namespace orbeta
