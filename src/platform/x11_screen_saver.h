// The X server's screen saver and monitor power, offered to the kiosk window as requests it
// may drop: a dropped saver request resets the saver at once, a dropped monitor-power request
// turns the monitor back on.
#pragma once

#include <glib.h>

#include <functional>
#include <utility>

typedef struct _XDisplay Display;

namespace orbeta {

// Watches the saver on a connection of its own to $DISPLAY, on the GLib main loop.
class ScreenSaverWatch {
 public:
  // Gives true when the window dropped the request.
  using Request = std::function<bool()>;

  // Does nothing (Active() is false) when the display cannot be opened or the server lacks
  // the MIT-SCREEN-SAVER extension.
  ScreenSaverWatch();
  ~ScreenSaverWatch();
  ScreenSaverWatch(const ScreenSaverWatch&) = delete;
  ScreenSaverWatch& operator=(const ScreenSaverWatch&) = delete;

  // Asked each time the server's saver turns on (and at each cycle while it stays on).
  void SetScreenSaverRequest(Request request) { screenSaverRequest_ = std::move(request); }
  // Asked once each time the monitor leaves full power; an empty request stops the watch.
  void SetMonitorPowerRequest(Request request);

  bool Active() const { return saverEventBase_ >= 0; }
  // Whether the monitor's power is being watched: a request is set and the server has DPMS.
  bool MonitorPowerWatched() const { return pollId_ != 0; }
  // Whether the server's saver is on now.
  bool SaverOn() const;

 private:
  static gboolean OnReadable(gint fd, GIOCondition condition, gpointer self);
  static gboolean OnPoll(gpointer self);
  static gboolean OnIdle(gpointer self);
  void HandleQueuedEvents();
  void CheckMonitorPower();

  Display* dpy_ = nullptr;
  int saverEventBase_ = -1;
  bool hasDpms_ = false;
  bool monitorOffReported_ = false;
  guint fdWatchId_ = 0;
  guint pollId_ = 0;
  mutable guint idleId_ = 0;
  Request screenSaverRequest_;
  Request monitorPowerRequest_;
};

}  // namespace orbeta
