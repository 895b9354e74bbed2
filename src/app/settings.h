// The settings file "Orbeta.ini" and the in-memory record every part of the kiosk reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings_helpers.h"

namespace orbeta {

// A link button: its caption, and its address (also its hint).
struct URL_Button {
  std::string Name;
  std::string URL;
};

// Every setting; zeroed at program start, filled by ReadSettings.
struct TSettings {
  // "Navigator Params", unless noted
  bool HideToolbar = false;
  bool HideStatusBar = false;
  bool HideTitleBar = false;
  bool HideUrlBar = false;
  bool HideTabBar = false;
  bool AutoHideTabs = false;
  bool CanPrint = false;
  bool CanMail = false;
  bool CanRefresh = false;
  bool ReturnHome = false;
  bool ReturnHomeTimer = false;
  bool UserCanQuit = false;
  bool MonitorPower = false;
  bool CanLogout = false;
  bool CanLaunchPrograms = false;
  // Each return home after inactivity starts a fresh browsing session for the next visitor.
  bool ClearSession = false;
  std::int32_t ReturnHomeInterval = 0;  // milliseconds
  bool CanBackForward = false;
  bool HideTypeColumn = false;
  bool HideNotesColumn = false;
  bool HideUrlColumn = false;
  bool UseButtons = false;              // "Navigator Design"
  std::uint8_t VisibleLines = 0;        // "NB Lines" + 1: grid rows including the title row
  bool UseGridPictos = false;           // "Navigator Design"
  std::uint8_t TabPosition = 0;         // 1: tabs at the bottom, else at the top
  bool UseTabPictos = false;            // "Navigator Design"
  std::string BackgroundFile;           // "Navigator Design"
  std::string MovieFile;                // "Navigator Design"
  // "Security"
  bool SiteControlOff = false;
  bool SecurityOff = false;
  bool UseMailTo = false;
  bool UseFtp = false;
  bool HotKeyUnlock = false;
  bool ValidateOnLine = false;
  std::int32_t UseWhiteList = 0;        // 1: the online list is a white list, 0: a black list
  std::string ValidationServer;         // base address of the online validation server; empty: none
  std::vector<std::string> AvailableExt;
  std::vector<std::string> ForbiddenExt;
  bool AllowOnlyAvailable = false;
  // "System"
  std::string ApplicationName;
  std::string IconFile;
  bool AutoSave = false;
  bool UseRemoteSitesFile = false;
  std::string RemoteSiteFileURL;
  std::string RemoteKeyFileURL;
  std::string Mailer;
  bool UseSingleMailConfig = false;
  std::string PictosFileName;           // "Navigator Design"
  std::int32_t Language = 0;            // "Language"
  // "URLS"
  std::array<URL_Button, 5> LinkButtons;
  std::array<std::uint16_t, 5> LinkHotKeys{};  // virtual-key codes; 0: none
  std::string HomePage;
  bool UserCanChangeLanguage = false;   // "Language" / "User Change"
  // "Kiosk mode"
  std::string KioskUserName;
  std::string KioskPassword;
  bool AutomaticLogin = false;
  bool NoAltTab = false;
  bool NoTaskBar = false;
  bool NoTaskLinks = false;
  bool NoTaskTray = false;
  bool NoStartButton = false;
  bool NoDesktop = false;
  bool AppAsFront = false;
  ProgramList LaunchList;
};

extern TSettings Settings;
extern std::string SettingsFile;

// What a settings load drives outside the record. The main window implements it; without
// a host, the load changes only the record and the registry.
class SettingsHost {
 public:
  virtual ~SettingsHost() = default;
  // The settings file is missing: the program ends once its start-up has run.
  virtual void RequestQuit(const std::string& missingFile) = 0;
  virtual void ConfigureReturnHomeTimer(std::int32_t intervalMs, bool enabled) = 0;
  virtual void EnableMouseSampler(bool enabled) = 0;
};
void SetSettingsHost(SettingsHost* host);

inline constexpr char kWinlogonKey[] = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// The Windows directory + "/Orbeta.ini" (found in another case when so written on disk).
std::string GetSettingsFile();

// Reads "Navigator Params" / "Title Bar" alone into HideTitleBar; false without the file.
void ReadTitleBarFlag(const std::string& path);

// Loads every setting from `path` into Settings, writes the log-on values they imply, loads
// the administrator password and configures the inactivity timers. Returns false, after
// asking the host to quit, when the file does not exist. A non-integer link hot key or an
// extension count out of range throws, leaving the keys after it as they were.
bool ReadSettings(const std::string& path);

}  // namespace orbeta
