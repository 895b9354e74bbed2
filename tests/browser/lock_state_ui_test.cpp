// The main window's lock state on the desktop: the desktop lock engaged and released with it,
// keys reported from the whole session, and the screen saver answered by the active window.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "../../lib/dwlgina3/dwlgina3.h"
#include "browser/main_window_fixture.h"
#include "platform/virtual_keys.h"

// Xlib defines macros that clash with gtkmm and GoogleTest names: it comes last.
#include <gdk/gdkx.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace orbeta {
namespace {

class LockStateTest : public MainWindowTest {
 protected:
  void Lock() { settings_.replace(settings_.find("New Window=1"), 12, "New Window=0"); }
  static bool AltTabTaken() { return wlIsKeyDisabled(vk::Tab, WL_ALT) != 0; }
};

TEST_F(LockStateTest, AKioskWhoseVisitorsMayQuitLeavesTheDesktopAlone) {
  auto window = Open();
  ASSERT_TRUE(window->DesktopLock().Loaded()) << "key reports come in every state";
  EXPECT_FALSE(wlIsItemDisabled(WL_ITEM_TASKBAR));
  EXPECT_FALSE(AltTabTaken());
}

TEST_F(LockStateTest, TheDesktopLockFollowsTheLockState) {
  Lock();
  auto window = Open();
  EXPECT_TRUE(AltTabTaken());
  EXPECT_TRUE(wlIsItemDisabled(WL_ITEM_TASKBAR));
  EXPECT_TRUE(wlIsKeyDisabled(vk::RButton, 0));
  AdminMode = true;
  window->ApplyLockState();
  EXPECT_FALSE(AltTabTaken());
  EXPECT_FALSE(wlIsItemDisabled(WL_ITEM_TASKBAR));
  AdminMode = false;
  window->ApplyLockState();
  EXPECT_TRUE(AltTabTaken());
}

// A link button's hot key typed anywhere in the session, here F3 sent through XTest, reaches
// the window through the desktop lock's key reports.
TEST_F(LockStateTest, AReportedHotKeyPressesItsLinkButton) {
  Lock();
  auto window = Open();
  ASSERT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("home.html"); }));
  Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  const KeyCode f3 = XKeysymToKeycode(display, XK_F3);
  XTestFakeKeyEvent(display, f3, True, CurrentTime);
  XTestFakeKeyEvent(display, f3, False, CurrentTime);
  XFlush(display);
  EXPECT_TRUE(RunUntil([&] { return window->Browser().Location() == server_.Url("page.html"); }));
}

TEST_F(LockStateTest, TheScreenSaverPassesTheMainWindowButNotThePasswordDialog) {
  settings_.replace(settings_.find("Return Home=0"), 13, "Return Home=1");
  Lock();
  auto window = Open();
  EXPECT_FALSE(window->ScreenSaverRequest()) << "the main window lets the saver start";
  bool dropped = false;
  Glib::signal_timeout().connect_once([&] { dropped = window->ScreenSaverRequest(); }, 300);
  window->passwordClick();  // returns once the request has closed the dialog
  EXPECT_TRUE(dropped);
  EXPECT_EQ(window->PasswordDialog(), nullptr);
  EXPECT_FALSE(AdminMode);
}

// Another client holds Alt+Tab, so the desktop lock cannot take it: the kiosk stays locked.
TEST_F(LockStateTest, AFailingDesktopLockLeavesTheKioskLocked) {
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const KeyCode tab = XKeysymToKeycode(other, XK_Tab);
  for (const unsigned locks : {0u, unsigned{LockMask}, unsigned{Mod2Mask}, unsigned{LockMask | Mod2Mask}})
    XGrabKey(other, tab, Mod1Mask | locks, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
  XSync(other, False);
  Lock();
  auto window = Open();
  EXPECT_TRUE(window->Browser().Locked());
  EXPECT_TRUE(window->FilterActive());
  EXPECT_TRUE(wlIsItemDisabled(WL_ITEM_TASKBAR)) << "the other switches are set all the same";
  XCloseDisplay(other);
}

}  // namespace
}  // namespace orbeta
