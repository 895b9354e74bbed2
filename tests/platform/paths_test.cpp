#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(Paths, WindowsDirectoryFollowsTheEnvironment) {
  {
    ScopedEnv windir("WINDIR", "/srv/kiosk/");
    EXPECT_EQ(WindowsDirectory(), "/srv/kiosk");
  }
  ScopedEnv noWindir("WINDIR", std::nullopt);
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(WindowsDirectory(), "/cfg/orbeta");
  }
  ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv home("HOME", "/home/visitor");
  EXPECT_EQ(WindowsDirectory(), "/home/visitor/.config/orbeta");
}

TEST(Paths, ProgramDirectoryIsOrbetaHomeOrTheExecutablesFolder) {
  {
    ScopedEnv home("ORBETA_HOME", "/opt/orbeta");
    EXPECT_EQ(ProgramDirectory(), "/opt/orbeta");
  }
  ScopedEnv noHome("ORBETA_HOME", std::nullopt);
  EXPECT_EQ(JoinPath(ProgramDirectory(), "x"), ProgramPath().substr(0, ProgramPath().rfind('/')) + "/x");
}

TEST(Paths, ResolvesNamesWrittenInAnotherCaseOrWithBackslashes) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("Lists"));
  test::WriteFile(dir.File("Lists/School.EDN"), "");
  EXPECT_EQ(ResolveFileName(dir.File("Lists/School.EDN")), dir.File("Lists/School.EDN"));
  EXPECT_EQ(ResolveFileName(dir.File("Lists/school.edn")), dir.File("Lists/School.EDN"));
  EXPECT_EQ(ResolveFileName(dir.path() + "\\Lists\\SCHOOL.edn"), dir.File("Lists/School.EDN"));
  EXPECT_EQ(ResolveFileName(dir.File("Lists/other.edn")), dir.File("Lists/other.edn"));
  EXPECT_EQ(ResolveFileName(""), "");
}

}  // namespace
}  // namespace orbeta
