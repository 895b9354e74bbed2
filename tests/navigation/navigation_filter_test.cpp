#include "navigation/navigation_filter.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "language/dictionary.h"
#include "lists/site_list.h"

namespace orbeta {
namespace {

// Records what the filter asked and changed; the site list admits `listed` only.
struct RecordingContext : NavigationContext {
  void SetStatusText(const std::string& text, bool refresh) override {
    status = text;
    refreshed = refresh;
  }
  bool CheckSiteUrl(const std::string& url) override { return listed.count(url) > 0; }
  bool ValidateSiteOnline(const std::string& host, int mode) override {
    validated.push_back(host);
    lastMode = mode;
    return admitted.count(host) > 0;
  }
  void RunMailProgram(const std::string& url) override { mailed.push_back(url); }
  void RunLauncherLink(const std::string& url) override { launched.push_back(url); }

  std::set<std::string> listed, admitted;
  std::string status = "before";
  bool refreshed = false;
  int lastMode = -1;
  std::vector<std::string> validated, mailed, launched;
};

class NavigationFilterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (auto [number, text] : {std::pair{181, "The site"}, {186, "Forbidden item"},
                                {187, "is not allowed"}, {737, "Checking the site..."}})
      if (!Dictionary().IndexOfNumber(number)) Dictionary().AddEntry(number, {text});
  }
  NavigationFilterTest() { Reset(); }
  // A locked kiosk with site control on, mail and ftp allowed, ".exe" forbidden.
  void Reset() {
    Settings = TSettings{};
    Settings.UseMailTo = Settings.UseFtp = true;
    Settings.UseWhiteList = 1;
    Settings.ForbiddenExt = {".exe", ""};
    Settings.AvailableExt = {".pdf", ".doc", ".xls", ".ppt", ".pps", ".exe"};
    AdminMode = false;
    context_ = RecordingContext{};
  }
  NavigationDecision Main(const std::string& url, const std::string& frame = "") {
    return FilterMainNavigation(context_, url, frame, mainScript_);
  }
  NavigationDecision Popup(const std::string& url) {
    return FilterPopupNavigation(context_, url, popupScript_);
  }

  RecordingContext context_;
  bool mainScript_ = false;
  bool popupScript_ = false;
};

struct Case {
  const char* what;
  std::function<void(RecordingContext&)> setUp;
  const char* url;
  NavigationDecision main;
  NavigationDecision popup;
};

TEST_F(NavigationFilterTest, DecisionsOfBothWindows) {
  const auto none = [](RecordingContext&) {};
  const auto listed = [](RecordingContext& c) { c.listed = {"http://a.example/", "http://a.example/setup.exe"}; };
  const auto securityOff = [&](RecordingContext& c) { listed(c), Settings.SecurityOff = true; };
  const Case cases[] = {
      {"listed page", listed, "http://a.example/", ndAllow, ndAllow},
      {"unlisted page", none, "http://b.example/", ndRefuseSite, ndRefuseSite},
      {"admin mode", [](RecordingContext&) { AdminMode = true; }, "http://b.example/x.exe",
       ndAllowUnrestricted, ndAllowUnrestricted},
      {"forbidden extension", listed, "http://a.example/setup.exe", ndRefuseItem, ndRefuseItem},
      {"security off keeps the site check", securityOff, "http://a.example/setup.exe", ndAllow, ndAllow},
      {"security off unlisted", securityOff, "http://b.example/setup.exe", ndRefuseSite, ndAllow},
      {"close script", none, "javascript:window.close()", ndRefuseItem, ndClosePopup},
      {"move script", none, "javascript:self.moveTo(0,0)", ndRefuseItem, ndAllow},
      {"print script", none, "javascript:window.print()", ndRefuseItem, ndAllow},
      {"javascript skips the site check", none, "javascript:void(0)", ndAllowKeepState, ndAllow},
      {"local file", none, "c:\\kiosk\\setup.bat", ndRefuseItem, ndRefuseItem},
      {"mail allowed", none, "mailto:info@a.example", ndHandOffMail, ndRefuseSite},
      {"mail forbidden", [](RecordingContext&) { Settings.UseMailTo = false; }, "mailto:info@a.example",
       ndRefuseItem, ndRefuseItem},
      {"ftp forbidden", [](RecordingContext&) { Settings.UseFtp = false; }, "ftp://a.example/", ndRefuseItem,
       ndRefuseItem},
      {"site control off", [](RecordingContext&) { Settings.SiteControlOff = true; }, "http://b.example/",
       ndAllowKeepState, ndAllow},
      {"only available: a page file", [&](RecordingContext& c) { listed(c), Settings.AllowOnlyAvailable = true; },
       "http://a.example/page.htm", ndRefuseItem, ndRefuseItem},
      {"only available: no file named", [&](RecordingContext& c) { listed(c), Settings.AllowOnlyAvailable = true; },
       "http://a.example/", ndAllow, ndAllow},
  };
  for (const Case& c : cases) {
    for (bool popup : {false, true}) {
      Reset();
      c.setUp(context_);
      EXPECT_EQ(DecisionName(popup ? Popup(c.url) : Main(c.url)), DecisionName(popup ? c.popup : c.main))
          << c.what << (popup ? " (pop-up)" : " (main)");
    }
  }
}

TEST_F(NavigationFilterTest, StateAndStatusTextFollowTheDecision) {
  context_.listed = {"http://a.example/"};
  Main("http://a.example/");
  EXPECT_EQ(context_.navigationState, nsAllowed);
  EXPECT_EQ(context_.status, "http://a.example/");  // the address, shown without refresh
  EXPECT_FALSE(context_.refreshed);

  Main("http://b.example:8080/x");
  EXPECT_EQ(context_.navigationState, nsRefused);
  EXPECT_EQ(context_.status, "The site b.example:8080 is not allowed");
  EXPECT_TRUE(context_.refreshed);

  Main("javascript:void(0)");
  EXPECT_EQ(context_.navigationState, nsRefused) << "kept";
  EXPECT_TRUE(mainScript_);

  Main("c:\\x.bat");
  EXPECT_EQ(context_.status, "Forbidden item");

  Main("mailto:info@a.example?subject=hi");
  EXPECT_EQ(context_.navigationState, nsRefused);
  EXPECT_EQ(context_.mailed, std::vector<std::string>{"mailto:info@a.example?subject=hi"});

  AdminMode = true;
  Main("http://b.example/");
  EXPECT_EQ(context_.navigationState, nsUnrestricted);
  EXPECT_TRUE(EnablesBackButton(ndAllowUnrestricted));
  EXPECT_FALSE(EnablesBackButton(ndHandOffMail));
}

TEST_F(NavigationFilterTest, LauncherLinksComeFirstAndChangeNothingElse) {
  for (bool admin : {false, true}) {
    AdminMode = admin;
    context_ = RecordingContext{};
    context_.navigationState = nsRefused;
    for (const char* url : {"run:3/", "run:x", "run:", "http://a.example/?go=run:1"})
      EXPECT_EQ(Main(url), ndLaunchProgram) << url;
    EXPECT_EQ(context_.launched.size(), 4u);
    EXPECT_EQ(context_.status, "before");
    EXPECT_EQ(context_.navigationState, nsRefused);
  }
  AdminMode = false;
  EXPECT_EQ(Popup("run:3/"), ndRefuseSite) << "pop-ups have no launcher links";
  EXPECT_TRUE(CancelsNavigation(ndLaunchProgram));
}

TEST_F(NavigationFilterTest, OnlineValidationRemembersOneAdmittedHost) {
  Settings.ValidateOnLine = true;
  context_.admitted = {"a.example"};
  EXPECT_EQ(Main("http://a.example/1"), ndAllow);
  EXPECT_EQ(context_.status, "Checking the site...");
  EXPECT_EQ(Popup("http://a.example/2"), ndAllow);
  EXPECT_EQ(context_.validated, std::vector<std::string>{"a.example"}) << "asked once";
  EXPECT_EQ(context_.lastMode, 1);

  EXPECT_EQ(Main("http://b.example/"), ndRefuseSite);
  EXPECT_EQ(context_.lastValidatedHost, "");
  EXPECT_EQ(Main("http://a.example/3"), ndAllow);
  EXPECT_EQ(context_.validated, (std::vector<std::string>{"a.example", "b.example", "a.example"}));
}

TEST_F(NavigationFilterTest, AnEmptyHostIsNeverTakenAsValidated) {
  Settings.ValidateOnLine = true;
  EXPECT_EQ(Main("http:///nowhere"), ndRefuseSite);
  EXPECT_EQ(context_.validated, std::vector<std::string>{""});
}

TEST_F(NavigationFilterTest, PendingSiteTakesTheAddress) {
  PendingSite = This_Site{"old", "old name", "old.example", true, "Types", "note", "abc"};
  Main("http://Shop.Example/page", "frame1");
  EXPECT_EQ(PendingSite.HomePage, "http://Shop.Example/page");
  EXPECT_EQ(PendingSite.Name, "frame1");
  EXPECT_EQ(PendingSite.Domain, "shop.example");
  EXPECT_EQ(PendingSite.Note, "");
  EXPECT_EQ(PendingSite.Codes, "");
  EXPECT_EQ(PendingSite.Types, "Types");

  PendingSite.Note = "kept by pop-ups";
  Popup("http://other.example/");
  EXPECT_EQ(PendingSite.Domain, "other.example");
  EXPECT_EQ(PendingSite.Name, "frame1");
  EXPECT_EQ(PendingSite.Note, "kept by pop-ups");
}

TEST_F(NavigationFilterTest, NewerEnginesLetPopupsFilterCloseScripts) {
  context_.browserVersion = "6.0";
  EXPECT_EQ(Popup("javascript:window.close()"), ndAllow);
  context_.browserVersion = "2.44.1";
  EXPECT_EQ(Popup("javascript:window.close()"), ndClosePopup);
}

}  // namespace
}  // namespace orbeta
