#include "platform/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "navigation/argv_recorder.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::InstallArgvRecorder;
using test::ScopedEnv;
using test::TempDir;
using test::WaitForRecordedArgs;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsRuntimeRules) {
  struct Case {
    std::string_view line;
    Args args;
  };
  const Case cases[] = {
      {"prog a b", {"prog", "a", "b"}},
      {"  prog\ta \t b  ", {"prog", "a", "b"}},
      {"", {}},
      {" \t ", {}},
      {R"(prog "a b"  c)", {"prog", "a b", "c"}},
      {R"(prog a"b c"d)", {"prog", "ab cd"}},
      {R"(prog "" x)", {"prog", "", "x"}},
      {R"(prog "unterminated arg)", {"prog", "unterminated arg"}},
      // Backslashes are literal unless a quote follows them.
      {R"(prog a\\b c\)", {"prog", R"(a\\b)", R"(c\)"}},
      {R"(prog a\"b)", {"prog", R"(a"b)"}},
      {R"(prog a\\"b c")", {"prog", R"(a\b c)"}},
      {R"(prog a\\\"b)", {"prog", R"(a\"b)"}},
      {R"(prog "a\\" b)", {"prog", R"(a\)", "b"}},
      // "" inside quotes is a quote and the group goes on; outside it is an empty group.
      {R"(prog "a""b c" d)", {"prog", R"(a"b c)", "d"}},
      {R"(prog a""b)", {"prog", "ab"}},
      // The program name takes backslashes as they are and ends only at a blank outside quotes.
      {R"("C:\Program Files\x.exe" a)", {R"(C:\Program Files\x.exe)", "a"}},
      {R"(C:\dir\"x y"\z.exe "q")", {R"(C:\dir\x y\z.exe)", "q"}},
      {R"(prog\" a)", {R"(prog\ a)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

class ProgramsOnDisk : public ::testing::Test {
 protected:
  // The program's directory and a PATH folder, with an executable or a plain file.
  std::string Add(const std::string& relativePath, bool executable = true) {
    const std::string path = home_.File(relativePath);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (executable)
      InstallArgvRecorder(path);
    else
      test::WriteFile(path, "data");
    return path;
  }

  TempDir home_;
  ScopedEnv programDir_{"ORBETA_HOME", home_.File("app")};
  ScopedEnv path_{"PATH", home_.File("bin") + "::relative:" + home_.File("bin2")};
  ScopedEnv argvFile_{test::kArgvFileVariable, home_.File("argv")};
};

TEST_F(ProgramsOnDisk, FindsProgramsInTheProgramDirectoryThenInPath) {
  const std::string appTool = Add("app/tool");
  const std::string pathTool = Add("bin2/tool2");
  Add("bin/tool");
  const std::string postrel = Add("app/postrel");
  const std::string keptExe = Add("app/kept.exe");
  Add("app/kept");
  Add("app/plain", false);
  const std::string pathPlain = Add("bin/plain");
  const std::string nested = Add("app/sub/tool");
  std::filesystem::create_directories(home_.File("app/folder"));
  std::filesystem::create_directories(home_.File("relative"));
  Add("relative/onlyhere");

  const std::pair<std::string, std::string> cases[] = {
      {"tool", appTool},
      {"tool2", pathTool},
      {"Postrel.exe", postrel},  // another case, and without ".exe"
      {"kept.exe", keptExe},
      {"plain", pathPlain},      // a file that cannot run is passed over
      {nested, nested},
      {home_.path() + "\\app\\sub\\TOOL.exe", nested},
      {"folder", ""},
      {"missing", ""},
      {"onlyhere", ""},          // relative PATH folders are never searched
      {"", ""},
  };
  for (const auto& [name, found] : cases) EXPECT_EQ(FindProgram(name), found) << name;
  EXPECT_EQ(FindProgramInPath("tool"), home_.File("bin/tool"));
  EXPECT_EQ(FindProgramInPath(nested), "");
}

TEST_F(ProgramsOnDisk, RunCommandLineHandsTheSplitArgumentsToTheProgram) {
  struct Case {
    std::string line;
    Args args;
  };
  const std::string spaced = Add("app/My Apps/tool");
  Add("app/My", false);  // a folder's name as a plain file must not capture the line
  const Case cases[] = {
      {"Postrel.exe securityon \"a b\" c\\\"d", {"Postrel.exe", "securityon", "a b", "c\"d"}},
      // No shell ever sees the line: its characters reach the program as they are.
      {"Postrel.exe $(touch x) ; rm -rf ~ | y > z & `w`",
       {"Postrel.exe", "$(touch", "x)", ";", "rm", "-rf", "~", "|", "y", ">", "z", "&", "`w`"}},
      {spaced + " --flag \"q r\"", {spaced, "--flag", "q r"}},
      {spaced, {spaced}},
      {"\"" + spaced + "\" x", {spaced, "x"}},
  };
  Add("app/postrel");
  for (const Case& c : cases) {
    std::filesystem::remove(home_.File("argv"));
    ASSERT_TRUE(RunCommandLine(c.line, WindowShow::Maximized)) << c.line;
    EXPECT_EQ(WaitForRecordedArgs(home_.File("argv")), c.args) << c.line;
  }
  for (const std::string& line : Args{"", "   ", "missing x", "My", home_.File("app/My Apps/nothing here")})
    EXPECT_FALSE(RunCommandLine(line)) << line;
}

TEST_F(ProgramsOnDisk, StartedProgramsAreReapedAndWaitedProgramsGiveTheirExitCode) {
  const std::string recorder = Add("app/recorder");
  const pid_t pid = SpawnProgram(recorder, {"recorder", "one"});
  ASSERT_GT(pid, 0);
  EXPECT_EQ(WaitForRecordedArgs(home_.File("argv")), (Args{"recorder", "one"}));
  const std::string procDir = "/proc/" + std::to_string(pid);
  EXPECT_TRUE(test::WaitUntil([&] { return !std::filesystem::exists(procDir); })) << "child not reaped";

  EXPECT_EQ(RunProgramAndWait(recorder, {"recorder"}), 0);
  ScopedEnv noArgvFile(test::kArgvFileVariable, std::nullopt);
  EXPECT_EQ(RunProgramAndWait(recorder, {"recorder"}), 2);
  EXPECT_EQ(RunProgramAndWait(home_.File("app/none"), {"none"}), std::nullopt);
  EXPECT_EQ(SpawnProgram(home_.File("app/none"), {"none"}), -1);
}

}  // namespace
}  // namespace orbeta
