// The application-wide input filter on the test X server: real keys and buttons through the
// XTest extension, and the close request a window manager sends, against a window with an
// entry and a pad that record what reaches them.
#include "browser/input_filter.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"

// Xlib defines macros that clash with gtkmm and GoogleTest names: it comes last.
#include <gdk/gdkx.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "support/ui_pump.h"

namespace orbeta::browser {
namespace {

using Clock = std::chrono::steady_clock;

using test::PumpUntil;

Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

void Key(KeySym keysym, bool down) {
  XTestFakeKeyEvent(XDisplay(), XKeysymToKeycode(XDisplay(), keysym), down ? True : False, CurrentTime);
  XFlush(XDisplay());
}

// Presses the keys in order and releases them in reverse, as a person types a shortcut.
void Chord(std::initializer_list<KeySym> keys) {
  for (KeySym keysym : keys) Key(keysym, true);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) Key(*it, false);
}

struct RecordingTarget : InputFilterTarget {
  bool active = true;
  int prints = 0;
  int beeps = 0;
  int passwordClicks = 0;
  std::vector<std::pair<int, int>> menus;

  bool FilterActive() override { return active; }
  void PrintSequence() override { ++prints; }
  void Beep() override { ++beeps; }
  void PasswordClick() override { ++passwordClicks; }
  void PopupMenuAt(int xRoot, int yRoot) override { menus.emplace_back(xRoot, yRoot); }
};

class InputFilterTest : public testing::Test {
 protected:
  InputFilterTest() : savedSettings_(Settings) {
    Settings = TSettings{};
    window_.set_default_size(300, 200);
    window_.move(0, 0);
    pad_.set_size_request(200, 120);
    box_.pack_start(entry_, Gtk::PACK_SHRINK);
    box_.pack_start(pad_, Gtk::PACK_EXPAND_WIDGET);
    window_.add(box_);
    entry_.signal_key_press_event().connect(
        [this](GdkEventKey* key) {
          if (!key->is_modifier) typed_.push_back(gdk_keyval_name(key->keyval));
          return false;
        },
        false);
    pad_.signal_button_press_event().connect(
        [this](GdkEventButton* button) {
          if (button->type == GDK_BUTTON_PRESS) buttons_.push_back(button->button);
          return true;
        },
        false);
    window_.signal_delete_event().connect([this](GdkEventAny*) {
      ++closeRequests_;
      return true;  // the test window stays
    });
    window_.show_all();
    window_.present();
    entry_.grab_focus();
  }

  ~InputFilterTest() override { Settings = savedSettings_; }

  void SetUp() override {
    ASSERT_TRUE(PumpUntil([this] { return window_.has_toplevel_focus() && entry_.has_focus(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
  }

  // Types "z", which every filter state lets through, and waits until the entry has it: every
  // key sent before has then been filtered. Gives the keys the entry saw, the "z" included.
  std::vector<std::string> TypedUpToMarker() {
    Chord({XK_z});
    EXPECT_TRUE(PumpUntil([this] { return !typed_.empty() && typed_.back() == "z"; }));
    return std::exchange(typed_, {});
  }

  // The pad's centre on the screen.
  std::pair<int, int> PadCentre() {
    int x = 0;
    int y = 0;
    pad_.translate_coordinates(window_, pad_.get_width() / 2, pad_.get_height() / 2, x, y);
    int originX = 0;
    int originY = 0;
    window_.get_window()->get_origin(originX, originY);
    return {originX + x, originY + y};
  }

  void ClickPad(unsigned button) {
    const auto [x, y] = PadCentre();
    XTestFakeMotionEvent(XDisplay(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(XDisplay(), button, True, CurrentTime);
    XTestFakeButtonEvent(XDisplay(), button, False, CurrentTime);
    XFlush(XDisplay());
  }

  // A left click, which every filter state lets through, then waits until the pad has it. Gives
  // the buttons the pad saw, the left one included.
  std::vector<unsigned> ButtonsUpToMarker() {
    ClickPad(1);
    EXPECT_TRUE(PumpUntil([this] { return !buttons_.empty() && buttons_.back() == 1; }));
    return std::exchange(buttons_, {});
  }

  // What a window manager sends when the visitor clicks the close button.
  void SendCloseRequest() {
    Display* display = XDisplay();
    const ::Window xid = gdk_x11_window_get_xid(window_.get_window()->gobj());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, xid, False, NoEventMask, &event);
    XFlush(display);
  }

  // The shortcuts a visitor tries, in the order the tests send them.
  static void TypeShortcuts() {
    Chord({XK_Control_L, XK_l});
    Chord({XK_Control_L, XK_t});
    Chord({XK_Control_L, XK_a});
    Chord({XK_Control_L, XK_p});
    Chord({XK_Control_L, XK_F5});
    Chord({XK_F5});
    Chord({XK_Shift_L, XK_KP_Multiply});
    Chord({XK_Alt_L, XK_F4});
  }

  TSettings savedSettings_;
  Gtk::Window window_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Entry entry_;
  Gtk::EventBox pad_;
  std::vector<std::string> typed_;
  std::vector<unsigned> buttons_;
  int closeRequests_ = 0;
  RecordingTarget target_;
};

TEST_F(InputFilterTest, LockedKioskKeys) {
  InputFilter filter(target_);
  TypeShortcuts();
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"a", "F5", "z"}))
      << "only Ctrl+A and F5 alone reach the page; Ctrl+L, Ctrl+T, Ctrl+P, Ctrl+F5, "
         "Shift+keypad * and Alt+F4 never do";
  EXPECT_EQ(target_.prints, 1);
  EXPECT_EQ(target_.beeps, 1);
  EXPECT_EQ(target_.passwordClicks, 1);
  EXPECT_TRUE(target_.menus.empty());

  Chord({XK_Control_L, XK_KP_Multiply});
  Chord({XK_Shift_L, XK_Control_L, XK_2});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"KP_Multiply", "at", "z"}))
      << "keypad * without Shift passes; Ctrl+Shift+2 (\"@\") is the key \"2\", which passes";
  EXPECT_EQ(target_.passwordClicks, 1);
}

TEST_F(InputFilterTest, AltWithAnArrowFollowsCanBackForward) {
  InputFilter filter(target_);
  Settings.CanBackForward = false;
  Chord({XK_Alt_L, XK_Left});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"z"}));

  Settings.CanBackForward = true;
  Chord({XK_Alt_L, XK_Left});
  Chord({XK_Alt_L, XK_Right});
  Chord({XK_Alt_L, XK_Up});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"Left", "Right", "z"}));

  // While Left is held any Alt key passes; once it is released, no longer.
  Key(XK_Left, true);
  Chord({XK_Alt_L, XK_F4});
  Key(XK_Left, false);
  Chord({XK_Alt_L, XK_F4});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"Left", "F4", "z"}));
}

TEST_F(InputFilterTest, LockedKioskRightClickOpensTheMenuInstead) {
  InputFilter filter(target_);
  ClickPad(3);
  EXPECT_EQ(ButtonsUpToMarker(), (std::vector<unsigned>{1})) << "the pad never sees the right button";
  ASSERT_EQ(target_.menus.size(), 1u);
  EXPECT_EQ(target_.menus[0], PadCentre());
}

TEST_F(InputFilterTest, LockedKioskRefusesTheCloseRequest) {
  InputFilter filter(target_);
  SendCloseRequest();
  TypedUpToMarker();
  EXPECT_EQ(closeRequests_, 0);
  EXPECT_TRUE(window_.get_visible());
}

TEST_F(InputFilterTest, InactiveFilterPassesEverything) {
  target_.active = false;
  InputFilter filter(target_);
  TypeShortcuts();
  EXPECT_EQ(TypedUpToMarker(),
            (std::vector<std::string>{"l", "t", "a", "p", "F5", "F5", "KP_Multiply", "F4", "z"}));
  ClickPad(3);
  EXPECT_EQ(ButtonsUpToMarker(), (std::vector<unsigned>{3, 1}));
  SendCloseRequest();
  TypedUpToMarker();
  EXPECT_EQ(closeRequests_, 1);
  EXPECT_EQ(target_.prints + target_.beeps + target_.passwordClicks, 0);
  EXPECT_TRUE(target_.menus.empty());

  // The lock state is asked at each event.
  target_.active = true;
  Chord({XK_Control_L, XK_l});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"z"}));
}

TEST_F(InputFilterTest, RemovedWithItsObject) {
  {
    InputFilter filter(target_);
  }
  Chord({XK_Control_L, XK_l});
  EXPECT_EQ(TypedUpToMarker(), (std::vector<std::string>{"l", "z"}));
}

}  // namespace
}  // namespace orbeta::browser
