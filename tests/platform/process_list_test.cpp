#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

#include "navigation/argv_recorder.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::TempDir;

// A child running a copy of a system program under a name no other process has; not reaped
// until the test says so.
class Child {
 public:
  Child(const std::string& program, const std::string& copy, std::vector<std::string> args) {
    std::filesystem::copy_file(program, copy);
    args.insert(args.begin(), copy);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, copy.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }
  char State() const {
    const std::string stat = test::ReadFile("/proc/" + std::to_string(pid_) + "/stat");
    return stat[stat.rfind(')') + 2];
  }

 private:
  pid_t pid_ = -1;
};

TEST(IsProgramRunning, FindsThisTestProgramByItsNameInAnyCase) {
  EXPECT_TRUE(IsProgramRunning("platform_tests"));
  EXPECT_TRUE(IsProgramRunning("Platform_Tests"));
  EXPECT_FALSE(IsProgramRunning("platform_test"));
  EXPECT_FALSE(IsProgramRunning(""));
}

TEST(IsProgramRunning, ComparesWithoutTheExtensionAndOnlyWhileTheProcessLives) {
  TempDir dir;
  const std::string name = "orbeta-probe-" + std::filesystem::path(dir.path()).filename().string();
  EXPECT_FALSE(IsProgramRunning(name));
  {
    Child child("/bin/sleep", dir.File(name + ".v1.bin"), {"30"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(test::WaitUntil([&] { return IsProgramRunning(name + ".V1"); }));
    EXPECT_FALSE(IsProgramRunning(name + ".v1.bin"));
    EXPECT_FALSE(IsProgramRunning(name));
    // Deleting the program's file does not end the program.
    std::filesystem::remove(dir.File(name + ".v1.bin"));
    EXPECT_TRUE(IsProgramRunning(name + ".v1"));
  }
  EXPECT_FALSE(IsProgramRunning(name + ".v1"));

  // A program that ended but was not reaped yet is no longer running.
  Child ended("/bin/true", dir.File(name), {});
  ASSERT_GT(ended.pid(), 0);
  ASSERT_TRUE(test::WaitUntil([&] { return ended.State() == 'Z'; }));
  EXPECT_FALSE(IsProgramRunning(name));
}

}  // namespace
}  // namespace orbeta
