// The kiosk program and orbeta-admin, run as an administrator would run them.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::RunProgram;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

class ProgramsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
};

TEST_F(ProgramsTest, AdminSettingsPrintsEveryFieldAndTheLockState) {
  WriteFile(dir_.File("Orbeta.ini"),
            "[Navigator Params]\nToolbar=1\n[System]\nApplication Name=Biblioth\xE8que\n"
            "[URLS]\nButton02 Name=News\n[Kiosk mode]\nProgramsToLaunched=Calc,calc\n");
  const auto result = RunProgram("orbeta-admin", {"settings"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  for (const char* line : {"HideToolbar=1\n", "ApplicationName=Biblioth\u00e8que\n",
                           "LinkButtons[2].Name=News\n", "LinkButtons[5].URL=\n",
                           "LaunchList[1].Path=calc\n", "LaunchList[10].Name=\n",
                           "AvailableExt=.pdf;.doc;.xls;.ppt;.pps;.exe\n",
                           "AdminMode=0\nSecurityOff=0\n"})
    EXPECT_NE(result.out.find(line), std::string::npos) << line;
  EXPECT_TRUE(result.out.starts_with("HideToolbar=1\nHideStatusBar=0\n"));
}

TEST_F(ProgramsTest, AdminSettingsReportsErrors) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* message;
  };
  WriteFile(dir_.File("bad.ini"), "[URLS]\nhk1=F3\n");
  const Case cases[] = {
      {{"settings", dir_.File("absent.ini")}, 1, "settings file not found: "},
      {{"settings", dir_.File("bad.ini")}, 1, "'F3' is not a valid integer value"},
      {{"frobnicate"}, 2, "usage: orbeta-admin"},
      {{}, 2, "usage: orbeta-admin"},
  };
  for (const Case& c : cases) {
    const auto result = RunProgram("orbeta-admin", c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
}

TEST_F(ProgramsTest, KioskWithoutSettingsFileNamesItAndFails) {
  const auto result = RunProgram("orbeta", {});
  EXPECT_NE(result.exitCode, 0);
  EXPECT_EQ(result.err, "orbeta: settings file not found: " + dir_.File("Orbeta.ini") + "\n");
}

}  // namespace
}  // namespace orbeta
