#include "app/settings.h"

#include "admin/admin_password.h"
#include "language/dictionary.h"
#include "lists/list_state.h"
#include "platform/ini_file.h"
#include "platform/integer_text.h"
#include "platform/paths.h"

namespace orbeta {

TSettings Settings;
std::string SettingsFile;

namespace {

SettingsHost* host = nullptr;

constexpr char kParams[] = "Navigator Params";
constexpr char kDesign[] = "Navigator Design";
constexpr char kSecurity[] = "Security";
constexpr char kSystem[] = "System";
constexpr char kLanguage[] = "Language";
constexpr char kUrls[] = "URLS";
constexpr char kKiosk[] = "Kiosk mode";

struct FlagKey {
  const char* section;
  const char* key;
  const char* fallback;
  bool TSettings::*field;
};

constexpr FlagKey kWindowFlags[] = {
    {kParams, "Toolbar", "0", &TSettings::HideToolbar},
    {kParams, "Status Bar", "0", &TSettings::HideStatusBar},
    {kParams, "Title Bar", "0", &TSettings::HideTitleBar},
    {kParams, "URLS Bar", "0", &TSettings::HideUrlBar},
    {kParams, "TAB Bar", "0", &TSettings::HideTabBar},
    {kParams, "TAB Auto", "0", &TSettings::AutoHideTabs},
    {kParams, "Can Print", "1", &TSettings::CanPrint},
    {kParams, "Can Mail", "1", &TSettings::CanMail},
    {kParams, "Can Refresh", "1", &TSettings::CanRefresh},
    {kParams, "Return Home", "1", &TSettings::ReturnHome},
    {kParams, "Return Home Timer", "1", &TSettings::ReturnHomeTimer},
    {kParams, "New Window", "1", &TSettings::UserCanQuit},
    {kParams, "Monitor Power", "0", &TSettings::MonitorPower},
    {kParams, "Can Logout", "0", &TSettings::CanLogout},
    {kParams, "Can Launch Programs", "0", &TSettings::CanLaunchPrograms},
    {kParams, "Clear Session", "1", &TSettings::ClearSession},
};

constexpr FlagKey kGridFlags[] = {
    {kParams, "Can Back/Forward", "1", &TSettings::CanBackForward},
    {kParams, "Type column", "1", &TSettings::HideTypeColumn},
    {kParams, "Notes column", "0", &TSettings::HideNotesColumn},
    {kParams, "URL column", "1", &TSettings::HideUrlColumn},
    {kDesign, "Use Buttons", "0", &TSettings::UseButtons},
};

constexpr FlagKey kSecurityFlags[] = {
    {kSecurity, "Site Control OFF", "1", &TSettings::SiteControlOff},
    {kSecurity, "Security OFF", "1", &TSettings::SecurityOff},
    {kSecurity, "Use MailTo", "1", &TSettings::UseMailTo},
    {kSecurity, "Use FTP", "1", &TSettings::UseFtp},
    {kSecurity, "HotKey", "1", &TSettings::HotKeyUnlock},
    {kSecurity, "ValidateOnLine", "1", &TSettings::ValidateOnLine},
};

constexpr FlagKey kDesktopLockFlags[] = {
    {kKiosk, "NoAltTab", "1", &TSettings::NoAltTab},
    {kKiosk, "NoTaskBar", "1", &TSettings::NoTaskBar},
    {kKiosk, "NoTaskLinks", "1", &TSettings::NoTaskLinks},
    {kKiosk, "NoTaskTray", "1", &TSettings::NoTaskTray},
    {kKiosk, "NoStartButton", "1", &TSettings::NoStartButton},
    {kKiosk, "NoDesktop", "1", &TSettings::NoDesktop},
};

// Reads the keys of the settings file with the conversions of each kind of value.
class SettingsReader {
 public:
  explicit SettingsReader(const std::string& path) : ini_(path) {}

  bool Flag(const char* section, const char* key, const char* fallback) const {
    return ini_.ReadString(section, key, fallback) == "1";
  }
  template <std::size_t N>
  void Flags(const FlagKey (&keys)[N]) const {
    for (const FlagKey& flag : keys) Settings.*flag.field = Flag(flag.section, flag.key, flag.fallback);
  }
  std::string Text(const char* section, const char* key, const std::string& fallback = "") const {
    return ini_.ReadString(section, key, fallback);
  }
  std::int32_t Integer(const char* section, const char* key, std::int32_t fallback) const {
    return ini_.ReadInteger(section, key, fallback);
  }
  std::int32_t Loose(const char* section, const char* key, const char* fallback) const {
    return LooseStrToInt(Text(section, key, fallback));
  }
  // A strict integer: text that is not one throws, naming the key.
  std::int32_t Strict(const char* section, const char* key, const char* fallback) const {
    const std::string text = Text(section, key, fallback);
    if (auto number = ParseInteger(text)) return *number;
    throw std::invalid_argument(std::string(section) + " / " + key + ": '" + text +
                                "' is not a valid integer value");
  }
  std::vector<std::string> ExtList(const char* listKey, const char* countKey,
                                   std::int32_t defaultCount, const char* defaultText) const {
    return SplitExtList(Integer(kSecurity, countKey, defaultCount), Text(kSecurity, listKey, defaultText),
                        std::string(kSecurity) + " / " + countKey);
  }

 private:
  IniFile ini_;
};

std::int32_t ReturnHomeMilliseconds(std::int32_t minutes) {
  const auto ms = static_cast<std::int32_t>(static_cast<std::uint32_t>(minutes) * 60000u);
  return ms < 60000 ? 300000 : ms;
}

void ConfigureTimers() {
  if (!host) return;
  host->ConfigureReturnHomeTimer(Settings.ReturnHomeInterval,
                                 Settings.ReturnHome || Settings.ReturnHomeTimer);
  host->EnableMouseSampler(Settings.ReturnHome);
}

void ReadPresentation(const SettingsReader& in) {
  in.Flags(kGridFlags);
  Settings.VisibleLines = static_cast<std::uint8_t>(in.Loose(kParams, "NB Lines", "8") + 1);
  const bool gridPictos = in.Flag(kDesign, "Use Grid Pictos", "0");
  if (gridPictos != Settings.UseGridPictos) SitesChanged = true;
  Settings.UseGridPictos = gridPictos;
  Settings.TabPosition = static_cast<std::uint8_t>(in.Loose(kParams, "TAB Position", "1"));
  const bool tabPictos = in.Flag(kDesign, "Use Tab Pictos", "0");
  if (tabPictos != Settings.UseTabPictos) KeywordsChanged = true;
  Settings.UseTabPictos = tabPictos;
  Settings.BackgroundFile = in.Text(kDesign, "Background");
  Settings.MovieFile = in.Text(kDesign, "Movie");
}

void ReadSecurity(const SettingsReader& in) {
  in.Flags(kSecurityFlags);
  Settings.UseWhiteList = in.Loose(kSecurity, "UseWhiteList", "1");
  Settings.ValidationServer = in.Text(kSecurity, "ValidationServer");
  Settings.AvailableExt = in.ExtList("AvailableExt", "AvailableExtCount", 6, ".pdf;.doc;.xls;.ppt;.pps;.exe");
  Settings.ForbiddenExt = in.ExtList("ForbiddenExt", "ForbiddenExtCount", 0, "");
  Settings.AllowOnlyAvailable = in.Flag(kSecurity, "AllowOnlyAvailable", "0");
}

void ReadSystem(const SettingsReader& in) {
  Settings.ApplicationName = in.Text(kSystem, "Application Name", "Orbeta");
  Settings.IconFile = in.Text(kSystem, "Icon");
  Settings.AutoSave = in.Flag(kSystem, "AutoSave", "0");
  Settings.UseRemoteSitesFile = in.Flag(kSystem, "Use RemoteSitesFile", "0");
  Settings.RemoteSiteFileURL = in.Text(kSystem, "RemoteSiteFileURL", "http://lists.orbeta.example/orbeta/orbeta.edn");
  Settings.RemoteKeyFileURL = in.Text(kSystem, "RemoteKeyFileURL", "http://lists.orbeta.example/orbeta/orbeta.key");
}

void ReadListFiles(const SettingsReader& in) {
  const std::string siteFile = in.Text(kSystem, "SiteFileName", CurrentSiteFile);
  if (siteFile == CurrentSiteFile) return;
  CurrentSiteFile = siteFile;
  CurrentKeyFile = siteFile.substr(0, siteFile.size() >= 4 ? siteFile.size() - 4 : 0) + ".key";
  ListFilesChanged = true;
}

void ReadLanguage(const SettingsReader& in) {
  Settings.Mailer = in.Text(kSystem, "Mailer");
  Settings.UseSingleMailConfig = in.Flag(kSystem, "UseSingleMailConfig", "1");
  Settings.PictosFileName = in.Text(kDesign, "PictosFileName");
  Settings.Language = in.Integer(kLanguage, "Language", 2);
  if (Settings.Language > 0 && Settings.Language <= 0xFFFF)
    Dictionary().SelectLanguage(static_cast<TLanguage>(Settings.Language));
}

void ReadLinks(const SettingsReader& in) {
  for (std::size_t i = 0; i < Settings.LinkButtons.size(); ++i) {
    const std::string button = "Button0" + std::to_string(i + 1);
    Settings.LinkButtons[i].Name = in.Text(kUrls, (button + " Name").c_str());
    Settings.LinkButtons[i].URL = in.Text(kUrls, (button + " URL").c_str());
  }
  static constexpr const char* kHotKeys[][2] = {
      {"hk1", "114"}, {"hk2", "115"}, {"hk3", "116"}, {"hk4", "117"}, {"hk5", "118"}};
  for (std::size_t i = 0; i < Settings.LinkHotKeys.size(); ++i)
    Settings.LinkHotKeys[i] = static_cast<std::uint16_t>(in.Strict(kUrls, kHotKeys[i][0], kHotKeys[i][1]));
  Settings.HomePage = in.Text(kUrls, "Blank");
  Settings.UserCanChangeLanguage = in.Integer(kLanguage, "User Change", 1) == 1;
}

// Each registry write is tried on its own; a failure (typically missing rights) is ignored.
template <typename Write>
void TryRegistry(Write write) {
  try {
    write();
  } catch (const std::exception&) {
  }
}

void ReadKioskLogon(const SettingsReader& in) {
  Settings.KioskUserName = in.Text(kKiosk, "Username Kiosk", "orbeta");
  Settings.KioskPassword = in.Text(kKiosk, "Password Kiosk", "tulmar");
  Settings.AutomaticLogin = in.Flag(kKiosk, "Automatic Login", "0");
  const auto machine = reg::Root::LocalMachine;
  if (Settings.AutomaticLogin) {
    TryRegistry([&] { WriteRegValue(machine, kWinlogonKey, "AutoAdminLogon", "1", kRegString); });
    TryRegistry([&] { WriteRegValue(machine, kWinlogonKey, "DefaultUserName", Settings.KioskUserName, kRegString); });
    TryRegistry([&] { WriteRegValue(machine, kWinlogonKey, "DefaultPassword", Settings.KioskPassword, kRegString); });
  } else {
    TryRegistry([&] { WriteRegValue(machine, kWinlogonKey, "AutoAdminLogon", "0", kRegString); });
    TryRegistry([&] { DeleteRegValue(kWinlogonKey, "DefaultUserName"); });
    TryRegistry([&] { DeleteRegValue(kWinlogonKey, "DefaultPassword"); });
  }
}

void ReadKioskShell(const SettingsReader& in) {
  in.Flags(kDesktopLockFlags);
  Settings.AppAsFront = in.Flag(kKiosk, "AppAsFront", "0");
  const std::string shell = Settings.AppAsFront ? ProgramPath() : "explorer.exe";
  TryRegistry([&] { WriteRegValue(reg::Root::LocalMachine, kWinlogonKey, "Shell", shell, kRegString); });
  Settings.LaunchList = ParseProgramList(in.Text(kKiosk, "ProgramsToLaunched"));
}

}  // namespace

void SetSettingsHost(SettingsHost* newHost) { host = newHost; }

std::string GetSettingsFile() { return ResolveFileName(JoinPath(WindowsDirectory(), "Orbeta.ini")); }

void ReadTitleBarFlag(const std::string& path) {
  if (!FileExists(path)) return;
  Settings.HideTitleBar = SettingsReader(path).Flag(kParams, "Title Bar", "0");
}

bool ReadSettings(const std::string& path) {
  if (!FileExists(path)) {
    if (host) host->RequestQuit(path);
    return false;
  }
  const SettingsReader in(path);
  in.Flags(kWindowFlags);
  Settings.ReturnHomeInterval = ReturnHomeMilliseconds(in.Integer(kParams, "Return Home Minutes", 1));
  ConfigureTimers();
  ReadPresentation(in);
  ReadSecurity(in);
  if (Settings.SecurityOff) AdminMode = true;
  LoadAdminPassword();
  ReadSystem(in);
  ReadListFiles(in);
  ReadLanguage(in);
  ReadLinks(in);
  ReadKioskLogon(in);
  ReadKioskShell(in);
  return true;
}

}  // namespace orbeta
