#include "language/dictionary_loader.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ScopedEnv;
using test::TempDir;

// The entry numbers the main window gives its loader.
TCommonStrings MainWindowStrings() {
  TCommonStrings ids;
  ids.OkId = 200, ids.CancelId = 201, ids.HelpId = 304, ids.YesId = 311, ids.NoId = 307;
  ids.AbortId = 300, ids.RetryId = 309, ids.IgnoreId = 305, ids.AllId = 301, ids.NoToAllId = 308;
  ids.YesToAllId = 312, ids.WarningId = 310, ids.ErrorId = 303, ids.InformationId = 306;
  ids.ConfirmationId = 302;
  return ids;
}

// Writes a dictionary of two languages whose entry 200 reads "OK <tag>" / "Ok <tag>".
void WriteDictionary(const std::string& path, const std::string& tag) {
  TDictionary dictionary;
  dictionary.AddEntry(200, {"OK " + tag, "Ok " + tag});
  dictionary.SetFileName(path);
  dictionary.SaveToFile();
}

// A loader on its own dictionary whose hooks log what they were asked to do.
class DictionaryLoader : public ::testing::Test {
 protected:
  DictionaryLoader() {
    loader.ShowBusyCursor = [this] { log += "busy "; };
    loader.RestoreCursor = [this] { log += "normal "; };
    loader.TranslateMenus = [this] { log += "menus(" + dictionary.GetText(200) + ") "; };
    loader.RepaintAllForms = [this] { log += "repaint "; };
  }
  TempDir dir;
  TDictionary dictionary;
  TDictionaryLoader loader{dictionary};
  std::string log;
};

TEST_F(DictionaryLoader, LoadsSelectsTheLanguageRunsTheWindowStepsAndCopiesTheNumbers) {
  WriteDictionary(dir.File("Orbeta.stm"), "a");
  loader.SetActiveLanguage(2);  // nothing loaded yet: only stored
  EXPECT_EQ(log, "");
  loader.HelpFileStringId = 98;
  loader.CommonStrings = MainWindowStrings();

  loader.LoadDictionary(dir.File("Orbeta.stm"));
  EXPECT_EQ(log, "busy menus(Ok a) repaint normal ");
  EXPECT_EQ(dictionary.ActiveLanguage(), 2);
  EXPECT_EQ(dictionary.HelpFileStringId(), 98);
  TCommonStrings expected = MainWindowStrings();
  expected.AllId = expected.NoToAllId = expected.YesToAllId = 0;  // never copied
  const TCommonStrings& ids = dictionary.CommonStrings();
  const std::int32_t TCommonStrings::*fields[] = {
      &TCommonStrings::OkId,      &TCommonStrings::CancelId,   &TCommonStrings::HelpId,
      &TCommonStrings::YesId,     &TCommonStrings::NoId,       &TCommonStrings::AbortId,
      &TCommonStrings::RetryId,   &TCommonStrings::IgnoreId,   &TCommonStrings::AllId,
      &TCommonStrings::NoToAllId, &TCommonStrings::YesToAllId, &TCommonStrings::WarningId,
      &TCommonStrings::ErrorId,   &TCommonStrings::InformationId, &TCommonStrings::ConfirmationId};
  for (const auto field : fields) EXPECT_EQ(ids.*field, expected.*field);
}

TEST_F(DictionaryLoader, AFailedLoadRestoresTheCursorAndCopiesNothing) {
  WriteDictionary(dir.File("good.stm"), "a");
  loader.LoadDictionary(dir.File("good.stm"));
  test::WriteFile(dir.File("bad.stm"), "TPF0");
  loader.HelpFileStringId = 98;
  log.clear();
  EXPECT_THROW(loader.LoadDictionary(dir.File("bad.stm")), EReadError);
  EXPECT_EQ(log, "busy normal ");
  EXPECT_EQ(dictionary.GetText(200), "OK a");
  EXPECT_EQ(dictionary.HelpFileStringId(), 0);
}

TEST_F(DictionaryLoader, LoadsNothingWhileBeingSetUpThenTheRunTimeFile) {
  WriteDictionary(dir.File("Orbeta.stm"), "a");
  loader.BeginSetUp();
  loader.SetRunTimeFileName(dir.File("Orbeta.stm"));
  loader.SetDesignTimeFileName(dir.File("Orbeta.stm"));
  loader.LoadDictionary(dir.File("Orbeta.stm"));
  EXPECT_EQ(dictionary.EntryCount(), 0);
  EXPECT_EQ(log, "");
  loader.EndSetUp();
  EXPECT_EQ(dictionary.GetText(200), "OK a");
  EXPECT_EQ(dictionary.FileName(), dir.File("Orbeta.stm"));
}

TEST_F(DictionaryLoader, RunTimeFileNameFallsBackToTheProgramFolder) {
  TempDir program;
  ScopedEnv home("ORBETA_HOME", program.path());
  WriteDictionary(dir.File("Orbeta.stm"), "here");
  WriteDictionary(program.File("Orbeta.stm"), "program");

  loader.SetRunTimeFileName(dir.File("Orbeta.stm"));
  EXPECT_EQ(dictionary.GetText(200), "OK here");

  loader.SetRunTimeFileName(dir.File("elsewhere/Orbeta.stm"));
  EXPECT_EQ(dictionary.GetText(200), "OK program");
  EXPECT_EQ(dictionary.FileName(), program.File("Orbeta.stm"));
  EXPECT_EQ(loader.RunTimeFileName(), dir.File("elsewhere/Orbeta.stm"));

  log.clear();
  loader.SetRunTimeFileName(dir.File("Other.stm"));  // nowhere: nothing happens
  loader.SetRunTimeFileName("");
  EXPECT_EQ(log, "");
  EXPECT_EQ(dictionary.FileName(), program.File("Orbeta.stm"));
}

TEST_F(DictionaryLoader, ActiveLanguageSwitchesOnlyToALanguageTheDictionaryHas) {
  WriteDictionary(dir.File("Orbeta.stm"), "a");
  loader.LoadDictionary(dir.File("Orbeta.stm"));
  log.clear();
  loader.SetActiveLanguage(2);
  EXPECT_EQ(log, "menus(Ok a) repaint ");
  EXPECT_EQ(dictionary.ActiveLanguage(), 2);

  log.clear();
  loader.SetActiveLanguage(3);
  EXPECT_EQ(log, "");
  EXPECT_EQ(dictionary.ActiveLanguage(), 2);
  EXPECT_EQ(loader.ActiveLanguage(), 3);

  // The next load resets the dictionary to language 1, and language 3 does not exist.
  loader.LoadDictionary(dir.File("Orbeta.stm"));
  EXPECT_EQ(dictionary.ActiveLanguage(), 1);
}

}  // namespace
}  // namespace orbeta
