#include "lists/site_list.h"

#include <langinfo.h>
#include <locale.h>
#include <wchar.h>
#include <wctype.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "app/settings.h"
#include "language/dictionary.h"
#include "lists/grid_file.h"
#include "lists/keyword_list.h"
#include "lists/list_state.h"
#include "navigation/url_analysis.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace orbeta {
namespace {

using S = SiteRecord;
constexpr auto npos = std::string_view::npos;
constexpr std::string_view kOfferedMark = ">";
constexpr std::string_view kNotOfferedMark = " ";

GridTable MakeSiteList() {
  GridTable table(S::ColumnCount, 1);
  table.SetColWidth(S::Codes, 0);
  table.SetColWidth(S::IconNumber, 0);
  return table;
}

// --- Address rules -------------------------------------------------------------------------

char LowerAsciiChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `cell` lowered (A to Z only) equals `lowered`, without building the lowered copy.
bool EqualsLowered(std::string_view lowered, std::string_view cell) {
  if (lowered.size() != cell.size()) return false;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (LowerAsciiChar(cell[i]) != lowered[i]) return false;
  }
  return true;
}

// `cell` lowered occurs in `lowered`; an empty cell occurs nowhere.
bool ContainsLowered(std::string_view lowered, std::string_view cell) {
  if (cell.empty() || cell.size() > lowered.size()) return false;
  const char first = LowerAsciiChar(cell.front());
  const std::size_t last = lowered.size() - cell.size();
  for (std::size_t at = lowered.find(first); at != npos && at <= last;
       at = lowered.find(first, at + 1)) {
    if (EqualsLowered(lowered.substr(at + 1, cell.size() - 1), cell.substr(1))) return true;
  }
  return false;
}

// The home page cell of a "$" or "!" row as StripRuleChar cleans it, still to be lowered:
// the rule character stands first, so only trailing controls and that character go.
std::string_view CleanedRuleText(std::string_view homePage) {
  return TrimControls(homePage).substr(1);
}

enum class RowVerdict { NoMatch, Allowed, NotListed };

RowVerdict TestRow(std::string_view address, std::string_view host, std::string_view domain,
                   std::string_view homePage) {
  switch (homePage.empty() ? '\0' : homePage.front()) {
    case '*':
    case '?':
      return ContainsLowered(host, domain) ? RowVerdict::Allowed : RowVerdict::NoMatch;
    case '$':
      return ContainsLowered(address, CleanedRuleText(homePage)) ? RowVerdict::Allowed
                                                                 : RowVerdict::NoMatch;
    case '!':
      return ContainsLowered(address, CleanedRuleText(homePage)) ? RowVerdict::NotListed
                                                                 : RowVerdict::NoMatch;
    case '&':
      return ContainsLowered(host, domain) ? RowVerdict::NotListed : RowVerdict::NoMatch;
    default:  // "<" and plain home pages: exactly this host
      return EqualsLowered(host, domain) ? RowVerdict::Allowed : RowVerdict::NoMatch;
  }
}

// What an address that no row admits may still be: a local page, an allowed scheme, a share
// or a drive path.
bool UnlistedAllowed(std::string_view address) {
  if (Settings.SecurityOff) return false;
  return address.starts_with("file:") ||
         (Settings.UseMailTo && address.find("mailto:") != npos) ||
         (Settings.UseFtp && address.find("ftp:") != npos) || address.starts_with("\\\\") ||
         address.substr(1).starts_with(":\\");
}

// --- Sorting -------------------------------------------------------------------------------

struct Collation {
  locale_t locale = nullptr;
  std::string name;
};

bool IsUtf8(locale_t locale) {
  return std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
}

// The user's locale when it is a UTF-8 one, else en_US.UTF-8, else C.UTF-8, else C.
const Collation& ListCollation() {
  static const Collation collation = [] {
    for (const char* wanted : {"", "en_US.UTF-8", "C.UTF-8"}) {
      locale_t locale = newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, wanted, nullptr);
      if (!locale) continue;
      if (IsUtf8(locale)) return Collation{locale, nl_langinfo_l(_NL_LOCALE_NAME(LC_COLLATE), locale)};
      freelocale(locale);
    }
    return Collation{newlocale(LC_COLLATE_MASK | LC_CTYPE_MASK, "C", nullptr), "C"};
  }();
  return collation;
}

// Letters and digits of Windows-1252; everything else (blanks, punctuation, symbols, the rule
// characters) sorts before them.
bool IsWordByte(unsigned char c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  switch (c) {
    case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
    case 0xAA: case 0xB5: case 0xBA:
      return true;
    case 0xD7: case 0xF7:
      return false;
    default:
      return c >= 0xC0;
  }
}

std::wstring Widen(std::string_view cp1252) {
  const std::string utf8 = Cp1252ToUtf8(cp1252);
  std::wstring wide;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
    wide.push_back(static_cast<wchar_t>(code));
    i += static_cast<std::size_t>(extra) + 1;
  }
  return wide;
}

// A key whose plain comparison orders texts as the site list sorts them. The text is cut into
// runs of word characters and runs of other characters; each run adds a marker (other runs
// before word runs), its content and an end mark that sorts before any content. Other runs
// compare by character code; word runs, upper-cased, by the locale's collation key. Collating
// whole texts instead would not do: UTF-8 locales ignore punctuation at the first level, so
// "*zoo" would land among the Zs rather than before the letters.
std::u32string SortKey(std::string_view text) {
  constexpr char32_t kEnd = 1, kOtherRun = 2, kWordRun = 3, kContent = 4;
  const locale_t locale = ListCollation().locale;
  std::u32string key;
  for (std::size_t start = 0; start < text.size();) {
    const bool word = IsWordByte(static_cast<unsigned char>(text[start]));
    std::size_t end = start;
    while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end])) == word) ++end;
    std::wstring run = Widen(text.substr(start, end - start));
    key.push_back(word ? kWordRun : kOtherRun);
    if (word) {
      for (wchar_t& c : run) c = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
      std::wstring collated(run.size() * 4 + 16, L'\0');
      std::size_t length = wcsxfrm_l(collated.data(), run.c_str(), collated.size(), locale);
      if (length >= collated.size()) {
        collated.resize(length + 1);
        length = wcsxfrm_l(collated.data(), run.c_str(), collated.size(), locale);
      }
      collated.resize(length);
      run = std::move(collated);
    }
    for (wchar_t c : run) key.push_back(static_cast<char32_t>(c) + kContent);
    key.push_back(kEnd);
    start = end;
  }
  return key;
}

// --- Exports -------------------------------------------------------------------------------

struct HtmlStyle {
  const char* align;
  const char* colour;
};

// The cell as the editor shows it: a title row, read-only columns, names of offered sites.
HtmlStyle HtmlStyleOf(int col, int row) {
  constexpr const char* kTitle = "#C7D0D9";
  constexpr const char* kReadOnly = "#F1F3F5";
  constexpr const char* kPlain = "#FFFFFF";
  if (row == 0) return {"center", kTitle};
  switch (col) {
    case S::Offered:
      return {"center", kReadOnly};
    case S::Icon:
    case S::Types:
    case S::Codes:
    case S::IconNumber:
      return {"left", kReadOnly};
    case S::Name:
      if (SiteList.ColCount() > S::Offered && SiteList.Cell(S::Offered, row) == kNotOfferedMark)
        return {"right", kReadOnly};
      return {"left", kPlain};
    default:
      return {"left", kPlain};
  }
}

void AppendHtmlText(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    switch (text[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "<br>";
        break;
      case '\n': out += "<br>"; break;
      default: out += text[i];
    }
  }
}

}  // namespace

GridTable SiteList = MakeSiteList();
This_Site PendingSite;

std::string KeyFileOf(const std::string& siteFile) {
  return siteFile.substr(0, siteFile.size() >= 4 ? siteFile.size() - 4 : 0) + ".key";
}

void WriteSiteListTitles() {
  for (int col = 0; col < S::ColumnCount && col < SiteList.ColCount(); ++col)
    SiteList.SetCell(col, 0, Dictionary().GetText(S::Titles[col]));
}

void NewSiteList() {
  SiteList.ResizeColumns(S::ColumnCount);
  SiteList.SetColWidth(S::Codes, 0);
  SiteList.SetColWidth(S::IconNumber, 0);
  SiteList.ResizeRows(2);
  SiteList.Clear();
  WriteSiteListTitles();
  CurrentSiteFile = Dictionary().GetText(S::UntitledName) + ".edn";
  CurrentKeyFile = KeyFileOf(CurrentSiteFile);
  SiteListModified = true;
  NewKeywordList();
}

void AddSiteRow(const This_Site& site) {
  const int row = SiteList.AppendRow();
  SiteList.SetCell(S::Name, row, site.Name);
  SiteList.SetCell(S::Offered, row, std::string(site.Offered ? kOfferedMark : kNotOfferedMark));
  SiteList.SetCell(S::Types, row, site.Types);
  SiteList.SetCell(S::Domain, row, site.Domain);
  SiteList.SetCell(S::HomePage, row, site.HomePage);
  SiteList.SetCell(S::Note, row, site.Note);
  SiteList.SetCell(S::Codes, row, site.Codes);
  SiteListModified = true;
}

std::optional<int> FindDomainRow(std::string_view domain) {
  const std::string wanted = LowerAscii(domain);
  for (int row = 1; row < SiteList.RowCount(); ++row) {
    if (EqualsLowered(wanted, SiteList.Cell(S::Domain, row))) return row;
  }
  return std::nullopt;
}

bool CheckSiteUrl(std::string_view url) {
  std::string address = StripRuleChar(url);
  if (address.empty()) return true;
  if (address.find("file://") != npos) std::replace(address.begin(), address.end(), '/', '\\');
  const std::string host = GetUrlHost(address).host;
  if (host == "about:blank") return true;

  // The table is read as it stands, so an edit in the editor counts at once. A list narrowed
  // below its nine columns reads as empty domain and home page cells.
  const bool hasRuleColumns = SiteList.ColCount() > S::HomePage;
  const std::string empty;
  for (int row = 1; row < SiteList.RowCount(); ++row) {
    const std::string& domain = hasRuleColumns ? SiteList.Cell(S::Domain, row) : empty;
    const std::string& homePage = hasRuleColumns ? SiteList.Cell(S::HomePage, row) : empty;
    const RowVerdict verdict = TestRow(address, host, domain, homePage);
    if (verdict == RowVerdict::Allowed) return true;
    if (verdict == RowVerdict::NotListed) break;
  }
  return UnlistedAllowed(address);
}

std::vector<int> ListCategorySites(std::optional<std::string_view> code) {
  std::vector<int> rows;
  for (int row = 1; row < SiteList.RowCount(); ++row) {
    if (SiteList.Cell(S::Offered, row) != kOfferedMark || SiteList.Cell(S::Name, row).empty())
      continue;
    if (code) {
      // Whole 3-character pieces from the start: a code never matches across two pieces.
      const std::string_view codes = SiteList.Cell(S::Codes, row);
      bool member = false;
      for (std::size_t at = 0; !member && at + 3 <= codes.size(); at += 3)
        member = codes.substr(at, 3) == *code;
      if (!member) continue;
    }
    rows.push_back(row);
  }
  return rows;
}

int CompareListTexts(std::string_view a, std::string_view b) {
  return SortKey(a).compare(SortKey(b));
}

const std::string& ListCollationLocale() {
  return ListCollation().name;
}

void SortSiteList(int column) {
  const int count = SiteList.RowCount() - 1;
  if (count < 2) return;
  std::vector<std::u32string> keys;
  keys.reserve(static_cast<std::size_t>(count));
  for (int row = 1; row <= count; ++row) keys.push_back(SortKey(SiteList.Cell(column, row)));
  // A stable sort gives the order of the exchange sort that swaps neighbours only when the
  // first is greater: equal rows keep their order. It stays quick on long lists.
  std::vector<int> order(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  const bool descending = SiteList.Direction() == SortDirection::Descending;
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    const auto& first = keys[static_cast<std::size_t>(x)];
    const auto& second = keys[static_cast<std::size_t>(y)];
    return descending ? second < first : first < second;
  });
  SiteList.PermuteRows(1, order);
}

void SaveSiteList() {
  SortSiteList(S::Name);
  WriteGridFile(SiteList, ResolveFileName(CurrentSiteFile));
  if (SiteListModified) SitesChanged = true;
  SiteListModified = false;
}

void SaveSiteListAs(const std::string& path) {
  SortSiteList(S::Name);
  if (path.ends_with(".html") || path.ends_with(".htm")) {
    ExportSiteListHtml(path);
    return;
  }
  if (path.ends_with(".txt")) {
    ExportSiteListText(path);
    return;
  }
  // Names change only once the list is on disk: a failed write leaves them as they were.
  WriteGridFile(SiteList, path);
  CurrentSiteFile = path;
  if (SiteListModified) SitesChanged = true;
  SiteListModified = false;
  CurrentKeyFile = KeyFileOf(path);
  WriteGridFile(KeywordList, CurrentKeyFile);
}

void ExportSiteListHtml(const std::string& path) {
  std::string out = "<table border=1>\r\n";
  for (int row = 0; row < SiteList.RowCount(); ++row) {
    out += "<tr>";
    for (int col = 0; col < SiteList.ColCount(); ++col) {
      const HtmlStyle style = HtmlStyleOf(col, row);
      out += "<td nowrap align=\"";
      out += style.align;
      out += "\" bgcolor=\"";
      out += style.colour;
      out += "\">";
      const std::string& text = SiteList.Cell(col, row);
      if (text.empty()) {
        out += "<br>";
      } else {
        AppendHtmlText(out, text);
      }
      out += "</td>";
    }
    out += "</tr>\r\n";
  }
  out += "</table><p>\r\n";
  ReplaceFileAtomically(path, out);
}

void ExportSiteListText(const std::string& path) {
  std::string out;
  for (int row = 0; row < SiteList.RowCount(); ++row) {
    for (int col = 0; col < SiteList.ColCount(); ++col) {
      if (col > 0) out += ',';
      out += SiteList.Cell(col, row);
    }
    out += "\r\n";
  }
  ReplaceFileAtomically(path, out);
}

}  // namespace orbeta
