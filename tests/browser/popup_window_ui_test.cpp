// Pages' new windows: pop-up windows inside the main window, with their own filter.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "app/window_messages.h"
#include "browser/main_window_fixture.h"
#include "browser/popup_window.h"
#include "navigation/visit_log.h"

namespace orbeta {
namespace {

class PopupWindowTest : public MainWindowTest {
 protected:
  PopupWindowTest() {
    server_.Serve("/small.html", HttpAnswer::Body("<html><title>Small</title><body>small</body></html>"));
    server_.Serve("/opener.html", HttpAnswer::Body(
        "<html><title>Opener</title><body><script>"
        "function further() { window.open('/page.html', 'other'); }</script>small</body></html>"));
    server_.Serve("/cookie.html", HttpAnswer::Body(
        "<html><title>Cookie</title><body><script>"
        "if (!document.cookie) document.cookie = 'visitor=1; max-age=3600';"
        "</script></body></html>"));
  }

  // `from` → `to` replaces one line of the fixture's settings.
  std::unique_ptr<TMainForm> OpenAtHome(const std::string& from = "", const std::string& to = "") {
    if (!from.empty()) settings_.replace(settings_.find(from), from.size(), to);
    auto window = Open();
    EXPECT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
    return window;
  }

  static std::string Run(browser::WebEngine& engine, const std::string& script) {
    std::string result;
    bool done = false;
    engine.RunScript(script, [&](const std::string& text, bool) {
      result = text;
      done = true;
    });
    RunUntil([&] { return done; });
    return result;
  }

  static TFIEPopup* OnlyPopup(TMainForm& window) {
    return window.Popups().size() == 1 ? window.Popups()[0] : nullptr;
  }
};

TEST_F(PopupWindowTest, OpensInsideTheKioskWithThePagesSizeAndTitle) {
  auto window = OpenAtHome();
  Run(window->Browser(), "window.open('" + server_.Url("small.html") + "', 'w', 'width=400,height=300'); 1");
  ASSERT_TRUE(RunUntil([&] { return OnlyPopup(*window) && OnlyPopup(*window)->get_visible(); }));
  TFIEPopup& popup = *OnlyPopup(*window);
  EXPECT_EQ(popup.get_parent()->get_toplevel(), window.get()) << "a child of the main window";
  ASSERT_TRUE(RunUntil([&] { return popup.Caption() == "Orbeta - Small"; }));
  int width = 0, height = 0;
  popup.get_size_request(width, height);
  EXPECT_EQ(width, 410);
  EXPECT_EQ(height, 335);
  EXPECT_EQ(&window->ActiveBrowser(), &popup.TWB());
  for (Gtk::Window* other : Gtk::Window::list_toplevels())
    if (other != window.get() && other->get_window_type() == Gtk::WINDOW_TOPLEVEL) {
      EXPECT_FALSE(other->get_visible()) << "no window of its own on the desktop";
    }
}

TEST_F(PopupWindowTest, ClosesOnItsPagesCloseAndOnGoingHome) {
  auto window = OpenAtHome();
  for (int i = 0; i < 3; ++i) Run(window->Browser(), "window.open('" + server_.Url("small.html") + "', 'w" +
                                                         std::to_string(i) + "'); 1");
  ASSERT_TRUE(RunUntil([&] { return window->Popups().size() == 3; }));
  // A page asks to close its window once it is there; before, the close would meet the load.
  ASSERT_TRUE(RunUntil([&] { return window->Popups()[1]->TWB().Title() == "Small"; }));
  Run(window->Popups()[1]->TWB(), "window.close(); 1");
  ASSERT_TRUE(RunUntil([&] { return window->Popups().size() == 2; }));
  window->Post(WM_GOHOME);
  ASSERT_TRUE(RunUntil([&] { return window->Popups().empty(); }));
  EXPECT_EQ(&window->ActiveBrowser(), &window->Browser());
}

TEST_F(PopupWindowTest, FurtherWindowsOfAPopupOpenInTheMainBrowser) {
  auto window = OpenAtHome();
  Run(window->Browser(), "window.open('" + server_.Url("opener.html") + "', 'w'); 1");
  ASSERT_TRUE(RunUntil([&] { return OnlyPopup(*window) && OnlyPopup(*window)->TWB().Title() == "Opener"; }));
  Run(OnlyPopup(*window)->TWB(), "setTimeout(further, 0); 1");
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("page.html"); }));
  EXPECT_TRUE(RunUntil([&] { return window->Popups().empty(); }));
}

TEST_F(PopupWindowTest, RefusedOrUnaskedWindowsLeaveNothingBehind) {
  auto window = OpenAtHome();
  // The pop-up's own filter refuses its first page: the hidden window is destroyed.
  Run(window->Browser(), "window.open('http://games.example/', 'w'); 1");
  ASSERT_TRUE(RunUntil([&] { return window->StatusIcon() == nsRefused; }));
  EXPECT_TRUE(RunUntil([&] { return window->Popups().empty(); }));
  // Before any activity in the kiosk no window opens at all.
  window->LastUrl.clear();
  Run(window->Browser(), "window.open('" + server_.Url("small.html") + "', 'w'); 1");
  RunUntil([] { return false; }, 500);
  EXPECT_TRUE(window->Popups().empty());
}

TEST_F(PopupWindowTest, ScreenSaverInAPopupGoesHomeAndCountsAVisit) {
  auto window = OpenAtHome("Return Home=0", "Return Home=1");
  Run(window->Browser(), "window.open('" + server_.Url("small.html") + "', 'w'); 1");
  ASSERT_TRUE(RunUntil([&] { return OnlyPopup(*window) && OnlyPopup(*window)->get_visible(); }));
  const int visits = visitCount;
  EXPECT_TRUE(OnlyPopup(*window)->ScreenSaverRequest());
  EXPECT_EQ(visitCount, visits + 1);
  EXPECT_TRUE(RunUntil([&] { return window->Popups().empty(); }));
  AdminMode = true;  // unlocked: the saver may start
  Run(window->Browser(), "window.open('" + server_.Url("small.html") + "', 'w'); 1");
  ASSERT_TRUE(RunUntil([&] { return OnlyPopup(*window) != nullptr; }));
  EXPECT_FALSE(OnlyPopup(*window)->ScreenSaverRequest());
  EXPECT_EQ(visitCount, visits + 1);
}

TEST_F(PopupWindowTest, ReturnForInactivityStartsAFreshSession) {
  for (const bool clear : {true, false}) {
    SCOPED_TRACE(clear ? "Clear Session=1" : "Clear Session=0");
    auto window = OpenAtHome("New Window=1", clear ? "New Window=1" : "New Window=1\r\nClear Session=0");
    window->PendingUrl = server_.Url("cookie.html");
    window->NavigateTo();
    ASSERT_TRUE(RunUntil([&] { return Run(window->Browser(), "document.cookie") == "visitor=1"; }));
    ASSERT_TRUE(RunUntil([] { return browser::WebEngine::CanForgetHistory(); }));
    window->ReturnHomeForInactivity();
    ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html") &&
                                      !window->Browser().IsLoading(); }));
    EXPECT_EQ(Run(window->Browser(), "document.cookie"), clear ? "" : "visitor=1");
    EXPECT_EQ(window->Browser().CanGoBack(), !clear) << "the history goes with the session";
    EXPECT_EQ(window->BackEnabled(), !clear);
  }
}

}  // namespace
}  // namespace orbeta
