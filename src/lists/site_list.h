// The site list: the administrator's table of sites and address rules, its lookups, its sort,
// and its files (grid file, HTML and text exports).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lists/grid_table.h"

namespace orbeta {

// The columns of one data row of the site list.
struct SiteRecord {
  static constexpr int Icon = 0;        // no text; shows the site's icon
  static constexpr int Name = 1;
  static constexpr int Offered = 2;     // ">" offered in the sites grid, " " not
  static constexpr int Types = 3;       // the words of the keyword codes, joined by ", "
  static constexpr int Domain = 4;
  static constexpr int HomePage = 5;    // may begin with a rule character
  static constexpr int Note = 6;
  static constexpr int Codes = 7;       // 3-character keyword codes, concatenated
  static constexpr int IconNumber = 8;  // 4 or less, empty or not a number: no icon
  static constexpr int ColumnCount = 9;
  // Dictionary numbers of the column titles, by column.
  static constexpr int Titles[ColumnCount] = {440, 441, 443, 444, 442, 445, 446, 447, 448};
  static constexpr int NameTitle = 441;
  static constexpr int UntitledName = 449;  // + ".edn": the name of a new list
};

// One site carried between the browser, the add-site dialog and the list.
struct This_Site {
  std::string HomePage;
  std::string Name;
  std::string Domain;
  bool Offered = false;
  std::string Types;
  std::string Note;
  std::string Codes;
};

extern GridTable SiteList;
// The site the add-site commands propose: written by the navigation filters and page titles.
extern This_Site PendingSite;

// The keyword file that goes with a site file: the name without its last four characters,
// whatever they are, followed by ".key".
std::string KeyFileOf(const std::string& siteFile);

// Rewrites row 0 with the titles of dictionary texts 440 to 448 in the active language.
void WriteSiteListTitles();

// The untitled empty list (title row and one empty row), named after dictionary text 449;
// makes and writes a new keyword list too and sets SiteListModified.
void NewSiteList();

// Appends a row filled from the record (no icon) and sets SiteListModified.
void AddSiteRow(const This_Site& site);

// The first data row whose domain equals `domain`, letters A to Z compared without case.
std::optional<int> FindDomainRow(std::string_view domain);

// Whether the list admits the address: the rows' rules in list order, then the local-file,
// mail and ftp allowances of an unlisted address (none while "Security OFF" is on).
bool CheckSiteUrl(std::string_view address);

// The rows the sites grid shows for a keyword code (nullopt: every category): offered (">"),
// named, and holding the code as one of their 3-character codes; in list order.
std::vector<int> ListCategorySites(std::optional<std::string_view> code);

// Orders two cell texts as the site list sorts them: upper-cased, blanks and punctuation
// before digits, digits before letters, letters by the collation of the user's UTF-8 locale.
// Negative, zero or positive.
int CompareListTexts(std::string_view a, std::string_view b);
// The locale whose collation CompareListTexts uses ("C" when no UTF-8 locale is installed).
const std::string& ListCollationLocale();

// Sorts the data rows on one column in the list's sort direction; rows with equal cells keep
// their order; whole rows move, pictures included.
void SortSiteList(int column);

// Sorts on the name column and writes the list to CurrentSiteFile as a grid file (to the file
// of that name in another case when one exists: names were written for a system that ignores
// case). Sets SitesChanged when changes were pending and clears SiteListModified.
void SaveSiteList();
// Sorts on the name column, then by the path's ending (case-sensitive): ".html" or ".htm"
// exports HTML, ".txt" exports text; anything else saves the grid file there, makes it the
// current site file and writes the keyword list beside it.
void SaveSiteListAs(const std::string& path);

// The exports, without sorting: an HTML table of every row and column, or one line per row of
// the cell texts joined by ",". Written atomically; std::system_error on failure.
void ExportSiteListHtml(const std::string& path);
void ExportSiteListText(const std::string& path);

}  // namespace orbeta
