// The kiosk program: start-up as far as it is built, then the browser window.
#include <iostream>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "language/dictionary_loader.h"
#include "platform/paths.h"

namespace {

using namespace orbeta;

// Before the main window exists, a settings load that finds no file ends the program.
class StartupHost : public SettingsHost {
 public:
  void RequestQuit(const std::string& missingFile) override {
    std::cerr << "orbeta: settings file not found: " << missingFile << "\n";
    quit = true;
  }
  void ConfigureReturnHomeTimer(std::int32_t, bool) override {}
  void EnableMouseSampler(bool) override {}
  bool quit = false;
};

}  // namespace

int main() {
  TDictionaryLoader dico;
  StartupHost host;
  SetSettingsHost(&host);
  SettingsFile = GetSettingsFile();
  ReadTitleBarFlag(SettingsFile);
  try {
    dico.SetRunTimeFileName(JoinPath(ProgramDirectory(), "Orbeta.stm"));
    ReadSettings(SettingsFile);
    dico.SetActiveLanguage(static_cast<TLanguage>(Settings.Language));
  } catch (const std::exception& error) {
    std::cerr << "orbeta: " << error.what() << "\n";
    return 1;
  }
  if (host.quit) return 2;
  std::cout << "Orbeta: settings read from " << SettingsFile << " ("
            << (IsUnlocked() ? "unlocked" : "locked") << "), interface language "
            << Settings.Language << "; the browser window is not built yet.\n";
  return 0;
}
