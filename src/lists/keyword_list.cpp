#include "lists/keyword_list.h"

#include <random>
#include <stdexcept>

#include "language/dictionary.h"
#include "lists/grid_file.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "platform/paths.h"

namespace orbeta {
namespace {

using K = KeywordRecord;

constexpr std::string_view kCodeAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kCodeLength = 3;

GridTable MakeKeywordList() {
  GridTable table(K::ColumnCount, 1);
  for (int col = K::Code; col < K::ColumnCount; ++col) table.SetColumnHidden(col, true);
  return table;
}

constexpr GridPicture Centred(int image) {
  return GridPicture{image, HAlign::Center, VAlign::Center};
}

// The marks and the icon that a data row shows after a read.
void ShowKeywordPictures(int row) {
  if (CellNumber(KeywordList.Cell(K::Selected, row)) == 1) {
    KeywordList.SetPicture(K::SelectMark, row, Centred(kSelectedImage));
  } else {
    KeywordList.ClearPicture(K::SelectMark, row);
  }
  const bool hidden = CellNumber(KeywordList.Cell(K::Hidden, row)) == 1;
  KeywordList.SetPicture(K::TabMark, row, Centred(hidden ? kHiddenTabImage : kShownTabImage));
  // Image 5 is the "All" tab's icon, never a keyword's after a read.
  if (const int icon = CellNumber(KeywordList.Cell(K::IconNumber, row)); icon > 5) {
    KeywordList.SetPicture(K::Icon, row, Centred(icon));
  } else {
    KeywordList.ClearPicture(K::Icon, row);
  }
}

std::mt19937& RandomEngine() {
  static std::mt19937 engine{std::random_device{}()};
  return engine;
}

}  // namespace

GridTable KeywordList = MakeKeywordList();

void WriteKeywordListTitles() {
  for (int col = 0; col < K::ColumnCount && col < KeywordList.ColCount(); ++col)
    KeywordList.SetCell(col, 0, Dictionary().GetText(K::FirstTitle + col));
}

void NewKeywordList() {
  KeywordList.ResizeColumns(K::ColumnCount);
  KeywordList.ResizeRows(2);
  KeywordList.Clear();
  WriteKeywordListTitles();
  KeywordList.SetCell(K::Code, 1, NewKeywordCode());
  KeywordsChanged = true;
  WriteGridFile(KeywordList, ResolveFileName(CurrentKeyFile));
}

bool ReadKeywordFile() {
  const std::string path = ResolveFileName(CurrentKeyFile);
  if (!FileExists(path)) {
    NewKeywordList();
    return false;
  }
  KeywordList.ResizeRows(1);
  // A table narrowed by a damaged file still has every keyword column afterwards.
  struct Restore {
    ~Restore() {
      if (KeywordList.ColCount() < K::ColumnCount) KeywordList.ResizeColumns(K::ColumnCount);
      for (int col = K::Code; col < K::ColumnCount; ++col) KeywordList.SetColumnHidden(col, true);
    }
  } restore;
  for (int col = K::Code; col < K::ColumnCount; ++col) KeywordList.SetColumnHidden(col, false);
  ReadGridFile(KeywordList, path);
  if (KeywordList.ColCount() < K::ColumnCount) KeywordList.ResizeColumns(K::ColumnCount);
  if (KeywordList.RowCount() > 1 &&
      KeywordList.Cell(K::Word, 0) != Dictionary().GetText(K::WordTitle)) {
    WriteKeywordListTitles();
  }
  for (int row = 1; row < KeywordList.RowCount(); ++row) ShowKeywordPictures(row);
  KeywordsChanged = true;
  return true;
}

int FindKeywordCode(std::string_view code) {
  for (int row = 1; row < KeywordList.RowCount(); ++row) {
    if (KeywordList.Cell(K::Code, row) == code) return row;
  }
  return -1;
}

std::string CodeOfWord(std::string_view word) {
  for (int row = 1; row < KeywordList.RowCount(); ++row) {
    if (KeywordList.Cell(K::Word, row) == word) return KeywordList.Cell(K::Code, row);
  }
  return {};
}

std::string NewKeywordCode() {
  std::uniform_int_distribution<std::size_t> pick(0, kCodeAlphabet.size() - 1);
  std::string code(kCodeLength, ' ');
  // Random draws find a free code at once while the list is far from full; past that many
  // misses, take the first free code in order, or give up when there is none.
  for (int attempt = 0; attempt < 10000; ++attempt) {
    for (char& c : code) c = kCodeAlphabet[pick(RandomEngine())];
    if (FindKeywordCode(code) < 0) return code;
  }
  for (char a : kCodeAlphabet) {
    for (char b : kCodeAlphabet) {
      for (char c : kCodeAlphabet) {
        code = {a, b, c};
        if (FindKeywordCode(code) < 0) return code;
      }
    }
  }
  throw std::runtime_error("every keyword code is taken");
}

std::string CodesToWords(std::string_view codes) {
  std::string words;
  for (std::size_t start = 0; start + 1 < codes.size(); start += kCodeLength) {
    const int row = FindKeywordCode(codes.substr(start, kCodeLength));
    if (row < 0) continue;
    words += KeywordList.Cell(K::Word, row);
    words += ", ";
  }
  if (words.size() >= 2) words.resize(words.size() - 2);
  return words;
}

KeywordSelection SelectedKeywords() {
  KeywordSelection selection;
  bool first = true;
  for (int row = 1; row < KeywordList.RowCount(); ++row) {
    if (CellNumber(KeywordList.Cell(K::Selected, row)) != 1) continue;
    selection.codes += KeywordList.Cell(K::Code, row);
    if (!first) selection.types += ", ";
    selection.types += KeywordList.Cell(K::Word, row);
    first = false;
  }
  return selection;
}

void RefreshTypeTexts() {
  for (int row = 1; row < SiteList.RowCount(); ++row)
    SiteList.SetCell(SiteRecord::Types, row, CodesToWords(SiteList.Cell(SiteRecord::Codes, row)));
  KeywordNamesEdited = false;
}

}  // namespace orbeta
