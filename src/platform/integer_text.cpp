#include "platform/integer_text.h"

#include <stdexcept>

namespace orbeta {
namespace {

int DigitValue(char c, int base) {
  int value = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : 99;
  return value < base ? value : -1;
}

}  // namespace

IntegerScan ScanInteger(std::string_view text) {
  IntegerScan scan;
  std::size_t pos = text.find_first_not_of(" \t");
  if (pos == std::string_view::npos) return scan;
  const bool negative = text[pos] == '-';
  if (text[pos] == '-' || text[pos] == '+') ++pos;
  int base = 10;
  if (text.substr(pos, 1) == "$") {
    base = 16, pos += 1;
  } else if (text.substr(pos, 2) == "0x" || text.substr(pos, 2) == "0X") {
    base = 16, pos += 2;
  }
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : negative ? 0x80000000ull : 0x7FFFFFFFull;
  std::uint64_t exact = 0;
  std::uint32_t value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = DigitValue(text[pos], base);
    if (digit < 0) break;
    scan.hasDigits = true;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    if (scan.fits) exact = exact * base + digit;
    if (exact > limit) scan.fits = false;
  }
  scan.complete = pos == text.size();
  scan.wrapped = static_cast<std::int32_t>(negative ? 0u - value : value);
  return scan;
}

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  const IntegerScan scan = ScanInteger(text);
  if (!scan.hasDigits || !scan.complete || !scan.fits) return std::nullopt;
  return scan.wrapped;
}

std::int32_t StrToInt(std::string_view text) {
  if (auto value = ParseInteger(text)) return *value;
  throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace orbeta
