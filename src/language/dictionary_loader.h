// The loader that ties the dictionary file to the main window: it loads the file, applies the
// language, and hands the dictionary the entry numbers of the standard captions and titles.
// The window-related steps are hooks that the window fills in; an empty hook does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "language/dictionary.h"

namespace orbeta {

class TDictionaryLoader {
 public:
  explicit TDictionaryLoader(TDictionary& dictionary = Dictionary()) : dictionary_(dictionary) {}

  // ---- Hooks for the window side ----
  std::function<void()> ShowBusyCursor;   // the hourglass while loading
  std::function<void()> RestoreCursor;    // the normal cursor again, also after a failure
  std::function<void()> TranslateMenus;   // translate the menus of the owner window
  std::function<void()> RepaintAllForms;  // invalidate every control of every open window

  // ---- Properties ----
  // Setting the run-time name loads the file: the path itself when a file exists there,
  // otherwise the file of the same name in the program's folder, when that exists.
  const std::string& RunTimeFileName() const { return runTimeFileName_; }
  void SetRunTimeFileName(const std::string& path);
  // Only stored: the design-time file is never loaded at run time.
  const std::string& DesignTimeFileName() const { return designTimeFileName_; }
  void SetDesignTimeFileName(const std::string& path) { designTimeFileName_ = path; }
  // Stored; a language the dictionary has (or 0) is selected, then the menus are translated
  // and every window repainted.
  TLanguage ActiveLanguage() const { return activeLanguage_; }
  void SetActiveLanguage(TLanguage language);

  std::string StringEditor = "WsEdit16.Exe";  // not used at run time
  std::int32_t HelpFileStringId = 0;
  TCommonStrings CommonStrings;

  // While the owner window sets up the loader's properties, nothing is loaded; EndSetUp then
  // loads RunTimeFileName.
  void BeginSetUp() { settingUp_ = true; }
  void EndSetUp();

  // Loads the file into the dictionary (see TDictionary::LoadFromFile), selects
  // ActiveLanguage, translates the menus and repaints every window, under the busy cursor;
  // then copies HelpFileStringId and the common string numbers except All, No to all and
  // Yes to all into the dictionary. Nothing happens during set-up. A failure reaches the
  // caller after the cursor is restored, and copies no numbers.
  void LoadDictionary(const std::string& fileName);

 private:
  static void Run(const std::function<void()>& hook) {
    if (hook) hook();
  }

  TDictionary& dictionary_;
  std::string runTimeFileName_;
  std::string designTimeFileName_;
  TLanguage activeLanguage_ = 1;
  bool settingUp_ = false;
};

}  // namespace orbeta
