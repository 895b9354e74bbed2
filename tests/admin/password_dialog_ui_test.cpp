// The password dialog on the test X server, over an owner window: keys typed with real X input,
// clicks on its buttons, and the requests a window manager sends, made by another X client.
#include "admin/password_dialog.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "browser/event_hooks.h"
#include "language/dictionary.h"
#include "navigation/visit_log.h"

#include <gdk/gdkx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>

#include "support/ui_pump.h"

namespace orbeta {
namespace {

using Clock = std::chrono::steady_clock;
using Result = TPasswordDlg::Result;
using namespace std::chrono_literals;

using test::PumpUntil;

void PumpFor(std::chrono::milliseconds time) { PumpUntil([] { return false; }, time); }

Window Xid(Gtk::Window& window) { return GDK_WINDOW_XID(window.get_window()->gobj()); }

// Another client of the test's X server: the keyboard and the pointer through the X test
// extension, and what a window manager does to a window.
class XClient {
 public:
  XClient() : display_(XOpenDisplay(nullptr)) {}
  ~XClient() {
    if (display_) XCloseDisplay(display_);
  }
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;
  Display* display() { return display_; }

  // A key pressed and released, with Shift held when the key symbol needs it.
  void Key(KeySym sym) { Press(XKeysymToKeycode(display_, sym), sym); }

  // Types `text` into the entry that has the keyboard focus, one character at a time, and
  // waits for each to arrive. A character the keyboard map lacks is put on a spare key for
  // the time it takes, as a keyboard layout with that letter would have it.
  void Type(Gtk::Entry& entry, const Glib::ustring& text) {
    Glib::ustring expected = entry.get_text();
    for (const gunichar c : text) {
      const KeySym sym = (c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff) ? c : 0x01000000 | c;
      KeyCode code = XKeysymToKeycode(display_, sym);
      const bool borrowed = code == 0;
      if (borrowed) {
        code = SpareKeycode();
        ASSERT_NE(code, 0) << "no spare key code";
        SetKey(code, sym);
      }
      Press(code, sym);
      expected += c;
      const bool arrived = PumpUntil([&] { return entry.get_text() == expected; });
      if (borrowed) SetKey(code, NoSymbol);
      ASSERT_TRUE(arrived) << "typed so far: " << entry.get_text();
    }
  }

  // Button 1 clicked at the centre of `widget`.
  void Click(Gtk::Widget& widget) {
    Gtk::Widget& top = *widget.get_toplevel();
    int x = 0;
    int y = 0;
    widget.translate_coordinates(top, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2, x, y);
    int originX = 0;
    int originY = 0;
    top.get_window()->get_origin(originX, originY);
    XTestFakeMotionEvent(display_, -1, originX + x, originY + y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
  }

  void Focus(Gtk::Window& window) {
    XSetInputFocus(display_, Xid(window), RevertToParent, CurrentTime);
    XSync(display_, False);
  }

  // ---- As a window manager ----
  void Iconify(Gtk::Window& window) {
    XUnmapWindow(display_, Xid(window));
    XSync(display_, False);
  }

  void Maximize(Gtk::Window& window) {
    std::vector<Atom> state = WmState(window);
    state.push_back(Intern("_NET_WM_STATE_MAXIMIZED_VERT"));
    state.push_back(Intern("_NET_WM_STATE_MAXIMIZED_HORZ"));
    XChangeProperty(display_, Xid(window), Intern("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(state.data()), static_cast<int>(state.size()));
    XSync(display_, False);
  }

  // The close button of a window manager's title bar.
  void RequestClose(Gtk::Window& window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Xid(window);
    event.xclient.message_type = Intern("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, Xid(window), False, NoEventMask, &event);
    XSync(display_, False);
  }

  // Windows ask the window manager for state changes by messages to the root window.
  void WatchStateRequests() {
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, False);
  }
  // True once the window asked to leave the maximised state (since WatchStateRequests).
  bool AskedToUnmaximize(Gtk::Window& window) {
    while (XPending(display_)) {
      XEvent event;
      XNextEvent(display_, &event);
      const XClientMessageEvent& message = event.xclient;
      if (event.type == ClientMessage && message.window == Xid(window) &&
          message.message_type == Intern("_NET_WM_STATE") && message.data.l[0] == 0 /* remove */ &&
          static_cast<Atom>(message.data.l[1]) == Intern("_NET_WM_STATE_MAXIMIZED_VERT"))
        askedToUnmaximize_ = true;
    }
    return askedToUnmaximize_;
  }

  bool Viewable(Gtk::Window& window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, Xid(window), &attributes) && attributes.map_state == IsViewable;
  }

  // ---- What a window manager reads ----
  std::vector<Atom> WmState(Gtk::Window& window) {
    std::vector<Atom> atoms;
    for (long value : Property(window, "_NET_WM_STATE", XA_ATOM)) atoms.push_back(static_cast<Atom>(value));
    return atoms;
  }
  std::vector<long> Property(Gtk::Window& window, const char* name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display_, Xid(window), Intern(name), 0, 64, False, type, &actualType, &format,
                           &count, &after, &data) == Success && data) {
      if (format == 32) {
        const long* longs = reinterpret_cast<const long*>(data);
        values.assign(longs, longs + count);
      }
      XFree(data);
    }
    return values;
  }
  Window TransientFor(Gtk::Window& window) {
    Window owner = 0;
    XGetTransientForHint(display_, Xid(window), &owner);
    return owner;
  }
  Atom Intern(const char* name) { return XInternAtom(display_, name, False); }

 private:
  void Press(KeyCode code, KeySym sym) {
    const bool shift = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
    const KeyCode shiftCode = XKeysymToKeycode(display_, XK_Shift_L);
    if (shift) XTestFakeKeyEvent(display_, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(display_, shiftCode, False, CurrentTime);
    XSync(display_, False);
  }

  void SetKey(KeyCode code, KeySym sym) {
    XChangeKeyboardMapping(display_, code, 1, &sym, 1);
    XSync(display_, False);
  }

  // The highest key code without any symbol.
  KeyCode SpareKeycode() {
    int min = 0;
    int max = 0;
    XDisplayKeycodes(display_, &min, &max);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(min), max - min + 1, &perCode);
    KeyCode spare = 0;
    for (int code = max; code >= min && spare == 0; --code) {
      bool empty = true;
      for (int i = 0; i < perCode; ++i) empty = empty && map[(code - min) * perCode + i] == NoSymbol;
      if (empty) spare = static_cast<KeyCode>(code);
    }
    XFree(map);
    return spare;
  }

  Display* display_;
  bool askedToUnmaximize_ = false;
};

// Counts the events of one window as the program's event hooks see them, before dispatch.
class WindowEvents {
 public:
  explicit WindowEvents(Gtk::Window& window)
      : hook_([this, &window](GdkEvent* event) {
          if (!window.get_window() || event->any.window != window.get_window()->gobj()) return false;
          if (event->type == GDK_DELETE) ++closeRequests;
          if (event->type == GDK_WINDOW_STATE) {
            if (event->window_state.new_window_state & GDK_WINDOW_STATE_ICONIFIED) iconified = true;
            if (event->window_state.new_window_state & GDK_WINDOW_STATE_MAXIMIZED) maximized = true;
          }
          return false;
        }) {}
  int closeRequests = 0;
  bool iconified = false;
  bool maximized = false;

 private:
  browser::ScopedEventHook hook_;
};

class PasswordDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(x_.display(), nullptr);
    Settings = TSettings{};
    AdminPassword = kDefaultAdminPassword;
    AdminMode = false;
    visitCount = 0;
    // The program's dictionary, in English.
    if (Dictionary().IndexOfNumber(316) == 0)
      Dictionary().LoadFromFile(std::string(ORBETA_BIN_DIR) + "/Orbeta.stm");
    Dictionary().SelectLanguage(2);
    owner_.set_default_size(640, 480);
    owner_.move(200, 150);
  }

  void TearDown() override {
    Settings = savedSettings_;
    AdminPassword = savedPassword_;
    AdminMode = savedAdminMode_;
    visitCount = savedVisits_;
    Dictionary().SelectLanguage(savedLanguage_);
  }

  // Shows the dialog over the owner window; `script` runs inside its modal loop once the
  // entry has the keyboard focus. A script that failed closes the dialog; one that leaves it
  // open otherwise waits for the close delay.
  Result RunModal(TPasswordDlg& dialog, const std::function<void()>& script) {
    owner_.show();
    owner_.present();
    EXPECT_TRUE(PumpUntil([&] { return owner_.get_mapped() && owner_.has_toplevel_focus(); }));
    Glib::signal_idle().connect([&] {
      if (PumpUntil([&] { return dialog.get_mapped() && dialog.has_toplevel_focus() && dialog.Password().has_focus(); }))
        script();
      else
        ADD_FAILURE() << "the entry never got the keyboard focus";
      if ((HasFatalFailure() || HasNonfatalFailure()) && dialog.IsOpen()) dialog.CancelBtnClick();
      return false;
    });
    return dialog.ShowModal();
  }

  // A dialog that closes itself soon enough should a test go wrong.
  void Limit(TPasswordDlg& dialog) { dialog.SetCloseDelay(15s); }

  TSettings savedSettings_ = Settings;
  std::string savedPassword_ = AdminPassword;
  bool savedAdminMode_ = AdminMode;
  std::int32_t savedVisits_ = visitCount;
  TLanguage savedLanguage_ = Dictionary().ActiveLanguage();
  XClient x_;
  Gtk::Window owner_;
};

TEST_F(PasswordDialogTest, EnterComparesTheTypedTextWithThePassword) {
  struct Case {
    const char* name;
    std::string password;  // Windows-1252
    Glib::ustring typed;
    KeySym enter;
    bool adminBefore;
    bool adminAfter;
  };
  const Case cases[] = {
      {"right password", "tulmar", "tulmar", XK_Return, false, true},
      {"numeric keypad Enter", "tulmar", "tulmar", XK_KP_Enter, false, true},
      {"wrong password", "tulmar", "secret", XK_Return, true, false},
      {"empty entry", "tulmar", "", XK_Return, true, false},
      {"other case", "tulmar", "Tulmar", XK_Return, true, false},
      {"beginning only", "tulmar", "tulma", XK_Return, true, false},
      {"empty entry, empty password", "", "", XK_Return, false, true},
      {"Windows-1252 letter", "caf\xe9", "caf\u00e9", XK_Return, false, true},
      {"letter Windows-1252 lacks", "?", "\u0101", XK_Return, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdminPassword = c.password;
    AdminMode = c.adminBefore;
    TPasswordDlg dialog(owner_);
    Limit(dialog);
    // Installed after the dialog's hook: it sees the key only if the dialog passed it on.
    int entersPassedOn = 0;
    browser::ScopedEventHook later([&](GdkEvent* event) {
      if (event->type == GDK_KEY_PRESS && event->key.keyval == c.enter) ++entersPassedOn;
      return false;
    });
    const Result result = RunModal(dialog, [&] {
      x_.Type(dialog.Password(), c.typed);
      x_.Key(c.enter);
      EXPECT_TRUE(PumpUntil([&] { return !dialog.IsOpen(); }));
    });
    EXPECT_EQ(result, Result::OK);
    EXPECT_EQ(entersPassedOn, 1);
    EXPECT_EQ(dialog.Password().get_text(), c.typed);
    EXPECT_EQ(AdminMode, c.adminAfter);
    EXPECT_FALSE(dialog.get_visible());
  }
}

// Escape, Cancel and the owner going away leave AdminMode as it was; the hook takes Enter and
// Escape from any window of the program.
TEST_F(PasswordDialogTest, ClosingWithoutOkKeepsAdminMode) {
  enum Action { kEscape, kCancelClick, kEscapeInOwner, kEnterInOwner, kOwnerHides };
  struct Case {
    const char* name;
    Action action;
    Glib::ustring typed;
    bool adminBefore;
    Result result;
    bool adminAfter;
  };
  const Case cases[] = {
      {"Escape", kEscape, "secret", true, Result::Cancel, true},
      {"Escape, right password typed", kEscape, "tulmar", false, Result::Cancel, false},
      {"Cancel button", kCancelClick, "secret", true, Result::Cancel, true},
      {"Cancel button, right password typed", kCancelClick, "tulmar", false, Result::Cancel, false},
      {"Escape typed into the owner", kEscapeInOwner, "tulmar", false, Result::Cancel, false},
      {"Enter typed into the owner", kEnterInOwner, "tulmar", false, Result::OK, true},
      {"owner hidden", kOwnerHides, "tulmar", false, Result::Cancel, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdminMode = c.adminBefore;
    TPasswordDlg dialog(owner_);
    Limit(dialog);
    const Result result = RunModal(dialog, [&] {
      x_.Type(dialog.Password(), c.typed);
      switch (c.action) {
        case kEscape:
          x_.Key(XK_Escape);
          break;
        case kCancelClick:
          x_.Click(dialog.CancelBtn());
          break;
        case kEscapeInOwner:
        case kEnterInOwner:
          x_.Focus(owner_);
          ASSERT_TRUE(PumpUntil([&] { return owner_.has_toplevel_focus(); }));
          x_.Key(c.action == kEscapeInOwner ? XK_Escape : XK_Return);
          break;
        case kOwnerHides:
          owner_.hide();
          break;
      }
      EXPECT_TRUE(PumpUntil([&] { return !dialog.IsOpen(); }));
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(AdminMode, c.adminAfter);
  }
}

// A dialog that its owner keeps after it closed no longer answers Enter.
TEST_F(PasswordDialogTest, KeysAfterClosingChangeNothing) {
  TPasswordDlg dialog(owner_);
  Limit(dialog);
  const Result result = RunModal(dialog, [&] {
    x_.Type(dialog.Password(), "tulmar");
    x_.Key(XK_Escape);
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsOpen(); }));
    x_.Focus(owner_);
    ASSERT_TRUE(PumpUntil([&] { return owner_.has_toplevel_focus(); }));
    x_.Key(XK_Return);
    PumpFor(200ms);
  });
  EXPECT_EQ(result, Result::Cancel);
  EXPECT_FALSE(AdminMode);
}

TEST_F(PasswordDialogTest, CloseDelayEndsTheDialogWithAdminModeUnchanged) {
  struct Case {
    bool adminBefore;
    Glib::ustring entry;
  };
  for (const Case& c : {Case{false, "tulmar"}, Case{true, "secret"}}) {
    SCOPED_TRACE(c.entry);
    AdminMode = c.adminBefore;
    TPasswordDlg dialog(owner_);
    dialog.SetCloseDelay(400ms);
    const auto start = Clock::now();
    const Result result = RunModal(dialog, [&] { x_.Type(dialog.Password(), c.entry); });
    EXPECT_GE(Clock::now() - start, 400ms);
    EXPECT_EQ(result, Result::OK);
    EXPECT_EQ(AdminMode, c.adminBefore);
    EXPECT_FALSE(dialog.get_visible());
  }
}

TEST_F(PasswordDialogTest, ScreenSaverSendsTheKioskHomeUnlessVisitorsMayQuit) {
  struct Case {
    const char* name;
    bool returnHome;
    bool userCanQuit;
    bool dropped;
  };
  const Case cases[] = {
      {"return home", true, false, true},
      {"no return home", false, false, false},
      {"visitors may quit", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings.ReturnHome = c.returnHome;
    Settings.UserCanQuit = c.userCanQuit;
    visitCount = 7;
    int homeClicks = 0;
    TPasswordDlg dialog(owner_, {.homeClick = [&] { ++homeClicks; }});
    Limit(dialog);
    bool dropped = false;
    bool openAfter = false;
    const Result result = RunModal(dialog, [&] {
      x_.Type(dialog.Password(), "tulmar");
      dropped = dialog.ScreenSaverRequest();
      PumpFor(50ms);
      openAfter = dialog.IsOpen();
      if (openAfter) dialog.CancelBtnClick();
    });
    EXPECT_EQ(dropped, c.dropped);
    EXPECT_EQ(openAfter, !c.dropped);
    EXPECT_EQ(homeClicks, c.dropped ? 1 : 0);
    EXPECT_EQ(visitCount, c.dropped ? 8 : 7);
    EXPECT_EQ(result, Result::Cancel);
    EXPECT_FALSE(AdminMode);
  }
}

// Maximising, minimising and closing through the window manager.
TEST_F(PasswordDialogTest, WindowManagerCommandsAreDroppedWhileLocked) {
  struct Case {
    const char* name;
    bool userCanQuit;
    bool adminMode;
    bool securityOff;
    bool dropped;
  };
  const Case cases[] = {
      {"locked", false, false, false, true},
      {"administration mode", false, true, false, false},
      {"security off", false, false, true, false},
      {"visitors may quit", true, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings.UserCanQuit = c.userCanQuit;
    Settings.SecurityOff = c.securityOff;
    AdminMode = c.adminMode;
    TPasswordDlg dialog(owner_);
    Limit(dialog);
    WindowEvents events(dialog);
    XClient wm;
    bool openAfterClose = false;
    const Result result = RunModal(dialog, [&] {
      // A dropped command is undone at once; one that passes is left alone for a while.
      const auto limit = c.dropped ? 5000ms : 300ms;
      wm.WatchStateRequests();
      wm.Maximize(dialog);
      ASSERT_TRUE(PumpUntil([&] { return events.maximized; }));
      EXPECT_EQ(PumpUntil([&] { return wm.AskedToUnmaximize(dialog); }, limit), c.dropped);

      wm.Iconify(dialog);
      ASSERT_TRUE(PumpUntil([&] { return events.iconified; }));
      EXPECT_EQ(PumpUntil([&] { return wm.Viewable(dialog); }, limit), c.dropped);

      wm.RequestClose(dialog);
      ASSERT_TRUE(PumpUntil([&] { return events.closeRequests == 1; }));
      openAfterClose = dialog.IsOpen();
      if (openAfterClose) dialog.CancelBtnClick();
    });
    EXPECT_EQ(openAfterClose, c.dropped);
    EXPECT_EQ(result, Result::Cancel);
    EXPECT_EQ(AdminMode, c.adminMode);
  }
}

TEST_F(PasswordDialogTest, ShowsAsAMaskedBorderlessDialogAboveItsOwner) {
  TPasswordDlg dialog(owner_);
  Limit(dialog);
  RunModal(dialog, [&] {
    x_.Type(dialog.Password(), "tulmar");
    EXPECT_EQ(dialog.Password().get_layout()->get_text(), "******");

    EXPECT_EQ(dialog.get_title(), "Administration");
    EXPECT_EQ(dialog.LPassword().get_text(), "Enter password");
    for (auto [button, label] : {std::pair{&dialog.OKBtn(), "_Ok"}, std::pair{&dialog.CancelBtn(), "_Cancel"}}) {
      EXPECT_EQ(button->get_label(), label);
      EXPECT_TRUE(button->get_use_underline());
      EXPECT_EQ(button->get_relief(), Gtk::RELIEF_NONE);
    }

    // What the window manager is told: no decorations, above the others, modal over the owner.
    const std::vector<long> motif = x_.Property(dialog, "_MOTIF_WM_HINTS", x_.Intern("_MOTIF_WM_HINTS"));
    ASSERT_GE(motif.size(), 3u);
    EXPECT_TRUE(motif[0] & 2) << "decorations given";
    EXPECT_EQ(motif[2], 0) << "no decorations";
    const std::vector<Atom> state = x_.WmState(dialog);
    EXPECT_NE(std::find(state.begin(), state.end(), x_.Intern("_NET_WM_STATE_ABOVE")), state.end());
    EXPECT_NE(std::find(state.begin(), state.end(), x_.Intern("_NET_WM_STATE_MODAL")), state.end());
    EXPECT_EQ(x_.TransientFor(dialog), Xid(owner_));

    // About 300 x 110, centred on the owner.
    const int width = dialog.get_window()->get_width();
    const int height = dialog.get_window()->get_height();
    EXPECT_EQ(width, 300);
    EXPECT_GE(height, 110);
    EXPECT_LE(height, 125);
    int x = 0, y = 0, ownerX = 0, ownerY = 0;
    dialog.get_window()->get_origin(x, y);
    owner_.get_window()->get_origin(ownerX, ownerY);
    EXPECT_NEAR(x + width / 2, ownerX + owner_.get_window()->get_width() / 2, 1);
    EXPECT_NEAR(y + height / 2, ownerY + owner_.get_window()->get_height() / 2, 1);

    // The frame line: three pixels of one colour along the edge, unlike the inside.
    PumpFor(100ms);
    const auto shot = Gdk::Pixbuf::create(dialog.get_window(), 0, 0, width, height);
    const auto pixel = [&](int px, int py) {
      const guint8* p = shot->get_pixels() + py * shot->get_rowstride() + px * shot->get_n_channels();
      return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    const int middle = height / 2;
    EXPECT_EQ(pixel(0, middle), pixel(2, middle));
    EXPECT_EQ(pixel(0, middle), pixel(width / 2, 1));
    EXPECT_EQ(pixel(0, middle), pixel(width - 1, middle));
    EXPECT_NE(pixel(0, middle), pixel(5, middle));

    dialog.CancelBtnClick();
  });
}

TEST(PasswordDialogCaption, MnemonicsBecomeUnderlines) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Ok", "_Ok"},
      {"&Annuler", "_Annuler"},
      {"Save && &quit", "Save & _quit"},
      {"&&", "&"},
      {"snake_case", "snake__case"},
      {"Caf\xe9 &", "Caf\u00e9 "},  // a last "&" has nothing to underline
  };
  for (const auto& [caption, shown] : cases) EXPECT_EQ(MnemonicCaption(caption), shown) << caption;
}

}  // namespace
}  // namespace orbeta
