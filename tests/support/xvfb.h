// An X server for window tests: Xvfb on a free display, for the life of the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace orbeta::test {

class Xvfb {
 public:
  // Starts Xvfb and waits until it accepts clients; throws std::runtime_error when it can't.
  explicit Xvfb(const std::string& screen = "1280x1024x24");
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  const std::string& Display() const { return display_; }  // ":N"

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Points DISPLAY at a new Xvfb for the rest of the process unless DISPLAY is already set, and
// makes GTK use X11.
void EnsureDisplay();

}  // namespace orbeta::test
