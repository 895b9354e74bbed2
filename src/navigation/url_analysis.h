// Plain text tests on the addresses the browser is about to open. None keeps state or fails.
// Addresses are Windows-1252 text; positions and rules are those of the site list.
#pragma once

#include <string>
#include <string_view>

namespace orbeta {

// Letters A to Z only become a to z.
std::string LowerAscii(std::string_view text);
// Leading and trailing characters of code 32 or less removed.
std::string_view TrimControls(std::string_view text);

// A site-list rule code (0 none, "*" 1, "?" 2, "<" 3, "$" 4, "!" 5, "&" 6) and a host.
// For an address with "//" after its scheme (file URLs aside) the host is the one the
// browser contacts: user information up to the last "@" is dropped.
struct UrlHost {
  int rule = 0;
  std::string host;
};
UrlHost GetUrlHost(std::string_view url);

// Trimmed, lower-cased, one leading rule character removed.
std::string StripRuleChar(std::string_view text);

bool IsLocalNonPageFile(std::string_view url);
bool IsCloseScript(std::string_view url);
bool IsMoveToScript(std::string_view url);
bool IsPrintScript(std::string_view url);
bool IsJavaScriptUrl(std::string_view url);
// Against the settings' forbidden and available extension lists.
bool HasForbiddenExt(std::string_view url);
bool HasAvailableExt(std::string_view url);
bool UrlNamesFile(std::string_view url);

}  // namespace orbeta
