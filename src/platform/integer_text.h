// Reading 32-bit integers from text, as the settings and the registry read numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orbeta {

// What one scan of "blanks, sign, optional "$"/"0x" prefix, digits" found.
struct IntegerScan {
  std::int32_t wrapped = 0;  // the digits read, in wrapping 32-bit arithmetic, sign applied
  bool hasDigits = false;
  bool complete = false;     // digits ran to the end of the text
  bool fits = true;          // decimal within 32 bits signed, hexadecimal within 32 bits
};
IntegerScan ScanInteger(std::string_view text);

// The whole text as an integer (ScanInteger with digits, complete and fitting), or nullopt.
// Hexadecimal may use all 32 bits ("0xFFFFFFFF" is -1).
std::optional<std::int32_t> ParseInteger(std::string_view text);

// ParseInteger or throws std::invalid_argument "'TEXT' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

}  // namespace orbeta
