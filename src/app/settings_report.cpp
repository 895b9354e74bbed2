#include "app/settings_report.h"

#include "lists/list_state.h"

namespace orbeta {
namespace {

class Report {
 public:
  void Add(std::string name, std::string value) { lines.emplace_back(std::move(name), std::move(value)); }
  void Add(std::string name, bool flag) { Add(std::move(name), std::string(flag ? "1" : "0")); }
  void Add(std::string name, long long number) { Add(std::move(name), std::to_string(number)); }
  void Add(std::string name, const std::vector<std::string>& list) { Add(std::move(name), JoinExtList(list)); }
  std::vector<std::pair<std::string, std::string>> lines;
};

template <typename Slots, typename Member>
void AddSlots(Report& report, const char* name, const Slots& slots, const char* firstName,
              Member first, const char* secondName, Member second) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const std::string slot = std::string(name) + "[" + std::to_string(i + 1) + "].";
    report.Add(slot + firstName, slots[i].*first);
    report.Add(slot + secondName, slots[i].*second);
  }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> DescribeSettings(const TSettings& s) {
  Report r;
  r.Add("HideToolbar", s.HideToolbar);
  r.Add("HideStatusBar", s.HideStatusBar);
  r.Add("HideTitleBar", s.HideTitleBar);
  r.Add("HideUrlBar", s.HideUrlBar);
  r.Add("HideTabBar", s.HideTabBar);
  r.Add("AutoHideTabs", s.AutoHideTabs);
  r.Add("CanPrint", s.CanPrint);
  r.Add("CanMail", s.CanMail);
  r.Add("CanRefresh", s.CanRefresh);
  r.Add("ReturnHome", s.ReturnHome);
  r.Add("ReturnHomeTimer", s.ReturnHomeTimer);
  r.Add("UserCanQuit", s.UserCanQuit);
  r.Add("MonitorPower", s.MonitorPower);
  r.Add("CanLogout", s.CanLogout);
  r.Add("CanLaunchPrograms", s.CanLaunchPrograms);
  r.Add("ClearSession", s.ClearSession);
  r.Add("ReturnHomeInterval", static_cast<long long>(s.ReturnHomeInterval));
  r.Add("CanBackForward", s.CanBackForward);
  r.Add("HideTypeColumn", s.HideTypeColumn);
  r.Add("HideNotesColumn", s.HideNotesColumn);
  r.Add("HideUrlColumn", s.HideUrlColumn);
  r.Add("UseButtons", s.UseButtons);
  r.Add("VisibleLines", static_cast<long long>(s.VisibleLines));
  r.Add("UseGridPictos", s.UseGridPictos);
  r.Add("TabPosition", static_cast<long long>(s.TabPosition));
  r.Add("UseTabPictos", s.UseTabPictos);
  r.Add("BackgroundFile", s.BackgroundFile);
  r.Add("MovieFile", s.MovieFile);
  r.Add("SiteControlOff", s.SiteControlOff);
  r.Add("SecurityOff", s.SecurityOff);
  r.Add("UseMailTo", s.UseMailTo);
  r.Add("UseFtp", s.UseFtp);
  r.Add("HotKeyUnlock", s.HotKeyUnlock);
  r.Add("ValidateOnLine", s.ValidateOnLine);
  r.Add("UseWhiteList", static_cast<long long>(s.UseWhiteList));
  r.Add("ValidationServer", s.ValidationServer);
  r.Add("AvailableExt", s.AvailableExt);
  r.Add("ForbiddenExt", s.ForbiddenExt);
  r.Add("AllowOnlyAvailable", s.AllowOnlyAvailable);
  r.Add("ApplicationName", s.ApplicationName);
  r.Add("IconFile", s.IconFile);
  r.Add("AutoSave", s.AutoSave);
  r.Add("UseRemoteSitesFile", s.UseRemoteSitesFile);
  r.Add("RemoteSiteFileURL", s.RemoteSiteFileURL);
  r.Add("RemoteKeyFileURL", s.RemoteKeyFileURL);
  r.Add("CurrentSiteFile", CurrentSiteFile);
  r.Add("CurrentKeyFile", CurrentKeyFile);
  r.Add("Mailer", s.Mailer);
  r.Add("UseSingleMailConfig", s.UseSingleMailConfig);
  r.Add("PictosFileName", s.PictosFileName);
  r.Add("Language", static_cast<long long>(s.Language));
  AddSlots(r, "LinkButtons", s.LinkButtons, "Name", &URL_Button::Name, "URL", &URL_Button::URL);
  std::vector<std::string> hotKeys;
  for (auto key : s.LinkHotKeys) hotKeys.push_back(std::to_string(key));
  r.Add("LinkHotKeys", hotKeys);
  r.Add("HomePage", s.HomePage);
  r.Add("UserCanChangeLanguage", s.UserCanChangeLanguage);
  r.Add("KioskUserName", s.KioskUserName);
  r.Add("KioskPassword", s.KioskPassword);
  r.Add("AutomaticLogin", s.AutomaticLogin);
  r.Add("NoAltTab", s.NoAltTab);
  r.Add("NoTaskBar", s.NoTaskBar);
  r.Add("NoTaskLinks", s.NoTaskLinks);
  r.Add("NoTaskTray", s.NoTaskTray);
  r.Add("NoStartButton", s.NoStartButton);
  r.Add("NoDesktop", s.NoDesktop);
  r.Add("AppAsFront", s.AppAsFront);
  AddSlots(r, "LaunchList", s.LaunchList, "Name", &ProgramEntry::Name, "Path", &ProgramEntry::Path);
  return r.lines;
}

}  // namespace orbeta
