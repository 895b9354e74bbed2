#include "platform/x11_screen_saver.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
#include <glib-unix.h>

namespace orbeta {

ScreenSaverWatch::ScreenSaverWatch() {
  dpy_ = XOpenDisplay(nullptr);
  if (!dpy_) return;
  int eventBase = 0, errorBase = 0;
  if (!XScreenSaverQueryExtension(dpy_, &eventBase, &errorBase)) return;
  saverEventBase_ = eventBase;
  for (int screen = 0; screen < ScreenCount(dpy_); ++screen)
    XScreenSaverSelectInput(dpy_, RootWindow(dpy_, screen), ScreenSaverNotifyMask);
  // Xvfb has no DPMS extension; there, as on any server without it, the monitor's power is
  // simply not watched.
  hasDpms_ = DPMSQueryExtension(dpy_, &eventBase, &errorBase) && DPMSCapable(dpy_);
  XFlush(dpy_);
  fdWatchId_ = g_unix_fd_add(ConnectionNumber(dpy_), G_IO_IN, &ScreenSaverWatch::OnReadable, this);
}

ScreenSaverWatch::~ScreenSaverWatch() {
  for (guint id : {fdWatchId_, pollId_, idleId_}) {
    if (id) g_source_remove(id);
  }
  if (dpy_) XCloseDisplay(dpy_);
}

void ScreenSaverWatch::SetMonitorPowerRequest(Request request) {
  monitorPowerRequest_ = std::move(request);
  monitorOffReported_ = false;
  const bool watch = Active() && hasDpms_ && monitorPowerRequest_;
  // DPMS sends no events: its power level is read once a second.
  if (watch && !pollId_) {
    pollId_ = g_timeout_add(1000, &ScreenSaverWatch::OnPoll, this);
  } else if (!watch && pollId_) {
    g_source_remove(pollId_);
    pollId_ = 0;
  }
}

bool ScreenSaverWatch::SaverOn() const {
  if (!Active()) return false;
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  const bool on = info && XScreenSaverQueryInfo(dpy_, DefaultRootWindow(dpy_), info) &&
                  info->state == ScreenSaverOn;
  XFree(info);
  // Waiting for the reply may have read events off the socket, which then no longer wakes
  // the fd watch: they are handled from the main loop instead.
  if (XEventsQueued(dpy_, QueuedAlready) > 0 && !idleId_)
    idleId_ = g_idle_add(&ScreenSaverWatch::OnIdle, const_cast<ScreenSaverWatch*>(this));
  return on;
}

gboolean ScreenSaverWatch::OnReadable(gint, GIOCondition condition, gpointer self) {
  auto* watch = static_cast<ScreenSaverWatch*>(self);
  if (condition & (G_IO_HUP | G_IO_ERR)) {
    watch->fdWatchId_ = 0;
    return G_SOURCE_REMOVE;
  }
  watch->HandleQueuedEvents();
  return G_SOURCE_CONTINUE;
}

gboolean ScreenSaverWatch::OnPoll(gpointer self) {
  auto* watch = static_cast<ScreenSaverWatch*>(self);
  watch->CheckMonitorPower();
  watch->HandleQueuedEvents();
  return G_SOURCE_CONTINUE;
}

gboolean ScreenSaverWatch::OnIdle(gpointer self) {
  auto* watch = static_cast<ScreenSaverWatch*>(self);
  watch->idleId_ = 0;
  watch->HandleQueuedEvents();
  return G_SOURCE_REMOVE;
}

void ScreenSaverWatch::HandleQueuedEvents() {
  while (XPending(dpy_) > 0) {
    XEvent event;
    XNextEvent(dpy_, &event);
    if (event.type != saverEventBase_ + ScreenSaverNotify) continue;
    const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
    if (notify.state != ScreenSaverOn && notify.state != ScreenSaverCycle) continue;
    // A copy, so that the request may replace itself while it runs.
    const Request request = screenSaverRequest_;
    if (request && request()) {
      XForceScreenSaver(dpy_, ScreenSaverReset);
      XFlush(dpy_);
    }
  }
}

void ScreenSaverWatch::CheckMonitorPower() {
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  if (!DPMSInfo(dpy_, &level, &enabled) || level == DPMSModeOn) {
    monitorOffReported_ = false;
    return;
  }
  if (monitorOffReported_) return;
  monitorOffReported_ = true;
  // A copy, so that the request may replace itself while it runs.
  const Request request = monitorPowerRequest_;
  if (request() && enabled) {
    DPMSForceLevel(dpy_, DPMSModeOn);
    XFlush(dpy_);
  }
}

}  // namespace orbeta
