#include "lists/grid_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/atomic_file.h"

namespace orbeta {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kTab = '\t';  // stands for CR inside a cell text
constexpr char kBs = '\b';   // stands for LF inside a cell text

// Splits the file into lines: each ends at LF, with the CR before it dropped; a last line
// without LF still counts.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : rest_(bytes) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    ++number_;
    const auto end = rest_.find(kLf);
    line = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    if (!line.empty() && line.back() == kCr) line.remove_suffix(1);
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view rest_;
  int number_ = 0;
};

class Parser {
 public:
  Parser(const std::string& path, const LineReader& lines) : path_(path), lines_(lines) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw EGridFileError("Grid file " + path_ + ", line " + std::to_string(lines_.Number()) +
                             ": " + what,
                         path_, lines_.Number());
  }

  // A decimal integer, an optional "-" and digits only.
  long long Integer(std::string_view text) const {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
      Fail("'" + std::string(text) + "' is not a valid integer value");
    return value;
  }

  // An index of the table, checked against the size in force.
  int Index(std::string_view text, const char* what, int count) const {
    const long long value = Integer(text);
    if (value < 0 || value >= count)
      Fail(std::string(what) + " " + std::to_string(value) + " outside the " +
           std::to_string(count) + " " + what + "s of the table");
    return static_cast<int>(value);
  }

  int Count(std::string_view text, const char* what, int limit) const {
    const long long value = Integer(text);
    if (value < 1 || value > limit)
      Fail(std::to_string(value) + " " + what + "s: a grid file has 1 to " +
           std::to_string(limit));
    return static_cast<int>(value);
  }

 private:
  const std::string& path_;
  const LineReader& lines_;
};

std::string DecodeText(std::string_view text) {
  std::string decoded(text);
  for (char& c : decoded) {
    if (c == kTab) {
      c = kCr;
    } else if (c == kBs) {
      c = kLf;
    }
  }
  return decoded;
}

void AppendEncoded(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.append(text);
  for (std::size_t i = start; i < out.size(); ++i) {
    if (out[i] == kCr) {
      out[i] = kTab;
    } else if (out[i] == kLf) {
      out[i] = kBs;
    }
  }
}

// The whole file in one read of its known size; nullopt when it cannot be opened or read
// (a directory included).
std::optional<std::string> ReadGridBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::string bytes;
  bool ok = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
  if (ok && info.st_size > 0) bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  while (ok) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);  // a file that grew
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

}  // namespace

void ReadGridFile(GridTable& table, const std::string& path) {
  const std::optional<std::string> bytes = ReadGridBytes(path);
  if (!bytes) throw EGridFileError("File " + path + " not found", path, 0);

  LineReader lines(*bytes);
  const Parser parse(path, lines);
  std::string_view line;
  if (!lines.Next(line)) return;
  if (!line.empty()) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) parse.Fail("expected the column and row counts \"C,R\"");
    const int cols = parse.Count(line.substr(0, comma), "column", GridTable::kMaxCols);
    const int rows = parse.Count(line.substr(comma + 1), "row", GridTable::kMaxRows);
    table.ResizeColumns(cols);
    table.ResizeRows(rows);
  }
  while (lines.Next(line)) {
    const auto first = line.find(',');
    const auto second = first == std::string_view::npos ? first : line.find(',', first + 1);
    if (second == std::string_view::npos) parse.Fail("expected a cell \"column,row,text\"");
    const int col = parse.Index(line.substr(0, first), "column", table.ColCount());
    const int row = parse.Index(line.substr(first + 1, second - first - 1), "row", table.RowCount());
    table.SetCell(col, row, DecodeText(line.substr(second + 1)));
  }
}

std::string FormatGridFile(const GridTable& table) {
  std::string out;
  out += std::to_string(table.ColCount()) + ',' + std::to_string(table.RowCount()) + "\r\n";
  for (int row = 0; row < table.RowCount(); ++row) {
    for (int col = 0; col < table.ColCount(); ++col) {
      const std::string& text = table.Cell(col, row);
      if (text.empty()) continue;
      out += std::to_string(col);
      out += ',';
      out += std::to_string(row);
      out += ',';
      AppendEncoded(out, text);
      out += "\r\n";
    }
  }
  return out;
}

void WriteGridFile(const GridTable& table, const std::string& path) {
  ReplaceFileAtomically(path, FormatGridFile(table));
}

}  // namespace orbeta
