#include "app/settings.h"

#include <gtest/gtest.h>

#include <map>

#include "admin/admin_password.h"
#include "admin/crypt32.h"
#include "app/settings_report.h"
#include "lists/list_state.h"
#include "platform/paths.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

struct RecordingHost : SettingsHost {
  void RequestQuit(const std::string& file) override { quitFor = file; }
  void ConfigureReturnHomeTimer(std::int32_t ms, bool enabled) override {
    timerMs = ms;
    timerEnabled = enabled;
  }
  void EnableMouseSampler(bool enabled) override { samplerEnabled = enabled; }
  std::string quitFor;
  std::int32_t timerMs = -1;
  bool timerEnabled = false;
  bool samplerEnabled = false;
};

// A kiosk machine: settings in a Windows directory of its own, a registry with a stored
// password, and the program state as at start.
class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    Settings = TSettings{};
    AdminMode = false;
    AdminPassword.clear();
    CurrentSiteFile = "Untitled.edn";
    CurrentKeyFile = "Untitled.key";
    SitesChanged = KeywordsChanged = ListFilesChanged = false;
    SetSettingsHost(&host_);
    StorePassword(Crypt32::Encrypt("secret"));
  }
  ~SettingsTest() override { SetSettingsHost(nullptr); }

  void StorePassword(const std::string& data) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Open(reg::Root::CurrentUser, "Orbeta", true, key), reg::kSuccess);
    key.WriteString("Data", data);
  }
  std::optional<std::string> Winlogon(const std::string& name) {
    reg::Key key;
    std::string value;
    if (reg::Key::Open(reg::Root::LocalMachine, kWinlogonKey, false, key) != reg::kSuccess ||
        key.ReadString(name, value) != reg::kSuccess)
      return std::nullopt;
    return value;
  }
  // Writes the settings file and loads it.
  void Load(const std::string& text) {
    WriteFile(file_, text);
    ASSERT_TRUE(ReadSettings(file_));
  }
  std::map<std::string, std::string> Described() {
    const auto lines = DescribeSettings(Settings);
    return {lines.begin(), lines.end()};
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
  std::string file_ = dir_.File("Orbeta.ini");
  RecordingHost host_;
};

TEST_F(SettingsTest, AbsentKeysTakeTheirDefaults) {
  Load("[Navigator Params]\nToolbar=1\n");
  const std::map<std::string, std::string> expected = {
      {"HideToolbar", "1"}, {"HideStatusBar", "0"}, {"HideTitleBar", "0"}, {"HideUrlBar", "0"},
      {"HideTabBar", "0"}, {"AutoHideTabs", "0"}, {"CanPrint", "1"}, {"CanMail", "1"},
      {"CanRefresh", "1"}, {"ReturnHome", "1"}, {"ReturnHomeTimer", "1"}, {"UserCanQuit", "1"},
      {"MonitorPower", "0"}, {"CanLogout", "0"}, {"CanLaunchPrograms", "0"}, {"ClearSession", "1"},
      {"ReturnHomeInterval", "60000"}, {"CanBackForward", "1"}, {"HideTypeColumn", "1"},
      {"HideNotesColumn", "0"}, {"HideUrlColumn", "1"}, {"UseButtons", "0"}, {"VisibleLines", "9"},
      {"UseGridPictos", "0"}, {"TabPosition", "1"}, {"UseTabPictos", "0"}, {"BackgroundFile", ""},
      {"MovieFile", ""}, {"SiteControlOff", "1"}, {"SecurityOff", "1"}, {"UseMailTo", "1"},
      {"UseFtp", "1"}, {"HotKeyUnlock", "1"}, {"ValidateOnLine", "1"}, {"UseWhiteList", "1"},
      {"AvailableExt", ".pdf;.doc;.xls;.ppt;.pps;.exe"}, {"ForbiddenExt", ""},
      {"AllowOnlyAvailable", "0"}, {"ApplicationName", "Orbeta"}, {"IconFile", ""},
      {"AutoSave", "0"}, {"UseRemoteSitesFile", "0"}, {"CurrentSiteFile", "Untitled.edn"},
      {"CurrentKeyFile", "Untitled.key"}, {"Mailer", ""}, {"UseSingleMailConfig", "1"},
      {"PictosFileName", ""}, {"Language", "2"}, {"LinkButtons[1].Name", ""},
      {"LinkHotKeys", "114;115;116;117;118"}, {"HomePage", ""}, {"UserCanChangeLanguage", "1"},
      {"KioskUserName", "orbeta"}, {"KioskPassword", "tulmar"}, {"AutomaticLogin", "0"},
      {"NoAltTab", "1"}, {"NoTaskBar", "1"}, {"NoTaskLinks", "1"}, {"NoTaskTray", "1"},
      {"NoStartButton", "1"}, {"NoDesktop", "1"}, {"AppAsFront", "0"}, {"LaunchList[1].Name", ""},
  };
  const auto described = Described();
  for (const auto& [name, value] : expected) EXPECT_EQ(described.at(name), value) << name;
  EXPECT_TRUE(described.at("RemoteSiteFileURL").ends_with("/orbeta/orbeta.edn"));
  EXPECT_TRUE(described.at("RemoteKeyFileURL").ends_with("/orbeta/orbeta.key"));
  EXPECT_FALSE(ListFilesChanged);
}

TEST_F(SettingsTest, FlagsAreTrueOnlyForTheTextOne) {
  for (const char* text : {"yes", "true", "\" 1\"", "01", ""}) {
    Load(std::string("[Navigator Params]\nToolbar=") + text + "\n");
    EXPECT_FALSE(Settings.HideToolbar) << text;
  }
  Load("[navigator params]\nTOOLBAR = 1 \n");
  EXPECT_TRUE(Settings.HideToolbar);
}

TEST_F(SettingsTest, ReturnHomeIntervalAndTimers) {
  struct Case {
    const char* minutes;
    std::int32_t ms;
  };
  for (const Case& c : {Case{"0", 300000}, Case{"-3", 300000}, Case{"40000", 300000},
                        Case{"2", 120000}, Case{"soon", 60000}}) {
    Load(std::string("[Navigator Params]\nReturn Home Minutes=") + c.minutes + "\n");
    EXPECT_EQ(Settings.ReturnHomeInterval, c.ms) << c.minutes;
    EXPECT_EQ(host_.timerMs, c.ms);
  }
  struct Timers {
    const char* returnHome;
    const char* periodic;
    bool timer;
    bool sampler;
  };
  for (const Timers& t : {Timers{"1", "0", true, true}, Timers{"0", "1", true, false},
                          Timers{"0", "0", false, false}}) {
    Load(std::string("[Navigator Params]\nReturn Home=") + t.returnHome +
         "\nReturn Home Timer=" + t.periodic + "\n");
    EXPECT_EQ(host_.timerEnabled, t.timer);
    EXPECT_EQ(host_.samplerEnabled, t.sampler);
  }
}

TEST_F(SettingsTest, LooseIntegersAreStoredIn8Bits) {
  Load("[Navigator Params]\nNB Lines=12 lines\nTAB Position=0x101\n");
  EXPECT_EQ(Settings.VisibleLines, 13);
  EXPECT_EQ(Settings.TabPosition, 1);
  Load("[Navigator Params]\nNB Lines=\n");
  EXPECT_EQ(Settings.VisibleLines, 1);
  Load("[Navigator Params]\nNB Lines=255\n");
  EXPECT_EQ(Settings.VisibleLines, 0);
}

TEST_F(SettingsTest, ExtensionListsHoldExactlyTheirCount) {
  Load("[Security]\nAvailableExt=.a;.b;.c\nAvailableExtCount=2\nForbiddenExt=.x\nForbiddenExtCount=3\n");
  EXPECT_EQ(Settings.AvailableExt, (std::vector<std::string>{".a", ".b"}));
  EXPECT_EQ(Settings.ForbiddenExt, (std::vector<std::string>{".x", "", ""}));
}

TEST_F(SettingsTest, ConversionErrorsStopTheLoadAndLeaveLaterKeys) {
  Load("[System]\nApplication Name=Before\n");
  WriteFile(file_, "[Security]\nAvailableExtCount=-1\n[System]\nApplication Name=After\n");
  try {
    ReadSettings(file_);
    ADD_FAILURE() << "no error for a negative count";
  } catch (const std::range_error& error) {
    EXPECT_NE(std::string(error.what()).find("AvailableExtCount"), std::string::npos) << error.what();
  }
  EXPECT_EQ(Settings.ApplicationName, "Before");

  WriteFile(file_, "[URLS]\nhk1=100\nhk2=F3\nBlank=http://home/\n");
  try {
    ReadSettings(file_);
    ADD_FAILURE() << "no error for a hot key that is no number";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("hk2: 'F3'"), std::string::npos) << error.what();
  }
  EXPECT_EQ(Settings.LinkHotKeys[0], 100);
  EXPECT_EQ(Settings.LinkHotKeys[1], 115);  // the value of the load before
  EXPECT_EQ(Settings.HomePage, "");
}

TEST_F(SettingsTest, HotKeyErrorWritesNoLogonValues) {
  WriteFile(file_, "[URLS]\nhk5=x\n[Kiosk mode]\nAutomatic Login=1\n");
  EXPECT_THROW(ReadSettings(file_), std::invalid_argument);
  EXPECT_EQ(Winlogon("AutoAdminLogon"), std::nullopt);
}

TEST_F(SettingsTest, ProgramsAndLinkButtons) {
  Load("[Kiosk mode]\nProgramsToLaunched=Calc,c:\\calc.exe,,x.exe,Pad,c:\\pad.exe\n"
       "[URLS]\nButton01 Name=Library\nButton01 URL=http://library/\nButton05 Name=Town\nhk3=0x75\n");
  EXPECT_EQ(Settings.LaunchList[0].Name, "Calc");
  EXPECT_EQ(Settings.LaunchList[1].Path, "c:\\pad.exe");
  EXPECT_EQ(Settings.LaunchList[2].Name, "");
  EXPECT_EQ(Settings.LinkButtons[0].URL, "http://library/");
  EXPECT_EQ(Settings.LinkButtons[4].Name, "Town");
  EXPECT_EQ(Settings.LinkHotKeys[2], 0x75);
}

TEST_F(SettingsTest, SiteFileNameNamesBothListsOnce) {
  Load("[System]\nSiteFileName=c:\\lists\\school.edn\n");
  EXPECT_EQ(CurrentSiteFile, "c:\\lists\\school.edn");
  EXPECT_EQ(CurrentKeyFile, "c:\\lists\\school.key");
  EXPECT_TRUE(ListFilesChanged);
  ListFilesChanged = false;
  Load("[System]\nSiteFileName=c:\\lists\\school.edn\n");
  EXPECT_FALSE(ListFilesChanged);
  Load("[System]\nSiteFileName=c:\\lists\\School.edn\n");
  EXPECT_TRUE(ListFilesChanged);
}

TEST_F(SettingsTest, PictoFlagsMarkWhatMustBeRebuilt) {
  Load("[Navigator Design]\nUse Tab Pictos=0\nUse Grid Pictos=0\n");
  EXPECT_FALSE(KeywordsChanged);
  EXPECT_FALSE(SitesChanged);
  Load("[Navigator design]\nUse Tab Pictos=1\nUse Grid Pictos=0\n");
  EXPECT_TRUE(KeywordsChanged);
  EXPECT_FALSE(SitesChanged);
  Load("[Navigator Design]\nUse Tab Pictos=1\nUse Grid Pictos=1\n");
  EXPECT_TRUE(SitesChanged);
}

TEST_F(SettingsTest, SecurityOffUnlocksOnlyWithAStoredPassword) {
  Load("[Security]\nSecurity OFF=1\n");
  EXPECT_TRUE(Settings.SecurityOff);
  EXPECT_TRUE(AdminMode);
  EXPECT_EQ(AdminPassword, "secret");

  AdminMode = false;
  StorePassword("");
  Load("[Security]\nSecurity OFF=1\n");
  EXPECT_FALSE(Settings.SecurityOff);
  EXPECT_FALSE(AdminMode);
  EXPECT_EQ(AdminPassword, "tulmar");
}

TEST_F(SettingsTest, WritesTheLogonValuesItImplies) {
  Load("[Kiosk mode]\nAutomatic Login=1\nUsername Kiosk=visitor\nPassword Kiosk=pw\nAppAsFront=1\n");
  EXPECT_EQ(Winlogon("AutoAdminLogon"), "1");
  EXPECT_EQ(Winlogon("DefaultUserName"), "visitor");
  EXPECT_EQ(Winlogon("DefaultPassword"), "pw");
  EXPECT_EQ(Winlogon("Shell"), ProgramPath());

  Load("[Kiosk mode]\nAutomatic Login=0\n");
  EXPECT_EQ(Winlogon("AutoAdminLogon"), "0");
  EXPECT_EQ(Winlogon("DefaultUserName"), std::nullopt);
  EXPECT_EQ(Winlogon("DefaultPassword"), std::nullopt);
  EXPECT_EQ(Winlogon("Shell"), "explorer.exe");
}

TEST_F(SettingsTest, UnwritableRegistryIsIgnored) {
  ScopedEnv unwritable("ORBETA_REGISTRY", "/proc/orbeta-registry");
  Load("[Kiosk mode]\nAutomatic Login=1\n[URLS]\nBlank=http://home/\n");
  EXPECT_EQ(Settings.HomePage, "http://home/");
  EXPECT_TRUE(Settings.AutomaticLogin);
}

TEST_F(SettingsTest, MissingFileAsksToQuitAndChangesNothing) {
  Settings.ApplicationName = "kept";
  EXPECT_FALSE(ReadSettings(dir_.File("absent.ini")));
  EXPECT_EQ(host_.quitFor, dir_.File("absent.ini"));
  EXPECT_EQ(Settings.ApplicationName, "kept");
}

TEST_F(SettingsTest, SettingsFileAndTitleBarFlag) {
  WriteFile(dir_.File("orbeta.INI"), "[Navigator Params]\nTitle Bar=1\nToolbar=1\n");
  SettingsFile = GetSettingsFile();
  EXPECT_EQ(SettingsFile, dir_.File("orbeta.INI"));
  ReadTitleBarFlag(SettingsFile);
  EXPECT_TRUE(Settings.HideTitleBar);
  EXPECT_FALSE(Settings.HideToolbar);
  ReadTitleBarFlag(dir_.File("absent.ini"));
  EXPECT_TRUE(Settings.HideTitleBar);
}

}  // namespace
}  // namespace orbeta
