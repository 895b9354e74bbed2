// The main window on Xvfb: a kiosk configuration in a folder of its own, pages from a local
// server, the real dictionary beside the program.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "browser/help_window.h"
#include "browser/main_window.h"
#include "language/dictionary.h"
#include "lists/keyword_list.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::HttpAnswer;
using test::HttpTestServer;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < end) {
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    g_usleep(2000);
  }
  return done();
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    Settings = TSettings{};
    AdminMode = false;
    AdminPassword.clear();
    CurrentSiteFile = "Untitled.edn";
    CurrentKeyFile = "Untitled.key";
    server_.Serve("/home.html", HttpAnswer::Body("<html><title>Home</title><body>Welcome "
                                                 "<a id=l href='/page.html'>page</a></body></html>"));
    server_.Serve("/page.html", HttpAnswer::Body("<html><title>Page</title><body>A page</body></html>"));
    const std::string host = "127.0.0.1:" + std::to_string(server_.Port());
    WriteFile(dir_.File("sites.edn"),
              "9,3\r\n1,1,Town library\r\n2,1,>\r\n3,1,Culture\r\n4,1," + host + "\r\n5,1," +
                  server_.Url("home.html") + "\r\n7,1,CUL\r\n"
                  "1,2,Council\r\n2,2,>\r\n4,2,council.example\r\n5,2,http://council.example/\r\n7,2,TWN\r\n");
    WriteFile(dir_.File("sites.key"),
              "8,3\r\n3,1,Culture\r\n4,1,CUL\r\n6,1,0\r\n3,2,Town\r\n4,2,TWN\r\n6,2,0\r\n");
    settings_ = "[Navigator Params]\r\nNew Window=1\r\nReturn Home=0\r\nReturn Home Timer=0\r\n"
                "[Security]\r\nSecurity OFF=0\r\nSite Control OFF=0\r\nValidateOnLine=0\r\n"
                "[System]\r\nSiteFileName=" + dir_.File("sites.edn") + "\r\n"
                "[Language]\r\nLanguage=2\r\n"
                "[URLS]\r\nBlank=" + server_.Url("home.html") + "\r\nButton01 Name=Library\r\n"
                "Button01 URL=" + server_.Url("page.html") + "\r\n";
  }
  std::unique_ptr<TMainForm> Open(const std::string& extra = "") {
    WriteFile(dir_.File("Orbeta.ini"), settings_ + extra);
    auto window = std::make_unique<TMainForm>(std::vector<std::string>{});
    window->show();
    return window;
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
  ScopedEnv home_{"ORBETA_HOME", ORBETA_BIN_DIR};
  ScopedEnv socket_{"ORBETA_SOCKET", dir_.File("orbeta.sock")};
  HttpTestServer server_;
  std::string settings_;
};

TEST_F(MainWindowTest, StartsWithTabsThenGoesHome) {
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  EXPECT_EQ(window->TabCaptions(), (std::vector<std::string>{Dictionary().GetText(133), "Culture", "Town"}));
  EXPECT_EQ(window->StatusIcon(), nsAllowed);
  EXPECT_EQ(window->get_title(), "Orbeta");
}

TEST_F(MainWindowTest, RefusedNavigationShowsItsReason) {
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  window->PendingUrl = "http://games.example/";
  window->NavigateTo();
  ASSERT_TRUE(RunUntil([&] { return window->StatusIcon() == nsRefused; }));
  EXPECT_EQ(window->StatusText(), "The domain games.example is not allowed");
  EXPECT_EQ(window->Browser().Location(), server_.Url("home.html")) << "the page on screen stays";
}

TEST_F(MainWindowTest, LinkButtonsAndHistoryCommands) {
  auto window = Open();
  const auto shows = [&](const char* page) {
    return RunUntil([&] { return window->Browser().Location() == server_.Url(page) && !window->Browser().IsLoading(); });
  };
  ASSERT_TRUE(shows("home.html"));
  EXPECT_TRUE(window->BackEnabled()) << "an allowed navigation enables Back";
  EXPECT_FALSE(window->ForwardEnabled());
  window->LinkClick(0);
  ASSERT_TRUE(shows("page.html"));
  window->LinkClick(1);  // a button without address does nothing
  window->BackClick();
  ASSERT_TRUE(shows("home.html"));
  EXPECT_TRUE(window->ForwardEnabled());
  window->ForwardClick();
  ASSERT_TRUE(shows("page.html"));
  window->ForwardClick();  // no later page: the button goes off
  EXPECT_FALSE(window->ForwardEnabled());
}

TEST_F(MainWindowTest, CategoryGridOpensASite) {
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->TabCaptions().size() == 3; }));
  window->CategoryTabs().set_current_page(2);  // Town
  ASSERT_TRUE(RunUntil([&] { return window->SitesGrid().ShownRows().size() == 1; }));
  window->CategoryTabs().set_current_page(0);  // all sites
  ASSERT_TRUE(RunUntil([&] { return window->SitesGrid().ShownRows().size() == 2; }));
  window->ShowSitesPanel();
  EXPECT_TRUE(window->SitesPanelShown());
  window->OpenGridRow(window->SitesGrid().ShownRows()[0]);
  EXPECT_FALSE(window->SitesPanelShown());
  EXPECT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
}

TEST_F(MainWindowTest, GridColumnWidthsAreKeptForTheUser) {
  {
    auto window = Open();
    ASSERT_TRUE(RunUntil([&] { return window->SitesGrid().ShownRows().size() == 2; }));
    window->SitesGrid().SetColumnWidth(0, 321);
  }
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->SitesGrid().ShownRows().size() == 2; }));
  EXPECT_EQ(window->SitesGrid().ColumnWidth(0), 321);
}

TEST_F(MainWindowTest, TabsShowPicturesFromTheSettingsStrip) {
  // Eight 24-pixel pictures on magenta, which is the strip's transparent colour.
  auto strip = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 8 * 24, 24);
  strip->fill(0xff00ffff);
  const std::string png = dir_.File("pictos.png");
  strip->save(png, "png");
  auto window = Open("[Navigator Design]\r\nUse Tab Pictos=1\r\nPictosFileName=" + png + "\r\n");
  ASSERT_TRUE(RunUntil([&] { return window->TabCaptions().size() == 3; }));
  EXPECT_EQ(window->TabCaptions()[1], "Culture");
  auto& tabs = window->CategoryTabs();
  auto* label = dynamic_cast<Gtk::Box*>(tabs.get_tab_label(*tabs.get_nth_page(0)));
  ASSERT_NE(label, nullptr);
  auto* picture = dynamic_cast<Gtk::Image*>(label->get_children().at(0));
  ASSERT_NE(picture, nullptr) << "the All tab shows picture 5 of the strip";
  EXPECT_EQ(picture->get_pixbuf()->get_width(), 24);
  EXPECT_TRUE(picture->get_pixbuf()->get_has_alpha());
}

TEST_F(MainWindowTest, SettingsShapeTheWindow) {
  auto window = Open("[Navigator Params]\r\n");  // a second section of that name is ignored
  EXPECT_TRUE(window->StatusIcon() == nsAllowed);
  Settings.CanPrint = false;
  Settings.HideToolbar = true;
  window->ApplySettings();
  // The tool bar band is the window's first child row.
  auto* root = dynamic_cast<Gtk::Box*>(window->get_child());
  ASSERT_NE(root, nullptr);
  EXPECT_FALSE(root->get_children()[0]->get_visible());
}

TEST_F(MainWindowTest, PrintsThePageWithoutADialogAfterTheNotice) {
  const std::string pdf = dir_.File("page.pdf");
  ScopedEnv printFile("ORBETA_PRINT_FILE", pdf);
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  window->PrintClick();  // waits out the notice, the window staying alive meanwhile
  ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(pdf) && std::filesystem::file_size(pdf) > 0; }));
  EXPECT_EQ(test::ReadFile(pdf).substr(0, 5), "%PDF-");
}

TEST_F(MainWindowTest, HelpShowsOnlyWhileSecurityIsOff) {
  auto window = Open();
  window->ShowHelp(10);
  EXPECT_EQ(window->HelpWindow(), nullptr);
  Settings.SecurityOff = true;
  window->ShowHelp(10);
  ASSERT_NE(window->HelpWindow(), nullptr);
  auto* help = dynamic_cast<THelpWindow*>(window->HelpWindow());
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(RunUntil([&] { return help->Browser().Title() == "Orbeta help"; }));
}

TEST_F(MainWindowTest, ClosesOnAMessageFromAnotherProcess) {
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->get_visible(); }));
  const auto sent = test::RunProgram("orbeta-send", {"closemain"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_TRUE(RunUntil([&] { return !window->get_visible(); }));
}

}  // namespace
}  // namespace orbeta
