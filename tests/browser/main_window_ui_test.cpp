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
#include "browser/main_window_fixture.h"
#include "navigation/argv_recorder.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

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
  // The tool bar band is the first row of the window's box, under the pop-up layer.
  auto* layer = dynamic_cast<Gtk::Overlay*>(window->get_child());
  ASSERT_NE(layer, nullptr);
  auto* root = dynamic_cast<Gtk::Box*>(layer->get_child());
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
  window->ApplySettings();  // security off also lets the help pages' file addresses through
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

TEST_F(MainWindowTest, AutoNavigateIsTheAdministratorsSwitch) {
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  const std::string before = window->StatusText();
  window->AutoNavigate();  // locked: nothing happens, nothing shows
  EXPECT_FALSE(window->DemoRunning());
  EXPECT_EQ(window->StatusText(), before);
  AdminMode = true;
  window->AutoNavigate();
  EXPECT_TRUE(window->DemoRunning());
  EXPECT_EQ(window->StatusText(), "Demo ON");
  AdminMode = false;  // locking again does not stop the tour; only the command does
  EXPECT_TRUE(window->DemoRunning());
  AdminMode = true;
  window->AutoNavigate();
  EXPECT_FALSE(window->DemoRunning());
  EXPECT_EQ(window->StatusText(), "Demo OFF");
}

TEST_F(MainWindowTest, StopEndsALoadThatNeverAnswers) {
  server_.Serve("/never.html", HttpAnswer::Never());
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  window->PendingUrl = server_.Url("never.html");
  window->NavigateTo();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().IsLoading(); }));
  window->StopClick();
  EXPECT_TRUE(RunUntil([&] { return !window->Browser().IsLoading(); }));
}

// At start-up the menu lists the programs that are there; rebuilt after the settings dialog,
// it lists every named program.
TEST_F(MainWindowTest, LauncherMenuListsTheKiosksPrograms) {
  const std::string present = dir_.File("present");
  WriteFile(present, "");
  settings_.replace(settings_.find("New Window=1"), 12, "New Window=1\r\nCan Launch Programs=1");
  auto window = Open("[Kiosk mode]\r\nProgramsToLaunched=Here," + present + ",Gone," + dir_.File("gone") + "\r\n");
  ASSERT_TRUE(RunUntil([&] { return !window->LaunchMenuCaptions().empty(); }));
  EXPECT_EQ(window->LaunchMenuCaptions(), (std::vector<std::string>{"Here"}));
  window->RebuildLaunchMenu();
  EXPECT_EQ(window->LaunchMenuCaptions(), (std::vector<std::string>{"Here", "Gone"}));
}

TEST_F(MainWindowTest, MinimisingIsUndoneWhileLocked) {
  settings_.replace(settings_.find("New Window=1"), 12, "New Window=0");
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->get_mapped(); }));
  window->iconify();
  EXPECT_TRUE(RunUntil([&] {
    return window->get_mapped() && !(window->get_window()->get_state() & Gdk::WINDOW_STATE_ICONIFIED);
  }));
}

TEST_F(MainWindowTest, MailButtonStartsTheMailProgram) {
  const std::string mailer = dir_.File("mailer");
  test::InstallArgvRecorder(mailer);
  ScopedEnv argvFile(test::kArgvFileVariable, dir_.File("argv"));
  settings_.replace(settings_.find("[System]\r\n"), 10, "[System]\r\nMailer=" + mailer + " --compose\r\n");
  auto window = Open();
  ASSERT_EQ(Settings.Mailer, mailer + " --compose");
  window->MailClick();
  const auto args = test::WaitForRecordedArgs(dir_.File("argv"));
  ASSERT_TRUE(args.has_value());
  EXPECT_NE(std::find(args->begin(), args->end(), "--compose"), args->end());
}

}  // namespace
}  // namespace orbeta
