#include "language/dictionary_loader.h"

#include <filesystem>

#include "platform/paths.h"

namespace orbeta {

void TDictionaryLoader::SetRunTimeFileName(const std::string& path) {
  runTimeFileName_ = path;
  if (FileExists(path)) {
    LoadDictionary(path);
    return;
  }
  const std::string name = std::filesystem::path(path).filename().string();
  if (!name.empty() && FileExists(JoinPath(ProgramDirectory(), name)))
    LoadDictionary(JoinPath(ProgramDirectory(), name));
}

void TDictionaryLoader::SetActiveLanguage(TLanguage language) {
  activeLanguage_ = language;
  if (language > dictionary_.LanguageCount()) return;
  dictionary_.SelectLanguage(language);
  Run(TranslateMenus);
  Run(RepaintAllForms);
}

void TDictionaryLoader::EndSetUp() {
  settingUp_ = false;
  LoadDictionary(runTimeFileName_);
}

void TDictionaryLoader::LoadDictionary(const std::string& fileName) {
  if (settingUp_) return;
  Run(ShowBusyCursor);
  try {
    dictionary_.LoadFromFile(fileName);
    dictionary_.SelectLanguage(activeLanguage_);
    Run(TranslateMenus);
    Run(RepaintAllForms);
  } catch (...) {
    Run(RestoreCursor);
    throw;
  }
  Run(RestoreCursor);

  dictionary_.SetHelpFileStringId(HelpFileStringId);
  TCommonStrings ids = CommonStrings;
  ids.AllId = dictionary_.CommonStrings().AllId;
  ids.NoToAllId = dictionary_.CommonStrings().NoToAllId;
  ids.YesToAllId = dictionary_.CommonStrings().YesToAllId;
  dictionary_.SetCommonStrings(ids);
}

}  // namespace orbeta
