// Key presses sent to the X server as if typed (XTest), for the keys the kiosk answers with.
#pragma once

typedef struct _XDisplay Display;
typedef struct _GdkDisplay GdkDisplay;

namespace orbeta {

// Presses and releases the left Alt key `count` times: a Windows key answered so, opens no menu.
void SendAltPresses(Display* display, int count);

// The X connection of a GDK display; null when it is not an X display.
Display* XDisplayOf(GdkDisplay* display);

}  // namespace orbeta
