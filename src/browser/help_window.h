// The help pages beside the program ("help/<topic>.html"), in a window of their own.
#pragma once

#include <gtkmm.h>

#include <string>

#include "browser/web_engine.h"

namespace orbeta {

// The page of a help topic, or empty when the program has none.
std::string HelpPagePath(int topic);

class THelpWindow : public Gtk::Window {
 public:
  THelpWindow(Gtk::Window& owner, int topic);
  browser::WebEngine& Browser() { return wb_; }

 private:
  browser::WebEngine wb_;
};

}  // namespace orbeta
