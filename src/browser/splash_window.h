// The window that covers the start: logo, version and what is loading.
#pragma once

#include <gtkmm.h>

#include <string>

namespace orbeta {

class TSplashForm : public Gtk::Window {
 public:
  TSplashForm();
  // Replaces the status line (Windows-1252 text) and paints it at once.
  void SetSplashText(const std::string& text);
  // Paints whatever is pending, so the splash shows before the long start-up steps.
  static void Flush();

 private:
  Gtk::EventBox panel_;
  Gtk::Box lines_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Image logo_;
  Gtk::Label version_, status_;
};

}  // namespace orbeta
