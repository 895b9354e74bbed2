// Whole-file reads and atomic replacement: a crash never leaves a half-written file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orbeta {

// The file's bytes, or nullopt when it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. An existing file keeps its permissions. Throws std::system_error naming the file.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace orbeta
