#include "app/window_layout.h"

namespace orbeta {

WindowLayout ComputeWindowLayout(const TSettings& s, const std::array<std::string, 5>& linkCaptions) {
  WindowLayout layout;
  layout.printButton = s.CanPrint;
  layout.mailButton = s.SecurityOff ? s.CanMail : s.CanMail && s.UseMailTo;
  layout.logoutButton = s.CanLogout;
  layout.launchButton = s.CanLaunchPrograms;
  layout.toolButtonWidth = s.CanLogout ? 70 : 55;
  layout.backForwardButtons = s.CanBackForward;
  layout.refreshButton = s.CanRefresh;
  layout.languageButton = s.UserCanChangeLanguage;
  layout.toolBar = !s.HideToolbar;
  layout.statusBar = !s.HideStatusBar;
  layout.gridPictures = s.UseGridPictos;
  layout.tabsAtBottom = s.TabPosition == 1;
  const bool masked = !s.HideTabBar && s.AutoHideTabs;
  layout.tabBar = !masked && !s.HideTabBar;
  layout.maskStrip = masked;
  layout.tabsAsButtons = s.UseButtons;
  layout.addressAndLinkBands = !s.HideUrlBar;
  for (std::size_t i = 0; i < layout.linkButtons.size(); ++i) {
    const bool captioned = !linkCaptions[i].empty();
    layout.linkButtons[i] = {captioned, captioned ? static_cast<int>(i) : 5, captioned};
  }
  return layout;
}

int StatusIconIndex(bool adminMode, bool siteControlOff, NavigationState state) {
  if (adminMode) return nsUnrestricted;
  if (siteControlOff) return nsSiteControlOff;
  return state;
}

bool DropsSystemCommand(const TSettings& s, bool adminMode, SystemCommand command) {
  if (s.UserCanQuit) return false;
  if (command == SystemCommand::kScreenSave) return false;
  if (command == SystemCommand::kMonitorPower) return !s.MonitorPower;
  return !(adminMode || s.SecurityOff);
}

bool DropsWindowCommand(const TSettings& s, bool adminMode) {
  return !s.UserCanQuit && !(adminMode || s.SecurityOff);
}

}  // namespace orbeta
