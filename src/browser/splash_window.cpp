#include "browser/splash_window.h"

#include "browser/picture_resources.h"
#include "platform/codepage.h"

namespace orbeta {

TSplashForm::TSplashForm() : Gtk::Window(Gtk::WINDOW_POPUP) {
  set_default_size(309, 138);
  set_position(Gtk::WIN_POS_CENTER);
  set_keep_above(true);
  panel_.override_background_color(Gdk::RGBA("black"));
  browser::LoadPicResource(1000, logo_);
  version_.set_text("Version : " ORBETA_VERSION);
  status_.set_text("Loading...");
  for (Gtk::Label* label : {&version_, &status_}) label->override_color(Gdk::RGBA("white"));
  lines_.pack_start(logo_, Gtk::PACK_EXPAND_WIDGET);
  lines_.pack_start(version_, Gtk::PACK_SHRINK);
  lines_.pack_start(status_, Gtk::PACK_SHRINK, 4);
  panel_.add(lines_);
  add(panel_);
  show_all();
}

void TSplashForm::SetSplashText(const std::string& text) {
  status_.set_text(Cp1252ToUtf8(text));
  Flush();
}

void TSplashForm::Flush() {
  while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
}

}  // namespace orbeta
