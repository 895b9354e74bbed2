// The kiosk's one main window: tool bar band, browser, category tabs with the sites grid, and
// the status bar. It applies the navigation filter's decisions and handles its private
// messages in posting order.
#pragma once

#include <gtkmm.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"
#include "app/window_messages.h"
#include "browser/input_filter.h"
#include "browser/web_engine.h"
#include "kiosk/desktop_lock.h"
#include "lists/grid_widget.h"
#include "navigation/mail_handoff.h"
#include "navigation/navigation_filter.h"
#include "navigation/online_validation.h"
#include "platform/message_queue.h"
#include "platform/message_socket.h"
#include "platform/x11_screen_saver.h"
#include "language/dictionary_loader.h"

namespace orbeta {

class TFIEPopup;
class TPasswordDlg;

class TMainForm : public Gtk::Window,
                  public NavigationContext,
                  public ValidationStatus,
                  public SettingsHost,
                  public browser::InputFilterTarget {
 public:
  // Runs the whole creation of the window; `args` is the command line without the program.
  explicit TMainForm(const std::vector<std::string>& args);
  ~TMainForm() override;

  // ---- Operations other parts use ----
  void SetStatusText(const std::string& text, bool refresh) override;
  void RunLauncherLink(const std::string& url) override;
  void NavigateTo();
  void CloseAllPopups();
  void RebuildLaunchMenu();
  void ShowUserMessage(const std::string& text);
  void HideUserMessage();
  void Post(std::uint32_t message) { queue_.Post(message); }
  void ApplySettings();
  void ApplyInterfaceTexts();
  void ApplyLockState();
  // The administrator password dialog, then the lock state that follows from it.
  void passwordClick();
  // The settings dialog, then what its changes need rebuilt.
  void optionsClick();
  // A key the desktop lock reported from anywhere in the session.
  void OnLockKeyDown(std::uint16_t key);
  // The screen saver (or the monitor's power saving) would start: true when it was dropped.
  bool ScreenSaverRequest();
  bool MonitorPowerRequest();
  TPasswordDlg* PasswordDialog() { return passwordDlg_; }
  // The application-wide input filter works now: the kiosk is locked for visitors.
  bool FilterActive() override;
  TdWinlock& DesktopLock() { return dWinlock_; }
  // Tool bar and link bar commands.
  void BackClick();
  void StopClick();
  void RefreshClick() { wb_.Refresh(); }
  void HomeClick() { Post(WM_GOHOME); }
  void MailClick() { orbeta::RunMailProgram(); }
  void ForwardClick();
  void LinkClick(int index);
  bool BackEnabled() const { return backBtn_.get_sensitive(); }
  bool ForwardEnabled() const { return forwardBtn_.get_sensitive(); }
  // The Print button: a 5-second notice, then the page goes to the printer without a dialog.
  void PrintClick();
  // ---- Pop-up windows ----
  // The page's new window: a hidden pop-up whose browser the page gets.
  TFIEPopup& CreatePopupWindow();
  void PopupActivated(TFIEPopup& popup);
  void PopupClosed(TFIEPopup& popup);
  // A pop-up page's further window opens in the main browser.
  void OpenInMainBrowser(const std::string& address);
  std::vector<TFIEPopup*> Popups() const;
  browser::WebEngine& ActiveBrowser() { return *activeBrowser_; }
  // The open pop-up whose browser is the active one; null when it is the main browser.
  TFIEPopup* ActivePopup() const;

  // The visitor has gone: the next one starts on the home page with a fresh session.
  void ReturnHomeForInactivity();
  void PopupMenuAtPointer();
  void RepaintStatusIcon() { statusIcon_.queue_draw(); }
  void Beep() override;
  bool DemoRunning() const { return tmDemo_.connected(); }
  void AutoNavigate() { auto1_.activate(); }

  // The help page of a topic, shown only while security is off.
  void ShowHelp(int topic);
  Gtk::Window* HelpWindow() { return help_.get(); }

  std::string PendingUrl;
  std::string LastUrl;
  bool JavaScriptFlag = false;
  bool quitRequested = false;  // the settings file is missing: the program ends after creation

  // ---- Read by tests ----
  browser::WebEngine& Browser() { return wb_; }
  const std::string& StatusText() const { return statusText_; }
  int StatusIcon() const;
  Gtk::Notebook& CategoryTabs() { return pcSites_; }
  GridWidget& SitesGrid() { return gs_; }
  bool SitesPanelShown() const { return listPnl_.get_visible(); }
  void ShowSitesPanel();
  void OpenGridRow(int tableRow);
  std::vector<std::string> TabCaptions() const;
  std::vector<std::string> LaunchMenuCaptions() const;
  std::string TabCaption(Gtk::Widget& sheet) const;

 private:
  // InputFilterTarget
  void PrintSequence() override { PrintClick(); }
  void PasswordClick() override { passwordClick(); }
  void PopupMenuAt(int xRoot, int yRoot) override;

  // SettingsHost
  void RequestQuit(const std::string& missingFile) override;
  void ConfigureReturnHomeTimer(std::int32_t intervalMs, bool enabled) override;
  void EnableMouseSampler(bool enabled) override;
  void RestartReturnHomeTimer() { ConfigureReturnHomeTimer(returnHomeInterval_, timReturnHome_.connected()); }

  void BuildLayout();
  void BuildToolBar();
  void BuildAddressAndLinks();
  void BuildMenus();
  void BuildStatusBar();
  void BuildCategories();
  void ConnectBrowser();
  void LoadImages();
  void Create(const std::vector<std::string>& args);

  void OnMessage(const PostedMessage& message);
  void AppendLaunchItems(const std::vector<LaunchMenuEntry>& entries);
  void GoHome();
  void RebuildCategories();
  void FillSitesGrid(const std::string& caption);
  void FoldSitesPanel();
  bool OnFoldTimer();
  bool OnTabsMotion(GdkEventMotion* event);
  bool OnMaskEnter(GdkEventCrossing* event);
  void PlaceCategories(bool atBottom);

  void OnBeforeNavigate(const std::string& address, const std::string& frame, bool& cancel);
  browser::WebEngine* OnNewWindow(bool& cancel);
  void DestroyClosedPopups();
  void OnDownloadComplete();
  void AutoInsertDomain();
  void LoadColumnWidths();
  bool LoadPictos();
  void LoadBackground();
  void AppendTab(const std::string& caption, int image);
  void SaveColumnWidths();
  void ScreenshotAfterHome();

  void AboutClick();
  void AutoNavigateClick();
  bool OnDemoTick();
  void AddressActivate();
  bool OnDeleteEvent(GdkEventAny* event);
  bool OnWindowState(GdkEventWindowState* event);
  bool OnKeyPreview(GdkEventKey* event);
  bool OnLogoButtonPress(GdkEventButton* event);
  void SetTaskBarHidden(bool hide);
  void CreateDesktopLock();
  bool OnStatusIconDraw(const Cairo::RefPtr<Cairo::Context>& cr);

  // Controls, top to bottom; pop-up windows lie over them.
  Gtk::Overlay popupLayer_;
  Gtk::Box root_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Box coolBar_{Gtk::ORIENTATION_VERTICAL};
  Gtk::Box band1_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Toolbar toolBar1_;
  Gtk::ToolButton backBtn_, forwardBtn_, stopBtn_, refreshBtn_, homeBtn_, printBtn_, mailBtn_;
  Gtk::MenuToolButton languageBtn_, toolsBtn_, launchBtn_;
  Gtk::ToolButton logoutBtn_;
  Gtk::EventBox panel1_;
  Gtk::Image anim_;
  Gtk::Box band2_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::Label addressBandText_, linkBandText_;
  Gtk::ComboBoxText urls_{true};
  Gtk::Toolbar toolLinks_;
  std::array<Gtk::ToolButton, 5> linkButtons_;
  Gtk::Overlay pnlBack_;
  browser::WebEngine wb_;
  Gtk::Frame listPnl_;
  GridWidget gs_;
  Gtk::EventBox pnlMask_;
  Gtk::Notebook pcSites_;
  Gtk::Box statusBar_{Gtk::ORIENTATION_HORIZONTAL};
  Gtk::DrawingArea statusIcon_;
  Gtk::Label statusLabel_;

  // Menus.
  Gtk::Menu pmenu_, addInListMenu_, helpMenu_, languagesMenu_, launchMenu_, gridMenu_, keyMenu_;
  Gtk::MenuItem password_, database_, addinlist_, options_, mnHelp_, helpEntry_, about_, quit_;
  Gtk::MenuItem thePage_, theDomain_, mnEdit_, mnNaviguate_, pkeyEdit_;
  Gtk::CheckMenuItem auto_, auto1_;
  Glib::RefPtr<Gtk::AccelGroup> accelerators_;

  // Pictures.
  std::vector<Glib::RefPtr<Gdk::Pixbuf>> statusImages_, siteImages_, logoFrames_, linkImages_;
  int logoFrame_ = 0;
  sigc::connection logoTimer_;

  // Timers (stopped at creation).
  sigc::connection tm_, stm_, timReturnHome_, tmouse_, tmDemo_, tabSwitch_, screenshot_;
  bool syncingDemoCheck_ = false;
  std::int32_t returnHomeInterval_ = 300000;
  int lastMouseX_ = 0, lastMouseY_ = 0;  // the pointer at the previous sample
  bool printDelayElapsed_ = false;
  bool printWaiting_ = false;
  bool screenshotTaken_ = false;

  std::vector<std::unique_ptr<TFIEPopup>> popups_;
  browser::WebEngine* activeBrowser_ = &wb_;
  bool freshSession_ = false;  // the coming return home clears the browsing data first
  bool forgetHistory_ = false;  // the page coming is the first of a fresh session

  std::unique_ptr<Gtk::Window> userMessage_;
  std::unique_ptr<Gtk::Window> help_;
  std::string statusText_;
  std::array<std::string, 5> linkCaptions_;
  int rowHeightUnit_ = 16;
  std::array<int, 4> columnWidths_{};  // 0: as designed

  TdWinlock dWinlock_;
  std::unique_ptr<browser::InputFilter> inputFilter_;
  ScreenSaverWatch screenSaver_;
  TPasswordDlg* passwordDlg_ = nullptr;  // while the dialog is open

  TDictionaryLoader dico_;
  std::vector<int> shownRows_;  // the sites grid's table rows, in display order
  int sortColumn_ = -1;
  bool sortDescending_ = false;
  MessageQueue queue_;
  std::unique_ptr<MessageSocket> socket_;
};

}  // namespace orbeta
