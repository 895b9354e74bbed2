// The grid file format of the site files (".edn") and keyword files (".key").
//
// Windows-1252 text, lines ending in CR LF. Line 1 is "C,R": the column and row counts, the
// title row included. Every other line is one non-empty cell: "column,row,text", rows
// ascending, columns ascending within a row. Inside a text a CR is written as TAB and an LF as
// BS, and read back the other way. Widths, pictures, hidden marks and sort state are not kept.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "lists/grid_table.h"

namespace orbeta {

// A grid file that cannot be opened ("File <path> not found", Line() 0) or a line that is not
// what the format allows (the message names the file and the line).
class EGridFileError : public std::runtime_error {
 public:
  EGridFileError(const std::string& message, std::string path, int line)
      : std::runtime_error(message), path_(std::move(path)), line_(line) {}
  const std::string& Path() const { return path_; }
  int Line() const { return line_; }

 private:
  std::string path_;
  int line_;
};

// Reads the file into `table`: a non-empty first line resizes it (1..kMaxCols columns,
// 1..kMaxRows rows), then every cell line sets its cell, whose indexes must lie inside the
// table. Cells that the file does not name keep their text, so callers remove old rows first.
// On a bad line it throws EGridFileError; the cells read before that line keep their new text.
void ReadGridFile(GridTable& table, const std::string& path);

// The bytes WriteGridFile writes for `table`.
std::string FormatGridFile(const GridTable& table);

// Replaces the file with the table's every column, hidden ones included, in one piece.
// std::system_error naming the file when it cannot be written.
void WriteGridFile(const GridTable& table, const std::string& path);

}  // namespace orbeta
