#include "browser/web_engine.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <webkit2/webkit2.h>

#include <stdexcept>
#include <utility>

#include "platform/codepage.h"
#include "platform/registry.h"

namespace orbeta::browser {

namespace {

// The script world of the adapter's own page script: page scripts cannot see or change it.
constexpr const char* kScriptWorld = "orbeta";
// The channel through which that script reports to the adapter.
constexpr const char* kMessageChannel = "orbeta";

// Injected at the start of every document, frames included. WebKit asks no navigation policy
// for "javascript:" addresses, so this script holds back the ones that a click on a link (a
// visitor's or a script's element.click()) or a form submission would run, reports each parsed
// address, and runs it only when the adapter answers that it may. The address then runs as a
// navigation of the frame, in the page's own script world.
//
// Out of its reach: a page script that assigns a "javascript:" address to location (Location
// cannot be wrapped) or calls form.submit() (it fires no event). Such a script is already
// running in the page and could run the same code directly, so nothing is gained by it.
// A page handler that cancels the click of a "javascript:" link no longer keeps the address
// from running once it is allowed: the address is held back before page handlers run.
//
// Links that target a frame by name are reported before their navigation, so that the
// navigation can carry the frame's name, which WebKit gives only for new windows.
//
// The script also reports uncaught script errors, which WebKit does not report to the
// application otherwise.
constexpr const char* kPageScript = R"JS(
(() => {
  'use strict';
  const channel = window.webkit && window.webkit.messageHandlers &&
                  window.webkit.messageHandlers.orbeta;
  if (!channel) return;
  const isScriptAddress = (address) => /^javascript:/i.test(address);
  const askThenRun = (address, target) => {
    channel.postMessage({kind: 'navigate', address: address, frame: target || ''}).then(
        (allowed) => { if (allowed === true) window.location.href = address; }, () => {});
  };
  const linkOf = (event) => {
    for (const node of event.composedPath()) {
      if ((node instanceof HTMLAnchorElement || node instanceof HTMLAreaElement) &&
          node.hasAttribute('href')) return node;
    }
    return null;
  };
  window.addEventListener('click', (event) => {
    if (event.button !== 0) return;
    const link = linkOf(event);
    if (!link) return;
    if (!isScriptAddress(link.href)) {
      // WebKit names the target frame of a navigation only when it opens a new window.
      if (link.target) channel.postMessage({kind: 'target', address: link.href, frame: link.target})
                           .catch(() => {});
      return;
    }
    event.preventDefault();
    askThenRun(link.href, link.target);
  }, true);
  window.addEventListener('submit', (event) => {
    const form = event.target;
    const submitter = event.submitter;
    const action = submitter && submitter.hasAttribute('formaction') ? submitter.formAction
                                                                      : form.action;
    if (!isScriptAddress(action)) return;
    event.preventDefault();
    askThenRun(action, (submitter && submitter.formTarget) || form.target);
  }, true);
  window.addEventListener('error', (event) => {
    if (!(event instanceof ErrorEvent)) return;
    channel.postMessage({kind: 'error', message: String(event.message || ''),
                         source: String(event.filename || ''), line: event.lineno | 0})
        .catch(() => {});
  }, true);
})();
)JS";

// One data store for every engine of the process, kept in memory only: nothing a visitor does
// reaches the disk.
WebKitWebContext* SharedContext() {
  static WebKitWebContext* context = [] {
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
    WebKitWebContext* made = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);
    return made;
  }();
  return context;
}

// The history of a view that has shown one empty page. Restoring it empties a view's history:
// WebKit keeps a view's list as it is when it is given a state without any page. A hidden view
// prepares it once, after the first page of the program has loaded.
WebKitWebViewSessionState*& BlankSession() {
  static WebKitWebViewSessionState* session = nullptr;
  return session;
}

void PrepareBlankSession() {
  static bool started = false;
  if (std::exchange(started, true)) return;
  WebKitWebView* view = WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                                                       SharedContext(), nullptr)));
  g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView* loaded, WebKitLoadEvent event, gpointer) {
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     BlankSession() = webkit_web_view_get_session_state(loaded);
                     g_idle_add_once([](gpointer done) { g_object_unref(done); }, loaded);
                   }),
                   nullptr);
  webkit_web_view_load_uri(view, "about:blank");
}

// A DWORD of HKEY_CURRENT_USER, or nothing when the key or value is missing or not a DWORD.
bool ReadUserDword(const char* keyPath, const char* name, std::uint32_t& out) {
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, keyPath, false, key) != reg::kSuccess) return false;
  return key.ReadDword(name, out) == reg::kSuccess;
}

std::string SchemeOf(const std::string& utf8Address) {
  char* scheme = g_uri_parse_scheme(utf8Address.c_str());
  std::string result = scheme ? scheme : "";
  g_free(scheme);
  for (char& c : result) c = static_cast<char>(g_ascii_tolower(c));
  return result;
}

std::string Text(const char* utf8) { return utf8 ? Utf8ToCp1252(utf8) : std::string(); }

std::string MemberText(JSCValue* object, const char* name) {
  JSCValue* member = jsc_value_object_get_property(object, name);
  std::string text;
  if (member && jsc_value_is_string(member)) {
    char* utf8 = jsc_value_to_string(member);
    text = utf8;
    g_free(utf8);
  }
  if (member) g_object_unref(member);
  return text;
}

// A file name for a download in the fixed folder: the server's suggestion without any folder
// part; a free name when that one is taken.
std::string DownloadPath(const std::string& folder, const char* suggested) {
  std::string name = suggested ? suggested : "";
  std::string::size_type slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.empty() || name == "." || name == "..") name = "download";
  std::string path = folder + "/" + name;
  std::string::size_type dot = name.find_last_of('.');
  std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  for (int n = 1; g_file_test(path.c_str(), G_FILE_TEST_EXISTS); ++n) {
    path = folder + "/" + stem + " (" + std::to_string(n) + ")" + extension;
  }
  return path;
}

struct DownloadWatch {
  std::weak_ptr<char> alive;
  WebEngine* engine;
  FileDownload result;
};

struct PrintWatch {
  std::function<void(bool)> done;
  bool failed = false;
};

struct ScriptWatch {
  std::weak_ptr<char> alive;
  std::function<void(const std::string&, bool)> done;
};

struct ClearWatch {
  std::weak_ptr<char> alive;
  WebEngine* engine;
  std::function<void()> done;
};

}  // namespace

// The WebKit signal handlers; `self` is the engine that connected them.
struct WebEngine::Glue {
  // A navigation the kiosk refused, or stopped, shows no error page: the page on screen stays.
  static gboolean LoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, WebEngine*) {
    return g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
           g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
  }

  static gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                               WebKitPolicyDecisionType type, WebEngine* self) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      return FALSE;  // responses: WebKit's own choice between showing and downloading
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const char* frame = webkit_navigation_action_get_frame_name(action);
    std::string address = uri ? uri : "";
    std::string frameName = frame ? frame : self->TakeLinkTarget(address);
    // A load the program asked for was filtered before it started (see Navigate).
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && !self->approvedLoad_.empty() &&
        webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER &&
        (address == self->approvedLoad_ || address == self->approvedLoad_ + "/")) {
      self->approvedLoad_.clear();
      return FALSE;
    }
    if (!self->AskBeforeNavigate(address, frameName)) {
      webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      self->allowedNewWindow_ = address;
      self->newWindowAllowed_ = true;
    }
    webkit_policy_decision_use(decision);
    return TRUE;
  }

  // The page opens a window. Targeted links and forms were asked through the policy above;
  // script calls (window.open) reach the adapter only here, so they are asked now.
  static GtkWidget* Create(WebKitWebView*, WebKitNavigationAction* action, WebEngine* self) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    std::string address = uri && *uri ? uri : "about:blank";
    bool asked = self->newWindowAllowed_ && self->allowedNewWindow_ == address;
    self->newWindowAllowed_ = false;
    self->allowedNewWindow_.clear();
    if (!asked) {
      const char* frame = webkit_navigation_action_get_frame_name(action);
      if (!self->AskBeforeNavigate(address, frame ? frame : "")) return nullptr;
    }
    if (!self->NewWindow) return nullptr;
    bool cancel = false;
    WebEngine* target = self->NewWindow(Utf8ToCp1252(address), cancel);
    if (cancel || !target) return nullptr;
    if (target->options_.openedBy != self) {
      g_warning("a new window's engine must be made with openedBy set to the opening engine");
      return nullptr;
    }
    return GTK_WIDGET(target->view_);
  }

  static void GeometryChanged(WebKitWindowProperties* properties, GParamSpec*, WebEngine* self) {
    GdkRectangle bounds{};
    webkit_window_properties_get_geometry(properties, &bounds);
    if (self->WindowSetBounds) self->WindowSetBounds(bounds.x, bounds.y, bounds.width, bounds.height);
  }

  static void LoadChanged(WebKitWebView*, WebKitLoadEvent event, WebEngine* self) {
    switch (event) {
      case WEBKIT_LOAD_STARTED:
        if (self->DownloadBegin) self->DownloadBegin();
        break;
      case WEBKIT_LOAD_COMMITTED:
        if (self->NavigateComplete) self->NavigateComplete();
        break;
      case WEBKIT_LOAD_FINISHED:
        // Once a first page is there, so that the kiosk's start does not wait for it.
        PrepareBlankSession();
        if (self->DownloadComplete) self->DownloadComplete();
        if (self->DocumentComplete) self->DocumentComplete();
        break;
      default:
        break;
    }
  }

  static void TitleChanged(WebKitWebView* view, GParamSpec*, WebEngine* self) {
    if (self->TitleChange) self->TitleChange(Text(webkit_web_view_get_title(view)));
  }

  static void MouseTargetChanged(WebKitWebView*, WebKitHitTestResult* hit, guint, WebEngine* self) {
    std::string text = webkit_hit_test_result_context_is_link(hit)
                           ? Text(webkit_hit_test_result_get_link_uri(hit))
                           : std::string();
    if (text == self->lastStatusText_) return;
    self->lastStatusText_ = text;
    if (self->StatusTextChange) self->StatusTextChange(text);
  }

  // The engine never closes the view: the window decides what a close request means.
  static void Close(WebKitWebView*, WebEngine* self) {
    bool cancel = false;
    if (self->WindowClosing) self->WindowClosing(cancel);
  }

  static gboolean ContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                              WebKitHitTestResult*, WebEngine* self) {
    gdouble x = 0, y = 0;
    if (event) gdk_event_get_coords(event, &x, &y);
    bool cancel = false;
    if (self->ContextMenu) self->ContextMenu(static_cast<int>(x), static_cast<int>(y), cancel);
    if (self->locked_) {
      if (self->LockedRefusal) self->LockedRefusal(LockedRequest::ContextMenu);
      return TRUE;
    }
    return cancel ? TRUE : FALSE;
  }

  static gboolean RunFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, WebEngine* self) {
    if (!self->locked_) return FALSE;
    webkit_file_chooser_request_cancel(request);
    if (self->LockedRefusal) self->LockedRefusal(LockedRequest::FileChooser);
    return TRUE;
  }

  // A page script's print request (window.print()).
  static gboolean PagePrint(WebKitWebView*, WebKitPrintOperation*, WebEngine* self) {
    if (!self->locked_) return FALSE;
    if (self->LockedRefusal) self->LockedRefusal(LockedRequest::PrintDialog);
    return TRUE;
  }

  static gboolean ScriptMessage(WebKitUserContentManager*, JSCValue* message,
                                WebKitScriptMessageReply* reply, WebEngine* self) {
    std::string kind = jsc_value_is_object(message) ? MemberText(message, "kind") : "";
    JSCContext* context = jsc_value_get_context(message);
    if (kind == "navigate") {
      // The address comes from the engine's parser (the element's href or action), not from the
      // text written in the page.
      bool allowed = self->AskBeforeNavigate(MemberText(message, "address"), MemberText(message, "frame"));
      JSCValue* answer = jsc_value_new_boolean(context, allowed);
      webkit_script_message_reply_return_value(reply, answer);
      g_object_unref(answer);
      return TRUE;
    }
    if (kind == "target") {
      self->linkTargets_.emplace_back(MemberText(message, "address"), MemberText(message, "frame"));
      // Notes of links whose navigation never came (a page handler cancelled it) fall away.
      if (self->linkTargets_.size() > 8) self->linkTargets_.pop_front();
      return FALSE;
    }
    if (kind == "error" && self->ScriptError) {
      JSCValue* line = jsc_value_object_get_property(message, "line");
      int number = line && jsc_value_is_number(line) ? jsc_value_to_int32(line) : 0;
      if (line) g_object_unref(line);
      self->ScriptError(Utf8ToCp1252(MemberText(message, "message")),
                        Utf8ToCp1252(MemberText(message, "source")), number);
    }
    return FALSE;  // the script gets an undefined answer
  }

  // Downloads of every engine start on the shared data store; each engine takes its own.
  static void DownloadStarted(WebKitWebContext*, WebKitDownload* download, WebEngine* self) {
    if (webkit_download_get_web_view(download) != self->view_) return;
    auto* watch = new DownloadWatch{self->alive_, self, {}};
    const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
    watch->result.address = Text(uri);
    g_object_set_data_full(G_OBJECT(download), "orbeta-download", watch,
                           [](gpointer data) { delete static_cast<DownloadWatch*>(data); });
    std::uint32_t action = 0;
    bool refused = ReadUserDword(kInternetZoneKey, kFileDownloadValue, action) && action == kZoneRefused;
    if (refused || self->options_.downloadFolder.empty()) {
      watch->result.refused = true;
      webkit_download_cancel(download);
      if (self->FileDownloadEnded) self->FileDownloadEnded(watch->result);
      return;
    }
    webkit_download_set_allow_overwrite(download, FALSE);
    g_signal_connect(download, "decide-destination", G_CALLBACK(DecideDestination), watch);
    g_signal_connect(download, "failed", G_CALLBACK(DownloadFailed), watch);
    g_signal_connect(download, "finished", G_CALLBACK(DownloadFinished), watch);
  }

  // Saved without asking, into the fixed folder.
  static gboolean DecideDestination(WebKitDownload* download, gchar* suggested, DownloadWatch* watch) {
    if (watch->alive.expired()) {
      webkit_download_cancel(download);
      return TRUE;
    }
    std::string folder = Cp1252ToUtf8(watch->engine->options_.downloadFolder);
    g_mkdir_with_parents(folder.c_str(), 0700);
    std::string path = DownloadPath(folder, suggested);
    watch->result.path = Utf8ToCp1252(path);
    webkit_download_set_destination(download, path.c_str());
    return TRUE;
  }

  static void DownloadFailed(WebKitDownload*, GError*, DownloadWatch* watch) { watch->result.failed = true; }

  static void DownloadFinished(WebKitDownload*, DownloadWatch* watch) {
    if (watch->alive.expired()) return;
    FileDownload result = watch->result;
    if (result.failed) result.path.clear();
    if (watch->engine->FileDownloadEnded) watch->engine->FileDownloadEnded(result);
  }
};

WebEngine::WebEngine() : WebEngine(Options{}) {}

WebEngine::WebEngine(Options options) : options_(std::move(options)) {
  // The view is handed out as a gtkmm widget; gtkmm's wrappers need its start-up (idempotent).
  Gtk::Main::init_gtkmm_internals();
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_enable_javascript(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  // Pages may open windows from scripts; every such window passes NewWindow and the filter.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  std::string agent = webkit_settings_get_user_agent(settings);
  webkit_settings_set_user_agent(settings, (agent + kUserAgentSuffix).c_str());

  WebKitUserContentManager* content = webkit_user_content_manager_new();
  WebKitUserScript* script = webkit_user_script_new_for_world(
      kPageScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
      kScriptWorld, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
  g_signal_connect(content, (std::string("script-message-with-reply-received::") + kMessageChannel).c_str(),
                   G_CALLBACK(Glue::ScriptMessage), this);
  webkit_user_content_manager_register_script_message_handler_with_reply(content, kMessageChannel, kScriptWorld);
  userContent_ = content;

  // A pop-up's view shares the web process of the page that opens it, as WebKit requires of
  // the view it hands a page's new window.
  gpointer made = options_.openedBy
                      ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", options_.openedBy->view_,
                                     "settings", settings, "user-content-manager", content, nullptr)
                      : g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedContext(), "settings",
                                     settings, "user-content-manager", content, nullptr);
  g_object_unref(settings);
  view_ = WEBKIT_WEB_VIEW(g_object_ref_sink(made));

  g_signal_connect(view_, "decide-policy", G_CALLBACK(Glue::DecidePolicy), this);
  g_signal_connect(view_, "create", G_CALLBACK(Glue::Create), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(Glue::LoadChanged), this);
  g_signal_connect(view_, "notify::title", G_CALLBACK(Glue::TitleChanged), this);
  g_signal_connect(view_, "mouse-target-changed", G_CALLBACK(Glue::MouseTargetChanged), this);
  g_signal_connect(view_, "close", G_CALLBACK(Glue::Close), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(Glue::LoadFailed), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(Glue::ContextMenu), this);
  g_signal_connect(view_, "run-file-chooser", G_CALLBACK(Glue::RunFileChooser), this);
  g_signal_connect(view_, "print", G_CALLBACK(Glue::PagePrint), this);
  g_signal_connect(webkit_web_view_get_window_properties(view_), "notify::geometry",
                   G_CALLBACK(Glue::GeometryChanged), this);
  downloadHandler_ = g_signal_connect(webkit_web_view_get_context(view_), "download-started",
                                      G_CALLBACK(Glue::DownloadStarted), this);

  widget_ = Glib::wrap(GTK_WIDGET(view_));
}

WebEngine::~WebEngine() {
  g_signal_handler_disconnect(webkit_web_view_get_context(view_), downloadHandler_);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_window_properties(view_), this);
  g_signal_handlers_disconnect_by_data(view_, this);
  auto* content = static_cast<WebKitUserContentManager*>(userContent_);
  g_signal_handlers_disconnect_by_data(content, this);
  webkit_user_content_manager_unregister_script_message_handler(content, kMessageChannel);
  g_object_unref(content);
  gtk_widget_destroy(GTK_WIDGET(view_));
  g_object_unref(view_);
}

Gtk::Widget& WebEngine::Widget() { return *widget_; }

bool WebEngine::AskBeforeNavigate(const std::string& utf8Address, const std::string& utf8FrameName) {
  if (SchemeOf(utf8Address) == "file") {
    std::uint32_t noFileUrl = 0;
    if (ReadUserDword(kExplorerPoliciesKey, kNoFileUrlValue, noFileUrl) && noFileUrl == 1) return false;
  }
  bool cancel = false;
  if (BeforeNavigate) BeforeNavigate(Utf8ToCp1252(utf8Address), Utf8ToCp1252(utf8FrameName), cancel);
  return !cancel;
}

std::string WebEngine::TakeLinkTarget(const std::string& utf8Address) {
  for (auto note = linkTargets_.begin(); note != linkTargets_.end(); ++note) {
    if (note->first == utf8Address) {
      std::string frame = std::move(note->second);
      linkTargets_.erase(note);
      return frame;
    }
  }
  return {};
}

void WebEngine::Navigate(const std::string& address) {
  std::string utf8 = Cp1252ToUtf8(address);
  // An empty address shows the empty page; an address without a scheme is taken as a web
  // address, as typed into an address bar.
  if (utf8.empty()) utf8 = "about:blank";
  if (SchemeOf(utf8).empty()) utf8 = "http://" + utf8;
  GError* error = nullptr;
  GUri* uri = g_uri_parse(utf8.c_str(), static_cast<GUriFlags>(G_URI_FLAGS_PARSE_RELAXED | G_URI_FLAGS_ENCODED), &error);
  if (!uri) {
    std::string reason = error->message;
    g_error_free(error);
    throw std::invalid_argument("cannot navigate to \"" + address + "\": " + reason);
  }
  std::string scheme = g_uri_get_scheme(uri);
  bool hostless = (scheme == "http" || scheme == "https") &&
                  (!g_uri_get_host(uri) || !*g_uri_get_host(uri));
  g_uri_unref(uri);
  if (hostless) throw std::invalid_argument("cannot navigate to \"" + address + "\": no host");
  // Filtered before the load starts: a refused load never begins, so the page on screen stays
  // (WebKit would otherwise drop it when the policy refuses a load the program asked for).
  if (!AskBeforeNavigate(utf8, "")) return;
  approvedLoad_ = scheme == "javascript" ? std::string() : utf8;
  webkit_web_view_load_uri(view_, utf8.c_str());
}

void WebEngine::GoBack() {
  if (!webkit_web_view_can_go_back(view_)) throw std::runtime_error("there is no earlier page in the history");
  webkit_web_view_go_back(view_);
}

void WebEngine::GoForward() {
  if (!webkit_web_view_can_go_forward(view_)) throw std::runtime_error("there is no later page in the history");
  webkit_web_view_go_forward(view_);
}

void WebEngine::GoHome() {
  if (options_.homeAddress.empty()) throw std::runtime_error("no home address is set");
  Navigate(options_.homeAddress);
}

void WebEngine::Refresh() { webkit_web_view_reload(view_); }

void WebEngine::Stop() { webkit_web_view_stop_loading(view_); }

std::string WebEngine::Location() const { return Text(webkit_web_view_get_uri(view_)); }

std::string WebEngine::Title() const { return Text(webkit_web_view_get_title(view_)); }

bool WebEngine::CanGoBack() const { return webkit_web_view_can_go_back(view_); }

bool WebEngine::CanGoForward() const { return webkit_web_view_can_go_forward(view_); }

bool WebEngine::IsLoading() const { return webkit_web_view_is_loading(view_); }

void WebEngine::RunPrint(void* printSettings, std::function<void(bool)> done) {
  WebKitPrintOperation* operation = webkit_print_operation_new(view_);
  if (printSettings) {
    webkit_print_operation_set_print_settings(operation, static_cast<GtkPrintSettings*>(printSettings));
  }
  auto* watch = new PrintWatch{std::move(done)};
  g_signal_connect(operation, "failed", G_CALLBACK(+[](WebKitPrintOperation*, GError*, PrintWatch* w) {
                     w->failed = true;
                   }),
                   watch);
  // The operation holds itself until it has finished.
  g_signal_connect(operation, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, PrintWatch* w) {
                     if (w->done) w->done(!w->failed);
                     delete w;
                     g_object_unref(op);
                   }),
                   watch);
  webkit_print_operation_print(operation);
}

void WebEngine::Print(std::function<void(bool ok)> done) { RunPrint(nullptr, std::move(done)); }

void WebEngine::PrintToFile(const std::string& pdfPath, std::function<void(bool ok)> done) {
  GError* error = nullptr;
  std::string utf8 = Cp1252ToUtf8(pdfPath);
  char* uri = g_filename_to_uri(utf8.c_str(), nullptr, &error);
  if (!uri) {
    g_error_free(error);
    if (done) done(false);
    return;
  }
  GtkPrintSettings* settings = gtk_print_settings_new();
  // GTK's file printer.
  gtk_print_settings_set_printer(settings, "Print to File");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  g_free(uri);
  RunPrint(settings, std::move(done));
  g_object_unref(settings);
}

std::string WebEngine::UserAgent() const {
  return Text(webkit_settings_get_user_agent(webkit_web_view_get_settings(view_)));
}

bool WebEngine::CanForgetHistory() { return BlankSession() != nullptr; }

void WebEngine::ForgetHistory() {
  if (WebKitWebViewSessionState* blank = BlankSession()) {
    webkit_web_view_restore_session_state(view_, blank);
    return;
  }
  // Not ready yet: the state of a view that has shown nothing empties what it can.
  WebKitWebView* empty = WEBKIT_WEB_VIEW(g_object_ref_sink(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", webkit_web_view_get_context(view_), nullptr)));
  WebKitWebViewSessionState* state = webkit_web_view_get_session_state(empty);
  webkit_web_view_restore_session_state(view_, state);
  webkit_web_view_session_state_unref(state);
  gtk_widget_destroy(GTK_WIDGET(empty));
  g_object_unref(empty);
}

void WebEngine::ClearBrowsingData(std::function<void()> done) {
  ForgetHistory();
  WebKitWebsiteDataManager* data = webkit_web_context_get_website_data_manager(webkit_web_view_get_context(view_));
  auto* watch = new ClearWatch{alive_, this, std::move(done)};
  webkit_website_data_manager_clear(
      data, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer pointer) {
        auto* w = static_cast<ClearWatch*>(pointer);
        webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
        if (!w->alive.expired() && w->done) w->done();
        delete w;
      },
      watch);
}

void WebEngine::RunScript(const std::string& script, std::function<void(const std::string& result, bool error)> done) {
  auto* watch = new ScriptWatch{alive_, std::move(done)};
  std::string utf8 = Cp1252ToUtf8(script);
  webkit_web_view_evaluate_javascript(
      view_, utf8.c_str(), static_cast<gssize>(utf8.size()), nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer pointer) {
        auto* w = static_cast<ScriptWatch*>(pointer);
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
        std::string text;
        if (value) {
          char* utf8 = jsc_value_to_string(value);
          text = Utf8ToCp1252(utf8 ? utf8 : "");
          g_free(utf8);
          g_object_unref(value);
        } else {
          text = Utf8ToCp1252(error ? error->message : "");
        }
        if (error) g_error_free(error);
        if (!w->alive.expired() && w->done) w->done(text, value == nullptr);
        delete w;
      },
      watch);
}

std::string WebEngine::BrowserVersion() {
  return std::to_string(webkit_get_major_version()) + "." + std::to_string(webkit_get_minor_version()) + "." +
         std::to_string(webkit_get_micro_version());
}

}  // namespace orbeta::browser
