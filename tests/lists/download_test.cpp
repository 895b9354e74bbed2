#include "lists/download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "language/dictionary.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::HttpAnswer;
using test::HttpTestServer;
using test::RefusingPort;
using test::TempDir;
using Progress = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDownloadProgress([this](std::uint64_t arrived, std::uint64_t announced) {
      progress.emplace_back(arrived, announced);
    });
  }
  void TearDown() override {
    SetDownloadProgress(nullptr);
    DownloadInfos = savedInfos;
  }

  const TDownloadInfos savedInfos = DownloadInfos;
  HttpTestServer server;
  TempDir dir;
  std::string target = dir.File("tmp.edn");
  Progress progress;
};

TEST_F(Download, ReplacesTheTargetAndReportsProgress) {
  server.Serve("/orbeta/orbeta.edn", HttpAnswer::Pieces({"row 1\r\n", "row 2\r\n"}, 50));
  test::WriteFile(target, "stale list");
  EXPECT_TRUE(DownloadToFile(target, server.Url("/orbeta/orbeta.edn"), 5000));
  EXPECT_EQ(test::ReadFile(target), "row 1\r\nrow 2\r\n");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(std::uint64_t{14}, std::uint64_t{14}));
}

TEST_F(Download, WithoutAnnouncedLength) {
  server.Serve("/list", HttpAnswer::Pieces({"abc", "de"}, 0, false));
  EXPECT_TRUE(DownloadToFile(target, server.Url("/list"), 5000));
  EXPECT_EQ(test::ReadFile(target), "abcde");
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), std::make_pair(std::uint64_t{5}, std::uint64_t{0}));
}

// A failed download deletes the old file all the same and leaves nothing in its place.
TEST_F(Download, FailuresLeaveNoTarget) {
  server.Serve("/missing", HttpAnswer::Body("<html>Not found</html>", 404));
  server.Serve("/error", HttpAnswer::Body("<html>Server error</html>", 500));
  server.Serve("/slow", HttpAnswer::Body("too late").Delay(3000));
  server.Serve("/stalls", HttpAnswer::Pieces({"row 1\r\n", "row 2\r\n"}, 3000));
  RefusingPort down;
  for (const std::string& address :
       {server.Url("/missing"), server.Url("/error"), server.Url("/slow"), server.Url("/stalls"), down.Url("/list")}) {
    SCOPED_TRACE(address);
    test::WriteFile(target, "stale list");
    EXPECT_FALSE(DownloadToFile(target, address, 300));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

// A target that cannot be deleted keeps its place and no request is sent.
TEST_F(Download, UndeletableTargetStopsTheDownload) {
  server.Serve("/list", HttpAnswer::Body("rows"));
  std::filesystem::create_directory(target);
  test::WriteFile(target + "/inside", "kept");
  EXPECT_FALSE(DownloadToFile(target, server.Url("/list"), 5000));
  EXPECT_EQ(test::ReadFile(target + "/inside"), "kept");
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(Download, ThroughTheProxyOfTheDownloadSettings) {
  server.Serve("/orbeta/orbeta.key", HttpAnswer::Body("keywords"));
  RefusingPort origin;
  DownloadInfos.UseProxy = true;
  DownloadInfos.ProxyHost = "127.0.0.1";
  DownloadInfos.ProxyPort = server.Port();
  EXPECT_TRUE(DownloadToFile(target, origin.Url("/orbeta/orbeta.key"), 5000));
  EXPECT_EQ(test::ReadFile(target), "keywords");
}

TEST(DownloadProgressText, RoundsHalvesToEven) {
  TDictionary& dictionary = Dictionary();
  const bool present = dictionary.IndexOfNumber(95) != 0;
  const std::string old = present ? dictionary.GetText(95) : "";
  const std::string text = "Downloading lists: ";
  if (present)
    dictionary.SetText(95, text);
  else
    dictionary.AddEntry(95, std::vector<std::string>(std::max(1, dictionary.LanguageCount()), text));

  struct Case {
    std::uint64_t arrived, announced;
    std::string shown;
  } cases[] = {
      {50, 200, text + "25 %"},  {0, 200, text + "0 %"},  {200, 200, text + "100 %"}, {1, 8, text + "12 %"},
      {3, 8, text + "38 %"},     {1, 3, text + "33 %"},   {2, 3, text + "67 %"},      {1, 200, text + "0 %"},
      {3, 200, text + "2 %"},    {5, 0, text},            {1ull << 62, 1ull << 63, text + "50 %"},
  };
  for (const Case& c : cases) EXPECT_EQ(DownloadProgressText(c.arrived, c.announced), c.shown) << c.arrived << "/" << c.announced;

  dictionary.SetText(95, old);
}

}  // namespace
}  // namespace orbeta
