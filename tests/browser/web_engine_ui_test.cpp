// The engine adapter on a real X server, with pages from a local HTTP server: each guarantee is
// shown by a page that tries to get round it.
#include "browser/web_engine.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "support/http_test_server.h"
#include "support/test_support.h"

// Xlib last: its macros (None, Bool) clash with names in the headers above.
#include <gdk/gdkx.h>
#include <X11/extensions/XTest.h>

namespace orbeta::browser {
namespace {

using test::HttpAnswer;

constexpr int kWaitMs = 30000;

// Runs the main loop until `done` holds or the time is up; false when the time ran out.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  const gint64 end = g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000;
  while (!done()) {
    if (g_get_monotonic_time() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

// Runs the main loop for a while, for things that must not happen.
void Settle(int ms) {
  WaitFor([] { return false; }, ms);
}

void SetUserDword(const char* keyPath, const char* name, std::uint32_t number) {
  reg::Key key;
  ASSERT_EQ(reg::Key::Open(reg::Root::CurrentUser, keyPath, true, key), reg::kSuccess);
  ASSERT_EQ(key.WriteDword(name, number), reg::kSuccess);
}

int VisibleToplevels() {
  GList* all = gtk_window_list_toplevels();
  int count = 0;
  for (GList* item = all; item; item = item->next) {
    if (gtk_widget_get_visible(GTK_WIDGET(item->data))) ++count;
  }
  g_list_free(all);
  return count;
}

// Real pointer input through the XTest extension, at a point of `widget`.
void Pointer(Gtk::Widget& widget, int x, int y, unsigned button) {
  GtkWidget* self = widget.gobj();
  GtkWidget* top = gtk_widget_get_toplevel(self);
  int inTop[2] = {0, 0};
  gtk_widget_translate_coordinates(self, top, x, y, &inTop[0], &inTop[1]);
  int origin[2] = {0, 0};
  gdk_window_get_origin(gtk_widget_get_window(top), &origin[0], &origin[1]);
  Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XTestFakeMotionEvent(display, -1, origin[0] + inTop[0], origin[1] + inTop[1], CurrentTime);
  if (button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
  }
  XFlush(display);
}

WebEngine::Options OpenedBy(WebEngine& opener) {
  WebEngine::Options options;
  options.openedBy = &opener;
  return options;
}

// What an engine reported.
struct Seen {
  std::string address;
  std::string frame;
  bool operator==(const Seen&) const = default;
};

// gtkmm's wrappers need its start-up before the first window; the test main starts GTK only.
struct GtkmmReady {
  GtkmmReady() { Gtk::Main::init_gtkmm_internals(); }
};

class EngineWindow {
 public:
  explicit EngineWindow(WebEngine::Options options = {}) : engine(std::move(options)) {
    window.set_default_size(800, 600);
    window.move(40, 50);
    window.add(engine.Widget());
    window.show_all();
    engine.BeforeNavigate = [this](const std::string& address, const std::string& frame, bool& cancel) {
      navigations.push_back({address, frame});
      if (refuse && refuse(address)) cancel = true;
    };
    engine.DocumentComplete = [this] { ++documents; };
  }
  ~EngineWindow() { window.remove(); }

  // Navigates and waits until that page has finished loading.
  bool Load(const std::string& address) {
    int before = documents;
    engine.Navigate(address);
    return WaitFor([&] { return documents > before && engine.Location() == address && !engine.IsLoading(); });
  }

  std::string Eval(const std::string& script) {
    std::string result;
    bool done = false;
    engine.RunScript(script, [&](const std::string& text, bool error) {
      result = error ? "error: " + text : text;
      done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done; })) << script;
    return result;
  }

  // The centre of an element of the page, in view coordinates.
  std::pair<int, int> Centre(const std::string& id) {
    std::string text = Eval("(() => { const r = document.getElementById('" + id +
                            "').getBoundingClientRect(); return Math.round(r.left + r.width / 2) + ',' "
                            "+ Math.round(r.top + r.height / 2); })()");
    std::string::size_type comma = text.find(',');
    if (comma == std::string::npos) return {-1, -1};
    return {std::stoi(text.substr(0, comma)), std::stoi(text.substr(comma + 1))};
  }

  void Click(const std::string& id, unsigned button = 1) {
    auto [x, y] = Centre(id);
    Pointer(engine.Widget(), x, y, button);
  }

  bool Saw(const Seen& wanted) const {
    return std::find(navigations.begin(), navigations.end(), wanted) != navigations.end();
  }

  GtkmmReady gtkmm;
  Gtk::Window window;
  WebEngine engine;
  std::vector<Seen> navigations;
  std::function<bool(const std::string&)> refuse;
  int documents = 0;
};

class WebEngineTest : public testing::Test {
 protected:
  bool Requested(const std::string& target) const {
    std::vector<std::string> all = server.Requests();
    return std::find(all.begin(), all.end(), target) != all.end();
  }

  // Every request the engine was going to make has been made once a later navigation's
  // request has arrived.
  void Sentinel(EngineWindow& window) {
    static int n = 0;
    std::string target = "/sentinel?" + std::to_string(++n);
    ASSERT_TRUE(window.Load(server.Url(target)));
    ASSERT_TRUE(Requested(target));
  }

  test::TempDir dir;
  test::ScopedEnv registry{"ORBETA_REGISTRY", dir.File("registry")};
  test::HttpTestServer server;
};

// Guarantees 1 and 2: links, links into a frame, script windows, targeted links and
// javascript: links all reach BeforeNavigate with the engine's parsed address before any
// request, and Cancel stops each of them.
TEST_F(WebEngineTest, EveryNavigationReachesBeforeNavigateAndCancelStopsIt) {
  const std::string origin = "127.0.0.1:" + std::to_string(server.Port());
  server.Serve("/nav", HttpAnswer::Body(
      "<html><body><script>function markRan() { document.title = 'ran'; }</script>"
      "<a id='plain' href='HTTP://" + origin + "/a/../plain-target'>plain</a>"
      "<a id='framed' href='/frame-target' target='side'>framed</a>"
      "<a id='blank' href='/blank-target' target='_blank'>blank</a>"
      "<a id='script' href='JavaScript:markRan()'>script</a>"
      "<form id='form' action='javascript:markRan()'><button id='submit'>go</button></form>"
      "<iframe name='side' src='/frame'></iframe></body></html>"));
  server.Serve("/frame", HttpAnswer::Body("<p>frame</p>"));
  for (const char* target : {"/plain-target", "/frame-target", "/blank-target", "/open-target", "/sentinel"}) {
    server.Serve(target, HttpAnswer::Body("<p>target</p>"));
  }

  EngineWindow main;
  std::vector<std::unique_ptr<EngineWindow>> popups;
  main.engine.NewWindow = [&](const std::string&, bool&) {
    popups.push_back(std::make_unique<EngineWindow>(OpenedBy(main.engine)));
    return &popups.back()->engine;
  };

  struct Case {
    const char* name;
    std::string action;   // script that starts the navigation
    std::string address;  // as BeforeNavigate must see it
    std::string frame;
    std::string request;  // what the server sees when it goes on; empty for a script address
  };
  const std::vector<Case> cases = {
      {"link, address normalised", "document.getElementById('plain').click()", server.Url("plain-target"), "",
       "/plain-target"},
      {"link into a frame", "document.getElementById('framed').click()", server.Url("frame-target"), "side",
       "/frame-target"},
      {"targeted new window", "document.getElementById('blank').click()", server.Url("blank-target"), "_blank",
       "/blank-target"},
      {"script window", "window.open('open-target'); 0", server.Url("open-target"), "", "/open-target"},
      {"javascript: link", "document.getElementById('script').click()", "javascript:markRan()", "", ""},
      {"javascript: form", "document.getElementById('submit').click()", "javascript:markRan()", "", ""},
  };

  for (bool cancel : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (cancel ? ", cancelled" : ", allowed"));
      main.refuse = nullptr;
      ASSERT_TRUE(main.Load(server.Url("nav")));
      // The frame's own load is a navigation too.
      ASSERT_TRUE(WaitFor([&] {
        return main.Saw({server.Url("frame"), ""}) && main.Eval("String(!!document.getElementById('form'))") == "true";
      }));
      main.navigations.clear();
      popups.clear();
      main.refuse = [&](const std::string& address) { return cancel && address == c.address; };

      main.Eval(c.action);
      ASSERT_TRUE(WaitFor([&] { return main.Saw({c.address, c.frame}); })) << [&] {
        std::string all;
        for (const Seen& seen : main.navigations) all += seen.address + " [" + seen.frame + "]\n";
        return all;
      }();
      EXPECT_EQ(std::count(main.navigations.begin(), main.navigations.end(), Seen{c.address, c.frame}), 1);
      if (cancel) {
        if (c.request.empty()) {
          Settle(300);
          EXPECT_NE(main.Eval("document.title"), "ran");
        }
        EXPECT_TRUE(popups.empty());
        Sentinel(main);
        if (!c.request.empty()) {
          EXPECT_FALSE(Requested(c.request));
        }
      } else if (c.request.empty()) {
        EXPECT_TRUE(WaitFor([&] { return main.Eval("document.title") == "ran"; }));
      } else {
        EXPECT_TRUE(WaitFor([&] { return Requested(c.request) && !main.engine.IsLoading(); }));
        // A new window's page passes the new engine's own BeforeNavigate as well.
        if (!popups.empty()) {
          EXPECT_TRUE(popups.back()->Saw({c.address, ""}));
        }
      }
    }
  }
}

// Guarantee 3: with "NoFileUrl" at 1 no file: address gets through, whether typed or linked;
// at 0 they reach BeforeNavigate like any other.
TEST_F(WebEngineTest, FileAddressesAreRefusedWhileNoFileUrlIsOne) {
  test::WriteFile(dir.File("one.html"), "<a id='next' href='two.html'>next</a>");
  test::WriteFile(dir.File("two.html"), "<title>two</title>");
  const std::string one = "file://" + dir.File("one.html");
  const std::string two = "file://" + dir.File("two.html");
  server.Serve("/sentinel", HttpAnswer::Body("<p>s</p>"));
  EngineWindow main;

  SetUserDword(kExplorerPoliciesKey, kNoFileUrlValue, 1);
  main.engine.Navigate(one);
  Sentinel(main);
  EXPECT_FALSE(main.Saw({one, ""}));
  EXPECT_NE(main.engine.Location(), one);

  SetUserDword(kExplorerPoliciesKey, kNoFileUrlValue, 0);
  ASSERT_TRUE(main.Load(one));
  EXPECT_TRUE(main.Saw({one, ""}));
  EXPECT_EQ(main.engine.Location(), one);

  SetUserDword(kExplorerPoliciesKey, kNoFileUrlValue, 1);
  main.Eval("document.getElementById('next').click()");
  Settle(500);
  EXPECT_FALSE(main.Saw({two, ""}));
  EXPECT_EQ(main.engine.Location(), one);

  SetUserDword(kExplorerPoliciesKey, kNoFileUrlValue, 0);
  main.Eval("document.getElementById('next').click()");
  EXPECT_TRUE(WaitFor([&] { return main.engine.Location() == two; }));
  EXPECT_TRUE(main.Saw({two, ""}));
}

// Guarantee 4: "1803" = 3 refuses a download at once; otherwise it is saved into the folder
// without any dialog.
TEST_F(WebEngineTest, DownloadsFollowTheZoneValue) {
  server.Serve("/page", HttpAnswer::Body("<a id='get' href='/files/report.txt' download>get</a>"));
  server.Serve("/files/report.txt", HttpAnswer::Body("the report"));
  const std::string folder = dir.File("downloads");
  WebEngine::Options options;
  options.downloadFolder = folder;
  EngineWindow main(options);
  std::vector<FileDownload> ended;
  main.engine.FileDownloadEnded = [&](const FileDownload& download) { ended.push_back(download); };
  ASSERT_TRUE(main.Load(server.Url("page")));
  const int toplevels = VisibleToplevels();

  SetUserDword(kInternetZoneKey, kFileDownloadValue, kZoneRefused);
  main.Eval("document.getElementById('get').click()");
  ASSERT_TRUE(WaitFor([&] { return ended.size() == 1; }));
  EXPECT_TRUE(ended[0].refused);
  EXPECT_EQ(ended[0].address, server.Url("files/report.txt"));
  EXPECT_TRUE(ended[0].path.empty());
  Settle(300);
  EXPECT_FALSE(g_file_test((folder + "/report.txt").c_str(), G_FILE_TEST_EXISTS));

  SetUserDword(kInternetZoneKey, kFileDownloadValue, 0);
  main.Eval("document.getElementById('get').click()");
  ASSERT_TRUE(WaitFor([&] { return ended.size() == 2; }));
  EXPECT_FALSE(ended[1].refused);
  EXPECT_FALSE(ended[1].failed);
  EXPECT_EQ(ended[1].path, folder + "/report.txt");
  EXPECT_EQ(test::ReadFile(folder + "/report.txt"), "the report");
  EXPECT_EQ(VisibleToplevels(), toplevels);
  EXPECT_EQ(main.engine.Location(), server.Url("page"));
}

// Guarantee 5: a locked engine shows no file chooser, print dialog or context menu, whatever
// the page or the visitor does; unlocked, the same right click does show the engine's menu.
TEST_F(WebEngineTest, LockedEngineShowsNoDialogOrMenu) {
  server.Serve("/page", HttpAnswer::Body(
      "<style>#file, #print { position: absolute; left: 40px; width: 200px; height: 60px; }"
      "#file { top: 40px; } #print { top: 160px; }</style>"
      "<input id='file' type='file'><button id='print' onclick='window.print()'>print</button>"
      "<p id='text' style='position: absolute; top: 300px; left: 40px'>some text</p>"));
  EngineWindow main;
  std::vector<LockedRequest> refused;
  std::vector<std::pair<int, int>> menus;
  main.engine.LockedRefusal = [&](LockedRequest request) { refused.push_back(request); };
  main.engine.ContextMenu = [&](int x, int y, bool&) { menus.push_back({x, y}); };
  ASSERT_TRUE(main.Load(server.Url("page")));
  const int toplevels = VisibleToplevels();

  main.engine.SetLocked(true);
  main.Click("file");
  ASSERT_TRUE(WaitFor([&] { return refused.size() == 1; }));
  main.Click("print");
  ASSERT_TRUE(WaitFor([&] { return refused.size() == 2; }));
  auto [x, y] = main.Centre("text");
  Pointer(main.engine.Widget(), x, y, 3);
  ASSERT_TRUE(WaitFor([&] { return refused.size() == 3; }));
  EXPECT_EQ(refused, (std::vector<LockedRequest>{LockedRequest::FileChooser, LockedRequest::PrintDialog,
                                                 LockedRequest::ContextMenu}));
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_NEAR(menus[0].first, x, 2);
  EXPECT_NEAR(menus[0].second, y, 2);
  Settle(300);
  EXPECT_EQ(VisibleToplevels(), toplevels);

  main.engine.SetLocked(false);
  Pointer(main.engine.Widget(), x, y, 3);
  EXPECT_TRUE(WaitFor([&] { return VisibleToplevels() > toplevels; }));
  EXPECT_EQ(menus.size(), 2u);
  EXPECT_EQ(refused.size(), 3u);
}

// Guarantee 6: a page cannot close, move or resize its window; what it asks for is reported.
TEST_F(WebEngineTest, PagesCannotCloseMoveOrResizeTheirWindow) {
  const char* tries = "window.moveTo(300, 310); window.resizeTo(200, 150); window.close(); 0";
  server.Serve("/page", HttpAnswer::Body("<p>main</p>"));
  server.Serve("/popup", HttpAnswer::Body("<p>popup</p>"));
  EngineWindow main;
  std::unique_ptr<EngineWindow> popup;
  std::vector<std::vector<int>> bounds;
  int popupCloses = 0;
  main.engine.NewWindow = [&](const std::string&, bool&) {
    popup = std::make_unique<EngineWindow>(OpenedBy(main.engine));
    popup->engine.WindowSetBounds = [&](int x, int y, int width, int height) {
      bounds.push_back({x, y, width, height});
    };
    popup->engine.WindowClosing = [&](bool&) { ++popupCloses; };
    return &popup->engine;
  };
  int mainCloses = 0;
  main.engine.WindowClosing = [&](bool& cancel) {
    ++mainCloses;
    cancel = true;
  };
  ASSERT_TRUE(main.Load(server.Url("page")));

  auto placeOf = [](Gtk::Window& window) {
    int x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(window.gobj())), &x, &y);
    return std::vector<int>{x, y, window.get_allocated_width(), window.get_allocated_height()};
  };
  const std::vector<int> mainPlace = placeOf(main.window);

  main.Eval(tries);
  main.Eval("window.open('popup', 'p', 'left=10,top=20,width=400,height=300'); 0");
  ASSERT_TRUE(WaitFor([&] { return popup && popup->documents > 0; }));
  EXPECT_TRUE(WaitFor([&] { return !bounds.empty(); }));
  const std::vector<int> popupPlace = placeOf(popup->window);
  const std::size_t before = bounds.size();
  popup->Eval(tries);
  ASSERT_TRUE(WaitFor([&] { return popupCloses == 1; }));
  Settle(300);

  EXPECT_EQ(bounds.front(), (std::vector<int>{10, 20, 400, 300}));
  EXPECT_GT(bounds.size(), before);  // moveTo and resizeTo are reported...
  EXPECT_EQ(placeOf(popup->window), popupPlace);  // ...and not applied
  EXPECT_EQ(placeOf(main.window), mainPlace);
  EXPECT_EQ(mainCloses, 1);  // asked, refused by the window, and nothing closed
  // Both views stay in their windows and keep working.
  for (EngineWindow* window : {&main, popup.get()}) {
    EXPECT_TRUE(window->window.get_visible());
    EXPECT_EQ(window->engine.Widget().get_parent(), &window->window);
    EXPECT_EQ(window->Eval("document.body.textContent").empty(), false);
  }
}

// Operations and page events of one window.
TEST_F(WebEngineTest, OperationsAndPageEvents) {
  server.Serve("/first", HttpAnswer::Body(
      "<title>First page</title><a id='link' href='/second' "
      "style='position: absolute; left: 40px; top: 40px; width: 200px; height: 40px'>second</a>"
      "<script>setTimeout(() => { throw new Error('boom-7'); }, 0);</script>"));
  server.Serve("/second", HttpAnswer::Body("<title>Second</title><p>second</p>"));
  WebEngine::Options options;
  options.homeAddress = server.Url("second");
  EngineWindow main(options);
  std::vector<std::string> events;
  main.engine.DownloadBegin = [&] { events.push_back("begin"); };
  main.engine.NavigateComplete = [&] { events.push_back("navigate"); };
  main.engine.DownloadComplete = [&] { events.push_back("complete"); };
  main.engine.TitleChange = [&](const std::string& title) { events.push_back("title " + title); };
  std::vector<std::string> status;
  main.engine.StatusTextChange = [&](const std::string& text) { status.push_back(text); };
  std::vector<std::string> errors;
  main.engine.ScriptError = [&](const std::string& message, const std::string&, int line) {
    errors.push_back(message + " @" + std::to_string(line));
  };

  EXPECT_THROW(main.engine.GoBack(), std::runtime_error);
  EXPECT_THROW(main.engine.GoForward(), std::runtime_error);
  EXPECT_THROW(main.engine.Navigate("http://exa mple.com:99999/"), std::invalid_argument);

  ASSERT_TRUE(main.Load(server.Url("first")));
  // The title may come after the load has finished.
  ASSERT_TRUE(WaitFor([&] { return main.engine.Title() == "First page"; }));
  std::vector<std::string> firstLoad(events.begin(), events.end());
  firstLoad.erase(std::remove_if(firstLoad.begin(), firstLoad.end(),
                                 [](const std::string& e) { return e.rfind("title", 0) == 0; }),
                  firstLoad.end());
  EXPECT_EQ(firstLoad, (std::vector<std::string>{"begin", "navigate", "complete"}));
  EXPECT_NE(std::find(events.begin(), events.end(), "title First page"), events.end());
  ASSERT_TRUE(WaitFor([&] { return !errors.empty(); }));
  EXPECT_NE(errors[0].find("boom-7"), std::string::npos) << errors[0];
  EXPECT_EQ(errors[0].substr(errors[0].find('@')), "@1");

  // Hovering the link shows its address, leaving it clears it.
  auto [x, y] = main.Centre("link");
  Pointer(main.engine.Widget(), x, y, 0);
  EXPECT_TRUE(WaitFor([&] { return !status.empty() && status.back() == server.Url("second"); }));
  Pointer(main.engine.Widget(), x, y + 200, 0);
  EXPECT_TRUE(WaitFor([&] { return status.back().empty(); }));

  // The user agent is the engine's own, followed by the program's name.
  const std::string agent = main.Eval("navigator.userAgent");
  EXPECT_EQ(agent, main.engine.UserAgent());
  EXPECT_TRUE(agent.starts_with("Mozilla/5.0 ")) << agent;
  EXPECT_TRUE(agent.ends_with(" Orbeta/2.0")) << agent;
  EXPECT_TRUE(std::regex_match(WebEngine::BrowserVersion(), std::regex(R"(\d+\.\d+\.\d+)")));

  main.engine.GoHome();
  ASSERT_TRUE(WaitFor([&] { return main.engine.Title() == "Second" && !main.engine.IsLoading(); }));
  EXPECT_TRUE(main.engine.CanGoBack());
  main.engine.GoBack();
  ASSERT_TRUE(WaitFor([&] { return main.engine.Location() == server.Url("first"); }));
  ASSERT_TRUE(WaitFor([&] { return main.engine.CanGoForward(); }));
  main.engine.GoForward();
  ASSERT_TRUE(WaitFor([&] { return main.engine.Location() == server.Url("second") && !main.engine.IsLoading(); }));

  // A printed page, through GTK's file printer and without a dialog.
  const int toplevels = VisibleToplevels();
  bool printed = false, printOk = false;
  main.engine.PrintToFile(dir.File("page.pdf"), [&](bool ok) {
    printed = true;
    printOk = ok;
  });
  ASSERT_TRUE(WaitFor([&] { return printed; }));
  EXPECT_TRUE(printOk);
  EXPECT_EQ(test::ReadFile(dir.File("page.pdf")).substr(0, 5), "%PDF-");
  EXPECT_EQ(VisibleToplevels(), toplevels);

  // Clearing forgets cookies, storage and the history.
  main.Eval("document.cookie = 'visitor=1'; localStorage.setItem('k', 'v'); 0");
  ASSERT_EQ(main.Eval("document.cookie"), "visitor=1");
  bool cleared = false;
  main.engine.ClearBrowsingData([&] { cleared = true; });
  ASSERT_TRUE(WaitFor([&] { return cleared; }));
  EXPECT_FALSE(main.engine.CanGoBack());
  ASSERT_TRUE(main.Load(server.Url("first")));
  EXPECT_EQ(main.Eval("document.cookie"), "");
  EXPECT_EQ(main.Eval("String(localStorage.getItem('k'))"), "null");
}

}  // namespace
}  // namespace orbeta::browser
