#include "support/ui_pump.h"

#include <gtkmm.h>

namespace orbeta::test {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    gdk_display_sync(gdk_display_get_default());
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    g_usleep(2000);
  }
  return done();
}

}  // namespace orbeta::test
