#include "navigation/visit_log.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace orbeta {

std::int32_t visitCount = 0;

namespace {

// Lines end with CR LF, LF or CR; a break at the very end opens no further line.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
  return lines;
}

// The date part of a log line: the text between the prefix and the next " : ".
std::optional<std::string_view> DatePart(std::string_view line) {
  if (!line.starts_with(kVisitLinePrefix)) return std::nullopt;
  line.remove_prefix(std::char_traits<char>::length(kVisitLinePrefix));
  const std::size_t end = line.find(" : ");
  if (end == std::string_view::npos) return std::nullopt;
  return line.substr(0, end);
}

// The count after the first ": " of the line, blanks around it allowed.
std::optional<std::int32_t> LineCount(std::string_view line) {
  std::size_t start = line.find(": ");
  if (start == std::string_view::npos) return std::nullopt;
  std::string_view text = line.substr(start + 2);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.starts_with('+')) text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::int32_t SaturatedSum(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = std::int64_t{a} + b;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// A sort key that orders lines as the user's locale does, without regard to case.
std::string CollationKey(const std::string& line) {
  const std::string utf8 = Cp1252ToUtf8(line);
  gchar* folded = g_utf8_casefold(utf8.c_str(), static_cast<gssize>(utf8.size()));
  gchar* key = g_utf8_collate_key(folded, -1);
  std::string result = key;
  g_free(key);
  g_free(folded);
  return result;
}

void SortLines(std::vector<std::string>& lines) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(lines.size());
  for (std::string& line : lines) keyed.emplace_back(CollationKey(line), std::move(line));
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = std::move(keyed[i].second);
}

}  // namespace

std::string VisitLogFile() { return ResolveFileName(JoinPath(ProgramDirectory(), "Orbeta.log")); }

std::chrono::year_month_day LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return std::chrono::year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday;
}

std::string ShortDateText(const std::chrono::year_month_day& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(day.day()),
                static_cast<unsigned>(day.month()), static_cast<int>(day.year()));
  return text;
}

bool WriteVisitLog(const std::chrono::year_month_day& today) {
  const std::string path = VisitLogFile();
  const std::string todayText = ShortDateText(today);
  std::vector<std::string> lines;
  if (FileExists(path)) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return false;  // rewriting a log that cannot be read would lose it
    for (std::string& line : SplitLines(*bytes)) {
      if (DatePart(line) == todayText)
        if (const auto count = LineCount(line)) {
          visitCount = SaturatedSum(visitCount, *count);
          continue;
        }
      lines.push_back(std::move(line));
    }
    SortLines(lines);
  }
  lines.push_back(kVisitLinePrefix + todayText + " : " + std::to_string(visitCount));

  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  try {
    ReplaceFileAtomically(path, text);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

}  // namespace orbeta
