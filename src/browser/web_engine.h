// The engine adapter: one WebKit view wrapped into the operations and events that the kiosk's
// windows and navigation filter use, so that nothing else touches WebKit.
//
// Text crosses this interface as the core keeps it, Windows-1252 bytes; the adapter converts to
// and from the UTF-8 of WebKit.
//
// What the adapter owes the kiosk:
//  1. BeforeNavigate fires for every navigation before any request: top level, frames,
//     new-window requests, and "javascript:" addresses that a link or a form activates (WebKit
//     asks no policy for those: a script of ours, in a script world of its own, holds them back,
//     reports them and runs them only when allowed).
//  2. The address handed over is the engine's parsed address, never the raw link text.
//  3. While the registry's "NoFileUrl" policy is 1, every "file:" navigation is refused before
//     BeforeNavigate sees it.
//  4. File downloads follow the Internet-zone value "1803": 3 refuses them at once; otherwise
//     they are saved without asking into the download folder.
//  5. While locked, no file chooser, print dialog or engine context menu is shown, and page
//     scripts' print requests are refused. Developer tools are always off.
//  6. A page cannot close, move or resize its window: the engine's close request only raises
//     WindowClosing, and geometry requests only raise WindowSetBounds.
#pragma once

#include <gtkmm/widget.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "kiosk/kiosk_setup.h"

typedef struct _WebKitWebView WebKitWebView;

namespace orbeta::browser {

// Appended to the engine's own user agent.
inline constexpr const char* kUserAgentSuffix = " Orbeta/2.0";

// Dialogs and menus that the locked adapter refused to show.
enum class LockedRequest { FileChooser, PrintDialog, ContextMenu };

// How a file download ended.
struct FileDownload {
  std::string address;
  std::string path;      // where it was saved; empty when it was refused or failed
  bool refused = false;  // refused by the zone value "1803"
  bool failed = false;   // started but not finished (network or disk error, or cancelled)
};

class WebEngine {
 public:
  struct Options {
    // Where GoHome goes: the engine has no home page of its own.
    std::string homeAddress;
    // Where allowed downloads are saved (made when missing). Empty: downloads are refused.
    std::string downloadFolder;
    // A pop-up's engine must be made for the engine whose page opens it, so that the page's new
    // window can live in it (see NewWindow). Null for a window of its own.
    WebEngine* openedBy = nullptr;
  };

  WebEngine();
  explicit WebEngine(Options options);
  ~WebEngine();
  WebEngine(const WebEngine&) = delete;
  WebEngine& operator=(const WebEngine&) = delete;

  // The view, to pack into a window.
  Gtk::Widget& Widget();

  // ---- Operations ----

  // An empty address opens the empty page; one without a scheme is taken as an "http://"
  // address, as typed into an address bar. Throws std::invalid_argument for an address that
  // cannot be parsed (or a web address without a host).
  void Navigate(const std::string& address);
  // Throw std::runtime_error when there is no page to go back (or forward) to.
  void GoBack();
  void GoForward();
  // Navigates to the home address; throws std::runtime_error when none was given.
  void GoHome();
  void Refresh();
  void Stop();

  std::string Location() const;
  std::string Title() const;
  bool CanGoBack() const;
  bool CanGoForward() const;
  bool IsLoading() const;

  // Prints the page without a dialog to the default printer. The result comes to `done`.
  void Print(std::function<void(bool ok)> done = {});
  // Prints the page without a dialog into a PDF file.
  void PrintToFile(const std::string& pdfPath, std::function<void(bool ok)> done = {});

  // Locked: no file chooser, print dialog or engine context menu.
  void SetLocked(bool locked) { locked_ = locked; }
  bool Locked() const { return locked_; }

  void SetHomeAddress(const std::string& address) { options_.homeAddress = address; }
  const std::string& HomeAddress() const { return options_.homeAddress; }
  void SetDownloadFolder(const std::string& folder) { options_.downloadFolder = folder; }
  const std::string& DownloadFolder() const { return options_.downloadFolder; }

  std::string UserAgent() const;

  // Removes cookies, storage, cache and the back/forward history of this engine's session
  // (kept in memory only; nothing reaches the disk in the first place).
  void ClearBrowsingData(std::function<void()> done = {});
  // Empties the back and forward history. The page on screen stays, and the next navigation
  // still puts it into the history: forget once the page to keep has come.
  void ForgetHistory();
  // True once ForgetHistory empties the history entirely: it gets ready in the background
  // after the program's first page has loaded. Before, only what WebKit allows is emptied.
  static bool CanForgetHistory();

  // Runs a script in the page's main frame; `done` gets the result as text, or `error` set.
  void RunScript(const std::string& script,
                 std::function<void(const std::string& result, bool error)> done);

  // The WebKitGTK run-time version, "major.minor.micro".
  static std::string BrowserVersion();

  // ---- Events ----
  // Handlers run on the GTK main loop; an unset handler changes nothing.

  // Every navigation, before its request. Setting `cancel` stops it. `frameName` is the frame or
  // window that a link or a new-window request names ("_blank", a frame's name); empty for
  // other navigations, and for forms that target an existing frame. A new window's address is
  // asked here on the opening engine, and its load again on the new engine.
  std::function<void(const std::string& address, const std::string& frameName, bool& cancel)>
      BeforeNavigate;
  // The page opens a new window on `address` (already passed BeforeNavigate). Return an engine
  // made with `openedBy` = this engine (the page's window opens in it), or null / set `cancel`
  // for no window at all.
  std::function<WebEngine*(const std::string& address, bool& cancel)> NewWindow;
  // The new page's document is committed / the page has finished loading.
  std::function<void()> NavigateComplete;
  std::function<void()> DocumentComplete;
  // Link address under the mouse, empty when it leaves the link.
  std::function<void(const std::string& text)> StatusTextChange;
  std::function<void(const std::string& title)> TitleChange;
  // Bracket each page load.
  std::function<void()> DownloadBegin;
  std::function<void()> DownloadComplete;
  // The page asks to close its window (WebKit lets a page ask for a window a script opened, or
  // one whose history holds one page). The adapter never closes anything itself; `cancel` only
  // tells the window's wish.
  std::function<void(bool& cancel)> WindowClosing;
  // An uncaught error of a page script; scripts go on and no dialog is shown. WebKitGTK gives
  // the application no console messages: the adapter's page script reports the errors.
  std::function<void(const std::string& message, const std::string& source, int line)>
      ScriptError;
  // Right click at (x, y) in the view; the engine's own menu is never shown while locked, and
  // not either when `cancel` is set.
  std::function<void(int x, int y, bool& cancel)> ContextMenu;
  // The page asks for a window position or size (window.open features, moveTo, resizeTo);
  // nothing is moved: the window decides.
  std::function<void(int x, int y, int width, int height)> WindowSetBounds;
  // A file download was refused, saved or failed.
  std::function<void(const FileDownload&)> FileDownloadEnded;
  // A dialog or menu was refused because the adapter is locked.
  std::function<void(LockedRequest)> LockedRefusal;

 private:
  struct Glue;  // the WebKit signal handlers

  // True when the navigation may go on: refused "file:" addresses never reach BeforeNavigate.
  bool AskBeforeNavigate(const std::string& utf8Address, const std::string& utf8FrameName);
  void RunPrint(void* printSettings, std::function<void(bool)> done);
  // The frame named by the link whose navigation this is, from the page script's notes.
  std::string TakeLinkTarget(const std::string& utf8Address);

  Options options_;
  bool locked_ = false;
  WebKitWebView* view_ = nullptr;  // own reference
  Gtk::Widget* widget_ = nullptr;  // gtkmm's wrapper, owned by the view
  void* userContent_ = nullptr;    // the view's WebKitUserContentManager, own reference
  unsigned long downloadHandler_ = 0;
  std::string lastStatusText_;
  // The address of a load Navigate has filtered already, until its policy question comes.
  std::string approvedLoad_;
  // A new-window request already asked through the engine's policy, not yet created.
  std::string allowedNewWindow_;
  bool newWindowAllowed_ = false;
  std::deque<std::pair<std::string, std::string>> linkTargets_;  // address, frame name
  // Expires with the engine: replies that arrive later find it gone.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace orbeta::browser
