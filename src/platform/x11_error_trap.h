// X errors caught while a trap lives, so that a failing request fails the call instead of
// ending the program. Xlib's macros clash with other libraries' names: include it last.
#pragma once

#include <X11/Xlib.h>

namespace orbeta {

// Catches the X errors of one connection while it lives (windows of other clients may be
// destroyed at any moment); errors of other connections go to the handler installed before.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display) : display_(display), outer_(current_) {
    current_ = this;
    previousHandler_ = XSetErrorHandler(&Handle);
  }
  ~X11ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previousHandler_);
    current_ = outer_;
  }
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Whether a request made so far failed; waits for the server's answer.
  bool Failed() {
    XSync(display_, False);
    return failed_;
  }

 private:
  static int Handle(Display* display, XErrorEvent* error) {
    X11ErrorTrap* outermost = current_;
    for (X11ErrorTrap* trap = current_; trap; trap = trap->outer_) {
      if (trap->display_ == display) {
        trap->failed_ = true;
        return 0;
      }
      outermost = trap;
    }
    return outermost && outermost->previousHandler_ ? outermost->previousHandler_(display, error) : 0;
  }

  static inline X11ErrorTrap* current_ = nullptr;
  Display* display_;
  X11ErrorTrap* outer_;
  XErrorHandler previousHandler_ = nullptr;
  bool failed_ = false;
};

}  // namespace orbeta
