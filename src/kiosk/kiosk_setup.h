// What the kiosk sets up around itself: the desktop lock with the task bar, the browser
// security values of the current user, and the proxy of the program's own HTTP requests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/settings.h"
#include "kiosk/desktop_lock.h"

namespace orbeta {

// Registry places under HKEY_CURRENT_USER.
inline constexpr char kExplorerPoliciesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr char kNoFileUrlValue[] = "NoFileUrl";  // 1: file addresses refused
inline constexpr char kInternetZoneKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
inline constexpr char kFileDownloadValue[] = "1803";  // 0: allowed, 3: refused
inline constexpr char kFontDownloadValue[] = "1604";
inline constexpr std::uint32_t kZoneAllowed = 0;
inline constexpr std::uint32_t kZoneRefused = 3;
inline constexpr char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kProxyEnableValue[] = "ProxyEnable";
inline constexpr char kProxyServerValue[] = "ProxyServer";

// Hides (true) or shows (false) the task bar.
using TaskBarSetter = std::function<void(bool hide)>;

// Sets every switch of the lock from the settings, in a fixed order, registers or removes the
// program's run-once entry, then hides the task bar. False when a library call failed; the
// switches set before and after it are set all the same.
bool EngageLock(TdWinlock& lock, const TSettings& settings, const TaskBarSetter& setTaskBarHidden);

// Lifts every restriction of a loaded library, then shows the task bar. The switches keep
// their values. False when the library failed.
bool ReleaseLock(TdWinlock& lock, const TaskBarSetter& setTaskBarHidden);

// "NoFileUrl" 0 with security off, else 1 (its key made when missing, failures ignored); then
// the Internet zone allows downloads with security off or ftp allowed.
void ApplyBrowserSecuritySettings(const TSettings& settings);

// Sets the zone's file download, then font download value to allowed or refused. Only an
// existing zone key and existing integer values are changed; a value already right is not
// written again; the first missing or unreadable value ends the update.
void UpdateInternetZone(bool allow);

struct ProxySettings {
  bool useProxy = false;
  std::string host;
  std::int32_t port = 0;
};

// The browser's proxy: enabled by a non-zero "ProxyEnable", "ProxyServer" as "host:port". A
// missing value, a server without ":" or a port that is not a decimal integer turn it off.
ProxySettings ReadProxy();

}  // namespace orbeta
