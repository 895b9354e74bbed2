#include "platform/message_socket.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <vector>

#include "support/test_support.h"

namespace orbeta {
namespace {

class MessageSocketTest : public ::testing::Test {
 protected:
  void RunUntil(std::size_t count) {
    for (int i = 0; i < 2000 && received_.size() < count; ++i) g_main_context_iteration(nullptr, FALSE), ::usleep(1000);
  }
  test::TempDir dir_;
  std::string path_ = dir_.File("orbeta.sock");
  std::vector<std::uint32_t> received_;
  const std::map<std::string, std::uint32_t> words_ = {{"closemain", 1}, {"gotosite", 2}};
};

TEST_F(MessageSocketTest, DeliversKnownWordsInOrderAndDropsOthers) {
  MessageSocket socket(words_, [&](std::uint32_t m) { received_.push_back(m); }, path_);
  std::string error;
  for (const char* word : {"gotosite", "format c:", "closemain"}) {
    EXPECT_TRUE(SendMessageWord(word, error, path_)) << error;
    RunUntil(received_.size() + (std::string(word) == "format c:" ? 0 : 1));
  }
  EXPECT_EQ(received_, (std::vector<std::uint32_t>{2, 1}));
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u) << "only the user may connect";
}

TEST_F(MessageSocketTest, StaleSocketIsReplacedAndRemovedAtTheEnd) {
  {
    // A socket file left by a program that ended without removing it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  {
    MessageSocket socket(words_, [&](std::uint32_t m) { received_.push_back(m); }, path_);
    std::string error;
    EXPECT_TRUE(SendMessageWord("closemain", error, path_)) << error;
    RunUntil(1);
    EXPECT_EQ(received_.size(), 1u);
  }
  EXPECT_NE(::access(path_.c_str(), F_OK), 0);
}

TEST_F(MessageSocketTest, SenderWithoutKioskFailsClearly) {
  std::string error;
  EXPECT_FALSE(SendMessageWord("closemain", error, path_));
  EXPECT_NE(error.find(path_), std::string::npos) << error;
  test::ScopedEnv socket("ORBETA_SOCKET", path_);
  const auto usage = test::RunProgram("orbeta-send", {"reboot"});
  EXPECT_EQ(usage.exitCode, 2);
  const auto none = test::RunProgram("orbeta-send", {"closemain"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("no kiosk listens"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace orbeta
