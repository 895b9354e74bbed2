// orbeta-admin explain: the navigation filter judged from outside the kiosk, on a real
// settings file, site list and dictionary.
#include <gtest/gtest.h>

#include "support/http_test_server.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::RunProgram;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

constexpr char kSettings[] =
    "[Security]\r\nSecurity OFF=0\r\nSite Control OFF=0\r\nValidateOnLine=0\r\nUse MailTo=1\r\n"
    "Use FTP=0\r\nForbiddenExt=.exe\r\nForbiddenExtCount=1\r\n"
    "[Language]\r\nLanguage=2\r\n"
    "[System]\r\nMailer=Postrel.exe\r\n"
    "[Kiosk mode]\r\nProgramsToLaunched=True,/bin/true\r\n";

// A library listed by its host, every host with "town" in it, and a private part refused
// by a "!" rule that stands after the library's row in the file.
constexpr char kSites[] =
    "9,4\r\n"
    "1,1,Library\r\n2,1,>\r\n4,1,library.example\r\n5,1,http://library.example/\r\n"
    "1,2,Towns\r\n2,2,>\r\n4,2,town\r\n5,2,*town\r\n"
    "4,3,library.example\r\n5,3,!library.example/private\r\n";

class ExplainTest : public ::testing::Test {
 protected:
  ExplainTest() {
    WriteFile(dir_.File("Orbeta.ini"), kSettings);
    WriteFile(dir_.File("sites.edn"), kSites);
    StorePassword();
  }
  // A stored password, so the kiosk is as an administrator left it.
  void StorePassword() { RunProgram("orbeta-admin", {"settings", dir_.File("Orbeta.ini")}); }
  std::vector<std::string> Explain(std::vector<std::string> args) {
    args.insert(args.begin(), {"explain", "--settings", dir_.File("Orbeta.ini"), "--sites", dir_.File("sites.edn")});
    const auto result = RunProgram("orbeta-admin", args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(result.out.substr(start, end - start));
    return lines;
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
};

TEST_F(ExplainTest, MainWindowDecisions) {
  struct Case {
    const char* url;
    const char* line;  // after the address and a TAB
  };
  const Case cases[] = {
      {"http://library.example/", "ndAllow\thttp://library.example/"},
      {"HTTP://Library.Example/news", "ndAllow\tHTTP://Library.Example/news"},
      {"http://www.library.example/", "ndRefuseSite\tThe domain www.library.example is not allowed"},
      {"http://library.example:8080/", "ndRefuseSite\tThe domain library.example:8080 is not allowed"},
      {"http://newtown.example/", "ndAllow\thttp://newtown.example/"},
      {"http://library.example@evil.example/", "ndRefuseSite\tThe domain evil.example is not allowed"},
      {"http://library.example/setup.exe",
       "ndRefuseItem\tAccess denied: this kind of link or file is not allowed"},
      {"ftp://library.example/", "ndRefuseItem\tAccess denied: this kind of link or file is not allowed"},
      {"javascript:void(0)", "ndAllowKeepState\tjavascript:void(0)"},
      {"mailto:info@library.example?subject=a;b",
       "ndHandOffMail\tmailto:info@library.example?subject=a;b\t"
       "mail program not started: Postrel.exe securityon useSingleMailConfig info@library.example?subject=a;b"},
      {"run:1/", "ndLaunchProgram\t\tprogram not started: /bin/true"},
      {"http://x.example/?go=run:7", "ndLaunchProgram\t\tno program to start"},
      {"run:x", "ndLaunchProgram\t\tno program to start"},
  };
  std::vector<std::string> urls;
  for (const Case& c : cases) urls.push_back(c.url);
  const auto lines = Explain(urls);
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], std::string(cases[i].url) + "\t" + cases[i].line);
}

TEST_F(ExplainTest, RuleRowsComeFirstOnceSorted) {
  // The "!" row stands after the library's row in the file; sorted on the home page column it
  // comes first and stops the scan, so the private part is not listed.
  EXPECT_EQ(Explain({"http://library.example/private/a"})[0],
            "http://library.example/private/a\tndRefuseSite\tThe domain library.example is not allowed");
}

TEST_F(ExplainTest, PopupsAndAdministrator) {
  EXPECT_EQ(Explain({"--popup", "mailto:a@b.example", "run:1/"}),
            (std::vector<std::string>{"mailto:a@b.example\tndAllow\t",
                                      "run:1/\tndRefuseSite\tThe domain run:1 is not allowed"}));
  EXPECT_EQ(Explain({"--admin", "http://evil.example/x.exe"})[0],
            "http://evil.example/x.exe\tndAllowUnrestricted\thttp://evil.example/x.exe");
}

TEST_F(ExplainTest, StateCarriesFromOneAddressToTheNext) {
  const std::string state = dir_.File("state.ini");
  Explain({"--state", state, "http://www.library.example/"});
  // The status bar keeps the refusal when a launcher link leaves it alone.
  EXPECT_EQ(Explain({"--state", state, "run:x"})[0],
            "run:x\tndLaunchProgram\tThe domain www.library.example is not allowed\tno program to start");
  EXPECT_EQ(Explain({"run:x"})[0], "run:x\tndLaunchProgram\t\tno program to start");
}

TEST_F(ExplainTest, UnlistedHostsAskTheValidationServerOnce) {
  test::HttpTestServer server;
  server.Serve("/LB.php?url=museum.example", test::HttpAnswer::Body("<html>1</html>"));
  server.Serve("/LB.php?url=games.example", test::HttpAnswer::Body("<html>0</html>"));
  std::string settings = kSettings;
  settings.replace(settings.find("ValidateOnLine=0"), 16,
                   "ValidateOnLine=1\r\nUseWhiteList=1\r\nValidationServer=" + server.BaseUrl());
  WriteFile(dir_.File("Orbeta.ini"), settings);
  const std::string state = dir_.File("state.ini");
  EXPECT_EQ(Explain({"--state", state, "http://museum.example/a", "http://museum.example/b"}),
            (std::vector<std::string>{"http://museum.example/a\tndAllow\tConnected to host !",
                                      "http://museum.example/b\tndAllow\tChecking the site online..."}));
  EXPECT_EQ(Explain({"--state", state, "http://museum.example/c", "http://games.example/"})[1],
            "http://games.example/\tndRefuseSite\tThe domain games.example is not allowed");
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/LB.php?url=museum.example", "/LB.php?url=games.example"}));
}

TEST_F(ExplainTest, ListDumpAndExport) {
  const auto dump = RunProgram("orbeta-admin", {"list", "dump", dir_.File("sites.edn")});
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_NE(dump.out.find("\tLibrary\t>\t\tlibrary.example\thttp://library.example/\t\t\t\n"), std::string::npos)
      << dump.out;
  EXPECT_EQ(RunProgram("orbeta-admin", {"list", "export", dir_.File("sites.edn"), dir_.File("sites.txt")}).exitCode, 0);
  EXPECT_NE(test::ReadFile(dir_.File("sites.txt")).find(",Towns,>,,town,*town,,,\r\n"), std::string::npos);
  EXPECT_EQ(RunProgram("orbeta-admin", {"list", "export", dir_.File("sites.edn"), dir_.File("sites.html")}).exitCode, 0);
  EXPECT_TRUE(test::ReadFile(dir_.File("sites.html")).starts_with("<table border=1>"));
  EXPECT_EQ(RunProgram("orbeta-admin", {"list", "export", dir_.File("sites.edn"), dir_.File("x.edn")}).exitCode, 2);
}

TEST_F(ExplainTest, HostAndUsage) {
  EXPECT_EQ(RunProgram("orbeta-admin", {"host", "*Shop.Example/news"}).out, "rule=1 host=shop.example\n");
  EXPECT_EQ(RunProgram("orbeta-admin", {"host", "mailto:info?subject=hi"}).out, "rule=0 host=:info\n");
  EXPECT_EQ(RunProgram("orbeta-admin", {"explain"}).exitCode, 2);
  EXPECT_EQ(RunProgram("orbeta-admin", {"explain", "--frob", "x"}).exitCode, 2);
  const auto missing = RunProgram("orbeta-admin", {"explain", "--settings", dir_.File("Orbeta.ini"), "--sites",
                                                   dir_.File("none.edn"), "http://a/"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.edn"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace orbeta
