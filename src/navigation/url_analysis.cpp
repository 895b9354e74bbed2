#include "navigation/url_analysis.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "app/settings.h"

namespace orbeta {
namespace {

constexpr auto npos = std::string_view::npos;

// The characters a site-list entry may begin with, and the rule code each selects.
constexpr std::array<std::pair<char, int>, 6> kRuleChars{{
    {'*', 1}, {'?', 2}, {'<', 3}, {'$', 4}, {'!', 5}, {'&', 6}}};

// Scheme words removed from the front of an address; the first that matches wins, so
// "https" comes before "http". No ":" is required after the word.
constexpr std::string_view kFileScheme = "file://";
constexpr std::array<std::string_view, 5> kSchemePrefixes{"https", "http", "ftp", "mailto",
                                                          kFileScheme};

// Marks of a local path that the browser may show as a page or a document.
constexpr std::array<std::string_view, 23> kPageTypeMarkers{
    ".htm", ".phtm", ".dhtm", ".shtm", ".php",  ".xml", ".wml", ".jsp",
    ".js",  ".xsl",  ".sgml", ".csp",  ".swf",  ".cmf", ".cgi", ".pl",
    ".doc", ".xls",  ".ppt",  ".pps",  "javascript:", ".aspx", ".asp"};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != npos;
}

// The text before the first `mark`, or all of it.
std::string_view CutAt(std::string_view text, char mark) {
  return text.substr(0, text.find(mark));
}

int RuleCode(char first) {
  for (const auto& [mark, code] : kRuleChars) {
    if (mark == first) return code;
  }
  return 0;
}

// Removes the first scheme word that begins the text and returns it (empty when none does).
std::string_view RemoveScheme(std::string_view& text) {
  for (std::string_view prefix : kSchemePrefixes) {
    if (text.starts_with(prefix)) {
      text.remove_prefix(prefix.size());
      return prefix;
    }
  }
  return {};
}

bool HasDriveLetter(std::string_view path) {
  return path.size() > 1 && path[1] == ':';
}

// The folder of a drive path, with "\" separators and a trailing "\". A folder name holding
// a "." cuts the result back to the folder above it.
std::string DriveFolder(std::string_view path) {
  std::string folder(path);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  folder.erase(folder.find_last_of("\\:") + 1);  // the drive's ":" is always there
  if (const auto dot = folder.find('.'); dot != npos) {
    folder.erase(dot);
    if (const auto slash = folder.rfind('\\'); slash != npos) folder.erase(slash + 1);
  }
  return folder;
}

// The host of the text after "://". User information ends at the last "@" of the
// authority: the browser contacts the host after it, so the address must be judged by
// that host ("http://allowed.example@other.example/" goes to other.example).
std::string_view AuthorityHost(std::string_view text) {
  const std::string_view authority = CutAt(text, '/');
  const auto at = authority.rfind('@');
  return at == npos ? authority : authority.substr(at + 1);
}

// True at the first non-empty entry that occurs in the URL, case-sensitively.
bool ContainsListEntry(std::string_view url, const std::vector<std::string>& entries) {
  if (url.size() < 2) return false;
  return std::any_of(entries.begin(), entries.end(), [url](const std::string& entry) {
    return !entry.empty() && Contains(url, entry);
  });
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

std::string_view TrimControls(std::string_view text) {
  // Bytes compare unsigned: Windows-1252 letters above 127 are not blanks.
  const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
  return text;
}

UrlHost GetUrlHost(std::string_view url) {
  const std::string lowered = LowerAscii(TrimControls(url));
  std::string_view text = lowered;
  UrlHost result;
  if (text.empty()) return result;
  result.rule = RuleCode(text.front());
  if (result.rule != 0) text.remove_prefix(1);
  text = CutAt(CutAt(text, '?'), '#');

  const bool isFile = RemoveScheme(text) == kFileScheme;
  if (isFile) {
    if (text.size() > 1 && text.front() == '/') text.remove_prefix(1);
    if (HasDriveLetter(text)) {
      result.host = DriveFolder(text);
      return result;
    }
  }
  const bool hasAuthority = text.starts_with("://");
  if (hasAuthority) text.remove_prefix(3);
  // A file URL names a share, not a host to contact; it keeps its text up to the first "/".
  result.host = hasAuthority && !isFile ? AuthorityHost(text) : CutAt(text, '/');
  return result;
}

std::string StripRuleChar(std::string_view text) {
  std::string stripped = LowerAscii(TrimControls(text));
  if (!stripped.empty() && RuleCode(stripped.front()) != 0) stripped.erase(0, 1);
  return stripped;
}

bool IsLocalNonPageFile(std::string_view url) {
  if (!HasDriveLetter(url)) return false;
  return std::none_of(kPageTypeMarkers.begin(), kPageTypeMarkers.end(),
                      [url](std::string_view marker) { return Contains(url, marker); });
}

bool IsCloseScript(std::string_view url) {
  return Contains(LowerAscii(url), ".close()");
}

bool IsMoveToScript(std::string_view url) {
  return Contains(LowerAscii(url), ".moveto(");
}

bool IsPrintScript(std::string_view url) {
  return Contains(LowerAscii(url), ".print(");
}

bool IsJavaScriptUrl(std::string_view url) {
  return Contains(LowerAscii(url), "javascript:");
}

bool HasForbiddenExt(std::string_view url) {
  return ContainsListEntry(url, Settings.ForbiddenExt);
}

bool HasAvailableExt(std::string_view url) {
  return ContainsListEntry(url, Settings.AvailableExt);
}

bool UrlNamesFile(std::string_view url) {
  if (url.starts_with("http://")) {
    url.remove_prefix(7);
  } else if (url.starts_with("https://")) {
    url.remove_prefix(8);
  }
  const auto slash = url.rfind('/');
  return slash != npos && Contains(url.substr(slash + 1), ".");
}

}  // namespace orbeta
