#include "platform/ini_file.h"

#include <strings.h>

#include "platform/atomic_file.h"
#include "platform/integer_text.h"

namespace orbeta {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// "[name]" gives name; a line that is no section header gives nullopt.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trim(line.substr(0, line.find(']')));
}

// The key of a "key=value" line; comments and lines without "=" have none.
std::optional<std::string_view> KeyOf(std::string_view line) {
  line = Trim(line);
  const std::size_t equals = line.find('=');
  if (line.empty() || line.front() == ';' || equals == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, equals));
}

std::string ValueOf(std::string_view line) {
  std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  if (auto bytes = ReadWholeFile(path_)) lines_ = SplitLines(*bytes);
}

std::optional<IniFile::Range> IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    auto name = SectionOf(lines_[i]);
    if (!name || !SameName(*name, Trim(section))) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !SectionOf(lines_[end])) ++end;
    return Range{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniFile::FindKey(const Range& range, std::string_view key) const {
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    auto name = KeyOf(lines_[i]);
    if (name && SameName(*name, Trim(key))) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  auto range = FindSection(section);
  if (!range) return std::nullopt;
  auto line = FindKey(*range, key);
  if (!line) return std::nullopt;
  return ValueOf(lines_[*line]);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto value = Read(section, key);
  return value ? *value : std::string(fallback);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  auto value = Read(section, key);
  auto number = value ? ParseInteger(*value) : std::nullopt;
  return number ? *number : fallback;
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& line : lines_)
    if (auto name = SectionOf(line)) names.emplace_back(*name);
  return names;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (auto range = FindSection(section))
    for (std::size_t i = range->header + 1; i < range->end; ++i)
      if (auto name = KeyOf(lines_[i])) names.emplace_back(*name);
  return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string line = std::string(Trim(key)) + "=" + std::string(value);
  auto range = FindSection(section);
  if (!range) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(Trim(section)) + "]");
    lines_.push_back(line);
  } else if (auto existing = FindKey(*range, key)) {
    lines_[*existing] = std::string(*KeyOf(lines_[*existing])) + "=" + std::string(value);
  } else {
    std::size_t after = range->end;
    while (after > range->header + 1 && Trim(lines_[after - 1]).empty()) --after;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after), line);
  }
  Save();
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  auto range = FindSection(section);
  auto line = range ? FindKey(*range, key) : std::nullopt;
  if (!line) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
  Save();
}

void IniFile::EraseSection(std::string_view section) {
  auto range = FindSection(section);
  if (!range) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
               lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
  Save();
}

void IniFile::Save() const {
  std::string bytes;
  for (const auto& line : lines_) bytes += line + "\r\n";
  ReplaceFileAtomically(path_, bytes);
}

}  // namespace orbeta
