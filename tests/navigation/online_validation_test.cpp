#include "navigation/online_validation.h"

#include <gtest/gtest.h>

#include <utility>

#include "app/settings.h"
#include "lists/download.h"
#include "support/http_test_server.h"

namespace orbeta {
namespace {

using test::HttpAnswer;
using test::HttpTestServer;
using test::RefusingPort;
using Requests = std::vector<std::string>;

const HttpAnswer kAllow = HttpAnswer::Body("<html>1</html>");
const HttpAnswer kRefuse = HttpAnswer::Body("<html>0</html>");

struct StatusLog : ValidationStatus {
  std::vector<std::string> texts;
  void SetStatusText(const std::string& text, bool refresh) override {
    EXPECT_TRUE(refresh);
    texts.push_back(text);
  }
};

// A validation server that allows everything unless a test says otherwise.
class OnlineValidation : public ::testing::Test {
 protected:
  void SetUp() override {
    server.Serve("/LB.php", kAllow);
    server.Serve("/LN.php", kAllow);
    Settings.ValidationServer = server.BaseUrl();
    SetValidationStatus(&status);
  }
  void TearDown() override {
    SetValidationStatus(nullptr);
    Settings.ValidationServer = savedServer;
    DownloadInfos = savedInfos;
  }

  const std::string savedServer = Settings.ValidationServer;
  const TDownloadInfos savedInfos = DownloadInfos;
  HttpTestServer server;
  StatusLog status;
};

TEST_F(OnlineValidation, RequestsInOrder) {
  struct Case {
    std::string host;
    Requests requests;
    bool allowed;
  } cases[] = {
      {"www.shop.example.com", {"/LN.php?url=example.com", "/LN.php?url=shop.example.com"}, true},
      {"shop.example.co.uk", {"/LN.php?url=example.co.uk", "/LN.php?url=shop.example.co.uk"}, true},
      {"example.com", {"/LN.php?url=example.com"}, true},
      {"x.city.state.us", {"/LN.php?url=x.city.state.us"}, true},
      {"a.state.us", {"/LN.php?url=state.us", "/LN.php?url=a.state.us"}, true},
      {"co.uk", {"/LN.php?url=co.uk"}, true},
      {"www.example.com.au", {"/LN.php?url=example.com.au"}, true},
      // The port stays in the last label.
      {"shop.example.com:8080", {"/LN.php?url=example.com:8080", "/LN.php?url=shop.example.com:8080"}, true},
      {"192.168.1.10", {"/LB.php?url=192.168.1.10"}, true},
      {"10.0.0.1", {"/LB.php?url=10.0.0.1"}, true},
      // Not an address: asked level by level.
      {"999.1.1.1", {"/LN.php?url=1.1", "/LN.php?url=1.1.1", "/LN.php?url=999.1.1.1"}, true},
      {"localhost", {}, false},
      {"localhost:8080", {}, false},
      {"www.", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    HttpTestServer fresh;
    fresh.Serve("/LB.php", kAllow);
    fresh.Serve("/LN.php", kAllow);
    Settings.ValidationServer = fresh.BaseUrl();
    EXPECT_EQ(ValidateSiteOnline(c.host, 0), c.allowed);
    EXPECT_EQ(fresh.Requests(), c.requests);
  }
}

// The white-list form asks once about the host exactly as given, whatever it looks like.
TEST_F(OnlineValidation, WhiteListModeAsksOnceWithTheHostUnchanged) {
  for (const char* host : {"www.shop.example.co.uk:8080", "localhost", "192.168.1.10", "999.1.1.1"}) {
    SCOPED_TRACE(host);
    HttpTestServer fresh;
    fresh.Serve("/LB.php", kAllow);
    Settings.ValidationServer = fresh.BaseUrl();
    EXPECT_TRUE(ValidateSiteOnline(host, 1));
    EXPECT_EQ(fresh.Requests(), Requests{std::string("/LB.php?url=") + host});
  }
}

TEST_F(OnlineValidation, OnlyTheExactAllowAnswerAllows) {
  struct Case {
    HttpAnswer answer;
    bool allowed;
  } cases[] = {
      {kAllow, true},
      {HttpAnswer::Body("<html>1</html>\n"), false},
      {HttpAnswer::Body("<html>1</html>\r\n"), false},
      {HttpAnswer::Body(" <html>1</html>"), false},
      {HttpAnswer::Body("<HTML>1</HTML>"), false},
      {HttpAnswer::Body(""), false},
      {kRefuse, false},
      {HttpAnswer::Body("<html>1</html>", 404), false},
      {HttpAnswer::Pieces({"<html>", "1</html>"}, 20), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.answer.body) + " status " + std::to_string(c.answer.status));
    server.Serve("/LB.php", c.answer);
    EXPECT_EQ(ValidateSiteOnline("example.com", 1), c.allowed);
    EXPECT_EQ(ValidateSiteOnline("10.1.2.3", 0), c.allowed);
  }
}

TEST_F(OnlineValidation, RefusalStopsTheQuestions) {
  server.Serve("/LN.php?url=example.com", kRefuse);
  EXPECT_FALSE(ValidateSiteOnline("www.shop.example.com", 0));
  EXPECT_EQ(server.Requests(), Requests{"/LN.php?url=example.com"});

  HttpTestServer second;
  second.Serve("/LN.php", kAllow);
  second.Serve("/LN.php?url=b.example.com", kRefuse);
  Settings.ValidationServer = second.BaseUrl();
  EXPECT_FALSE(ValidateSiteOnline("a.b.example.com", 0));
  EXPECT_EQ(second.Requests(), (Requests{"/LN.php?url=example.com", "/LN.php?url=b.example.com"}));
}

TEST_F(OnlineValidation, StatusTexts) {
  server.Serve("/LN.php?url=refused.com", kRefuse);
  server.Serve("/LN.php?url=missing.com", HttpAnswer::Body("", 404));
  EXPECT_TRUE(ValidateSiteOnline("allowed.com", 0));
  EXPECT_FALSE(ValidateSiteOnline("refused.com", 0));
  EXPECT_FALSE(ValidateSiteOnline("missing.com", 0));
  EXPECT_EQ(status.texts, (std::vector<std::string>{"Connecting...", "Connected to host !", "Connecting...",
                                                    "Connected to host !", "Connecting...", "Connexion failed !"}));
}

TEST_F(OnlineValidation, ServerDownRefuses) {
  RefusingPort down;
  Settings.ValidationServer = down.Url("");
  EXPECT_FALSE(ValidateSiteOnline("example.com", 0));
  EXPECT_FALSE(ValidateSiteOnline("example.com", 1));
  EXPECT_EQ(status.texts, (std::vector<std::string>{"Connecting...", "Connexion failed !", "Connecting...",
                                                    "Connexion failed !"}));
}

TEST_F(OnlineValidation, AnswerAfterTheTimeOutRefuses) {
  server.Serve("/LB.php", HttpAnswer::Body("<html>1</html>").Delay(2000));
  EXPECT_FALSE(ValidateSiteOnline("example.com", 1, 200));
  EXPECT_EQ(status.texts, (std::vector<std::string>{"Connecting...", "Connexion failed !"}));
}

TEST_F(OnlineValidation, NoServerNoRequest) {
  Settings.ValidationServer = "";
  EXPECT_FALSE(ValidateSiteOnline("example.com", 0));
  EXPECT_FALSE(ValidateSiteOnline("192.168.1.10", 1));
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(status.texts.empty());
}

TEST_F(OnlineValidation, ServerAddressWithoutFinalSlash) {
  std::string base = server.BaseUrl();
  base.pop_back();
  Settings.ValidationServer = base;
  EXPECT_TRUE(ValidateSiteOnline("example.com", 1));
  EXPECT_EQ(server.Requests(), Requests{"/LB.php?url=example.com"});
}

// A crafted host cannot add parameters, fragments or paths to the request: everything outside
// letters, digits and "-._~:" is percent-encoded.
TEST_F(OnlineValidation, CraftedHostIsEncoded) {
  server.Serve("/LB.php?url=evil.com&url=good.com", kAllow);
  server.Serve("/LB.php", kRefuse);
  EXPECT_FALSE(ValidateSiteOnline("evil.com&url=good.com", 1));
  EXPECT_FALSE(ValidateSiteOnline("a b/../c?d#e%f+g\xE9", 1));
  EXPECT_EQ(server.Requests(),
            (Requests{"/LB.php?url=evil.com%26url%3Dgood.com", "/LB.php?url=a%20b%2F..%2Fc%3Fd%23e%25f%2Bg%E9"}));

  HttpTestServer levels;
  levels.Serve("/LN.php", kAllow);
  Settings.ValidationServer = levels.BaseUrl();
  EXPECT_TRUE(ValidateSiteOnline("x&y=1.example.com", 0));
  EXPECT_EQ(levels.Requests(), (Requests{"/LN.php?url=example.com", "/LN.php?url=x%26y%3D1.example.com"}));
}

TEST_F(OnlineValidation, ProxyOfTheDownloadSettings) {
  RefusingPort origin;
  Settings.ValidationServer = origin.Url("");
  DownloadInfos.UseProxy = true;
  DownloadInfos.ProxyHost = "127.0.0.1";
  DownloadInfos.ProxyPort = server.Port();
  EXPECT_TRUE(ValidateSiteOnline("example.com", 1));
  EXPECT_EQ(server.Requests(), Requests{"/LB.php?url=example.com"});
}

TEST(IsDottedAddress, Cases) {
  for (const char* text : {"1.2.3.4", "192.168.1.10", "255.255.255.255", "1.0.0.0", "1.00.000.0", "10.0.0.0000",
                           "100.20.3.45"}) {
    EXPECT_TRUE(IsDottedAddress(text)) << text;
  }
  for (const char* text : {"", "1.2.3", "1.2.3.4.5", "0.1.2.3", "01.2.3.4", "1.02.3.4", "1.2.3.04", "1.2.3.00001",
                           "256.1.1.1", "999.1.1.1", "1.2.3.256", "1.2.3.99999999999999999999", "1234.1.1.1",
                           "1.2345.1.1", "1..2.3", ".1.2.3", "1.2.3.", "1.2.3.a", "1.2.3.4:80", " 1.2.3.4", "1,2.3.4",
                           "-1.2.3.4"}) {
    EXPECT_FALSE(IsDottedAddress(text)) << text;
  }
}

}  // namespace
}  // namespace orbeta
