#include "lists/grid_table.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace orbeta {
namespace {

// A table whose rows carry their original index as text in column 0, with a picture in
// column 1 of every row holding the same number.
GridTable NumberedRows(int rows) {
  GridTable table(3, rows);
  for (int row = 0; row < rows; ++row) {
    table.SetCell(0, row, std::to_string(row));
    table.SetPicture(1, row, GridPicture{row, HAlign::Left, VAlign::Bottom});
  }
  return table;
}

// Column 0 of every row, and whether each row's picture still matches its text.
std::vector<std::string> Labels(const GridTable& table) {
  std::vector<std::string> labels;
  for (int row = 0; row < table.RowCount(); ++row) {
    std::string label = table.Cell(0, row);
    const auto picture = table.Picture(1, row);
    if (label.empty() ? picture.has_value() : (!picture || std::to_string(picture->image) != label))
      label += "(picture lost)";
    labels.push_back(label);
  }
  return labels;
}

using Labels_ = std::vector<std::string>;

TEST(GridTable, RowOperationsMoveTextsAndPicturesTogether) {
  GridTable table = NumberedRows(5);
  table.MoveRow(1, 3);
  EXPECT_EQ(Labels(table), (Labels_{"0", "2", "3", "1", "4"}));
  table.MoveRow(3, 1);
  EXPECT_EQ(Labels(table), (Labels_{"0", "1", "2", "3", "4"}));
  table.SwapRows(0, 4);
  table.SwapRows(0, 4);
  table.InsertRow(2);
  EXPECT_EQ(Labels(table), (Labels_{"0", "1", "", "2", "3", "4"}));
  table.DeleteRow(0);
  EXPECT_EQ(Labels(table), (Labels_{"1", "", "2", "3", "4"}));
  table.PermuteRows(2, {2, 0, 1});
  EXPECT_EQ(Labels(table), (Labels_{"1", "", "4", "2", "3"}));
  EXPECT_EQ(table.AppendRow(), 5);
  EXPECT_EQ(Labels(table), (Labels_{"1", "", "4", "2", "3", ""}));
  EXPECT_EQ(table.Picture(1, 2), (GridPicture{4, HAlign::Left, VAlign::Bottom}));
  EXPECT_THROW(table.PermuteRows(1, {0, 0}), std::invalid_argument);
}

TEST(GridTable, ResizingKeepsWhatFitsAndClearingKeepsTheShape) {
  GridTable table = NumberedRows(4);
  table.SetCell(2, 3, "last");
  table.SetColumnHidden(1, true);
  table.SetColWidth(0, 0);

  table.ResizeColumns(2);
  table.ResizeColumns(3);
  EXPECT_EQ(table.Cell(2, 3), "");  // the dropped column comes back empty
  table.ResizeRows(2);
  table.ResizeRows(4);
  EXPECT_EQ(Labels(table), (Labels_{"0", "1", "", ""}));

  table.Clear();
  EXPECT_EQ(table.ColCount(), 3);
  EXPECT_EQ(table.RowCount(), 4);
  EXPECT_EQ(Labels(table), (Labels_{"", "", "", ""}));
  EXPECT_EQ(table.ColWidth(0), 0);
  EXPECT_EQ(table.ColWidth(1), GridTable::kDefaultColWidth);
  EXPECT_TRUE(table.ColumnHidden(1));
}

TEST(GridTable, TheLargestSizeCostsLittleUntilCellsAreWritten) {
  GridTable table;
  table.ResizeColumns(GridTable::kMaxCols);
  table.ResizeRows(GridTable::kMaxRows);
  table.SetCell(GridTable::kMaxCols - 1, GridTable::kMaxRows - 1, "corner");
  EXPECT_EQ(table.Cell(GridTable::kMaxCols - 1, GridTable::kMaxRows - 1), "corner");
  EXPECT_EQ(table.Cell(0, GridTable::kMaxRows - 1), "");
  EXPECT_THROW(table.ResizeRows(GridTable::kMaxRows + 1), std::length_error);
  EXPECT_THROW(table.ResizeColumns(GridTable::kMaxCols + 1), std::length_error);
  EXPECT_THROW(table.InsertRow(0), std::length_error);
  EXPECT_THROW(table.ResizeRows(-1), std::length_error);
}

TEST(GridTable, IndexesOutsideTheTableThrow) {
  GridTable table(2, 2);
  const std::vector<std::pair<int, int>> outside{{-1, 0}, {2, 0}, {0, -1}, {0, 2}};
  for (const auto& [col, row] : outside) {
    SCOPED_TRACE(std::to_string(col) + "," + std::to_string(row));
    EXPECT_THROW(table.Cell(col, row), std::out_of_range);
    EXPECT_THROW(table.SetCell(col, row, "x"), std::out_of_range);
    EXPECT_THROW(table.Picture(col, row), std::out_of_range);
    EXPECT_THROW(table.ClearPicture(col, row), std::out_of_range);
  }
  EXPECT_THROW(table.InsertRow(3), std::out_of_range);
  EXPECT_THROW(table.DeleteRow(2), std::out_of_range);
  EXPECT_THROW(table.MoveRow(0, 2), std::out_of_range);
  EXPECT_THROW(table.ColumnHidden(2), std::out_of_range);
}

TEST(GridTable, CellNumbersAreDecimalWithBlanksAndSignElseMinusOne) {
  const std::vector<std::pair<std::string, int>> cases{
      {"5", 5},   {"  7", 7},    {"-3", -3},   {"+4", 4},         {"007", 7},
      {"", -1},   {"x", -1},     {"5 ", -1},   {"+-1", -1},       {"0x10", -1},
      {"$10", -1}, {" ", -1},    {"1.5", -1},  {"99999999999", -1}};
  for (const auto& [text, number] : cases) EXPECT_EQ(CellNumber(text), number) << "'" << text << "'";
}

}  // namespace
}  // namespace orbeta
