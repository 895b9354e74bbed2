#include "lists/keyword_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "lists/grid_file.h"
#include "lists/lists_fixture.h"

namespace orbeta {
namespace {

using test::ReadFile;
using test::WriteFile;
using K = KeywordRecord;

class KeywordListTest : public test::ListsTest {};

TEST_F(KeywordListTest, CodesTurnIntoTheWordsOfTheirFirstRows) {
  AddKeyword("Museums", "a1B");
  AddKeyword("Maps", "zz9");
  AddKeyword("Museums again", "a1B");
  AddKeyword("", "emp");
  const std::vector<std::pair<std::string, std::string>> cases{
      {"zz9a1B", "Maps, Museums"},
      {"a1Bqqq", "Museums"},
      {"a1Bz", "Museums"},    // a trailing single character is not looked up
      {"a1Bzz", "Museums"},   // a trailing pair is, and matches nothing
      {"A1B", ""},            // codes are case-sensitive
      {"1Bz", ""},
      {"", ""},
      {"empa1B", ", Museums"},
  };
  for (const auto& [codes, words] : cases) EXPECT_EQ(CodesToWords(codes), words) << codes;

  EXPECT_EQ(FindKeywordCode("a1B"), 1);
  EXPECT_EQ(FindKeywordCode("A1B"), -1);
  EXPECT_EQ(CodeOfWord("Museums"), "a1B");
  EXPECT_EQ(CodeOfWord("museums"), "");
  EXPECT_EQ(CodeOfWord("Zoos"), "");
}

TEST_F(KeywordListTest, SelectionGivesCodesAndWordsInRowOrder) {
  AddKeyword("Museums", "a1B");
  AddKeyword("Maps", "zz9");
  AddKeyword("", "emp");
  AddKeyword("Zoos", "Zo0");
  KeywordList.SetCell(K::Selected, 2, " 1");
  KeywordList.SetCell(K::Selected, 3, "1");
  KeywordList.SetCell(K::Selected, 4, "+1");
  KeywordList.SetCell(K::Selected, 1, "11");
  const KeywordSelection selection = SelectedKeywords();
  EXPECT_EQ(selection.codes, "zz9empZo0");
  EXPECT_EQ(selection.types, "Maps, , Zoos");
}

TEST_F(KeywordListTest, NewCodesAreFreshAndFromTheAlphabet) {
  std::set<std::string> seen;
  for (int i = 0; i < 3000; ++i) {
    const std::string code = NewKeywordCode();
    ASSERT_EQ(code.size(), 3u);
    for (char c : code) ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << code;
    ASSERT_TRUE(seen.insert(code).second) << code << " given twice";
    AddKeyword("", code);
  }
}

TEST_F(KeywordListTest, TypeTextsAreRecomputedFromTheCodes) {
  AddKeyword("Museums", "a1B");
  AddKeyword("Maps", "zz9");
  AddSite("Both", "", "", "zz9a1B");
  AddSite("Stale", "", "", "a1B");
  SiteList.SetCell(SiteRecord::Types, 2, "Old name");
  KeywordNamesEdited = true;
  RefreshTypeTexts();
  EXPECT_EQ(SiteList.Cell(SiteRecord::Types, 1), "Maps, Museums");
  EXPECT_EQ(SiteList.Cell(SiteRecord::Types, 2), "Museums");
  EXPECT_FALSE(KeywordNamesEdited);
}

TEST_F(KeywordListTest, AMissingFileBecomesANewListWrittenAtOnce) {
  CurrentKeyFile = dir.File("Town.key");
  EXPECT_FALSE(ReadKeywordFile());
  EXPECT_TRUE(KeywordsChanged);
  ASSERT_EQ(KeywordList.RowCount(), 2);
  const std::string code = KeywordList.Cell(K::Code, 1);
  EXPECT_EQ(code.size(), 3u);
  EXPECT_EQ(KeywordList.Cell(K::Word, 1), "");
  EXPECT_EQ(KeywordList.Cell(K::Hidden, 1), "");
  EXPECT_EQ(ReadFile(dir.File("Town.key")),
            "8,2\r\n0,0,Sel\r\n1,0,Tab\r\n2,0,Pic\r\n3,0,Word\r\n4,0,Code\r\n5,0,Chosen\r\n"
            "6,0,Hidden\r\n7,0,IconNo\r\n4,1," + code + "\r\n");
}

TEST_F(KeywordListTest, ReadingSetsMarksIconsAndTitles) {
  const std::string path = dir.File("Town.key");
  CurrentKeyFile = path;
  WriteFile(path,
            "8,5\r\n3,0,Old word title\r\n"
            "3,1,Museums\r\n4,1,a1B\r\n5,1,1\r\n6,1,1\r\n7,1,6\r\n"
            "3,2,Maps\r\n4,2,zz9\r\n5,2,0\r\n6,2,0\r\n7,2,5\r\n"
            "3,3,Zoos\r\n4,3,Zo0\r\n"
            "3,4,Parks\r\n4,4,pk1\r\n6,4,x\r\n7,4,12\r\n");
  KeywordList.AppendRow();
  KeywordList.SetCell(K::Word, 1, "stale row");
  EXPECT_TRUE(ReadKeywordFile());
  EXPECT_TRUE(KeywordsChanged);
  EXPECT_EQ(KeywordList.RowCount(), 5);
  EXPECT_EQ(KeywordList.Cell(K::Word, 0), "Word");  // titles of the active language
  EXPECT_EQ(KeywordList.Cell(K::SelectMark, 0), "Sel");
  for (int col = K::Code; col < K::ColumnCount; ++col) EXPECT_TRUE(KeywordList.ColumnHidden(col));

  const auto image = [](int col, int row) {
    const auto picture = KeywordList.Picture(col, row);
    return picture ? picture->image : -1;
  };
  // Selection mark, tab mark and icon of each row.
  const std::vector<std::vector<int>> expected{
      {kSelectedImage, kHiddenTabImage, 6}, {-1, kShownTabImage, -1},
      {-1, kShownTabImage, -1}, {-1, kShownTabImage, 12}};
  for (int row = 1; row <= 4; ++row) {
    const auto& marks = expected[static_cast<std::size_t>(row - 1)];
    EXPECT_EQ(image(K::SelectMark, row), marks[0]) << row;
    EXPECT_EQ(image(K::TabMark, row), marks[1]) << row;
    EXPECT_EQ(image(K::Icon, row), marks[2]) << row;
  }

  // Stored titles in the active language stay as stored.
  WriteFile(path, "8,2\r\n0,0,My marks\r\n3,0,Word\r\n3,1,Maps\r\n4,1,zz9\r\n");
  EXPECT_TRUE(ReadKeywordFile());
  EXPECT_EQ(KeywordList.Cell(K::SelectMark, 0), "My marks");
}

TEST_F(KeywordListTest, AnUnreadableFileReachesTheCallerWithTheRowsBefore) {
  const std::string path = dir.File("Town.key");
  CurrentKeyFile = path;
  WriteFile(path, "8,3\r\n3,1,Museums\r\n4,1,a1B\r\n3,2\r\n");
  EXPECT_THROW(ReadKeywordFile(), EGridFileError);
  EXPECT_EQ(KeywordList.Cell(K::Word, 1), "Museums");
  EXPECT_TRUE(KeywordList.ColumnHidden(K::Code));

  WriteFile(path, "3,2\r\n2,1,narrow\r\n2,2\r\n");  // even a narrowed list keeps its columns
  EXPECT_THROW(ReadKeywordFile(), EGridFileError);
  EXPECT_EQ(KeywordList.ColCount(), K::ColumnCount);
}

}  // namespace
}  // namespace orbeta
