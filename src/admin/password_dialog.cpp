#include "admin/password_dialog.h"

#include <string>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "browser/picture_resources.h"
#include "language/dictionary.h"
#include "navigation/visit_log.h"
#include "platform/codepage.h"

namespace orbeta {
namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 110;
constexpr int kFrameLine = 3;
constexpr int kImageSize = 40;

Glib::ustring Text(int number) { return Cp1252ToUtf8(Dictionary().GetText(number)); }

// The key of the main menu's "Administration..." item, twice its menu size.
Glib::RefPtr<Gdk::Pixbuf> KeyPicture() {
  const auto images = browser::CutStrip(browser::LoadPicResource("MENU_MAIN"), browser::kMainMenuImageSize);
  if (images.size() <= static_cast<std::size_t>(browser::kMainMenuAdministration)) return {};
  return images[browser::kMainMenuAdministration]->scale_simple(kImageSize, kImageSize,
                                                                Gdk::INTERP_BILINEAR);
}

// The entry as the Windows-1252 text the password is kept in; false when the entry holds a
// character that Windows-1252 has not, which no stored password can then equal (the
// conversion would turn it into "?").
bool EntryText(const Glib::ustring& entry, std::string& text) {
  text = Utf8ToCp1252(entry.raw());
  return Cp1252ToUtf8(text) == entry.raw();
}

// Visitors may not bring the dialog down or out of sight through the window manager while
// the kiosk is locked.
bool DropsSystemCommands() { return !Settings.UserCanQuit && !IsUnlocked(); }

}  // namespace

Glib::ustring MnemonicCaption(std::string_view caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      if (i + 1 == caption.size()) break;  // nothing to underline
      if (caption[i + 1] == '&') {
        text += '&';
        ++i;
      } else {
        text += '_';
      }
    } else if (c == '_') {
      text += "__";
    } else {
      text += c;
    }
  }
  return Cp1252ToUtf8(text);
}

TPasswordDlg::TPasswordDlg(Gtk::Window& owner, PasswordDlgHooks hooks)
    : Gtk::Window(Gtk::WINDOW_TOPLEVEL), hooks_(std::move(hooks)) {
  set_decorated(false);
  set_keep_above(true);
  set_modal(true);
  set_transient_for(owner);
  set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  set_skip_taskbar_hint(true);
  set_skip_pager_hint(true);
  set_resizable(false);
  set_size_request(kWidth, kHeight);
  // The frame line is drawn inside the border.
  set_border_width(kFrameLine + 6);

  body_.set_spacing(10);
  image_.set_valign(Gtk::ALIGN_CENTER);
  if (auto key = KeyPicture()) image_.set(key);
  fields_.set_spacing(4);
  fields_.set_valign(Gtk::ALIGN_CENTER);
  fields_.set_hexpand(true);
  lPassword_.set_xalign(0.0f);
  password_.set_visibility(false);
  password_.set_invisible_char('*');
  password_.set_max_length(255);
  buttons_.set_layout(Gtk::BUTTONBOX_END);
  buttons_.set_spacing(4);
  for (Gtk::Button* button : {&okBtn_, &cancelBtn_}) {
    button->set_relief(Gtk::RELIEF_NONE);
    button->set_use_underline(true);
    buttons_.add(*button);
  }
  okBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TPasswordDlg::OKBtnClick));
  cancelBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TPasswordDlg::CancelBtnClick));
  fields_.pack_start(lPassword_, Gtk::PACK_SHRINK);
  fields_.pack_start(password_, Gtk::PACK_SHRINK);
  fields_.pack_start(buttons_, Gtk::PACK_SHRINK);
  body_.pack_start(image_, Gtk::PACK_SHRINK);
  body_.pack_start(fields_, Gtk::PACK_EXPAND_WIDGET);
  add(body_);
  body_.show_all();

  signal_delete_event().connect(sigc::mem_fun(*this, &TPasswordDlg::OnDeleteEvent), false);
  signal_window_state_event().connect(sigc::mem_fun(*this, &TPasswordDlg::OnWindowState), false);
  // Should the main window go away, nothing is left to unlock.
  ownerHidden_ = owner.signal_hide().connect([this] {
    if (open_) Close(Result::Cancel);
  });
  aevPwd_ = browser::ScopedEventHook([this](GdkEvent* event) { return AEVPwdMessage(event); });
  FormCreate();
}

TPasswordDlg::~TPasswordDlg() {
  tm_.disconnect();
  ownerHidden_.disconnect();
}

void TPasswordDlg::FormCreate() {
  set_title(Text(315));
  lPassword_.set_text(Text(316));
  okBtn_.set_label(MnemonicCaption(Dictionary().GetText(200)));
  cancelBtn_.set_label(MnemonicCaption(Dictionary().GetText(201)));
}

TPasswordDlg::Result TPasswordDlg::ShowModal() {
  result_ = Result::Cancel;
  open_ = true;
  tm_.disconnect();
  tm_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &TPasswordDlg::TMTimer),
                                       static_cast<unsigned>(closeDelay_.count()));
  password_.grab_focus();
  show();
  present();
  if (open_) {
    loop_ = Glib::MainLoop::create();
    loop_->run();
    loop_.reset();
  }
  tm_.disconnect();
  return result_;
}

void TPasswordDlg::OKBtnClick() {
  std::string entry;
  AdminMode = EntryText(password_.get_text(), entry) && entry == AdminPassword;
  Close(Result::OK);
}

void TPasswordDlg::CancelBtnClick() { Close(Result::Cancel); }

// Sees every event of the program before it is dispatched; it never consumes one. It acts only
// while the dialog is open, so that a dialog kept after closing changes nothing.
bool TPasswordDlg::AEVPwdMessage(GdkEvent* event) {
  if (!open_ || event->type != GDK_KEY_PRESS) return false;
  switch (event->key.keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      OKBtnClick();
      break;
    case GDK_KEY_Escape:
      Close(Result::Cancel);
      break;
    default:
      break;
  }
  return false;
}

bool TPasswordDlg::TMTimer() {
  Close(Result::OK);
  return false;  // the timer stops
}

bool TPasswordDlg::ScreenSaverRequest() {
  if (Settings.UserCanQuit || !Settings.ReturnHome) return false;
  if (hooks_.homeClick) hooks_.homeClick();
  ++visitCount;
  Close(Result::Cancel);
  return true;
}

bool TPasswordDlg::OnDeleteEvent(GdkEventAny*) {
  if (!DropsSystemCommands()) Close(Result::Cancel);
  return true;  // closing hides the window; it is released by its owner
}

// A window manager minimises by unmapping and maximises through the window's state; while
// the kiosk is locked both are undone at once.
bool TPasswordDlg::OnWindowState(GdkEventWindowState* event) {
  if (!open_ || !DropsSystemCommands()) return false;
  const auto entered = [event](GdkWindowState state) {
    return (event->changed_mask & state) && (event->new_window_state & state);
  };
  if (entered(GDK_WINDOW_STATE_ICONIFIED)) deiconify();
  if (entered(GDK_WINDOW_STATE_MAXIMIZED)) unmaximize();
  if (entered(GDK_WINDOW_STATE_FULLSCREEN)) unfullscreen();
  return false;
}

void TPasswordDlg::Close(Result result) {
  tm_.disconnect();
  result_ = result;
  open_ = false;
  hide();
  if (loop_) loop_->quit();
}

bool TPasswordDlg::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
  const bool handled = Gtk::Window::on_draw(cr);
  const Gdk::RGBA line = get_style_context()->get_color(get_style_context()->get_state());
  cr->save();
  cr->set_source_rgba(line.get_red(), line.get_green(), line.get_blue(), line.get_alpha());
  cr->set_line_width(kFrameLine);
  const double inset = kFrameLine / 2.0;
  cr->rectangle(inset, inset, get_allocated_width() - kFrameLine, get_allocated_height() - kFrameLine);
  cr->stroke();
  cr->restore();
  return handled;
}

}  // namespace orbeta
