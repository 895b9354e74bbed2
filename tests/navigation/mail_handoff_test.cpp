#include "navigation/mail_handoff.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "navigation/argv_recorder.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ScopedEnv;
using test::TempDir;

class MailHandoffTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    Settings = TSettings{};
    AdminMode = false;
  }
};

TEST_F(MailHandoffTest, BuildsTheCommandLineOfTheMailProgram) {
  struct Case {
    std::string mailer;
    bool securityOff, adminMode, singleConfig;
    std::optional<std::string> url;
    std::string line;
  };
  const std::string longQuery = "a@b.example?body=" + std::string(300, 'x');
  const Case cases[] = {
      {"Postrel.exe", false, false, true, "mailto:info?subject=hi", "Postrel.exe securityon useSingleMailConfig info?subject=hi"},
      {"Postrel.exe", false, false, false, "mailto:a@b.example", "Postrel.exe securityon a@b.example"},
      {"Postrel.exe", true, false, true, "mailto:a@b.example", "Postrel.exe securityoff useSingleMailConfig a@b.example"},
      {"Postrel.exe", false, true, false, "mailto:a@b.example", "Postrel.exe securityoff a@b.example"},
      {"Postrel.exe", false, true, false, std::nullopt, "Postrel.exe securityoff"},
      {"Postrel.exe", false, false, true, std::nullopt, "Postrel.exe securityon useSingleMailConfig"},
      // The companion program is recognised anywhere in the setting, in any case, and is
      // always started by its bare name.
      {"c:\\Mail\\postrel.exe", false, false, false, "mailto:x@y", "Postrel.exe securityon x@y"},
      // Only the first "mailto:" goes, wherever it is.
      {"POSTREL.EXE", false, false, false, "xmailto:a mailto:b", "Postrel.exe securityon xa mailto:b"},
      // Another program is started as the setting says, without the address.
      {"/usr/bin/evolution --component=mail", false, false, true, "mailto:a@b.example",
       "/usr/bin/evolution --component=mail"},
      {"", false, false, false, "mailto:a@b.example", ""},
      {"Postrel.exe", false, false, false, "mailto:" + longQuery,
       ("Postrel.exe securityon " + longQuery).substr(0, 255)},
  };
  for (const Case& c : cases) {
    Settings.Mailer = c.mailer;
    Settings.SecurityOff = c.securityOff;
    Settings.UseSingleMailConfig = c.singleConfig;
    AdminMode = c.adminMode;
    EXPECT_EQ(MailCommandLine(c.url), c.line) << c.mailer << " " << c.url.value_or("(none)");
  }
}

TEST_F(MailHandoffTest, TheAddressReachesTheCompanionProgramAsPlainArguments) {
  TempDir dir;
  ScopedEnv home("ORBETA_HOME", dir.path());
  ScopedEnv argvFile(test::kArgvFileVariable, dir.File("argv"));
  test::InstallArgvRecorder(dir.File("Postrel.exe"));
  test::InstallArgvRecorder(dir.File("othermail"));

  Settings.Mailer = "postrel.exe";
  RunMailProgram("mailto:a@b.example;rm -rf ~ $(x) `y`");
  EXPECT_EQ(test::WaitForRecordedArgs(dir.File("argv")),
            (std::vector<std::string>{"Postrel.exe", "securityon", "a@b.example;rm", "-rf", "~", "$(x)", "`y`"}));

  std::filesystem::remove(dir.File("argv"));
  Settings.Mailer = "othermail --compose";
  RunMailProgram("mailto:a@b.example");
  EXPECT_EQ(test::WaitForRecordedArgs(dir.File("argv")), (std::vector<std::string>{"othermail", "--compose"}));
}

}  // namespace
}  // namespace orbeta
