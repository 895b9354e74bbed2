// The table of text cells that holds the site list and the keyword list. The editors show and
// change this very table through the grid widget; every lookup reads it as it is at that moment.
//
// Cells are addressed (column, row), both from 0, as in the grid files. Row 0 is the title row;
// there are no fixed columns. Texts are Windows-1252 bytes. Every accessor throws
// std::out_of_range for an index outside the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbeta {

enum class HAlign : std::uint8_t { Left, Center, Right };
enum class VAlign : std::uint8_t { Top, Center, Bottom };

// A picture shown in a cell, for display only: an index into the shared icon image list.
struct GridPicture {
  int image = 0;
  HAlign halign = HAlign::Center;
  VAlign valign = VAlign::Center;
  friend bool operator==(const GridPicture&, const GridPicture&) = default;
};

struct GridCell {
  std::string text;
  std::optional<GridPicture> picture;
};

enum class SortDirection : std::uint8_t { Ascending, Descending };

class GridTable {
 public:
  static constexpr int kDefaultColWidth = 64;
  // Bounds that keep a damaged file or a runaway paste from taking all memory.
  static constexpr int kMaxCols = 1000;
  static constexpr int kMaxRows = 1000000;

  // `cols` columns and `rows` rows (the title row included), every cell empty.
  explicit GridTable(int cols = 1, int rows = 1);

  int ColCount() const { return colCount_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // New columns and rows are empty; dropped ones lose their cells. Counts outside
  // 0..kMaxCols / 0..kMaxRows throw std::length_error.
  void ResizeColumns(int cols);
  void ResizeRows(int rows);

  // The text of a cell; an untouched cell is empty.
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  // The cell's picture, nullopt when it shows none.
  std::optional<GridPicture> Picture(int col, int row) const;
  void SetPicture(int col, int row, GridPicture picture);
  void ClearPicture(int col, int row);

  // Inserts an empty row before `row` (0..RowCount: RowCount appends); later rows move down.
  void InsertRow(int row);
  // Appends an empty row and gives its index.
  int AppendRow();
  void DeleteRow(int row);
  // Takes the row out and puts it back at `to` (an index of the table after the move), with
  // its texts and pictures.
  void MoveRow(int from, int to);
  void SwapRows(int a, int b);
  // Reorders rows first..first+order.size()-1: row first+i gets the row that was at
  // first+order[i]. `order` must be a permutation of 0..order.size()-1.
  void PermuteRows(int first, const std::vector<int>& order);

  // Empties every text and removes every picture; the size stays.
  void Clear();
  void ClearRow(int row);

  // Hidden columns keep their index and cells; only the display leaves them out.
  bool ColumnHidden(int col) const;
  void SetColumnHidden(int col, bool hidden);
  // Display width in pixels; 0 or less makes the column invisible.
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);

  SortDirection Direction() const { return direction_; }
  void SetDirection(SortDirection direction) { direction_ = direction; }

 private:
  struct Column {
    int width = kDefaultColWidth;
    bool hidden = false;
  };
  // A row holds cells only up to the last one ever written, so that a large declared size
  // costs little until cells are filled.
  using Row = std::vector<GridCell>;

  void CheckCol(int col) const;
  void CheckRow(int row) const;
  GridCell& MutableCell(int col, int row);
  const GridCell* FindCell(int col, int row) const;

  int colCount_ = 0;
  std::vector<Row> rows_;
  std::vector<Column> columns_;
  SortDirection direction_ = SortDirection::Ascending;
};

// A number kept in a cell (icon numbers, keyword flags): a decimal integer with optional
// leading blanks and sign; -1 for an empty cell, other text or a value beyond 32 bits.
int CellNumber(std::string_view text);

}  // namespace orbeta
