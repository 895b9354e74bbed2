#include "platform/x11_key_sender.h"

#include <gdk/gdkx.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace orbeta {

void SendAltPresses(Display* display, int count) {
  if (!display) return;
  const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
  if (alt == 0) return;
  for (int i = 0; i < count; ++i) {
    XTestFakeKeyEvent(display, alt, True, CurrentTime);
    XTestFakeKeyEvent(display, alt, False, CurrentTime);
  }
  XFlush(display);
}

Display* XDisplayOf(GdkDisplay* display) {
  return GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
}

}  // namespace orbeta
