#include "platform/http_client.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "support/http_test_server.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::HttpAnswer;
using test::HttpTestServer;
using test::RefusingPort;
using test::TempDir;

// What a request reported through its events, in order.
struct Recorder {
  std::vector<std::string> events;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;

  HttpEvents Events() {
    HttpEvents e;
    e.connecting = [this] { events.push_back("connecting"); };
    e.succeeded = [this] { events.push_back("succeeded"); };
    e.failed = [this] { events.push_back("failed"); };
    e.progress = [this](std::uint64_t arrived, std::uint64_t announced) { progress.emplace_back(arrived, announced); };
    return e;
  }
};

using Events = std::vector<std::string>;

HttpRequest Get(std::string address, std::uint32_t timeoutMs, HttpEvents events = {}) {
  HttpRequest request;
  request.address = std::move(address);
  request.timeoutMs = timeoutMs;
  request.events = std::move(events);
  return request;
}

HttpRequest GetToFile(std::string address, std::uint32_t timeoutMs, std::string file) {
  HttpRequest request = Get(std::move(address), timeoutMs);
  request.bodyFile = std::move(file);
  return request;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  return names;
}

TEST(HttpClient, AnswerInMemoryWithItsEvents) {
  HttpTestServer server;
  server.Serve("/a", HttpAnswer::Body("hello"));
  Recorder rec;
  HttpResult r = HttpGet(Get(server.Url("/a?x=1"), 5000, rec.Events()));
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.status, 200u);
  EXPECT_EQ(r.body, "hello");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(rec.events, (Events{"connecting", "succeeded"}));
  ASSERT_FALSE(rec.progress.empty());
  EXPECT_EQ(rec.progress.back(), std::make_pair(std::uint64_t{5}, std::uint64_t{5}));
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/a?x=1"}));
}

// A request that does not end with a complete 2xx answer fails, and says so once.
TEST(HttpClient, FailuresAreReportedOnce) {
  HttpTestServer server;
  server.Serve("/missing", HttpAnswer::Body("<html>1</html>", 404));
  server.Serve("/broken", HttpAnswer::Body("oops", 500));
  server.Serve("/slow", HttpAnswer::Body("late").Delay(3000));
  server.Serve("/never", HttpAnswer::Never());
  server.Serve("/stalls", HttpAnswer::Pieces({"first", "second"}, 3000));
  RefusingPort refusing;
  struct Case {
    std::string address;
    std::uint32_t status;
  } cases[] = {
      {server.Url("/missing"), 404},  {server.Url("/broken"), 500}, {server.Url("/slow"), 0},
      {server.Url("/never"), 0},      {server.Url("/stalls"), 200}, {refusing.Url("/a"), 0},
      {"not an address", 0},          {"http://", 0},               {"ftp://127.0.0.1/a", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    Recorder rec;
    HttpResult r = HttpGet(Get(c.address, 300, rec.Events()));
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.error, "");
    EXPECT_EQ(rec.events, (Events{"connecting", "failed"}));
  }
}

TEST(HttpClient, ErrorStatusKeepsItsBodyInMemory) {
  HttpTestServer server;
  server.Serve("/missing", HttpAnswer::Body("no such page", 404));
  HttpResult r = HttpGet(Get(server.Url("/missing"), 5000));
  EXPECT_FALSE(r.success);
  EXPECT_EQ(r.body, "no such page");
  EXPECT_NE(r.error.find("404"), std::string::npos);
}

TEST(HttpClient, TimeOutIsNamedInTheError) {
  HttpTestServer server;
  server.Serve("/never", HttpAnswer::Never());
  HttpResult r = HttpGet(Get(server.Url("/never"), 100));
  EXPECT_NE(r.error.find("Time-out"), std::string::npos) << r.error;
}

// The wait runs the default main context: other sources go on being dispatched.
TEST(HttpClient, WaitKeepsTheDefaultContextRunning) {
  HttpTestServer server;
  server.Serve("/slow", HttpAnswer::Body("done").Delay(300));
  int ticks = 0;
  guint timer = g_timeout_add(
      10, [](gpointer data) -> gboolean { ++*static_cast<int*>(data); return G_SOURCE_CONTINUE; }, &ticks);
  HttpResult r = HttpGet(Get(server.Url("/slow"), 5000));
  g_source_remove(timer);
  EXPECT_TRUE(r.success);
  EXPECT_GT(ticks, 0);
}

// A second request started while the first one waits finishes inside it; both get their answers.
TEST(HttpClient, RequestInsideTheWaitOfAnother) {
  HttpTestServer server;
  server.Serve("/outer", HttpAnswer::Body("outer").Delay(300));
  server.Serve("/inner", HttpAnswer::Body("inner"));
  struct Inner {
    std::string url;
    HttpResult result;
    bool ran = false;
  } inner{server.Url("/inner"), {}};
  guint source = g_timeout_add(
      20,
      [](gpointer data) -> gboolean {
        auto* in = static_cast<Inner*>(data);
        in->ran = true;
        in->result = HttpGet(Get(in->url, 5000));
        return G_SOURCE_REMOVE;
      },
      &inner);
  HttpResult outer = HttpGet(Get(server.Url("/outer"), 5000));
  if (!inner.ran) g_source_remove(source);
  EXPECT_EQ(outer.body, "outer");
  EXPECT_EQ(inner.result.body, "inner");
}

// Progress counts every byte, with the announced length or 0 when the server gives none.
TEST(HttpClient, ProgressWithAndWithoutAnnouncedLength) {
  HttpTestServer server;
  server.Serve("/sized", HttpAnswer::Pieces({"abcd", "efgh", "ij"}, 100));
  server.Serve("/chunked", HttpAnswer::Pieces({"abcd", "efgh", "ij"}, 100, false));
  for (auto [path, announced] : {std::pair{"/sized", 10u}, std::pair{"/chunked", 0u}}) {
    SCOPED_TRACE(path);
    Recorder rec;
    HttpResult r = HttpGet(Get(server.Url(path), 5000, rec.Events()));
    EXPECT_TRUE(r.success) << r.error;
    EXPECT_EQ(r.body, "abcdefghij");
    ASSERT_GE(rec.progress.size(), 2u);
    for (std::size_t i = 0; i < rec.progress.size(); ++i) {
      EXPECT_EQ(rec.progress[i].second, announced);
      if (i > 0) {
        EXPECT_GT(rec.progress[i].first, rec.progress[i - 1].first);
      }
    }
    EXPECT_EQ(rec.progress.back().first, 10u);
  }
}

TEST(HttpClient, BodyToFileReplacesTheFileWhenComplete) {
  HttpTestServer server;
  server.Serve("/list", HttpAnswer::Pieces({"line 1\r\n", "line 2\r\n"}, 20));
  TempDir dir;
  std::string target = dir.File("tmp.edn");
  test::WriteFile(target, "old contents");
  HttpResult r = HttpGet(GetToFile(server.Url("/list"), 5000, target));
  EXPECT_TRUE(r.success) << r.error;
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(test::ReadFile(target), "line 1\r\nline 2\r\n");
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"tmp.edn"}));
}

// A failed download leaves the folder as it was: no error page, no partial file.
TEST(HttpClient, FailedBodyToFileLeavesNothing) {
  HttpTestServer server;
  server.Serve("/missing", HttpAnswer::Body("error page", 404));
  server.Serve("/stalls", HttpAnswer::Pieces({"part one", "part two"}, 3000));
  RefusingPort refusing;
  for (const std::string& address : {server.Url("/missing"), server.Url("/stalls"), refusing.Url("/list")}) {
    SCOPED_TRACE(address);
    TempDir dir;
    HttpResult r = HttpGet(GetToFile(address, 300, dir.File("tmp.edn")));
    EXPECT_FALSE(r.success);
    EXPECT_TRUE(FilesIn(dir.path()).empty());
  }
}

TEST(HttpClient, BodyToFileInAMissingFolderFails) {
  HttpTestServer server;
  server.Serve("/list", HttpAnswer::Body("rows"));
  TempDir dir;
  HttpResult r = HttpGet(GetToFile(server.Url("/list"), 5000, dir.File("no/tmp.edn")));
  EXPECT_FALSE(r.success);
  EXPECT_NE(r.error.find("no/tmp.edn"), std::string::npos) << r.error;
}

// Through a proxy the request goes to the proxy, whatever the address's own host and port.
TEST(HttpClient, ProxyReceivesTheRequest) {
  HttpTestServer proxy;
  proxy.Serve("/list", HttpAnswer::Body("via proxy"));
  RefusingPort origin;
  HttpRequest request = Get(origin.Url("/list"), 5000);
  request.proxy = HttpProxy{"127.0.0.1", proxy.Port()};
  HttpResult r = HttpGet(request);
  EXPECT_TRUE(r.success) << r.error;
  EXPECT_EQ(r.body, "via proxy");
  EXPECT_EQ(proxy.Requests(), (std::vector<std::string>{"/list"}));
}

// An event handler's exception ends the request and reaches the caller; no file is left.
TEST(HttpClient, HandlerExceptionReachesTheCaller) {
  HttpTestServer server;
  server.Serve("/list", HttpAnswer::Pieces({"one", "two"}, 50));
  TempDir dir;
  HttpRequest request = GetToFile(server.Url("/list"), 5000, dir.File("tmp.edn"));
  request.events.progress = [](std::uint64_t, std::uint64_t) { throw std::runtime_error("label gone"); };
  EXPECT_THROW(HttpGet(request), std::runtime_error);
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

}  // namespace
}  // namespace orbeta
