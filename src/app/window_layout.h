// What the settings make of the main window: which controls show, where the tabs go, which
// status icon is drawn. The window applies it; nothing here touches a widget.
#pragma once

#include <array>
#include <string>

#include "app/settings.h"
#include "navigation/navigation_filter.h"

namespace orbeta {

struct LinkButtonLayout {
  bool enabled = false;  // a button with a caption is enabled...
  int image = 5;         // ...and shows its own image; an empty one shows image 5
  bool showHint = false;
};

struct WindowLayout {
  bool printButton = false;
  bool mailButton = false;
  bool logoutButton = false;
  bool launchButton = false;
  int toolButtonWidth = 55;  // 70 while the Logout button shows
  bool backForwardButtons = false;
  bool refreshButton = false;
  bool languageButton = false;
  bool toolBar = false;
  bool statusBar = false;
  bool gridPictures = false;
  bool tabsAtBottom = true;
  bool tabBar = false;
  bool maskStrip = false;
  bool tabsAsButtons = false;
  bool addressAndLinkBands = false;
  std::array<LinkButtonLayout, 5> linkButtons;
};

// `linkCaptions` are the captions the link buttons carry now.
WindowLayout ComputeWindowLayout(const TSettings& settings, const std::array<std::string, 5>& linkCaptions);

// The status icon: administration, else site control off, else the last navigation's state.
int StatusIconIndex(bool adminMode, bool siteControlOff, NavigationState state);

// Window commands and system commands that reach the main window while a visitor uses it.
enum class SystemCommand { kMove, kSize, kMinimize, kMaximize, kRestore, kClose, kWindowMenu, kScreenSave, kMonitorPower };
// True when the window must drop the command: only a kiosk that lets visitors quit passes
// everything; otherwise the screen saver always passes, monitor power passes when allowed, and
// the rest pass only while unlocked.
bool DropsSystemCommand(const TSettings& settings, bool adminMode, SystemCommand command);
// Menu and tool bar commands sent as window commands, by the same rule.
bool DropsWindowCommand(const TSettings& settings, bool adminMode);

}  // namespace orbeta
