#include "language/dictionary.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::Hex;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// One entry, number 200, one language, text "OK", capacity 500, growth step 500.
const std::string kOkFile = Hex(
    "54 50 46 30 06 06 54 41 72 72 61 79 01 00 06 10 54 4d 75 6c 74 69 4c 69 6e 67 75 61 6c 53 74 72 "
    "06 16 43 6f 6d 70 61 72 65 4d 75 6c 74 69 4c 69 6e 67 75 61 6c 53 74 72 02 01 03 f4 01 03 f4 01 "
    "09 54 50 46 30 06 10 54 4d 75 6c 74 69 4c 69 6e 67 75 61 6c 53 74 72 01 00 03 c8 00 54 50 46 30 "
    "06 0e 54 55 6e 6f 72 64 65 72 65 64 4c 69 73 74 01 00 06 0c 54 50 43 68 61 72 48 6f 6c 64 65 72 "
    "06 0b 43 6f 6d 70 61 72 65 4c 65 73 73 02 01 54 50 46 30 06 0c 54 50 43 68 61 72 48 6f 6c 64 65 "
    "72 01 00 06 02 4f 4b");

// Offset of the stored sorted flag in a file whose entry count fits one byte.
constexpr std::size_t kSortedFlagOffset = 64;

// Entries with three languages: number, then English, French, German.
TDictionary ThreeLanguages() {
  TDictionary dictionary;
  dictionary.AddEntry(1, {"English", "Anglais", "Englisch"});
  dictionary.AddEntry(2, {"French", "Fran\xE7" "ais", "Franz\xF6sisch"});
  dictionary.AddEntry(3, {"German", "Allemand", "Deutsch"});
  dictionary.AddEntry(200, {"OK", "OK", "OK"});
  dictionary.AddEntry(201, {"Cancel", "Annuler", "Abbrechen"});
  return dictionary;
}

std::string Saved(TDictionary& dictionary, const TempDir& dir) {
  dictionary.SetFileName(dir.File("saved.stm"));
  dictionary.SaveToFile();
  return ReadFile(dir.File("saved.stm"));
}

TEST(Dictionary, WritesAndReadsTheOneEntryExampleByteForByte) {
  TempDir dir;
  TDictionary dictionary;
  dictionary.AddEntry(200, {"OK"});
  EXPECT_EQ(Saved(dictionary, dir), kOkFile);

  WriteFile(dir.File("ok.stm"), kOkFile);
  TDictionary loaded;
  loaded.LoadFromFile(dir.File("ok.stm"));
  EXPECT_EQ(loaded.EntryCount(), 1);
  EXPECT_EQ(loaded.LanguageCount(), 1);
  EXPECT_TRUE(loaded.Sorted());
  EXPECT_EQ(loaded.GetText(200), "OK");
  EXPECT_EQ(loaded.FileName(), dir.File("ok.stm"));
}

TEST(Dictionary, LooksUpTextsByNumberInTheActiveLanguage) {
  TDictionary dictionary = ThreeLanguages();
  EXPECT_EQ(dictionary.GetText(201), "Cancel");
  EXPECT_EQ(dictionary.GetText(0), "");
  EXPECT_EQ(dictionary.GetText(202), "");
  EXPECT_EQ(dictionary.GetText(-1), "");
  EXPECT_EQ(dictionary.IndexOfNumber(200), 4);
  EXPECT_EQ(dictionary.IndexOfNumber(199), 0);
  EXPECT_EQ(dictionary.NumberAt(5), 201);
  EXPECT_THROW(dictionary.NumberAt(0), EInvalidIndex);
  EXPECT_THROW(dictionary.NumberAt(6), EInvalidIndex);

  dictionary.SelectLanguage(3);
  EXPECT_EQ(dictionary.GetText(201), "Abbrechen");
  dictionary.SetText(201, "Abbruch");
  EXPECT_EQ(dictionary.GetText(201), "Abbruch");
  dictionary.SelectLanguage(1);
  EXPECT_EQ(dictionary.GetText(201), "Cancel");
  EXPECT_THROW(dictionary.SetText(202, "x"), EInvalidIndex);
}

TEST(Dictionary, SelectLanguageTakesOnlyAnExistingOtherLanguage) {
  const struct {
    int language;
    TLanguage active;
  } cases[] = {{0, 2}, {2, 2}, {4, 2}, {65535, 2}, {1, 1}, {3, 3}};
  for (const auto& c : cases) {
    TDictionary dictionary = ThreeLanguages();
    dictionary.SelectLanguage(2);
    dictionary.SelectLanguage(static_cast<TLanguage>(c.language));
    EXPECT_EQ(dictionary.ActiveLanguage(), c.active) << c.language;
  }
  TDictionary empty;
  empty.SelectLanguage(1);
  empty.SelectLanguage(2);
  EXPECT_EQ(empty.ActiveLanguage(), 1);
}

TEST(Dictionary, LoadingResetsTheLanguageAndAMissingFileKeepsTheEntries) {
  TempDir dir;
  TDictionary dictionary = ThreeLanguages();
  Saved(dictionary, dir);
  dictionary.SelectLanguage(3);
  dictionary.LoadFromFile(dir.File("saved.stm"));
  EXPECT_EQ(dictionary.ActiveLanguage(), 1);
  EXPECT_EQ(dictionary.EntryCount(), 5);

  dictionary.SelectLanguage(2);
  dictionary.LoadFromFile(dir.File("missing.stm"));
  EXPECT_EQ(dictionary.EntryCount(), 5);
  EXPECT_EQ(dictionary.GetText(201), "Cancel");
  EXPECT_EQ(dictionary.ActiveLanguage(), 1);
  EXPECT_EQ(dictionary.FileName(), dir.File("missing.stm"));
}

TEST(Dictionary, AFileThatIsNotAValidDictionaryChangesNothing) {
  RegisterLanguageClasses();  // the file is written before any dictionary exists
  TempDir dir;
  std::string bytes;
  TArray texts("TPCharHolder", &ComparePCharHolder, 5, 0);
  WriteObject(texts, bytes);
  const std::string arrayOfTexts = bytes;
  bytes.clear();
  WriteObject(TPCharHolder("x"), bytes);
  const std::string oneText = bytes;
  bytes.clear();
  TArray byOther("TMultiLingualStr", &CompareLess, 5, 0);
  WriteObject(byOther, bytes);
  const std::string otherOrder = bytes;
  bytes.clear();
  TArray uneven("TMultiLingualStr", &CompareMultiLingualStr, 5, 0);
  uneven.Add(std::make_unique<TMultiLingualStr>(1, std::vector<std::string>{"a", "b"}));
  uneven.Add(std::make_unique<TMultiLingualStr>(2, std::vector<std::string>{"c"}));
  WriteObject(uneven, bytes);
  const std::string unevenFile = bytes;
  bytes.clear();
  TArray noTexts("TMultiLingualStr", &CompareMultiLingualStr, 5, 0);
  noTexts.Add(std::make_unique<TMultiLingualStr>(7));
  WriteObject(noTexts, bytes);
  const std::string noTextsFile = bytes;

  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"", "Stream ends too early"},
      {kOkFile.substr(0, 100), "Stream ends too early"},
      {"TPF1" + kOkFile.substr(4), "Invalid object signature"},
      {oneText, "Not a dictionary: the file holds a TPCharHolder, not a TArray of TMultiLingualStr"},
      {arrayOfTexts, "Not a dictionary: the file holds a TArray of TPCharHolder, not a TArray of TMultiLingualStr"},
      {otherOrder, "Not a dictionary: the entries are not compared with CompareMultiLingualStr"},
      {unevenFile, "Dictionary entry 2 has 1 texts where the first entry has 2"},
      {noTextsFile, "Dictionary entry 7 has no texts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TDictionary dictionary = ThreeLanguages();
    dictionary.SelectLanguage(2);
    dictionary.SetFileName("before.stm");
    WriteFile(dir.File("bad.stm"), c.bytes);
    try {
      dictionary.LoadFromFile(dir.File("bad.stm"));
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_EQ(dictionary.EntryCount(), 5);
    EXPECT_EQ(dictionary.GetText(201), "Annuler");
    EXPECT_EQ(dictionary.FileName(), "before.stm");
  }
}

TEST(Dictionary, UnsortedFileIsSearchedLinearlyAndSavedSorted) {
  RegisterLanguageClasses();  // the file is written before any dictionary exists
  TempDir dir;
  TArray entries("TMultiLingualStr", &CompareMultiLingualStr, 500, 500);
  for (const int n : {300, 100, 200, 100})
    entries.Add(std::make_unique<TMultiLingualStr>(n, std::vector<std::string>{"t" + std::to_string(n)}));
  std::string bytes;
  WriteObject(entries, bytes);
  ASSERT_EQ(bytes[kSortedFlagOffset], '\x08');
  bytes[kSortedFlagOffset] = '\x09';  // claims to be sorted
  WriteFile(dir.File("unsorted.stm"), bytes);

  TDictionary dictionary;
  dictionary.LoadFromFile(dir.File("unsorted.stm"));
  EXPECT_FALSE(dictionary.Sorted());
  for (const int n : {100, 200, 300}) EXPECT_EQ(dictionary.GetText(n), "t" + std::to_string(n));
  EXPECT_EQ(dictionary.IndexOfNumber(100), 2);  // the first match

  dictionary.SetFileName(dir.File("saved.stm"));
  dictionary.SaveToFile();
  EXPECT_TRUE(dictionary.Sorted());
  TDictionary reloaded;
  reloaded.LoadFromFile(dir.File("saved.stm"));
  EXPECT_TRUE(reloaded.Sorted());
  std::vector<std::int32_t> numbers;
  for (int i = 1; i <= reloaded.EntryCount(); ++i) numbers.push_back(reloaded.NumberAt(i));
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{100, 100, 200, 300}));
}

TEST(Dictionary, AddsAndDeletesLanguagesInEveryEntry) {
  TDictionary dictionary = ThreeLanguages();
  dictionary.AddLanguage(2);
  EXPECT_EQ(dictionary.LanguageCount(), 4);
  dictionary.SelectLanguage(4);
  EXPECT_EQ(dictionary.GetText(201), "Annuler");

  dictionary.DeleteLanguage(1);
  EXPECT_EQ(dictionary.LanguageCount(), 3);
  EXPECT_EQ(dictionary.ActiveLanguage(), 4);  // left as it is: now beyond the entries' texts
  EXPECT_THROW(dictionary.GetText(201), EInvalidIndex);
  EXPECT_THROW(dictionary.SetText(201, "x"), EInvalidIndex);
  EXPECT_EQ(dictionary.GetText(0), "");
  dictionary.SelectLanguage(1);
  EXPECT_EQ(dictionary.GetText(201), "Annuler");
  dictionary.SelectLanguage(3);
  EXPECT_EQ(dictionary.GetText(201), "Annuler");

  for (const TLanguage bad : {0, 4}) {
    EXPECT_THROW(dictionary.AddLanguage(bad), EInvalidIndex);
    EXPECT_THROW(dictionary.DeleteLanguage(bad), EInvalidIndex);
    EXPECT_EQ(dictionary.LanguageCount(), 3);
  }

  TDictionary single;
  single.AddEntry(200, {"OK"});
  single.DeleteLanguage(1);
  EXPECT_EQ(single.LanguageCount(), 1);
  EXPECT_EQ(single.GetText(200), "OK");
}

TEST(Dictionary, FindTextMatchesInTheActiveLanguageWithWindows1252CaseFolding) {
  TDictionary dictionary;
  dictionary.AddEntry(10, {"\xC9T\xC9 SAISON", "x"});  // ÉTÉ SAISON
  dictionary.AddEntry(5, {"\x8A\x8C\x8E\x9F", "xy"});   // ŠŒŽŸ
  dictionary.AddEntry(7, {"Stra\xDF" "e \xD7", "Cancel"});  // Straße ×
  dictionary.AddEntry(8, {"cancel", "z"});
  const struct {
    std::string text;
    bool caseSensitive;
    std::int32_t number;
  } cases[] = {
      {"\xE9t\xE9", false, 10},      {"\xE9t\xE9", true, -1},  // été
      {"\x9A\x9C\x9E\xFF", false, 5},  // šœžÿ
      {"STRASSE", false, -1},        {"STRA\xDF", false, 7},   // ß has no capital
      {"\xF7", false, -1},           // ÷ is not the small ×
      {"CANCEL", false, 8},          {"Cancel", true, -1},  // only the active language counts
      {"", false, -1},               {"", true, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(dictionary.FindText(c.text, c.caseSensitive), c.number) << c.text;
  dictionary.SelectLanguage(2);
  EXPECT_EQ(dictionary.FindText("Cancel", true), 7);
  EXPECT_EQ(dictionary.FindText("X", false), 10);  // the first in position order, not by number
}

TEST(Dictionary, TextsNeverHoldAZeroByte) {
  TDictionary dictionary;
  dictionary.AddEntry(1, {std::string("ab\0cd", 5)});
  EXPECT_EQ(dictionary.GetText(1), "ab");
  dictionary.SetText(1, std::string("\0x", 2));
  EXPECT_EQ(dictionary.GetText(1), "");

  // A zero byte inside a stored text ends it.
  std::string bytes;
  WriteObject(TPCharHolder("abXcd"), bytes);
  bytes[bytes.find('X')] = '\0';
  EXPECT_EQ(static_cast<const TPCharHolder&>(*ReadObject(bytes)).Text(), "ab");
}

TEST(Dictionary, LongTextsSurviveSaving) {
  TempDir dir;
  TDictionary dictionary;
  const std::string t255(255, '\xE9');
  const std::string t256(256, 'x');
  dictionary.AddEntry(1, {t255});
  dictionary.AddEntry(2, {t256});
  const std::string file = Saved(dictionary, dir);
  EXPECT_NE(file.find("\x06\xFF" + t255), std::string::npos);
  EXPECT_NE(file.find(std::string("\x0C\x00\x01\x00\x00", 5) + t256), std::string::npos);
  TDictionary loaded;
  loaded.LoadFromFile(dir.File("saved.stm"));
  EXPECT_EQ(loaded.GetText(1), t255);
  EXPECT_EQ(loaded.GetText(2), t256);
}

TEST(Dictionary, EntriesNeedOneTextPerLanguage) {
  TDictionary dictionary;
  EXPECT_THROW(dictionary.AddEntry(1, {}), std::invalid_argument);
  dictionary.AddEntry(1, {"a", "b"});
  EXPECT_THROW(dictionary.AddEntry(2, {"c"}), std::invalid_argument);
  EXPECT_EQ(dictionary.EntryCount(), 1);
}

TEST(Dictionary, TheProgramHasOneDictionaryStartingEmptyInLanguageOne) {
  EXPECT_EQ(&Dictionary(), &Dictionary());
  EXPECT_EQ(Dictionary().ActiveLanguage(), 1);
  EXPECT_EQ(Dictionary().EntryCount(), 0);
}

}  // namespace
}  // namespace orbeta
