/* The desktop lock library: keys and desktop items that a locked kiosk takes away from the
 * whole X session, and reports of every key and mouse button pressed anywhere.
 *
 * Keys are disabled by key grabs on the root window (with every state of Caps Lock and Num
 * Lock), so that no other client receives them; key reports come from XInput2 raw events.
 * The library keeps its own connections to the display named by $DISPLAY, opened at the first
 * call that needs them; without a display the calls record their state and report failure, and
 * what they recorded is applied once a later call finds the display. */
#ifndef DWLGINA3_H
#define DWLGINA3_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Modifier bits of wlDisableKey and of key reports. */
#define WL_ALT 1
#define WL_CTRL 2
#define WL_SHIFT 4
#define WL_WIN 8

/* Items of wlDisableItem. Items 1 (task bar) and 5 (task tray) hide the dock windows; the
 * others are recorded only. */
#define WL_ITEM_TASKBAR 1
#define WL_ITEM_TASKTRAY 5

/* Takes the version the caller was written for (0x00030002); returns the library's. */
uint32_t wlVersion(uint32_t version);

/* Disables (disable != 0) or enables again a virtual key with exactly the given modifiers.
 * Virtual key 0 stands for every key (used with WL_WIN: every Windows-key combination, and the
 * Windows keys themselves). Virtual key 2 (right button) takes the right mouse button away.
 * Returns non-zero when done. `reserved` must be 0. */
int wlDisableKey(int reserved, uint32_t virtualKey, uint32_t modifiers, int disable);

/* Disables or enables a desktop item (1 to 14). Returns non-zero when done. */
int wlDisableItem(int item, int disable);

/* How the library posts its messages: to `window`, message number, wParam, lParam. */
typedef void (*wlPostMessageProc)(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void wlSetPostMessageProc(wlPostMessageProc proc);

/* From now on every key and mouse button pressed (released) anywhere in the session is posted to
 * `window` as `downMessage` (`upMessage`; 0: none), wParam = the X window that has the input
 * focus, lParam low word = virtual key (1, 2, 4: left, right, middle button), high word = the
 * modifier bits held before the event (a modifier key's press does not carry its own bit, its
 * release does). A null window stops the reports. Returns non-zero when done. */
int wlSetKeyPostMessage(void* window, uint32_t downMessage, uint32_t upMessage);

/* The file descriptor of the library's display connection (-1 without one). It becomes
 * readable at every key and button pressed or released and when the keyboard mapping changes;
 * then call wlProcessEvents (whether reports are wanted or not), which posts the reports that
 * arrived, follows the new keyboard mapping with the key grabs, and reads what the grabs
 * delivered. */
int wlEventFd(void);
void wlProcessEvents(void);

/* Lifts every restriction: keys enabled, dock windows shown (when this library hid them),
 * items enabled. Returns non-zero when done. */
int wlRestoreAll(void);

/* State, for tests and diagnostics: non-zero while the key combination (item) is disabled. */
int wlIsKeyDisabled(uint32_t virtualKey, uint32_t modifiers);
int wlIsItemDisabled(int item);

#ifdef __cplusplus
}
#endif

#endif
