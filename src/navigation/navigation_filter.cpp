#include "navigation/navigation_filter.h"

#include "admin/admin_password.h"
#include "app/settings.h"
#include "kiosk/launcher.h"
#include "language/dictionary.h"
#include "lists/site_list.h"
#include "navigation/mail_handoff.h"
#include "navigation/online_validation.h"
#include "navigation/url_analysis.h"

namespace orbeta {
namespace {

constexpr int kRefusedItemText = 186;
constexpr int kRefusedSiteText = 181;
constexpr int kNotAllowedText = 187;
constexpr int kValidatingText = 737;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool IsWindowScript(const std::string& url) {
  return IsCloseScript(url) || IsMoveToScript(url) || IsPrintScript(url);
}

// A file the settings forbid, or (when only available extensions may be opened) a named
// file whose extension is not among them.
bool HasRefusedFileType(const std::string& url) {
  if (IsLocalNonPageFile(url) || HasForbiddenExt(url)) return true;
  return Settings.AllowOnlyAvailable && UrlNamesFile(url) && !HasAvailableExt(url);
}

// Writes the state and status text that go with a decision, and hands mail links on.
NavigationDecision Decide(NavigationContext& context, NavigationDecision decision,
                          const std::string& url, const std::string& host) {
  switch (decision) {
    case ndAllow: context.navigationState = nsAllowed; break;
    case ndAllowUnrestricted: context.navigationState = nsUnrestricted; break;
    case ndRefuseItem:
      context.navigationState = nsRefused;
      context.SetStatusText(Dictionary().GetText(kRefusedItemText), true);
      break;
    case ndRefuseSite:
      context.navigationState = nsRefused;
      context.SetStatusText(Dictionary().GetText(kRefusedSiteText) + " " + host + " " +
                                Dictionary().GetText(kNotAllowedText),
                            true);
      break;
    case ndHandOffMail:
      context.navigationState = nsRefused;
      context.RunMailProgram(url);
      break;
    case ndAllowKeepState:
    case ndLaunchProgram:
    case ndClosePopup: break;
  }
  return decision;
}

// The last steps of both filters: the site list, then the validation server.
NavigationDecision CheckSite(NavigationContext& context, const std::string& url, const std::string& host) {
  if (context.CheckSiteUrl(url)) return ndAllow;
  if (!Settings.ValidateOnLine) return ndRefuseSite;
  context.SetStatusText(Dictionary().GetText(kValidatingText), true);
  // One admitted host is remembered, so browsing within it asks the server only once. An
  // empty host was never admitted.
  if (!host.empty() && host == context.lastValidatedHost) return ndAllow;
  const bool allowed = context.ValidateSiteOnline(host, Settings.UseWhiteList);
  context.lastValidatedHost = allowed ? host : std::string();
  return allowed ? ndAllow : ndRefuseSite;
}

NavigationDecision MainDecision(NavigationContext& context, const std::string& url,
                                const std::string& host, bool& javaScriptFlag) {
  context.SetStatusText(url, false);
  if (AdminMode) return ndAllowUnrestricted;
  // With security off the item and scheme tests are skipped, but the site list still decides.
  if (!Settings.SecurityOff && (IsWindowScript(url) || HasRefusedFileType(url))) return ndRefuseItem;
  // Taken from this address on every path, so a stale flag never skips the site check.
  javaScriptFlag = IsJavaScriptUrl(url);
  if (!Settings.SecurityOff) {
    if (Contains(url, "mailto:")) return Settings.UseMailTo ? ndHandOffMail : ndRefuseItem;
    if (!Settings.UseFtp && Contains(url, "ftp:")) return ndRefuseItem;
  }
  if (Settings.SiteControlOff || javaScriptFlag) return ndAllowKeepState;
  return CheckSite(context, url, host);
}

NavigationDecision PopupDecision(NavigationContext& context, const std::string& url,
                                 const std::string& host, bool& javaScriptFlag) {
  if (context.browserVersion < "5.50.0000.0000" && IsCloseScript(url)) return ndClosePopup;
  if (AdminMode) return ndAllowUnrestricted;
  if (Settings.SecurityOff) return ndAllow;
  if (HasRefusedFileType(url)) return ndRefuseItem;
  if (!Settings.UseMailTo && Contains(url, "mailto:")) return ndRefuseItem;
  if (!Settings.UseFtp && Contains(url, "ftp:")) return ndRefuseItem;
  javaScriptFlag = IsJavaScriptUrl(url);
  if (Settings.SiteControlOff || javaScriptFlag) return ndAllow;
  return CheckSite(context, url, host);
}

}  // namespace

const char* DecisionName(NavigationDecision decision) {
  static constexpr const char* kNames[] = {
      "ndAllow",       "ndAllowKeepState", "ndAllowUnrestricted", "ndRefuseItem",
      "ndRefuseSite",  "ndHandOffMail",    "ndLaunchProgram",     "ndClosePopup",
  };
  return kNames[decision];
}

bool CancelsNavigation(NavigationDecision decision) {
  return decision != ndAllow && decision != ndAllowKeepState && decision != ndAllowUnrestricted;
}

bool EnablesBackButton(NavigationDecision decision) { return !CancelsNavigation(decision); }

bool NavigationContext::CheckSiteUrl(const std::string& url) { return orbeta::CheckSiteUrl(url); }

bool NavigationContext::ValidateSiteOnline(const std::string& host, int mode) {
  return orbeta::ValidateSiteOnline(host, mode);
}

void NavigationContext::RunMailProgram(const std::string& url) { orbeta::RunMailProgram(url); }

void NavigationContext::RunLauncherLink(const std::string& url) { orbeta::RunLauncherLink(url); }

NavigationDecision FilterMainNavigation(NavigationContext& context, const std::string& url,
                                        const std::string& frameName, bool& javaScriptFlag) {
  const std::string host = GetUrlHost(url).host;
  PendingSite.HomePage = url;
  PendingSite.Name = frameName;
  PendingSite.Domain = host;
  PendingSite.Note.clear();
  PendingSite.Codes.clear();
  // A launcher link is recognised anywhere in the address, and even when unlocked.
  if (Contains(url, "run:")) {
    context.RunLauncherLink(url);
    return ndLaunchProgram;
  }
  return Decide(context, MainDecision(context, url, host, javaScriptFlag), url, host);
}

NavigationDecision FilterPopupNavigation(NavigationContext& context, const std::string& url,
                                         bool& javaScriptFlag) {
  const std::string host = GetUrlHost(url).host;
  PendingSite.HomePage = url;
  PendingSite.Domain = host;
  return Decide(context, PopupDecision(context, url, host, javaScriptFlag), url, host);
}

}  // namespace orbeta
