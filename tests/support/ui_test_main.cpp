// The main of the window tests: an X server and GTK before the first test. Listing the tests
// (as the build does to register them) needs neither.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdio>
#include <cstdlib>

#include "support/xvfb.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  orbeta::test::EnsureDisplay();
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "cannot open the display %s\n", std::getenv("DISPLAY"));
    return 1;
  }
  Gtk::Main::init_gtkmm_internals();
  return RUN_ALL_TESTS();
}
