// Conversion between the Windows-1252 bytes that the core keeps and the UTF-8 of GTK and WebKit.
#pragma once

#include <string>
#include <string_view>

namespace orbeta {

// Every byte has a character; the five bytes that Windows-1252 leaves undefined map to the
// control characters of the same number, as Windows itself converts them.
std::string Cp1252ToUtf8(std::string_view text);

// A character that Windows-1252 cannot hold, and each byte of a malformed sequence, becomes "?".
std::string Utf8ToCp1252(std::string_view text);

// True when the text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace orbeta
