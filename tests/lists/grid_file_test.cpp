#include "lists/grid_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(GridFile, WritesTheExactBytes) {
  GridTable table(3, 3);
  table.SetCell(0, 0, "Title A");
  table.SetCell(2, 0, "Title C");
  table.SetCell(1, 1, "Town library, main hall");
  table.SetCell(0, 2, "two\r\nlines");
  table.SetCell(2, 2, "tab\there, bs\bthere");
  table.SetPicture(1, 2, GridPicture{7});  // pictures are not stored, nor an empty cell's
  table.SetColumnHidden(2, true);          // hidden columns are stored like the others
  TempDir dir;
  WriteGridFile(table, dir.File("list.edn"));
  EXPECT_EQ(ReadFile(dir.File("list.edn")),
            "3,3\r\n"
            "0,0,Title A\r\n"
            "2,0,Title C\r\n"
            "1,1,Town library, main hall\r\n"
            "0,2,two\t\blines\r\n"
            "2,2,tab\there, bs\bthere\r\n");
}

TEST(GridFile, TextsSurviveAWriteAndARead) {
  GridTable written(9, 3);
  written.SetCell(1, 1, "Town library, main hall, 2nd floor");
  written.SetCell(6, 1, "open\r\nMonday\nto Friday\r");
  written.SetCell(8, 2, "Caf\xE9 \xC9" "cole \x80 5");  // Windows-1252 bytes
  written.SetCell(3, 2, "tab\tand bs\b");
  TempDir dir;
  WriteGridFile(written, dir.File("list.edn"));

  GridTable read(1, 1);
  ReadGridFile(read, dir.File("list.edn"));
  EXPECT_EQ(read.ColCount(), 9);
  EXPECT_EQ(read.RowCount(), 3);
  EXPECT_EQ(read.Cell(1, 1), written.Cell(1, 1));
  EXPECT_EQ(read.Cell(6, 1), written.Cell(6, 1));
  EXPECT_EQ(read.Cell(8, 2), written.Cell(8, 2));
  EXPECT_EQ(read.Cell(3, 2), "tab\rand bs\n");  // TAB and BS stand for CR and LF
  EXPECT_EQ(read.Cell(0, 0), "");
}

TEST(GridFile, ReadingLeavesWhatTheFileDoesNotName) {
  TempDir dir;
  GridTable table(9, 3);
  table.SetCell(1, 0, "Old title");
  table.SetCell(1, 2, "old row");

  // Only a size: the title row keeps its texts.
  WriteFile(dir.File("size.edn"), "9,1\r\n");
  ReadGridFile(table, dir.File("size.edn"));
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(1, 0), "Old title");

  // An empty first line keeps the size; lines may end in LF alone; the last needs no end.
  table.ResizeRows(3);
  WriteFile(dir.File("nosize.edn"), "\n1,1,new\n4,2,last");
  ReadGridFile(table, dir.File("nosize.edn"));
  EXPECT_EQ(table.ColCount(), 9);
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_EQ(table.Cell(1, 1), "new");
  EXPECT_EQ(table.Cell(4, 2), "last");

  // An empty file changes nothing.
  WriteFile(dir.File("empty.edn"), "");
  ReadGridFile(table, dir.File("empty.edn"));
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_EQ(table.Cell(1, 1), "new");
}

TEST(GridFile, AFileThatCannotBeOpenedIsNotFound) {
  TempDir dir;
  GridTable table;
  for (const std::string& path : {dir.File("missing.edn"), dir.path()}) {
    try {
      ReadGridFile(table, path);
      ADD_FAILURE() << path << " was read";
    } catch (const EGridFileError& error) {
      EXPECT_STREQ(error.what(), ("File " + path + " not found").c_str());
      EXPECT_EQ(error.Line(), 0);
    }
  }
}

// Each damaged file fails at its line with a message naming the file and that line; the cells
// of the lines before it have been read.
TEST(GridFile, DamagedLinesFailAtTheirLine) {
  struct Case {
    std::string bytes;
    int line;
    std::string reason;
  };
  const std::vector<Case> cases{
      {"9\r\n", 1, "C,R"},
      {"x,2\r\n", 1, "'x' is not a valid integer value"},
      {"9,2,\r\n", 1, "'2,' is not a valid integer value"},
      {"-1,2\r\n", 1, "-1 columns"},
      {"0,2\r\n", 1, "0 columns"},
      {"1001,2\r\n", 1, "1001 columns"},
      {"9,1000001\r\n", 1, "1000001 rows"},
      {"9,99999999999999999999\r\n", 1, "not a valid integer value"},
      {"9,3\r\n1,1,kept\r\n1,2\r\n", 3, "column,row,text"},
      {"9,3\r\n1,1,kept\r\n\r\n", 3, "column,row,text"},
      {"9,3\r\n1,1,kept\r\n9,2,x\r\n", 3, "column 9 outside the 9 columns"},
      {"9,3\r\n1,1,kept\r\n1,3,x\r\n", 3, "row 3 outside the 3 rows"},
      {"9,3\r\n1,1,kept\r\n-1,2,x\r\n", 3, "column -1 outside"},
      {"9,3\r\n1,1,kept\r\n1,-2,x\r\n", 3, "row -2 outside"},
      {"9,3\r\n1,1,kept\r\n1, 2,x\r\n", 3, "' 2' is not a valid integer value"},
      {"9,3\r\n1,1,kept\r\na,2,x\r\n", 3, "'a' is not a valid integer value"},
      {"9,3\r\n1,1,kept\r\n1,2000000000000,x\r\n", 3, "row 2000000000000 outside"},
      {"9,3\r\n1,1,kept\r\n1,99999999999999999999,x\r\n", 3, "not a valid integer value"},
  };
  TempDir dir;
  const std::string path = dir.File("bad.edn");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    WriteFile(path, c.bytes);
    GridTable table(9, 3);
    try {
      ReadGridFile(table, path);
      ADD_FAILURE() << "read without error";
    } catch (const EGridFileError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(path + ", line " + std::to_string(c.line) + ": "), std::string::npos)
          << message;
      EXPECT_NE(message.find(c.reason), std::string::npos) << message;
      EXPECT_EQ(error.Line(), c.line);
      EXPECT_EQ(error.Path(), path);
    }
    if (c.line > 2) {
      EXPECT_EQ(table.Cell(1, 1), "kept");
    }
  }
}

TEST(GridFile, WritesReplaceTheFileInOnePiece) {
  TempDir dir;
  const std::string path = dir.File("list.edn");
  WriteFile(path, "old contents that are longer than the new ones\r\n");
  GridTable table(2, 1);
  table.SetCell(0, 0, "A");
  WriteGridFile(table, path);
  EXPECT_EQ(ReadFile(path), "2,1\r\n0,0,A\r\n");
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_THROW(WriteGridFile(table, dir.File("no such folder/list.edn")), std::system_error);
}

}  // namespace
}  // namespace orbeta
