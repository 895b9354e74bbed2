#include "browser/popup_window.h"

#include <algorithm>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "app/window_messages.h"
#include "browser/main_window.h"
#include "lists/site_list.h"
#include "navigation/navigation_filter.h"
#include "navigation/visit_log.h"
#include "platform/codepage.h"

namespace orbeta {
namespace {

// The window's frame around the page: borders and title bar, as a page's size excludes them.
constexpr int kFrameWidth = 10, kFrameHeight = 35;

browser::WebEngine::Options PopupEngineOptions(TMainForm& owner) {
  browser::WebEngine::Options options;
  options.openedBy = &owner.Browser();
  options.downloadFolder = owner.Browser().DownloadFolder();
  return options;
}

}  // namespace

TFIEPopup::TFIEPopup(TMainForm& owner) : owner_(owner), twb_(PopupEngineOptions(owner)) {
  set_name(kClassName);
  set_halign(Gtk::ALIGN_START);
  set_valign(Gtk::ALIGN_START);
  set_size_request(kWidth, kHeight);
  set_no_show_all();
  closeBox_.set_label("\u00D7");
  closeBox_.set_relief(Gtk::RELIEF_NONE);
  closeBox_.signal_clicked().connect(sigc::mem_fun(*this, &TFIEPopup::Close));
  caption_.set_xalign(0);
  caption_.set_ellipsize(Pango::ELLIPSIZE_END);
  titleBar_.pack_start(caption_, Gtk::PACK_EXPAND_WIDGET, 6);
  titleBar_.pack_end(closeBox_, Gtk::PACK_SHRINK);
  box_.pack_start(titleBar_, Gtk::PACK_SHRINK);
  box_.pack_start(twb_.Widget(), Gtk::PACK_EXPAND_WIDGET);
  frame_.set_shadow_type(Gtk::SHADOW_OUT);
  frame_.add(box_);
  add(frame_);
  frame_.show_all();
  twb_.SetLocked(!IsUnlocked());
  signal_button_press_event().connect([this](GdkEventButton*) { Activate(); return false; }, false);
  twb_.Widget().signal_focus_in_event().connect([this](GdkEventFocus*) { Activate(); return false; });
  ConnectBrowser();
}

void TFIEPopup::ConnectBrowser() {
  twb_.BeforeNavigate = [this](const std::string& address, const std::string&, bool& cancel) {
    OnBeforeNavigate(address, cancel);
  };
  twb_.NavigateComplete = [this] { OnNavigateComplete(); };
  twb_.WindowSetBounds = [this](int x, int y, int width, int height) { OnSetBounds(x, y, width, height); };
  twb_.TitleChange = [this](const std::string& title) {
    PendingSite.Name = title;
    caption_.set_text(Cp1252ToUtf8(Settings.ApplicationName + " - " + title));
  };
  twb_.StatusTextChange = [this](const std::string& text) { owner_.SetStatusText(text, false); };
  // The page's further windows open in the main browser, and this window goes.
  twb_.NewWindow = [this](const std::string& address, bool& cancel) -> browser::WebEngine* {
    cancel = true;
    owner_.OpenInMainBrowser(address);
    Close();
    return nullptr;
  };
  twb_.WindowClosing = [this](bool&) { Close(); };
  twb_.ContextMenu = [this](int, int, bool& cancel) {
    cancel = true;
    owner_.PopupMenuAtPointer();
  };
}

void TFIEPopup::OnBeforeNavigate(const std::string& address, bool& cancel) {
  if (closing_) {
    cancel = true;
    return;
  }
  const NavigationDecision decision = FilterPopupNavigation(owner_, address, JavaScriptFlag);
  cancel = CancelsNavigation(decision);
  owner_.RepaintStatusIcon();
  // A window whose first page is refused would stay an invisible window to the end: it goes.
  if (decision == ndClosePopup || (cancel && !shown_)) Close();
}

void TFIEPopup::OnNavigateComplete() {
  if (shown_ || closing_) return;
  shown_ = true;
  show();
  Activate();
}

// A page gives the size of its page area; the window adds its frame. Only what the page
// changed is applied: a page that sets the size alone leaves the window where it is.
void TFIEPopup::OnSetBounds(int x, int y, int width, int height) {
  if (x != pageBounds_.x) set_margin_start(std::max(0, x));
  if (y != pageBounds_.y) set_margin_top(std::max(0, y));
  int windowWidth = 0, windowHeight = 0;
  get_size_request(windowWidth, windowHeight);
  if (width > 0 && width != pageBounds_.width) windowWidth = width + kFrameWidth;
  if (height > 0 && height != pageBounds_.height) windowHeight = height + kFrameHeight;
  set_size_request(windowWidth, windowHeight);
  pageBounds_ = {x, y, width, height};
}

void TFIEPopup::Activate() {
  if (closing_) return;
  owner_.PopupActivated(*this);
}

void TFIEPopup::Close() {
  if (closing_) return;
  closing_ = true;
  hide();
  owner_.PopupClosed(*this);
}

bool TFIEPopup::ScreenSaverRequest() {
  if (!Settings.ReturnHome || AdminMode || Settings.SecurityOff) return false;
  owner_.ReturnHomeForInactivity();
  ++visitCount;
  return true;
}

}  // namespace orbeta
