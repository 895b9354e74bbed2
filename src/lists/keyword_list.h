// The keyword list: the categories of the site list, each with a word, a 3-character code, an
// icon and a flag that hides its tab. Sites name their keywords by code (site column 7).
#pragma once

#include <string>
#include <string_view>

#include "lists/grid_table.h"

namespace orbeta {

// The columns of one data row of the keyword list.
struct KeywordRecord {
  static constexpr int SelectMark = 0;  // no text; shows image 0 when Selected is 1
  static constexpr int TabMark = 1;     // no text; image 1 when Hidden is 1, image 2 otherwise
  static constexpr int Icon = 2;        // no text; shows the keyword's icon
  static constexpr int Word = 3;
  static constexpr int Code = 4;        // 3 characters of 0-9, A-Z, a-z; unique, case counts
  static constexpr int Selected = 5;    // "1" chosen in the picker, "0" not
  static constexpr int Hidden = 6;      // "1" no tab in the main window, "0" a tab
  static constexpr int IconNumber = 7;
  static constexpr int ColumnCount = 8;
  // Dictionary number of the title of column 0; the others follow.
  static constexpr int FirstTitle = 220;
  static constexpr int WordTitle = 223;
};

// Icon images with a fixed use in the mark columns.
inline constexpr int kSelectedImage = 0;
inline constexpr int kHiddenTabImage = 1;
inline constexpr int kShownTabImage = 2;

extern GridTable KeywordList;

// Rewrites row 0 with the titles of dictionary texts 220 to 227 in the active language.
void WriteKeywordListTitles();

// Empties the list to one row that has a fresh code and nothing else, writes it to
// CurrentKeyFile at once and sets KeywordsChanged. The write may throw std::system_error.
void NewKeywordList();

// Reads CurrentKeyFile into the list (data rows replaced, marks and icons set, titles
// rewritten when they are not those of the active language) and sets KeywordsChanged: true.
// A missing file makes and writes a new list instead: false. A file that cannot be read
// throws EGridFileError; the rows read before the faulty line stay.
bool ReadKeywordFile();

// The first data row whose code is exactly `code`, or -1.
int FindKeywordCode(std::string_view code);

// The code of the first data row whose word is exactly `word`; empty when none has it.
std::string CodeOfWord(std::string_view word);

// A code that no row holds: three characters drawn uniformly from 0-9, A-Z, a-z.
// std::runtime_error when all 238,328 codes are taken.
std::string NewKeywordCode();

// The words of the codes, joined by ", ": the code string is read in steps of three from its
// start (a trailing pair is looked up, a trailing single character is not); codes that no row
// holds add nothing.
std::string CodesToWords(std::string_view codes);

struct KeywordSelection {
  std::string codes;
  std::string types;
};
// The codes of the rows whose Selected value is 1, concatenated in row order, and their words
// joined by ", ".
KeywordSelection SelectedKeywords();

// Sets the types text of every site row from its codes and clears KeywordNamesEdited.
void RefreshTypeTexts();

}  // namespace orbeta
