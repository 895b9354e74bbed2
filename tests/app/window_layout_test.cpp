#include "app/window_layout.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "lists/list_state.h"

namespace orbeta {
namespace {

TSettings Defaults() {
  TSettings s;
  s.CanPrint = s.CanMail = s.CanRefresh = s.CanBackForward = s.UseMailTo = true;
  s.UserCanQuit = true;
  s.TabPosition = 1;
  return s;
}

TEST(WindowLayout, ButtonsFollowTheSettings) {
  TSettings s = Defaults();
  s.UseMailTo = false;
  EXPECT_FALSE(ComputeWindowLayout(s, {}).mailButton) << "mail links off hide the Mail button";
  s.SecurityOff = true;
  EXPECT_TRUE(ComputeWindowLayout(s, {}).mailButton) << "unless security is off";

  EXPECT_EQ(ComputeWindowLayout(s, {}).toolButtonWidth, 55);
  s.CanLaunchPrograms = true;
  EXPECT_EQ(ComputeWindowLayout(s, {}).toolButtonWidth, 55) << "only Logout widens the buttons";
  s.CanLogout = true;
  EXPECT_EQ(ComputeWindowLayout(s, {}).toolButtonWidth, 70);
}

TEST(WindowLayout, TabsAndMaskStrip) {
  struct Case {
    bool hide, autoHide;
    bool tabs, mask;
  };
  for (const Case c : {Case{false, false, true, false}, Case{false, true, false, true},
                       Case{true, false, false, false}, Case{true, true, false, false}}) {
    TSettings s = Defaults();
    s.HideTabBar = c.hide;
    s.AutoHideTabs = c.autoHide;
    const WindowLayout layout = ComputeWindowLayout(s, {});
    EXPECT_EQ(layout.tabBar, c.tabs) << c.hide << c.autoHide;
    EXPECT_EQ(layout.maskStrip, c.mask) << c.hide << c.autoHide;
  }
  TSettings s = Defaults();
  s.TabPosition = 2;
  EXPECT_FALSE(ComputeWindowLayout(s, {}).tabsAtBottom);
}

TEST(WindowLayout, LinkButtonsWithACaptionAreEnabled) {
  const WindowLayout layout = ComputeWindowLayout(Defaults(), {"Library", "", "News", "", ""});
  EXPECT_TRUE(layout.linkButtons[0].enabled);
  EXPECT_EQ(layout.linkButtons[2].image, 2);
  EXPECT_FALSE(layout.linkButtons[1].enabled);
  EXPECT_EQ(layout.linkButtons[1].image, 5);
  EXPECT_FALSE(layout.linkButtons[1].showHint);
}

TEST(WindowLayout, StatusIcon) {
  EXPECT_EQ(StatusIconIndex(true, true, nsRefused), 3);
  EXPECT_EQ(StatusIconIndex(false, true, nsRefused), 2);
  EXPECT_EQ(StatusIconIndex(false, false, nsRefused), 1);
  EXPECT_EQ(StatusIconIndex(false, false, nsAllowed), 0);
}

TEST(WindowLayout, SystemCommandsOfALockedKiosk) {
  TSettings s = Defaults();
  EXPECT_FALSE(DropsSystemCommand(s, false, SystemCommand::kClose)) << "visitors may quit";
  s.UserCanQuit = false;
  EXPECT_TRUE(DropsSystemCommand(s, false, SystemCommand::kClose));
  EXPECT_TRUE(DropsSystemCommand(s, false, SystemCommand::kMove));
  EXPECT_TRUE(DropsWindowCommand(s, false));
  EXPECT_FALSE(DropsSystemCommand(s, false, SystemCommand::kScreenSave));
  EXPECT_TRUE(DropsSystemCommand(s, false, SystemCommand::kMonitorPower));
  s.MonitorPower = true;
  EXPECT_FALSE(DropsSystemCommand(s, false, SystemCommand::kMonitorPower));
  EXPECT_FALSE(DropsSystemCommand(s, true, SystemCommand::kMinimize)) << "administrator";
  EXPECT_FALSE(DropsWindowCommand(s, true));
  s.SecurityOff = true;
  EXPECT_FALSE(DropsSystemCommand(s, false, SystemCommand::kClose)) << "security off";
}

TEST(Startup, CommandLineNamesTheLists) {
  for (const char* word : {"kiosk", "kioskmode"}) {
    CurrentSiteFile = "Untitled.edn";
    ListFilesChanged = false;
    ApplyCommandLine({word});
    EXPECT_EQ(CurrentSiteFile, "Untitled.edn");
    EXPECT_FALSE(ListFilesChanged);
  }
  ApplyCommandLine({"lists\\school.edn", "ignored"});
  EXPECT_EQ(CurrentSiteFile, "lists\\school.edn");
  EXPECT_EQ(CurrentKeyFile, "lists\\school.key");
  EXPECT_TRUE(ListFilesChanged);
  ApplyCommandLine({"ab"});
  EXPECT_EQ(CurrentKeyFile, ".key");
}

TEST(Startup, LaunchMenuEntries) {
  Settings.LaunchList = ParseProgramList("A,,B,/bin/sh,Gone,/no/such/program");
  const auto atStart = LaunchMenuEntries(true);
  ASSERT_EQ(atStart.size(), 1u);
  EXPECT_EQ(atStart[0].slot, 1);
  EXPECT_EQ(atStart[0].name, "B");
  EXPECT_EQ(LaunchMenuEntries(false).size(), 2u) << "after the settings dialog, without the file test";
}

}  // namespace
}  // namespace orbeta
