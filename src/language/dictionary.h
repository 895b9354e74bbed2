// The string dictionary: every interface text, looked up by entry number in the active language.
//
// The dictionary file holds one object stream object: a TArray of TMultiLingualStr (compare
// function "CompareMultiLingualStr"), each entry a number and a TUnorderedList of TPCharHolder
// (compare function "CompareLess") with one text per language, in language order. Texts are
// Windows-1252 bytes. Positions and languages count from 1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "language/containers.h"

namespace orbeta {

// A language number, 1 to 65535.
using TLanguage = std::uint16_t;

// Registers every class and compare function of the object stream that the program uses:
// TArray, TOrderedList, TUnorderedList, TCircularList, TMultiLingualStr, TPCharHolder and
// "CompareMultiLingualStr", "CompareLess", "CompareEqual", "CompareGreater",
// "ComparePCharHolder". Runs once; later calls do nothing. TDictionary calls it itself.
void RegisterLanguageClasses();

// One text, which never contains a zero byte: it ends before the first one.
class TPCharHolder : public TStreamable {
 public:
  TPCharHolder() = default;
  explicit TPCharHolder(std::string_view text) { SetText(text); }
  std::string_view ClassName() const override { return "TPCharHolder"; }

  const std::string& Text() const { return text_; }
  void SetText(std::string_view text);

  static std::unique_ptr<TStreamable> Read(TObjectReader& in);
  static void Write(const TStreamable& object, TObjectWriter& out);

 private:
  std::string text_;
};

// Texts by ordinal (unsigned byte) comparison.
int ComparePCharHolder(const TStreamable& first, const TStreamable& second);

// One dictionary entry: its number and one text per language.
class TMultiLingualStr : public TStreamable {
 public:
  explicit TMultiLingualStr(std::int32_t number = 0);
  TMultiLingualStr(std::int32_t number, const std::vector<std::string>& texts);
  std::string_view ClassName() const override { return "TMultiLingualStr"; }

  std::int32_t Number() const { return number_; }
  int StringCount() const { return strings_.Count(); }
  // EInvalidIndex for a language outside 1 to StringCount.
  const std::string& String(int language) const;
  void SetString(int language, std::string_view text);
  void AddString(std::string_view text);
  void DeleteString(int language);

  static std::unique_ptr<TStreamable> Read(TObjectReader& in);
  static void Write(const TStreamable& object, TObjectWriter& out);

 private:
  std::int32_t number_;
  TUnorderedList strings_;
};

// Entries by number.
int CompareMultiLingualStr(const TStreamable& first, const TStreamable& second);

// A dictionary file that is a valid object stream but not a valid dictionary: not a TArray of
// TMultiLingualStr ordered by number, or entries with different numbers of texts.
class EInvalidDictionary : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The entry numbers of the standard captions and dialog titles, set on the loader and copied
// into the dictionary for the translated message box.
struct TCommonStrings {
  std::int32_t OkId = 0;
  std::int32_t CancelId = 0;
  std::int32_t HelpId = 0;
  std::int32_t YesId = 0;
  std::int32_t NoId = 0;
  std::int32_t AbortId = 0;
  std::int32_t RetryId = 0;
  std::int32_t IgnoreId = 0;
  std::int32_t AllId = 0;
  std::int32_t NoToAllId = 0;
  std::int32_t YesToAllId = 0;
  std::int32_t WarningId = 0;
  std::int32_t ErrorId = 0;
  std::int32_t InformationId = 0;
  std::int32_t ConfirmationId = 0;
};

// Every entry has the same number of texts, the number of languages (0 without entries).
// Entry numbers are meant to be unique; lookups give the first match.
class TDictionary {
 public:
  // Empty, active language 1; the entries array has capacity 500 and growth step 500.
  TDictionary();

  // The text of the entry in the active language; empty for number 0 and for an absent
  // number. EInvalidIndex when the active language is beyond the entry's texts.
  std::string GetText(std::int32_t number) const;
  // Replaces the entry's text in the active language. EInvalidIndex for an absent number.
  void SetText(std::int32_t number, std::string_view text);
  // The position of the first entry with the number, 0 when absent: a binary search while
  // the entries are known to be sorted, otherwise a scan.
  int IndexOfNumber(std::int32_t number) const;
  // EInvalidIndex outside 1 to EntryCount.
  std::int32_t NumberAt(int position) const;
  const TMultiLingualStr& EntryAt(int position) const;
  int EntryCount() const { return entries_.Count(); }
  int LanguageCount() const;

  TLanguage ActiveLanguage() const { return activeLanguage_; }
  // Changes the active language only to a number that differs from it, is not 0 and is at
  // most LanguageCount; anything else is ignored.
  void SelectLanguage(TLanguage language);

  // When the file exists, reads it whole and takes its entries in place of the current ones;
  // a file that cannot be read or is not a valid dictionary raises an error (EStreamError,
  // EInvalidDictionary, std::runtime_error) and changes nothing. When it does not exist, the
  // entries stay. Then the file name becomes `fileName` and language 1 is selected.
  void LoadFromFile(const std::string& fileName);
  // Sorts the entries and replaces the file named by FileName with them in one piece.
  void SaveToFile();
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }

  // Appends an entry with one text per language: at least one text, and as many as the other
  // entries have (std::invalid_argument otherwise).
  void AddEntry(std::int32_t number, const std::vector<std::string>& texts);
  // Sorts the entries by number and sets the sorted flag.
  void SortEntries() { entries_.Sort(); }
  bool Sorted() const { return entries_.Sorted(); }

  // Appends to every entry a copy of its text in `language`, which becomes language
  // LanguageCount + 1. EInvalidIndex for a language that does not exist (when there are entries).
  void AddLanguage(TLanguage language);
  // Removes the language from every entry; later languages move down by one. Nothing happens
  // with fewer than 2 languages. EInvalidIndex for a language that does not exist. The active
  // language is left as it is.
  void DeleteLanguage(TLanguage language);
  // The number of the first entry, in position order, whose active-language text contains
  // `text`; -1 when none does or `text` is empty. Without `caseSensitive`, both texts are
  // compared in upper case (Windows-1252 letters included).
  std::int32_t FindText(std::string_view text, bool caseSensitive) const;

  // Copied from the loader; used by the translated message box.
  std::int32_t HelpFileStringId() const { return helpFileStringId_; }
  void SetHelpFileStringId(std::int32_t id) { helpFileStringId_ = id; }
  const TCommonStrings& CommonStrings() const { return commonStrings_; }
  void SetCommonStrings(const TCommonStrings& ids) { commonStrings_ = ids; }

 private:
  TMultiLingualStr& Entry(std::int32_t number);

  std::string fileName_;
  TLanguage activeLanguage_ = 1;
  TArray entries_;
  std::int32_t helpFileStringId_ = 0;
  TCommonStrings commonStrings_;
};

// The program's one dictionary, created empty on first use and destroyed at the end.
TDictionary& Dictionary();

}  // namespace orbeta
