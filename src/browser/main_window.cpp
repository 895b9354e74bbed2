#include "browser/main_window.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "admin/admin_password.h"
#include "admin/password_dialog.h"
#include "app/input_rules.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_messages.h"
#include "browser/help_window.h"
#include "browser/picture_resources.h"
#include "browser/popup_window.h"
#include "kiosk/kiosk_setup.h"
#include "kiosk/launcher.h"
#include "language/dictionary.h"
#include "lists/download.h"
#include "lists/keyword_list.h"
#include "lists/list_loading.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "navigation/mail_handoff.h"
#include "navigation/visit_log.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/virtual_keys.h"
#include "platform/x11_dock.h"
#include "platform/x11_key_sender.h"

namespace orbeta {
namespace {

// Dictionary texts in the active language, as GTK wants them.
Glib::ustring T(int number) { return Cp1252ToUtf8(Dictionary().GetText(number)); }
Glib::ustring U(const std::string& text) { return Cp1252ToUtf8(text); }

constexpr char kColumnWidthsKey[] = "Orbeta\\ColSize";
constexpr int kGridColumns[] = {SiteRecord::Name, SiteRecord::Types, SiteRecord::Note, SiteRecord::HomePage};
constexpr int kGridTitles[] = {441, 444, 446, 445};
constexpr int kPrintDelayMs = 5000;
constexpr int kFoldMs = 300;
constexpr int kMouseSampleMs = 30000;
constexpr int kDemoMs = 15000;
constexpr int kTabsCursor = 8101;
constexpr int kMainHelpTopic = 10;

// What the desktop lock shows and asks when its library cannot be found.
DesktopLockHooks LockHooks() {
  DesktopLockHooks hooks;
  hooks.showMessage = [](const std::string& text) {
    Gtk::MessageDialog box(U(text), false, Gtk::MESSAGE_ERROR);
    box.run();
  };
  hooks.chooseLibraryFile = [] {
    Gtk::FileChooserDialog chooser("libdwlgina3.so", Gtk::FILE_CHOOSER_ACTION_OPEN);
    auto filter = Gtk::FileFilter::create();
    filter->set_name("libdwlgina3.so");
    filter->add_pattern("libdwlgina3.so");
    chooser.add_filter(filter);
    chooser.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    chooser.add_button("_Open", Gtk::RESPONSE_OK);
    return chooser.run() == Gtk::RESPONSE_OK ? chooser.get_filename() : std::string();
  };
  return hooks;
}

void SetToolButton(Gtk::ToolButton& button, const Glib::ustring& caption, const Glib::ustring& hint) {
  button.set_label(caption);
  button.set_tooltip_text(hint);
}

}  // namespace

TMainForm::TMainForm(const std::vector<std::string>& args)
    : dWinlock_(LockHooks()), queue_([this](const PostedMessage& message) { OnMessage(message); }) {
  set_title("Orbeta");
  SetSettingsHost(this);
  SetValidationStatus(this);
  BuildLayout();
  ConnectBrowser();
  Create(args);
  // Shown: after the tabs and the launcher menu, the home page.
  Post(WM_GOHOME);
  try {
    socket_ = std::make_unique<MessageSocket>(
        std::map<std::string, std::uint32_t>{{"closemain", WM_CLOSEMAIN}, {"gotosite", WM_GOTOSITE}},
        [this](std::uint32_t message) { Post(message); });
  } catch (const std::exception&) {
    // Another kiosk of this user listens already; this one simply takes no outside messages.
  }
}

TMainForm::~TMainForm() {
  SaveColumnWidths();
  // Timers and the tabs' handler would outlive the fields they use.
  for (sigc::connection* connection : {&tabSwitch_, &logoTimer_, &tm_, &stm_, &timReturnHome_, &tmouse_, &tmDemo_, &screenshot_})
    connection->disconnect();
  SetSettingsHost(nullptr);
  SetValidationStatus(nullptr);
  SetDownloadProgress(nullptr);
}

// ---- Creation ----

void TMainForm::Create(const std::vector<std::string>& args) {
  try {
    const auto screen = get_screen();
    move(0, 0);
    set_default_size(screen->get_width(), screen->get_height());
    ::chdir(ProgramDirectory().c_str());
    const ProxySettings proxy = ReadProxy();
    DownloadInfos.UseProxy = proxy.useProxy;
    DownloadInfos.ProxyHost = proxy.host;
    DownloadInfos.ProxyPort = proxy.port;
    dico_.SetRunTimeFileName(JoinPath(ProgramDirectory(), "Orbeta.stm"));
    dico_.SetDesignTimeFileName(JoinPath(ProgramDirectory(), "Orbeta.stm"));
    SettingsFile = GetSettingsFile();
    ReadSettings(SettingsFile);
    CreateDesktopLock();
    dico_.SetActiveLanguage(static_cast<TLanguage>(std::clamp(Settings.Language, 0, 0xFFFF)));
    LoadImages();
    LoadColumnWidths();
    ApplyInterfaceTexts();
    ApplyCommandLine(args);
    visitCount = 0;
    LoadKeywordList();
    LoadSiteList();
    Post(WM_BUILDTABS);
    ApplySettings();
    navigationState = nsAllowed;
    Post(WM_BUILDLAUNCHMENU);
  } catch (const std::exception& error) {
    Gtk::MessageDialog box(*this, U(error.what()), false, Gtk::MESSAGE_ERROR);
    box.run();
    // A window whose creation failed part-way still opens locked, never half unlocked.
    AdminMode = false;
    Settings.SecurityOff = false;
    ApplyLockState();
  }
}

void TMainForm::BuildLayout() {
  add(popupLayer_);
  popupLayer_.add(root_);
  BuildToolBar();
  BuildAddressAndLinks();
  root_.pack_start(coolBar_, Gtk::PACK_SHRINK);
  pnlBack_.add(wb_.Widget());
  listPnl_.add(gs_);
  listPnl_.set_no_show_all();
  listPnl_.set_halign(Gtk::ALIGN_FILL);
  pnlBack_.add_overlay(listPnl_);
  root_.pack_start(pnlBack_, Gtk::PACK_EXPAND_WIDGET);
  BuildCategories();
  BuildStatusBar();
  BuildMenus();
  signal_delete_event().connect(sigc::mem_fun(*this, &TMainForm::OnDeleteEvent), false);
  signal_window_state_event().connect(sigc::mem_fun(*this, &TMainForm::OnWindowState));
  signal_key_press_event().connect(sigc::mem_fun(*this, &TMainForm::OnKeyPreview), false);
  inputFilter_ = std::make_unique<browser::InputFilter>(*this);
  screenSaver_.SetScreenSaverRequest([this] { return ScreenSaverRequest(); });
  screenSaver_.SetMonitorPowerRequest([this] { return MonitorPowerRequest(); });
  show_all_children();
}

void TMainForm::BuildToolBar() {
  toolBar1_.set_toolbar_style(Gtk::TOOLBAR_BOTH);
  for (Gtk::ToolItem* item : std::initializer_list<Gtk::ToolItem*>{
           &backBtn_, &forwardBtn_, &stopBtn_, &refreshBtn_, &homeBtn_, &printBtn_, &mailBtn_,
           &languageBtn_, &toolsBtn_, &launchBtn_, &logoutBtn_})
    toolBar1_.append(*item);
  backBtn_.set_sensitive(false);
  forwardBtn_.set_sensitive(false);
  backBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::BackClick));
  forwardBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::ForwardClick));
  stopBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::StopClick));
  refreshBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::RefreshClick));
  homeBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::HomeClick));
  printBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::PrintClick));
  mailBtn_.signal_clicked().connect(sigc::mem_fun(*this, &TMainForm::MailClick));
  toolsBtn_.set_menu(pmenu_);
  toolsBtn_.signal_clicked().connect([this] { pmenu_.popup_at_widget(&toolsBtn_, Gdk::GRAVITY_SOUTH_WEST, Gdk::GRAVITY_NORTH_WEST, nullptr); });
  languageBtn_.set_menu(languagesMenu_);
  launchBtn_.set_menu(launchMenu_);
  launchBtn_.signal_clicked().connect([this] { launchMenu_.popup_at_widget(&launchBtn_, Gdk::GRAVITY_SOUTH_WEST, Gdk::GRAVITY_NORTH_WEST, nullptr); });
  logoutBtn_.signal_clicked().connect([] { LogindSessionLogoff().LogOff(); });
  logoutBtn_.set_no_show_all();
  band1_.pack_start(toolBar1_, Gtk::PACK_EXPAND_WIDGET);
  panel1_.override_background_color(Gdk::RGBA("black"));
  panel1_.set_size_request(39, 47);
  panel1_.add(anim_);
  panel1_.signal_button_press_event().connect(sigc::mem_fun(*this, &TMainForm::OnLogoButtonPress));
  band1_.pack_end(panel1_, Gtk::PACK_SHRINK);
  coolBar_.pack_start(band1_, Gtk::PACK_SHRINK);
}

void TMainForm::BuildAddressAndLinks() {
  urls_.get_entry()->signal_activate().connect(sigc::mem_fun(*this, &TMainForm::AddressActivate));
  urls_.signal_changed().connect([this] {
    if (urls_.get_active_row_number() >= 0) AddressActivate();
  });
  urls_.set_size_request(392, -1);
  band2_.pack_start(addressBandText_, Gtk::PACK_SHRINK, 4);
  band2_.pack_start(urls_, Gtk::PACK_SHRINK);
  band2_.pack_start(linkBandText_, Gtk::PACK_SHRINK, 4);
  toolLinks_.set_toolbar_style(Gtk::TOOLBAR_BOTH_HORIZ);
  for (int i = 0; i < 5; ++i) {
    linkButtons_[i].set_is_important(true);
    linkButtons_[i].signal_clicked().connect([this, i] { LinkClick(i); });
    toolLinks_.append(linkButtons_[i]);
  }
  band2_.pack_start(toolLinks_, Gtk::PACK_EXPAND_WIDGET);
  coolBar_.pack_start(band2_, Gtk::PACK_SHRINK);
}

void TMainForm::BuildCategories() {
  pcSites_.set_show_border(false);
  pcSites_.set_scrollable(true);
  pcSites_.set_no_show_all();
  // The category tabs have a cursor of their own, and are drawn as buttons when asked.
  pcSites_.signal_realize().connect([this] {
    if (auto cursor = browser::LoadCursorResource(kTabsCursor)) pcSites_.get_window()->set_cursor(cursor);
  });
  auto buttonTabs = Gtk::CssProvider::create();
  buttonTabs->load_from_data(
      "notebook.buttons header tab { border: 1px solid alpha(black, 0.35); border-radius: 4px; margin: 2px;"
      " padding: 2px 8px; background-image: linear-gradient(to bottom, #fafafa, #dcdcdc); }"
      "notebook.buttons header tab:checked { background-image: linear-gradient(to bottom, #c8d8ec, #a8bfdc); }");
  pcSites_.get_style_context()->add_provider(buttonTabs, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  pcSites_.add_events(Gdk::POINTER_MOTION_MASK);
  pcSites_.signal_motion_notify_event().connect(sigc::mem_fun(*this, &TMainForm::OnTabsMotion));
  tabSwitch_ = pcSites_.signal_switch_page().connect(
      [this](Gtk::Widget* sheet, guint) { FillSitesGrid(TabCaption(*sheet)); });
  pnlMask_.set_size_request(-1, 3);
  pnlMask_.set_no_show_all();
  pnlMask_.add_events(Gdk::ENTER_NOTIFY_MASK);
  pnlMask_.signal_enter_notify_event().connect(sigc::mem_fun(*this, &TMainForm::OnMaskEnter));
  root_.pack_start(pnlMask_, Gtk::PACK_SHRINK);
  root_.pack_start(pcSites_, Gtk::PACK_SHRINK);
  gs_.signal_row_activated().connect(sigc::mem_fun(*this, &TMainForm::OpenGridRow));
  gs_.signal_selection_changed().connect([this](int row) {
    if (row > 0 && row < SiteList.RowCount()) LastUrl = SiteList.Cell(SiteRecord::HomePage, row);
  });
  gs_.signal_hint().connect([this](int row) {
    if (row > 0 && row < SiteList.RowCount())
      SetStatusText(SiteList.Cell(SiteRecord::Name, row) + " [" + SiteList.Cell(SiteRecord::Types, row) + "]",
                    false);
  });
  gs_.signal_title_clicked().connect([this](int column) {
    // Sorts what the grid shows; the list itself keeps the order its rules need.
    sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
    sortColumn_ = column;
    const int tableColumn = kGridColumns[column];
    std::stable_sort(shownRows_.begin(), shownRows_.end(), [&](int a, int b) {
      const int order = CompareListTexts(SiteList.Cell(tableColumn, a), SiteList.Cell(tableColumn, b));
      return sortDescending_ ? order > 0 : order < 0;
    });
    gs_.SetRows(shownRows_);
  });
  tm_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &TMainForm::OnFoldTimer), kFoldMs);
  tm_.block();
}

void TMainForm::BuildStatusBar() {
  statusIcon_.set_size_request(20, 20);
  statusIcon_.signal_draw().connect(sigc::mem_fun(*this, &TMainForm::OnStatusIconDraw));
  statusLabel_.set_xalign(0);
  statusLabel_.set_ellipsize(Pango::ELLIPSIZE_END);
  statusBar_.pack_start(statusIcon_, Gtk::PACK_SHRINK, 2);
  statusBar_.pack_start(statusLabel_, Gtk::PACK_EXPAND_WIDGET, 4);
  root_.pack_end(statusBar_, Gtk::PACK_SHRINK);
}

void TMainForm::BuildMenus() {
  accelerators_ = Gtk::AccelGroup::create();
  add_accel_group(accelerators_);
  const auto key = [this](Gtk::MenuItem& item, guint keyval, Gdk::ModifierType mods = Gdk::ModifierType(0)) {
    item.add_accelerator("activate", accelerators_, keyval, mods, Gtk::ACCEL_VISIBLE);
  };
  for (Gtk::MenuItem* item : std::initializer_list<Gtk::MenuItem*>{&password_, &database_, &addinlist_, &options_,
                                                                    &auto1_, &mnHelp_, &about_, &quit_})
    pmenu_.append(*item);
  addInListMenu_.append(thePage_);
  addInListMenu_.append(theDomain_);
  addInListMenu_.append(auto_);
  addinlist_.set_submenu(addInListMenu_);
  helpMenu_.append(helpEntry_);
  mnHelp_.set_submenu(helpMenu_);
  key(password_, GDK_KEY_F8);
  key(database_, GDK_KEY_F9);
  key(options_, GDK_KEY_F10);
  key(auto1_, GDK_KEY_F12);
  key(helpEntry_, GDK_KEY_F1);
  key(thePage_, GDK_KEY_p, Gdk::CONTROL_MASK);
  key(theDomain_, GDK_KEY_d, Gdk::CONTROL_MASK);
  about_.signal_activate().connect(sigc::mem_fun(*this, &TMainForm::AboutClick));
  password_.signal_activate().connect(sigc::mem_fun(*this, &TMainForm::passwordClick));
  options_.signal_activate().connect(sigc::mem_fun(*this, &TMainForm::optionsClick));
  auto1_.signal_activate().connect(sigc::mem_fun(*this, &TMainForm::AutoNavigateClick));
  helpEntry_.signal_activate().connect([this] { ShowHelp(kMainHelpTopic); });
  quit_.signal_activate().connect([this] { close(); });
  gridMenu_.append(mnEdit_);
  gridMenu_.append(mnNaviguate_);
  mnNaviguate_.signal_activate().connect([this] { OpenGridRow(gs_.SelectedRow()); });
  keyMenu_.append(pkeyEdit_);
  for (Gtk::Menu* menu : {&pmenu_, &addInListMenu_, &helpMenu_, &gridMenu_, &keyMenu_}) menu->show_all();
}

void TMainForm::ConnectBrowser() {
  wb_.BeforeNavigate = [this](const std::string& address, const std::string& frame, bool& cancel) {
    OnBeforeNavigate(address, frame, cancel);
  };
  wb_.NewWindow = [this](const std::string&, bool& cancel) { return OnNewWindow(cancel); };
  wb_.Widget().signal_focus_in_event().connect([this](GdkEventFocus*) {
    activeBrowser_ = &wb_;
    return false;
  });
  wb_.StatusTextChange = [this](const std::string& text) {
    SetStatusText(text, false);
    LastUrl = text;
  };
  wb_.TitleChange = [](const std::string& title) { PendingSite.Name = title; };
  wb_.DownloadBegin = [this] {
    if (logoFrames_.empty()) return;
    logoTimer_.disconnect();
    logoTimer_ = Glib::signal_timeout().connect(
        [this] {
          logoFrame_ = (logoFrame_ + 1) % static_cast<int>(logoFrames_.size());
          anim_.set(logoFrames_[logoFrame_]);
          return true;
        },
        1000 / 15);
  };
  wb_.DownloadComplete = [this] { OnDownloadComplete(); };
  wb_.DocumentComplete = [this] {
    // The first page of a fresh session is the start of its history.
    if (std::exchange(forgetHistory_, false)) {
      wb_.ForgetHistory();
      backBtn_.set_sensitive(false);
      forwardBtn_.set_sensitive(false);
    }
    urls_.get_entry()->set_text(U(wb_.Location()));
    ScreenshotAfterHome();
  };
  // A page may not close the kiosk's browser, and no menu of the engine is shown.
  wb_.WindowClosing = [](bool& cancel) { cancel = true; };
  wb_.ContextMenu = [](int, int, bool& cancel) { cancel = true; };
  wb_.SetDownloadFolder(JoinPath(ProgramDirectory(), "downloads"));
}

void TMainForm::LoadImages() {
  using namespace browser;
  statusImages_ = CutStrip(LoadPicResource("LEDS"), kLedImageSize);
  siteImages_ = CutStrip(LoadPicResource("PICTSYS"), kPictoImageSize);
  logoFrames_ = CutStrip(LoadPicResource("LOGO_ANIM"), kLogoFrameWidth);
  if (!logoFrames_.empty()) anim_.set(logoFrames_[0]);
  gs_.SetImages(siteImages_);
  const auto tools = CutStrip(LoadPicResource("TOOLBAR_MAIN"), kMainToolImageSize);
  struct ButtonImage {
    Gtk::ToolButton* button;
    std::size_t image;
  };
  for (const ButtonImage& b : {ButtonImage{&backBtn_, 0}, {&forwardBtn_, 1}, {&stopBtn_, 2}, {&refreshBtn_, 3},
                               {&homeBtn_, 4}, {&printBtn_, 7}, {&mailBtn_, 8}, {&languageBtn_, 10},
                               {&toolsBtn_, 11}, {&logoutBtn_, 13}, {&launchBtn_, 14}})
    if (b.image < tools.size()) {
      auto* icon = Gtk::make_managed<Gtk::Image>(tools[b.image]);
      icon->show();
      b.button->set_icon_widget(*icon);
    }
  linkImages_ = CutStrip(LoadPicResource("LINKS"), kLinkImageSize);
}

// ---- Settings and texts ----

void TMainForm::ApplySettings() {
  if (dico_.ActiveLanguage() != Settings.Language && Settings.Language > 0 && Settings.Language <= 0xFFFF) {
    dico_.SetActiveLanguage(static_cast<TLanguage>(Settings.Language));
    Post(WM_TRANSLATE);
  }
  set_title(U(Settings.ApplicationName));
  if (!Settings.IconFile.empty() && FileExists(ResolveFileName(Settings.IconFile))) {
    try {
      set_icon_from_file(ResolveFileName(Settings.IconFile));
    } catch (const Glib::Error&) {
    }
  }
  LoadBackground();
  const WindowLayout layout = ComputeWindowLayout(Settings, linkCaptions_);
  printBtn_.set_visible(layout.printButton);
  mailBtn_.set_visible(layout.mailButton);
  logoutBtn_.set_visible(layout.logoutButton);
  launchBtn_.set_visible(layout.launchButton);
  for (Gtk::ToolItem* item : std::initializer_list<Gtk::ToolItem*>{&backBtn_, &forwardBtn_, &stopBtn_, &refreshBtn_,
                                                                    &homeBtn_, &printBtn_, &mailBtn_})
    item->set_size_request(layout.toolButtonWidth, -1);
  backBtn_.set_visible(layout.backForwardButtons);
  forwardBtn_.set_visible(layout.backForwardButtons);
  refreshBtn_.set_visible(layout.refreshButton);
  languageBtn_.set_visible(layout.languageButton);
  coolBar_.set_visible(layout.toolBar);
  statusBar_.set_visible(layout.statusBar);
  PlaceCategories(layout.tabsAtBottom);
  if (Settings.UseButtons)
    pcSites_.get_style_context()->add_class("buttons");
  else
    pcSites_.get_style_context()->remove_class("buttons");
  pcSites_.set_visible(layout.tabBar);
  pnlMask_.set_visible(layout.maskStrip);
  for (int i = 0; i < 5; ++i) {
    const LinkButtonLayout& link = layout.linkButtons[i];
    linkButtons_[i].set_sensitive(link.enabled);
    linkButtons_[i].set_has_tooltip(link.showHint);
    if (static_cast<std::size_t>(link.image) < linkImages_.size())
      linkButtons_[i].set_icon_widget(*Gtk::make_managed<Gtk::Image>(linkImages_[link.image]));
  }
  toolLinks_.show_all();
  band2_.set_visible(layout.addressAndLinkBands);
  if (!Settings.PictosFileName.empty() && FileExists(ResolveFileName(Settings.PictosFileName))) LoadPictos();
  ApplyLockState();
  ApplyBrowserSecuritySettings(Settings);
  if (!Settings.MovieFile.empty() && FileExists(ResolveFileName(Settings.MovieFile))) {
    // A file that is there but no picture raises an error out of here.
    logoFrames_ = browser::CutStrip(Gdk::Pixbuf::create_from_file(ResolveFileName(Settings.MovieFile)),
                                    browser::kLogoFrameWidth);
    if (!logoFrames_.empty()) anim_.set(logoFrames_[logoFrame_ = 0]);
  }
  if (!Settings.SecurityOff && !Settings.SiteControlOff) SortSiteList(SiteRecord::HomePage);
  statusIcon_.queue_draw();
}

void TMainForm::ApplyInterfaceTexts() {
  struct ButtonText {
    Gtk::ToolButton* button;
    int caption, hint;
  };
  for (const ButtonText& b : {ButtonText{&backBtn_, 100, 120}, {&forwardBtn_, 101, 121}, {&stopBtn_, 102, 122},
                              {&refreshBtn_, 103, 123}, {&homeBtn_, 104, 124}, {&printBtn_, 107, 126},
                              {&mailBtn_, 108, 128}, {&languageBtn_, 137, 139}, {&toolsBtn_, 136, 138},
                              {&logoutBtn_, 762, 763}, {&launchBtn_, 774, 775}})
    SetToolButton(*b.button, T(b.caption), T(b.hint));
  urls_.set_tooltip_text(T(130));
  linkBandText_.set_text(T(131));
  addressBandText_.set_text(T(132));
  struct MenuText {
    Gtk::MenuItem* item;
    int caption;
  };
  for (const MenuText& m : {MenuText{&password_, 162}, {&database_, 163}, {&addinlist_, 164}, {&options_, 165},
                            {&quit_, 166}, {&thePage_, 167}, {&theDomain_, 168}, {&auto_, 169}, {&mnHelp_, 170},
                            {&helpEntry_, 173}, {&auto1_, 758}, {&mnEdit_, 217}, {&mnNaviguate_, 218},
                            {&pkeyEdit_, 217}})
    m.item->set_label(T(m.caption));
  about_.set_label(T(160) + " Orbeta" + T(135));
  for (int i = 0; i < 5; ++i) {
    linkCaptions_[i] = Settings.LinkButtons[i].Name;
    SetToolButton(linkButtons_[i], U(Settings.LinkButtons[i].Name), U(Settings.LinkButtons[i].URL));
  }
}

void TMainForm::ApplyLockState() {
  const bool unlocked = IsUnlocked();
  for (Gtk::Widget* item : std::initializer_list<Gtk::Widget*>{&options_, &database_, &addinlist_, &mnHelp_, &mnEdit_,
                                                                &pkeyEdit_, &about_, &auto1_})
    item->set_sensitive(unlocked);
  toolsBtn_.set_visible(unlocked);
  quit_.set_sensitive(unlocked || Settings.UserCanQuit);
  wb_.SetLocked(!unlocked);
  const auto setTaskBar = [this](bool hide) { SetTaskBarHidden(hide); };
  if (unlocked)
    ReleaseLock(dWinlock_, setTaskBar);
  else if (!Settings.UserCanQuit)
    // A failing library call leaves the kiosk locked all the same: the window's own filter
    // and commands follow the state, not the library.
    EngageLock(dWinlock_, Settings, setTaskBar);
}

// ---- Lock-down ----

// The desktop lock is created once the settings are read: a kiosk that lets visitors quit
// leaves the desktop's task bar alone. Key reports come in every state.
void TMainForm::CreateDesktopLock() {
  dWinlock_.Create([this](std::uintptr_t, std::uint16_t key, std::uint16_t) { OnLockKeyDown(key); },
                   Settings.UserCanQuit);
}

void TMainForm::SetTaskBarHidden(bool hide) {
  if (auto* display = XDisplayOf(get_display()->gobj())) SetDockWindowsShown(display, !hide);
}

bool TMainForm::FilterActive() { return InputFilterActive(); }

// The menu opens where the pointer is, which is where the button went down.
void TMainForm::PopupMenuAt(int, int) { PopupMenuAtPointer(); }

void TMainForm::passwordClick() {
  {
    TPasswordDlg dialog(*this, PasswordDlgHooks{[this] { ReturnHomeForInactivity(); }});
    passwordDlg_ = &dialog;
    dialog.ShowModal();
    passwordDlg_ = nullptr;
  }
  ApplyLockState();
  statusBar_.queue_draw();
  statusIcon_.queue_draw();
}

// The settings dialog itself comes with the settings editor; what follows its OK is here.
void TMainForm::optionsClick() {
  if (!IsUnlocked()) return;
  RebuildLaunchMenu();
  if (ListFilesChanged) {
    LoadKeywordList();
    LoadSiteList();
    Post(WM_BUILDTABS);
  } else if (KeywordsChanged) {
    Post(WM_BUILDTABS);
  } else if (SitesChanged) {
    Post(WM_FILLGRID);
  }
}

void TMainForm::OnLockKeyDown(std::uint16_t key) {
  for (const KeyReportAction& action : KeyReportActions(key, IsUnlocked(), Settings)) {
    switch (action.kind) {
      case KeyReportAction::ClickBack:
        if (backBtn_.get_sensitive()) BackClick();
        break;
      case KeyReportAction::ClickForward:
        if (forwardBtn_.get_sensitive()) ForwardClick();
        break;
      case KeyReportAction::ClickHome: HomeClick(); break;
      case KeyReportAction::ClickStop: StopClick(); break;
      case KeyReportAction::ClickRefresh: RefreshClick(); break;
      case KeyReportAction::ClickLink: LinkClick(action.link - 1); break;
      case KeyReportAction::RestartReturnHomeTimer:
        RestartReturnHomeTimer();
        break;
    }
  }
}

// The window the visitor works in answers: the password dialog, an active pop-up, or the
// main window's own rule.
bool TMainForm::ScreenSaverRequest() {
  if (passwordDlg_) return passwordDlg_->ScreenSaverRequest();
  if (TFIEPopup* popup = ActivePopup()) return popup->ScreenSaverRequest();
  return DropsSystemCommand(Settings, AdminMode, SystemCommand::kScreenSave);
}

bool TMainForm::MonitorPowerRequest() {
  return DropsSystemCommand(Settings, AdminMode, SystemCommand::kMonitorPower);
}

// The key preview: a Windows key is answered with Alt presses so that it opens nothing, and
// Alt with an arrow walks the history.
bool TMainForm::OnKeyPreview(GdkEventKey* event) {
  const auto state = static_cast<Gdk::ModifierType>(event->state);
  const bool ctrl = (state & Gdk::CONTROL_MASK) != 0, shift = (state & Gdk::SHIFT_MASK) != 0;
  const bool alt = (state & Gdk::MOD1_MASK) != 0;
  switch (PreviewKey(vk::FromKeysym(event->keyval), ctrl, shift, alt)) {
    case KeyPreviewAction::SendAltPresses:
      SendAltPresses(XDisplayOf(get_display()->gobj()), 5);
      return true;
    case KeyPreviewAction::Back:
      if (backBtn_.get_sensitive()) BackClick();
      return true;
    case KeyPreviewAction::Forward:
      if (forwardBtn_.get_sensitive()) ForwardClick();
      return true;
    case KeyPreviewAction::None: break;
  }
  return false;
}

bool TMainForm::OnLogoButtonPress(GdkEventButton* event) {
  const auto state = static_cast<Gdk::ModifierType>(event->state);
  LogoPress press;
  press.button = event->button;
  press.otherButtonHeld = (state & (Gdk::BUTTON1_MASK | Gdk::BUTTON2_MASK | Gdk::BUTTON3_MASK)) != 0;
  press.ctrl = (state & Gdk::CONTROL_MASK) != 0;
  press.shift = (state & Gdk::SHIFT_MASK) != 0;
  press.alt = (state & Gdk::MOD1_MASK) != 0;
  press.doubleClick = event->type == GDK_2BUTTON_PRESS;
  switch (LogoGesture(press, Settings.HotKeyUnlock)) {
    case LogoAction::Unlock:
      AdminMode = true;
      ApplyLockState();
      Beep();
      statusIcon_.queue_draw();
      return true;
    case LogoAction::PasswordDialog:
      passwordClick();
      return true;
    case LogoAction::None: break;
  }
  return false;
}

// A minimised or maximised window is put back unless the command may pass.
bool TMainForm::OnWindowState(GdkEventWindowState* event) {
  const auto changed = event->changed_mask & event->new_window_state;
  if ((changed & GDK_WINDOW_STATE_ICONIFIED) && DropsSystemCommand(Settings, AdminMode, SystemCommand::kMinimize))
    deiconify();
  if ((changed & GDK_WINDOW_STATE_MAXIMIZED) && DropsSystemCommand(Settings, AdminMode, SystemCommand::kMaximize))
    unmaximize();
  return false;
}

// ---- Status bar ----

void TMainForm::SetStatusText(const std::string& text, bool refresh) {
  statusText_ = text;
  statusLabel_.set_text(U(text));
  if (refresh) {
    statusBar_.queue_draw();
    statusIcon_.queue_draw();
  }
}

int TMainForm::StatusIcon() const { return StatusIconIndex(AdminMode, Settings.SiteControlOff, navigationState); }

bool TMainForm::OnStatusIconDraw(const Cairo::RefPtr<Cairo::Context>& cr) {
  const auto index = static_cast<std::size_t>(StatusIcon());
  if (index < statusImages_.size()) {
    Gdk::Cairo::set_source_pixbuf(cr, statusImages_[index], 1, 1);
    cr->paint();
  }
  return true;
}

// ---- Navigation ----

void TMainForm::RunLauncherLink(const std::string& url) {
  LauncherHooks hooks;
  // The program runs already: the kiosk steps back so that its window shows.
  hooks.sendMainWindowToBack = [this] {
    if (auto window = get_window()) window->lower();
  };
  orbeta::RunLauncherLink(url, hooks);
}

void TMainForm::NavigateTo() {
  if (TFIEPopup* popup = ActivePopup()) popup->Close();
  activeBrowser_ = &wb_;
  LastUrl = PendingUrl;
  try {
    wb_.Navigate(PendingUrl);
  } catch (const std::exception&) {
    SetStatusText(Dictionary().GetText(184), false);
  }
}

void TMainForm::OnBeforeNavigate(const std::string& address, const std::string& frame, bool& cancel) {
  const NavigationDecision decision = FilterMainNavigation(*this, address, frame, JavaScriptFlag);
  cancel = CancelsNavigation(decision);
  if (EnablesBackButton(decision) && !backBtn_.get_sensitive()) backBtn_.set_sensitive(true);
  statusIcon_.queue_draw();
}

// A page that asks for a window before anything happened in the kiosk gets none.
browser::WebEngine* TMainForm::OnNewWindow(bool& cancel) {
  if (LastUrl.empty()) {
    cancel = true;
    return nullptr;
  }
  return &CreatePopupWindow().TWB();
}

// ---- Pop-up windows ----

TFIEPopup& TMainForm::CreatePopupWindow() {
  popups_.push_back(std::make_unique<TFIEPopup>(*this));
  TFIEPopup& popup = *popups_.back();
  int left = 0, top = 0;
  wb_.Widget().translate_coordinates(popupLayer_, 0, 0, left, top);
  popup.set_margin_start(std::max(0, left));
  popup.set_margin_top(std::max(0, top + coolBar_.get_allocated_height()));
  popupLayer_.add_overlay(popup);
  activeBrowser_ = &popup.TWB();
  return popup;
}

void TMainForm::PopupActivated(TFIEPopup& popup) {
  activeBrowser_ = &popup.TWB();
  popupLayer_.reorder_overlay(popup, -1);
}

void TMainForm::PopupClosed(TFIEPopup& popup) {
  if (activeBrowser_ == &popup.TWB()) activeBrowser_ = &wb_;
  // The pop-up may be inside a handler of its own browser: it goes on the next turn.
  Glib::signal_idle().connect_once(sigc::mem_fun(*this, &TMainForm::DestroyClosedPopups));
}

void TMainForm::DestroyClosedPopups() {
  std::erase_if(popups_, [this](const std::unique_ptr<TFIEPopup>& popup) {
    if (!popup->Closing()) return false;
    static_cast<Gtk::Container&>(popupLayer_).remove(*popup);
    return true;
  });
}

TFIEPopup* TMainForm::ActivePopup() const {
  for (const auto& popup : popups_)
    if (&popup->TWB() == activeBrowser_ && !popup->Closing()) return popup.get();
  return nullptr;
}

std::vector<TFIEPopup*> TMainForm::Popups() const {
  std::vector<TFIEPopup*> open;
  for (const auto& popup : popups_)
    if (!popup->Closing()) open.push_back(popup.get());
  return open;
}

void TMainForm::OpenInMainBrowser(const std::string& address) {
  PendingUrl = address;
  NavigateTo();
}

void TMainForm::PopupMenuAtPointer() { pmenu_.popup_at_pointer(nullptr); }

void TMainForm::ReturnHomeForInactivity() {
  freshSession_ = true;
  Post(WM_GOHOME);
}

void TMainForm::OnDownloadComplete() {
  logoTimer_.disconnect();
  if (!logoFrames_.empty()) anim_.set(logoFrames_[logoFrame_ = 0]);
  AutoInsertDomain();
}

void TMainForm::AutoInsertDomain() {
  if (!AdminMode || !auto_.get_active() || FindDomainRow(PendingSite.Domain)) return;
  PendingSite.Name = Dictionary().GetText(185);
  PendingSite.Offered = false;
  PendingSite.Types.clear();
  PendingSite.Note = Dictionary().GetText(179);
  AddSiteRow(PendingSite);
  SetStatusText(Dictionary().GetText(181) + " " + PendingSite.Domain + " " + Dictionary().GetText(182), false);
}

void TMainForm::GoHome() {
  CloseAllPopups();
  const auto openHome = [this] {
    PendingUrl = Settings.HomePage.empty() ? std::string("about:blank") : Settings.HomePage;
    NavigateTo();
  };
  if (!std::exchange(freshSession_, false) || !Settings.ClearSession) return openHome();
  // Cookies, storage, cache and history of the last visitor go before the home page opens.
  wb_.ClearBrowsingData([this, openHome] {
    forgetHistory_ = true;
    openHome();
  });
}

// Closes the pop-up windows from the topmost down, up to the first child that is not one.
void TMainForm::CloseAllPopups() {
  const std::vector<Gtk::Widget*> children = popupLayer_.get_children();
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    if ((*child)->get_name() != TFIEPopup::kClassName) break;
    static_cast<TFIEPopup*>(*child)->Close();
  }
}

void TMainForm::AddressActivate() {
  // The engine takes a typed host without a scheme as a web address.
  PendingUrl = Utf8ToCp1252(urls_.get_entry()->get_text().raw());
  NavigateTo();
}

void TMainForm::LinkClick(int index) {
  const std::string& url = Settings.LinkButtons[index].URL;
  if (url.empty()) return;
  PendingUrl = url;
  NavigateTo();
}

void TMainForm::StopClick() {
  wb_.Stop();
  OnDownloadComplete();
}

void TMainForm::BackClick() {
  try {
    wb_.GoBack();
    if (!forwardBtn_.get_sensitive()) forwardBtn_.set_sensitive(true);
  } catch (const std::exception&) {
    backBtn_.set_sensitive(false);
  }
}

void TMainForm::ForwardClick() {
  try {
    wb_.GoForward();
    if (!backBtn_.get_sensitive()) backBtn_.set_sensitive(true);
  } catch (const std::exception&) {
    forwardBtn_.set_sensitive(false);
  }
}

// ---- Printing, messages to the visitor, about box ----

void TMainForm::PrintClick() {
  ShowUserMessage(Dictionary().GetText(249));
  printBtn_.set_sensitive(false);
  if (!printWaiting_) {
    printWaiting_ = true;
    printDelayElapsed_ = false;
    stm_ = Glib::signal_timeout().connect(
        [this] {
          printDelayElapsed_ = true;
          return false;
        },
        kPrintDelayMs);
    while (!printDelayElapsed_) Gtk::Main::iteration();
    printWaiting_ = false;
    // Silent: to the default printer, or into the file a kiosk without printer names.
    if (const char* file = std::getenv("ORBETA_PRINT_FILE"); file && *file)
      wb_.PrintToFile(file);
    else
      wb_.Print();
  }
  printBtn_.set_sensitive(true);
  HideUserMessage();
}

void TMainForm::ShowUserMessage(const std::string& text) {
  if (!userMessage_) {
    userMessage_ = std::make_unique<Gtk::Window>(Gtk::WINDOW_POPUP);
    userMessage_->set_transient_for(*this);
    userMessage_->set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
    userMessage_->set_default_size(310, 72);
    userMessage_->set_border_width(3);
  }
  userMessage_->remove();
  auto* label = Gtk::make_managed<Gtk::Label>();
  label->set_markup("<b>" + Glib::Markup::escape_text(U(text)) + "</b>");
  userMessage_->add(*label);
  userMessage_->show_all();
}

void TMainForm::HideUserMessage() { userMessage_.reset(); }

void TMainForm::AboutClick() {
  Gtk::Dialog box(T(160) + " Orbeta" + T(135), *this, true);
  auto& area = *box.get_content_area();
  area.set_spacing(6);
  area.set_border_width(12);
  auto* logo = Gtk::make_managed<Gtk::Image>();
  browser::LoadPicResource(1001, *logo);
  area.pack_start(*logo, Gtk::PACK_SHRINK);
  struct utsname system {};
  ::uname(&system);
  struct sysinfo memory {};
  ::sysinfo(&memory);
  const unsigned long long kb = static_cast<unsigned long long>(memory.totalram) * memory.mem_unit / 1024;
  for (const Glib::ustring& line :
       {T(205) + ORBETA_VERSION, T(206) + ORBETA_VERSION,
        Glib::ustring(system.sysname) + " " + system.release, T(209) + Glib::ustring::format(std::fixed, kb) + " KB",
        Glib::ustring("WebKitGTK ") + browser::WebEngine::BrowserVersion(), T(207) + "Orbeta kiosk team",
        T(208) + "WebKitGTK and GTK"})
    area.pack_start(*Gtk::make_managed<Gtk::Label>(line), Gtk::PACK_SHRINK);
  box.add_button(T(200), Gtk::RESPONSE_OK);
  box.show_all();
  box.run();
}

// Help is for administrators: it shows only while security is off.
void TMainForm::ShowHelp(int topic) {
  if (!Settings.SecurityOff) return;
  help_ = std::make_unique<THelpWindow>(*this, topic);
}

void TMainForm::RebuildLaunchMenu() {
  for (Gtk::Widget* child : launchMenu_.get_children()) launchMenu_.remove(*child);
  AppendLaunchItems(LaunchMenuEntries(false));
}

void TMainForm::AppendLaunchItems(const std::vector<LaunchMenuEntry>& entries) {
  for (const LaunchMenuEntry& entry : entries) {
    auto* item = Gtk::make_managed<Gtk::MenuItem>(U(entry.name));
    item->signal_activate().connect([slot = entry.slot] { StartLaunchProgram(slot); });
    launchMenu_.append(*item);
  }
  launchMenu_.show_all();
}

// ---- Private messages ----

void TMainForm::OnMessage(const PostedMessage& message) {
  switch (message.message) {
    case WM_GOHOME: GoHome(); break;
    case WM_BUILDTABS:
      RebuildCategories();
      FillSitesGrid(Dictionary().GetText(133));
      break;
    case WM_FILLGRID: {
      const int page = pcSites_.get_current_page();
      if (page >= 0) FillSitesGrid(TabCaption(*pcSites_.get_nth_page(page)));
      break;
    }
    case WM_TRANSLATE: ApplyInterfaceTexts(); break;
    case WM_CLOSEMAIN: close(); break;
    case WM_GOTOSITE:
      PendingUrl = PendingSite.HomePage;
      NavigateTo();
      break;
    case WM_BUILDLAUNCHMENU:
      if (Settings.CanLaunchPrograms) AppendLaunchItems(LaunchMenuEntries(true));
      break;
    default: break;
  }
}

// ---- Categories and the sites grid ----

// A tab: its caption, with the category's picture before it when tabs show pictures.
void TMainForm::AppendTab(const std::string& caption, int image) {
  auto* label = Gtk::make_managed<Gtk::Box>(Gtk::ORIENTATION_HORIZONTAL, 4);
  const bool pictured = Settings.UseTabPictos && image >= 0 && static_cast<std::size_t>(image) < siteImages_.size();
  if (pictured) label->pack_start(*Gtk::make_managed<Gtk::Image>(siteImages_[image]), Gtk::PACK_SHRINK);
  label->pack_start(*Gtk::make_managed<Gtk::Label>(U(caption)), Gtk::PACK_SHRINK);
  label->show_all();
  auto* sheet = Gtk::make_managed<Gtk::Box>();
  pcSites_.append_page(*sheet, *label);
  pcSites_.set_menu_label_text(*sheet, U(caption));
}

void TMainForm::RebuildCategories() {
  KeywordsChanged = false;
  tabSwitch_.block();
  while (pcSites_.get_n_pages() > 0) pcSites_.remove_page(-1);
  constexpr int kAllTabImage = 5;
  AppendTab(Dictionary().GetText(133), kAllTabImage);
  for (int row = 1; row < KeywordList.RowCount(); ++row) {
    if (CellNumber(KeywordList.Cell(KeywordRecord::Hidden, row)) == 1) continue;
    AppendTab(KeywordList.Cell(KeywordRecord::Word, row), CellNumber(KeywordList.Cell(KeywordRecord::IconNumber, row)));
  }
  // The row height unit follows the tab pictures' height.
  if (Settings.UseTabPictos && siteImages_.size() > kAllTabImage) rowHeightUnit_ = siteImages_[kAllTabImage]->get_height();
  pcSites_.show_all_children();
  pcSites_.set_current_page(0);
  tabSwitch_.unblock();
}

void TMainForm::FillSitesGrid(const std::string& caption) {
  const bool all = caption == Dictionary().GetText(133);
  const std::string code = all ? std::string() : CodeOfWord(caption);
  shownRows_ = ListCategorySites(all ? std::nullopt : std::optional<std::string_view>(code));
  sortColumn_ = -1;
  std::vector<std::string> titles;
  for (int title : kGridTitles) titles.push_back(Dictionary().GetText(title));
  gs_.SetSource(SiteList, {std::begin(kGridColumns), std::end(kGridColumns)});
  gs_.SetRows(shownRows_);
  gs_.SetTitles(titles);
  gs_.SetBoldColumn(0);
  gs_.SetStriped(true);
  gs_.SetSearchColumn(0);
  gs_.SetColumnHidden(1, Settings.HideTypeColumn);
  gs_.SetColumnHidden(2, Settings.HideNotesColumn);
  gs_.SetColumnHidden(3, Settings.HideUrlColumn);
  gs_.SetRowHeight(Settings.UseGridPictos ? 18 : rowHeightUnit_);
  for (std::size_t column = 0; column < columnWidths_.size(); ++column)
    if (columnWidths_[column] > 0) gs_.SetColumnWidth(static_cast<int>(column), columnWidths_[column]);
  SitesChanged = false;
}

std::string TMainForm::TabCaption(Gtk::Widget& sheet) const {
  return Utf8ToCp1252(pcSites_.get_menu_label_text(sheet).raw());
}

std::vector<std::string> TMainForm::TabCaptions() const {
  std::vector<std::string> captions;
  for (int page = 0; page < pcSites_.get_n_pages(); ++page)
    captions.push_back(TabCaption(*const_cast<Gtk::Notebook&>(pcSites_).get_nth_page(page)));
  return captions;
}

std::vector<std::string> TMainForm::LaunchMenuCaptions() const {
  std::vector<std::string> captions;
  for (const Gtk::Widget* child : launchMenu_.get_children())
    captions.push_back(Utf8ToCp1252(static_cast<const Gtk::MenuItem*>(child)->get_label().raw()));
  return captions;
}

void TMainForm::PlaceCategories(bool atBottom) {
  pcSites_.set_tab_pos(atBottom ? Gtk::POS_BOTTOM : Gtk::POS_TOP);
  // Tabs and mask strip stand below the browser or above it.
  const int browserPosition = 1;
  root_.reorder_child(pnlMask_, atBottom ? browserPosition + 1 : browserPosition);
  root_.reorder_child(pcSites_, atBottom ? browserPosition + 2 : browserPosition);
  listPnl_.set_valign(atBottom ? Gtk::ALIGN_END : Gtk::ALIGN_START);
}

void TMainForm::ShowSitesPanel() {
  if (listPnl_.get_visible()) return;
  listPnl_.set_size_request(-1, Settings.VisibleLines * rowHeightUnit_ + 16);
  listPnl_.show();
  gs_.show_all();
  gs_.grab_focus();
  tm_.unblock();
}

void TMainForm::FoldSitesPanel() {
  tm_.block();
  listPnl_.hide();
  if (!Settings.HideTabBar && Settings.AutoHideTabs) {
    pcSites_.hide();
    pnlMask_.show();
  }
}

bool TMainForm::OnTabsMotion(GdkEventMotion* event) {
  const int page = pcSites_.get_current_page();
  Gtk::Widget* label = page < 0 ? nullptr : pcSites_.get_tab_label(*pcSites_.get_nth_page(page));
  if (!label || listPnl_.get_visible()) return false;
  int x = 0, y = 0;
  pcSites_.translate_coordinates(*label, static_cast<int>(event->x), static_cast<int>(event->y), x, y);
  const auto box = label->get_allocation();
  // The label sits inside its tab's padding: a few pixels around it still count as the tab.
  if (x >= -8 && y >= -8 && x < box.get_width() + 8 && y < box.get_height() + 8) ShowSitesPanel();
  return false;
}

bool TMainForm::OnFoldTimer() {
  int x = 0, y = 0;
  Gdk::ModifierType mask;
  get_window()->get_device_position(get_display()->get_default_seat()->get_pointer(), x, y, mask);
  const bool atBottom = Settings.TabPosition == 1;
  int top = 0, ignored = 0;
  if (atBottom)
    listPnl_.translate_coordinates(*this, 0, 0, ignored, top);
  else
    pcSites_.translate_coordinates(*this, 0, 0, ignored, top);
  const int reference = top - 10;
  const int band = listPnl_.get_allocated_height() + pcSites_.get_allocated_height() + 20;
  if (y < reference || y > reference + band) FoldSitesPanel();
  return true;
}

bool TMainForm::OnMaskEnter(GdkEventCrossing*) {
  pnlMask_.hide();
  pcSites_.show();
  return false;
}

void TMainForm::OpenGridRow(int tableRow) {
  FoldSitesPanel();
  if (tableRow <= 0 || tableRow >= SiteList.RowCount()) return;
  LastUrl = SiteList.Cell(SiteRecord::HomePage, tableRow);
  if (LastUrl.empty()) return;
  PendingUrl = LastUrl;
  NavigateTo();
}

// A screen without anybody in front of it (the demo on Xvfb) shows what the kiosk looks like:
// once the home page has loaded, the whole screen goes into the file ORBETA_SCREENSHOT names
// and the kiosk closes.
void TMainForm::ScreenshotAfterHome() {
  const char* file = std::getenv("ORBETA_SCREENSHOT");
  if (!file || !*file || screenshotTaken_) return;
  screenshotTaken_ = true;
  screenshot_ = Glib::signal_timeout().connect(
      [this, path = std::string(file)] {
        const auto root = get_screen()->get_root_window();
        if (auto shot = Gdk::Pixbuf::create(root, 0, 0, root->get_width(), root->get_height())) shot->save(path, "png");
        Post(WM_CLOSEMAIN);
        return false;
      },
      1500);
}

// Square site pictures cut from a strip as high as they are wide; the colour of the strip's
// top left pixel is transparent. False when the file holds no picture.
bool TMainForm::LoadPictos() {
  auto strip = Gdk::Pixbuf::create_from_file(ResolveFileName(Settings.PictosFileName));
  const guint8* first = strip->get_pixels();
  strip = strip->add_alpha(true, first[0], first[1], first[2]);
  siteImages_ = browser::CutStrip(strip, strip->get_height());
  gs_.SetImages(siteImages_);
  return !siteImages_.empty();
}

void TMainForm::LoadBackground() {
  if (Settings.BackgroundFile.empty() || !FileExists(ResolveFileName(Settings.BackgroundFile))) return;
  auto css = Gtk::CssProvider::create();
  css->load_from_data("box { background-image: url(\"" + Glib::filename_to_uri(ResolveFileName(Settings.BackgroundFile)) +
                      "\"); }");
  coolBar_.get_style_context()->add_provider(css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// The widths a visitor gave the sites grid's columns are kept per user.
void TMainForm::LoadColumnWidths() {
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kColumnWidthsKey, false, key) != reg::kSuccess) return;
  for (std::size_t column = 0; column < columnWidths_.size(); ++column) {
    std::uint32_t width = 0;
    if (key.ReadDword("col" + std::to_string(column), width) == reg::kSuccess)
      columnWidths_[column] = static_cast<int>(std::min<std::uint32_t>(width, 4000));
  }
}

void TMainForm::SaveColumnWidths() {
  if (gs_.ColumnCount() != static_cast<int>(columnWidths_.size())) return;
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kColumnWidthsKey, true, key) != reg::kSuccess) return;
  for (std::size_t column = 0; column < columnWidths_.size(); ++column)
    key.WriteDword("col" + std::to_string(column), static_cast<std::uint32_t>(gs_.ColumnWidth(static_cast<int>(column))));
}

// ---- Timers and closing ----

void TMainForm::RequestQuit(const std::string& missingFile) {
  std::fprintf(stderr, "orbeta: settings file not found: %s\n", missingFile.c_str());
  quitRequested = true;
}

void TMainForm::ConfigureReturnHomeTimer(std::int32_t intervalMs, bool enabled) {
  returnHomeInterval_ = intervalMs;
  timReturnHome_.disconnect();
  if (!enabled) return;
  timReturnHome_ = Glib::signal_timeout().connect(
      [this] {
        if (!IsUnlocked()) ReturnHomeForInactivity();
        return true;
      },
      static_cast<unsigned>(intervalMs));
}

void TMainForm::EnableMouseSampler(bool enabled) {
  tmouse_.disconnect();
  if (!enabled) return;
  tmouse_ = Glib::signal_timeout().connect(
      [this] {
        // A moving pointer means somebody is there: the return home starts over.
        int x = 0, y = 0;
        get_display()->get_default_seat()->get_pointer()->get_position(x, y);
        if (x != lastMouseX_ || y != lastMouseY_) {
          lastMouseX_ = x, lastMouseY_ = y;
          RestartReturnHomeTimer();
        }
        return true;
      },
      kMouseSampleMs);
}

// The administrator's unattended tour: every 15 seconds a random site of the category shown.
void TMainForm::AutoNavigateClick() {
  if (syncingDemoCheck_) return;
  if (AdminMode) {
    if (tmDemo_.connected())
      tmDemo_.disconnect();
    else
      tmDemo_ = Glib::signal_timeout().connect(sigc::mem_fun(*this, &TMainForm::OnDemoTick), kDemoMs);
    SetStatusText(tmDemo_.connected() ? "Demo ON" : "Demo OFF", false);
    Beep();
  }
  // The item's own toggle is undone: its check mark shows the tour.
  syncingDemoCheck_ = true;
  auto1_.set_active(tmDemo_.connected());
  syncingDemoCheck_ = false;
}

bool TMainForm::OnDemoTick() {
  CloseAllPopups();
  if (shownRows_.empty()) return true;
  std::uniform_int_distribution<std::size_t> pick(0, shownRows_.size() - 1);
  std::mt19937 random(static_cast<std::mt19937::result_type>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string address = SiteList.Cell(SiteRecord::HomePage, shownRows_[pick(random)]);
  if (!address.empty()) {
    PendingUrl = address;
    NavigateTo();
  }
  return true;
}

void TMainForm::Beep() { get_display()->beep(); }

bool TMainForm::OnDeleteEvent(GdkEventAny*) {
  if (DropsSystemCommand(Settings, AdminMode, SystemCommand::kClose)) return true;
  hide();
  CloseAllPopups();
  UpdateInternetZone(true);
  tm_.block();
  tmDemo_.disconnect();
  timReturnHome_.disconnect();
  tmouse_.disconnect();
  if (Settings.ReturnHome) {
    try {
      WriteVisitLog();
    } catch (const std::exception&) {
    }
  }
  return false;
}

}  // namespace orbeta
