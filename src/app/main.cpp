// The kiosk program: splash, main window, message loop.
#include <gtkmm.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/settings.h"
#include "browser/main_window.h"
#include "browser/splash_window.h"
#include "lists/download.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
  // The kiosk's lock and input filter work on an X11 session.
  ::setenv("GDK_BACKEND", "x11", 1);
  // Without its settings the kiosk does not start; it says which file it missed.
  orbeta::SettingsFile = orbeta::GetSettingsFile();
  if (!orbeta::FileExists(orbeta::SettingsFile)) {
    std::fprintf(stderr, "orbeta: settings file not found: %s\n", orbeta::SettingsFile.c_str());
    return 2;
  }
  Gtk::Main kit(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);

  auto splash = std::make_unique<orbeta::TSplashForm>();
  orbeta::TSplashForm::Flush();
  orbeta::ReadTitleBarFlag(orbeta::SettingsFile);
  orbeta::SetDownloadProgress([&](std::uint64_t arrived, std::uint64_t announced) {
    if (splash && splash->get_visible()) splash->SetSplashText(orbeta::DownloadProgressText(arrived, announced));
  });

  orbeta::TMainForm window(args);
  if (orbeta::Settings.HideTitleBar) {
    window.set_decorated(false);
    window.maximize();
  }
  splash.reset();
  if (window.quitRequested) return 2;
  Gtk::Main::run(window);
  return 0;
}
