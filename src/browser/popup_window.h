// A page's new window. It lives inside the main window as a child window (it moves with the
// kiosk and never reaches the desktop), runs its own copy of the navigation filter, reports its
// status text to the main window, and closes when its page closes it, asks for yet another
// window, or the kiosk goes home.
#pragma once

#include <gtkmm.h>

#include <string>

#include "browser/web_engine.h"

namespace orbeta {

class TMainForm;

class TFIEPopup : public Gtk::EventBox {
 public:
  // How the main window tells its pop-up windows from its other children.
  static constexpr const char* kClassName = "TFIEPopup";
  static constexpr int kWidth = 832, kHeight = 689;

  explicit TFIEPopup(TMainForm& owner);

  browser::WebEngine& TWB() { return twb_; }
  bool JavaScriptFlag = false;

  // Hides the window at once; the main window destroys it on its next turn of the main loop.
  void Close();
  bool Closing() const { return closing_; }
  // The screen saver would start while this window is active: true when it was dropped.
  bool ScreenSaverRequest();

  std::string Caption() const { return caption_.get_text(); }

 private:
  void ConnectBrowser();
  void OnBeforeNavigate(const std::string& address, bool& cancel);
  void OnNavigateComplete();
  void OnSetBounds(int x, int y, int width, int height);
  void Activate();

  TMainForm& owner_;
  Gtk::Frame frame_;
  Gtk::Box box_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Box titleBar_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Label caption_{"Orbeta Navigateur"};
  Gtk::Button closeBox_;
  browser::WebEngine twb_;
  GdkRectangle pageBounds_{};  // the last position and size the page asked for
  bool shown_ = false;
  bool closing_ = false;
};

}  // namespace orbeta
