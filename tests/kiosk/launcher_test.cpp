#include "kiosk/launcher.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "navigation/argv_recorder.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ScopedEnv;
using test::TempDir;
using Args = std::vector<std::string>;

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override { Settings = TSettings{}; }
  void TearDown() override { Settings = TSettings{}; }

  void SetSlot(int slot, const std::string& path) {
    Settings.LaunchList[static_cast<std::size_t>(slot - 1)] = {"Program " + std::to_string(slot), path};
  }

  TempDir dir_;
  ScopedEnv argvFile_{test::kArgvFileVariable, dir_.File("argv")};
};

TEST_F(LauncherTest, LauncherLinksStartTheirSlotOrBringTheRunningProgramForward) {
  test::WriteFile(dir_.File("tool.v2.bin"), "");
  std::filesystem::create_directory(dir_.File("Apps"));
  test::WriteFile(dir_.File("Apps/Viewer.Pro.exe"), "");
  SetSlot(1, dir_.File("missing.bin"));
  SetSlot(3, dir_.File("tool.v2.bin"));
  SetSlot(4, dir_.path() + "\\Apps\\Viewer.Pro.exe");
  SetSlot(10, dir_.File("tool.v2.bin"));

  struct Case {
    std::string url;
    std::string started;   // the command line started, "" for none
    std::string baseName;  // the name asked for, "" when no program was considered
  };
  const Case cases[] = {
      {"run:3/", dir_.File("tool.v2.bin"), "tool"},
      {"run:3", dir_.File("tool.v2.bin"), "tool"},
      {"run: 3/ ", dir_.File("tool.v2.bin"), "tool"},
      {"run: 3 / ", "", ""},  // the blank before the "/" stays after trimming
      {"http://example.org/page?go=run:3/", dir_.File("tool.v2.bin"), "tool"},
      {"run:10/", dir_.File("tool.v2.bin"), "tool"},
      {"run:4/", dir_.path() + "\\Apps\\Viewer.Pro.exe", "Viewer"},
      {"run:x", "", ""},
      {"run:", "", ""},
      {"run:3//", "", ""},
      {"run:3x/", "", ""},
      {"run:0/", "", ""},
      {"run:11/", "", ""},
      {"run:-3/", "", ""},
      {"run:1/", "", ""},  // the file is missing
      {"run:2/", "", ""},  // the slot is empty
      {"RUN:3/", "", ""},
  };
  for (const Case& c : cases) {
    std::string started, asked;
    WindowShow show = WindowShow::Normal;
    LauncherHooks hooks;
    hooks.isProgramRunning = [&](std::string_view name) {
      asked = name;
      return false;
    };
    hooks.runCommandLine = [&](std::string_view line, WindowShow how) {
      started = line;
      show = how;
      return true;
    };
    hooks.sendMainWindowToBack = [] { ADD_FAILURE() << "nothing runs"; };
    RunLauncherLink(c.url, hooks);
    EXPECT_EQ(started, c.started) << c.url;
    EXPECT_EQ(asked, c.baseName) << c.url;
    if (!c.started.empty()) {
      EXPECT_EQ(show, WindowShow::Maximized) << c.url;
    }
  }
}

TEST_F(LauncherTest, ALauncherLinkStartsAProgramOnlyWhenNoneOfItsNameRuns) {
  test::InstallArgvRecorder(dir_.File("launched.bin"));
  // The same base name as this test program, which is running.
  test::InstallArgvRecorder(dir_.File("kiosk_tests.exe"));
  SetSlot(1, dir_.File("launched.bin"));
  SetSlot(2, dir_.File("kiosk_tests.exe"));
  int sentBack = 0;
  LauncherHooks hooks;
  hooks.sendMainWindowToBack = [&] { ++sentBack; };

  RunLauncherLink("run:2/", hooks);
  EXPECT_EQ(sentBack, 1);
  RunLauncherLink("run:1/", hooks);
  EXPECT_EQ(test::WaitForRecordedArgs(dir_.File("argv")), Args{dir_.File("launched.bin")});
  EXPECT_EQ(sentBack, 1);
}

TEST_F(LauncherTest, TheMenuStartsASlotWhoseProgramExists) {
  test::InstallArgvRecorder(dir_.File("menu tool"));
  SetSlot(1, "");
  SetSlot(2, dir_.File("gone"));
  SetSlot(3, dir_.File("menu tool"));
  for (const int slot : {0, 1, 2, 4, 11}) EXPECT_FALSE(StartLaunchProgram(slot)) << slot;
  ASSERT_TRUE(StartLaunchProgram(3));
  EXPECT_EQ(test::WaitForRecordedArgs(dir_.File("argv")), Args{dir_.File("menu tool")});
}

TEST_F(LauncherTest, LogOffAsksLogindToEndTheSessionOfTheKiosk) {
  test::InstallArgvRecorder(dir_.File("loginctl"));
  ScopedEnv path("PATH", dir_.path());
  {
    ScopedEnv session("XDG_SESSION_ID", "c42");
    EXPECT_TRUE(LogindSessionLogoff().LogOff());
    EXPECT_EQ(test::WaitForRecordedArgs(dir_.File("argv")), (Args{"loginctl", "terminate-session", "c42"}));
  }
  {
    // An identifier that could pass for an option is not handed on; the session of the
    // process's control group, if it has one, is asked for instead.
    std::filesystem::remove(dir_.File("argv"));
    ScopedEnv session("XDG_SESSION_ID", "--help");
    const bool asked = LogindSessionLogoff().LogOff();
    ASSERT_EQ(asked, std::filesystem::exists(dir_.File("argv")));
    if (asked) {
      EXPECT_EQ(test::ReadFile(dir_.File("argv")).find("--help"), std::string::npos);
    }
  }
  ScopedEnv session("XDG_SESSION_ID", "7");
  ScopedEnv emptyPath("PATH", dir_.File("nothing"));
  EXPECT_FALSE(LogindSessionLogoff().LogOff());
}

TEST(SessionIdFromCgroup, FindsTheSessionScope) {
  const std::pair<std::string_view, std::optional<std::string>> cases[] = {
      {"0::/user.slice/user-1000.slice/session-3.scope\n", "3"},
      {"12:pids:/user.slice\n1:name=systemd:/user.slice/user-1000.slice/session-c2.scope\n0::/\n", "c2"},
      {"0::/user.slice/user-1000.slice/session-5.scope/app\n", "5"},
      {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/x.scope\n", std::nullopt},
      {"0::/system.slice/session-x.scopes\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [cgroup, id] : cases) EXPECT_EQ(SessionIdFromCgroup(cgroup), id) << cgroup;
}

}  // namespace
}  // namespace orbeta
