// An INI file with the semantics of the Windows profile services.
//
// Section and key names compare without case; blanks around keys and values are trimmed and
// one pair of enclosing quotes is removed from a value. Every write goes to the file at once,
// atomically; lines, comments and order that a write does not touch stay as they were. Lines
// end with CR LF on write, CR LF or LF on read. Text is kept as Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbeta {

class IniFile {
 public:
  // Reads the file when it exists; a missing file reads as empty.
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }

  // The value, or nullopt when the key is absent. An empty value is "", not absent.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal or "0x"/"$" hexadecimal; `fallback` when absent or not an integer.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;

  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Each write changes the file on disk before it returns; throws std::system_error.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

 private:
  struct Range {
    std::size_t header;  // line of "[section]"
    std::size_t end;     // one past its last line
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Range& range, std::string_view key) const;
  void Save() const;

  std::string path_;
  std::vector<std::string> lines_;
};

}  // namespace orbeta
