// The navigation filter: every navigation of the main window or of a pop-up window passes it
// before it happens, and gets a decision that the window applies.
#pragma once

#include <string>

namespace orbeta {

enum NavigationDecision {
  ndAllow,
  ndAllowKeepState,
  ndAllowUnrestricted,
  ndRefuseItem,
  ndRefuseSite,
  ndHandOffMail,
  ndLaunchProgram,
  ndClosePopup,
};

// The status icon's index follows the state of the last decided navigation.
enum NavigationState {
  nsAllowed = 0,
  nsRefused = 1,
  nsSiteControlOff = 2,  // never stored: shown while site control is off
  nsUnrestricted = 3,
};

const char* DecisionName(NavigationDecision decision);
// The browser must not go on: every refusal, a mail hand-off, a launcher link, a closed pop-up.
bool CancelsNavigation(NavigationDecision decision);
// The main window enables its Back button after these.
bool EnablesBackButton(NavigationDecision decision);

// What the filter asks and changes outside itself. The main window implements the status bar;
// the rest defaults to the kiosk's own site list, validation server, mail program and launcher.
// The shared fields belong to the main window: pop-up filters write them too.
class NavigationContext {
 public:
  virtual ~NavigationContext() = default;
  virtual void SetStatusText(const std::string& text, bool refresh) = 0;
  virtual bool CheckSiteUrl(const std::string& url);
  virtual bool ValidateSiteOnline(const std::string& host, int mode);
  virtual void RunMailProgram(const std::string& url);
  virtual void RunLauncherLink(const std::string& url);

  NavigationState navigationState = nsAllowed;
  std::string lastValidatedHost;
  std::string browserVersion;  // the engine's version text; empty when unknown
};

// The main window's filter. `javaScriptFlag` is the main window's own flag.
NavigationDecision FilterMainNavigation(NavigationContext& context, const std::string& url,
                                        const std::string& frameName, bool& javaScriptFlag);

// A pop-up window's filter. `javaScriptFlag` is the pop-up's own flag.
NavigationDecision FilterPopupNavigation(NavigationContext& context, const std::string& url,
                                         bool& javaScriptFlag);

}  // namespace orbeta
