#include "lists/grid_table.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace orbeta {
namespace {

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

GridTable::GridTable(int cols, int rows) {
  ResizeColumns(cols);
  ResizeRows(rows);
}

void GridTable::ResizeColumns(int cols) {
  if (cols < 0 || cols > kMaxCols)
    throw std::length_error("a grid has 0 to " + std::to_string(kMaxCols) + " columns, not " +
                            std::to_string(cols));
  if (cols < colCount_) {
    for (Row& row : rows_) {
      if (static_cast<int>(row.size()) > cols) row.resize(static_cast<std::size_t>(cols));
    }
  }
  colCount_ = cols;
  columns_.resize(static_cast<std::size_t>(cols));
}

void GridTable::ResizeRows(int rows) {
  if (rows < 0 || rows > kMaxRows)
    throw std::length_error("a grid has 0 to " + std::to_string(kMaxRows) + " rows, not " +
                            std::to_string(rows));
  rows_.resize(static_cast<std::size_t>(rows));
}

void GridTable::CheckCol(int col) const {
  if (col < 0 || col >= colCount_)
    throw std::out_of_range("grid column " + std::to_string(col) + " outside 0.." +
                            std::to_string(colCount_ - 1));
}

void GridTable::CheckRow(int row) const {
  if (row < 0 || row >= RowCount())
    throw std::out_of_range("grid row " + std::to_string(row) + " outside 0.." +
                            std::to_string(RowCount() - 1));
}

const GridCell* GridTable::FindCell(int col, int row) const {
  CheckCol(col);
  CheckRow(row);
  const Row& cells = rows_[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(col) < cells.size() ? &cells[static_cast<std::size_t>(col)]
                                                      : nullptr;
}

GridCell& GridTable::MutableCell(int col, int row) {
  CheckCol(col);
  CheckRow(row);
  Row& cells = rows_[static_cast<std::size_t>(row)];
  // A row that gets its first cell takes the full width at once rather than growing cell by
  // cell while a file is read.
  if (static_cast<std::size_t>(col) >= cells.size())
    cells.resize(static_cast<std::size_t>(std::max(col + 1, colCount_)));
  return cells[static_cast<std::size_t>(col)];
}

const std::string& GridTable::Cell(int col, int row) const {
  const GridCell* cell = FindCell(col, row);
  return cell ? cell->text : EmptyText();
}

void GridTable::SetCell(int col, int row, std::string text) {
  MutableCell(col, row).text = std::move(text);
}

std::optional<GridPicture> GridTable::Picture(int col, int row) const {
  const GridCell* cell = FindCell(col, row);
  return cell ? cell->picture : std::nullopt;
}

void GridTable::SetPicture(int col, int row, GridPicture picture) {
  MutableCell(col, row).picture = picture;
}

void GridTable::ClearPicture(int col, int row) {
  CheckCol(col);
  CheckRow(row);
  Row& cells = rows_[static_cast<std::size_t>(row)];
  if (static_cast<std::size_t>(col) < cells.size()) cells[static_cast<std::size_t>(col)].picture.reset();
}

void GridTable::InsertRow(int row) {
  if (row < 0 || row > RowCount())
    throw std::out_of_range("cannot insert a grid row at " + std::to_string(row));
  if (RowCount() >= kMaxRows) throw std::length_error("a grid has at most " + std::to_string(kMaxRows) + " rows");
  rows_.insert(rows_.begin() + row, Row());
}

int GridTable::AppendRow() {
  InsertRow(RowCount());
  return RowCount() - 1;
}

void GridTable::DeleteRow(int row) {
  CheckRow(row);
  rows_.erase(rows_.begin() + row);
}

void GridTable::MoveRow(int from, int to) {
  CheckRow(from);
  CheckRow(to);
  if (from < to) {
    std::rotate(rows_.begin() + from, rows_.begin() + from + 1, rows_.begin() + to + 1);
  } else if (from > to) {
    std::rotate(rows_.begin() + to, rows_.begin() + from, rows_.begin() + from + 1);
  }
}

void GridTable::SwapRows(int a, int b) {
  CheckRow(a);
  CheckRow(b);
  std::swap(rows_[static_cast<std::size_t>(a)], rows_[static_cast<std::size_t>(b)]);
}

void GridTable::PermuteRows(int first, const std::vector<int>& order) {
  const int count = static_cast<int>(order.size());
  if (count == 0) return;
  CheckRow(first);
  CheckRow(first + count - 1);
  std::vector<bool> seen(order.size());
  for (int from : order) {
    if (from < 0 || from >= count || seen[static_cast<std::size_t>(from)])
      throw std::invalid_argument("grid row order is not a permutation");
    seen[static_cast<std::size_t>(from)] = true;
  }
  std::vector<Row> moved;
  moved.reserve(order.size());
  for (int from : order) moved.push_back(std::move(rows_[static_cast<std::size_t>(first + from)]));
  std::move(moved.begin(), moved.end(), rows_.begin() + first);
}

void GridTable::Clear() {
  for (Row& row : rows_) row.clear();
}

void GridTable::ClearRow(int row) {
  CheckRow(row);
  rows_[static_cast<std::size_t>(row)].clear();
}

bool GridTable::ColumnHidden(int col) const {
  CheckCol(col);
  return columns_[static_cast<std::size_t>(col)].hidden;
}

void GridTable::SetColumnHidden(int col, bool hidden) {
  CheckCol(col);
  columns_[static_cast<std::size_t>(col)].hidden = hidden;
}

int GridTable::ColWidth(int col) const {
  CheckCol(col);
  return columns_[static_cast<std::size_t>(col)].width;
}

void GridTable::SetColWidth(int col, int width) {
  CheckCol(col);
  columns_[static_cast<std::size_t>(col)].width = width;
}

int CellNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return -1;
  }
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return -1;
  return value;
}

}  // namespace orbeta
