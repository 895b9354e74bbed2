// The administrator's password dialog: a small borderless window, kept above the others and
// centred on the main window, that asks for the password and sets AdminMode from the answer.
//
// While the dialog is open:
// - OK, or Enter typed into any window of the program: AdminMode becomes true exactly when the
//   entry equals AdminPassword (case-sensitive, whole string); any other entry, an empty one
//   included, turns it off. The dialog closes with Result::OK.
// - Cancel, or Escape typed into any window: closes with Result::Cancel; AdminMode unchanged.
// - After the close delay (60 seconds) it closes by itself with Result::OK; AdminMode unchanged.
// - Unless visitors may quit ("New Window"), the window manager's close request and minimise,
//   maximise and full-screen changes are refused or undone while the kiosk is locked.
// - The owner window hiding closes it with Result::Cancel.
// Once closed, Enter and Escape change nothing, even if the owner keeps the dialog.
// The caller re-applies the lock state after ShowModal returns, whatever the result.
#pragma once

#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <string_view>

#include "browser/event_hooks.h"

namespace orbeta {

// What the dialog asks of the main window.
struct PasswordDlgHooks {
  std::function<void()> homeClick;  // the main window's Home command
};

class TPasswordDlg : public Gtk::Window {
 public:
  enum class Result { OK, Cancel };

  static constexpr std::chrono::milliseconds kCloseDelay{60000};

  // Modal for `owner` and centred on it; captions from the dictionary.
  explicit TPasswordDlg(Gtk::Window& owner, PasswordDlgHooks hooks = {});
  ~TPasswordDlg() override;
  TPasswordDlg(const TPasswordDlg&) = delete;
  TPasswordDlg& operator=(const TPasswordDlg&) = delete;

  // Shows the dialog with the keyboard focus in the entry, runs a nested main loop until it
  // closes, and gives the way it closed. The close delay starts here.
  Result ShowModal();
  bool IsOpen() const { return open_; }

  // The time after which the open dialog closes by itself; set before ShowModal.
  void SetCloseDelay(std::chrono::milliseconds delay) { closeDelay_ = delay; }

  // The screen saver is about to start while the dialog is open. Unless visitors may quit,
  // with "Return Home" on: the main window goes home, one visit is counted, the dialog closes
  // (Result::Cancel) and the request is dropped (true). Otherwise it passes (false).
  bool ScreenSaverRequest();

  // The buttons' commands (also run by Enter and Escape).
  void OKBtnClick();
  void CancelBtnClick();

  Gtk::Entry& Password() { return password_; }
  Gtk::Label& LPassword() { return lPassword_; }
  Gtk::Button& OKBtn() { return okBtn_; }
  Gtk::Button& CancelBtn() { return cancelBtn_; }

 protected:
  bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

 private:
  void FormCreate();
  bool AEVPwdMessage(GdkEvent* event);
  bool TMTimer();
  bool OnDeleteEvent(GdkEventAny* event);
  bool OnWindowState(GdkEventWindowState* event);
  void Close(Result result);

  PasswordDlgHooks hooks_;
  std::chrono::milliseconds closeDelay_ = kCloseDelay;
  Result result_ = Result::Cancel;
  bool open_ = false;
  Glib::RefPtr<Glib::MainLoop> loop_;
  sigc::connection tm_;
  sigc::connection ownerHidden_;
  browser::ScopedEventHook aevPwd_;

  Gtk::Box body_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Image image_;
  Gtk::Box fields_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Label lPassword_;
  Gtk::Entry password_;
  Gtk::ButtonBox buttons_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Button okBtn_;
  Gtk::Button cancelBtn_;
};

// A dictionary caption (Windows-1252, "&" before the mnemonic letter, "&&" for a literal "&")
// as the UTF-8 text of a GTK widget that uses underlines: "_" before the mnemonic letter,
// "__" for a literal "_".
Glib::ustring MnemonicCaption(std::string_view caption);

}  // namespace orbeta
