#include "kiosk/kiosk_setup.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/registry.h"

namespace orbeta {
namespace {

std::optional<std::int32_t> DecimalInteger(std::string_view text) {
  std::int32_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

void WriteNoFileUrl(std::uint32_t value) {
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kExplorerPoliciesKey, true, key) == reg::kSuccess)
    key.WriteDword(kNoFileUrlValue, value);
}

}  // namespace

bool EngageLock(TdWinlock& lock, const TSettings& settings, const TaskBarSetter& setTaskBarHidden) {
  using S = LockSwitch;
  const std::pair<LockSwitch, bool> fromSettings[] = {
      {S::noAltTab, settings.NoAltTab},       {S::noStartbutton, settings.NoStartButton},
      {S::noTaskLinks, settings.NoTaskLinks}, {S::noTaskTray, settings.NoTaskTray},
      {S::noDesktop, settings.NoDesktop},     {S::noTaskbar, true},
  };
  const LockSwitch alwaysOn[] = {
      S::noAltEsc,  S::noAltF4,     S::noCtrlEsc,  S::noWinkeys,               S::noAltReturn, S::noCtrlAltDel,
      S::noAppkey,  S::noStartmenu, S::noShutdown, S::noAccessibilityShortcuts, S::noItem6,     S::noRButton,
  };

  bool done = true;
  for (const auto& [which, value] : fromSettings) done = lock.Set(which, value) && done;
  lock.SetFrontApp(settings.AppAsFront);
  for (const LockSwitch which : alwaysOn) done = lock.Set(which, true) && done;
  if (setTaskBarHidden) setTaskBarHidden(true);
  return done;
}

bool ReleaseLock(TdWinlock& lock, const TaskBarSetter& setTaskBarHidden) {
  const bool done = lock.RestoreAll();
  if (setTaskBarHidden) setTaskBarHidden(false);
  return done;
}

void ApplyBrowserSecuritySettings(const TSettings& settings) {
  WriteNoFileUrl(settings.SecurityOff ? 0 : 1);
  UpdateInternetZone(settings.SecurityOff || settings.UseFtp);
}

void UpdateInternetZone(bool allow) {
  const std::uint32_t wanted = allow ? kZoneAllowed : kZoneRefused;
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kInternetZoneKey, false, key) != reg::kSuccess) return;
  for (const char* name : {kFileDownloadValue, kFontDownloadValue}) {
    std::uint32_t current = 0;
    if (key.ReadDword(name, current) != reg::kSuccess) return;
    if (current != wanted && key.WriteDword(name, wanted) != reg::kSuccess) return;
  }
}

ProxySettings ReadProxy() {
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kInternetSettingsKey, false, key) != reg::kSuccess) return {};
  std::uint32_t enabled = 0;
  if (key.ReadDword(kProxyEnableValue, enabled) != reg::kSuccess || enabled == 0) return {};

  std::string server;
  if (key.ReadString(kProxyServerValue, server) != reg::kSuccess) return {};
  const std::size_t colon = server.find(':');
  if (colon == std::string::npos) return {};
  const auto port = DecimalInteger(std::string_view(server).substr(colon + 1));
  if (!port) return {};
  return {true, server.substr(0, colon), *port};
}

}  // namespace orbeta
