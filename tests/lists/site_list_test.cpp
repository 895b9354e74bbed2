#include "lists/site_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "lists/grid_file.h"
#include "lists/lists_fixture.h"

namespace orbeta {
namespace {

using test::ReadFile;
using S = SiteRecord;

class SiteListTest : public test::ListsTest {};

std::vector<std::string> Column(int col) {
  std::vector<std::string> texts;
  for (int row = 1; row < SiteList.RowCount(); ++row) texts.push_back(SiteList.Cell(col, row));
  return texts;
}

TEST_F(SiteListTest, RowsAdmitAddressesByTheirRules) {
  AddSite("Library", "www.Town-Library.example", "http://www.town-library.example/");
  AddSite("Museums", "museum", "*museum");
  AddSite("Zoos", "zoo", "?zoo");
  AddSite("Shop", "Shop.Example", "<http://shop.example");
  AddSite("Kids", "", "$/Kids/ ");
  AddSite("Cafe", "caf\xE9.example", "http://caf\xE9.example/");
  const std::vector<std::pair<std::string, bool>> cases{
      {"", true},
      {"   ", true},
      {"*", true},
      {" ! ", true},
      {"about:blank", true},
      {"http://www.town-library.example/books", true},
      {"  HTTP://WWW.TOWN-LIBRARY.EXAMPLE/  ", true},
      {"http://town-library.example/", false},
      {"http://www.town-library.example:8080/", false},
      {"http://www.town-library.example.evil.example/", false},
      {"https://city-museum.example/x", true},
      {"http://zoo-park.example", true},
      {"http://shop.example/a", true},
      {"http://other.example/KIDS/page", true},
      {"http://other.example/kid/page", false},
      {"http://CAF\xE9.example/", true},
      {"http://caf\xC9.example/", false},  // accented letters compare as they are
      {"http://other.example/", false},
  };
  for (const auto& [address, allowed] : cases) EXPECT_EQ(CheckSiteUrl(address), allowed) << address;
  EXPECT_TRUE(CheckSiteUrl("about:blank"));
}

TEST_F(SiteListTest, AnEmptyPlainRowAdmitsOnlyAnEmptyHost) {
  SiteList.AppendRow();
  EXPECT_TRUE(CheckSiteUrl("http:///page.htm"));
  EXPECT_FALSE(CheckSiteUrl("http://town.example/"));
  // Rules that search for an empty text find it nowhere.
  for (const std::string rule : {"*", "?", "&", "$", "!", "$   "}) {
    SiteList.ResizeRows(1);
    AddSite("Rule", "", rule);
    EXPECT_FALSE(CheckSiteUrl("http:///page.htm")) << rule;
  }
}

TEST_F(SiteListTest, StoppingRulesEndTheScanOnlyWhenTheyComeFirst) {
  AddSite("Private", "", "!/Private/");
  AddSite("Town", "www.town.example", "http://www.town.example/");
  AddSite("No ads", "ads", "&");
  AddSite("Examples", "example", "*example");
  EXPECT_FALSE(CheckSiteUrl("http://www.town.example/private/a.htm"));
  EXPECT_TRUE(CheckSiteUrl("http://www.town.example/public/a.htm"));
  EXPECT_TRUE(CheckSiteUrl("http://www.town.example/ads/"));  // "&" looks at the host only
  EXPECT_FALSE(CheckSiteUrl("http://ads.example/"));
  EXPECT_TRUE(CheckSiteUrl("http://news.example/"));

  SiteList.MoveRow(1, 2);
  EXPECT_TRUE(CheckSiteUrl("http://www.town.example/private/a.htm"));

  // A stopped scan means "not listed", which a local page still passes.
  SiteList.ResizeRows(1);
  AddSite("Secret", "", "!c:\\kiosk\\secret");
  EXPECT_TRUE(CheckSiteUrl("C:\\Kiosk\\secret.htm"));
  Settings.SecurityOff = true;
  EXPECT_FALSE(CheckSiteUrl("C:\\Kiosk\\secret.htm"));
}

TEST_F(SiteListTest, UnlistedAddressesPassByTheirFormAndTheSettings) {
  struct Case {
    bool securityOff, mailTo, ftp;
    std::string address;
    bool allowed;
  };
  const std::vector<Case> cases{
      {false, false, false, "file:///C:/Kiosk/page.htm", true},
      {false, false, false, "C:\\Kiosk\\page.htm", true},
      {false, false, false, "\\\\server\\share\\page.htm", true},
      {true, true, true, "file:///C:/Kiosk/page.htm", false},
      {true, true, true, "C:\\Kiosk\\page.htm", false},
      {true, true, true, "\\\\server\\share\\page.htm", false},
      {false, false, false, "mailto:desk@town.example", false},
      {false, true, false, "mailto:desk@town.example", true},
      {false, false, false, "ftp://files.example/pub", false},
      {false, false, true, "ftp://files.example/pub", true},
      {false, true, true, "http://town.example/", false},
  };
  AddSite("Library", "library.example", "http://library.example/");
  for (const Case& c : cases) {
    Settings.SecurityOff = c.securityOff;
    Settings.UseMailTo = c.mailTo;
    Settings.UseFtp = c.ftp;
    EXPECT_EQ(CheckSiteUrl(c.address), c.allowed)
        << c.address << " security off " << c.securityOff << " mailto " << c.mailTo << " ftp "
        << c.ftp;
  }
  Settings.SecurityOff = true;
  EXPECT_TRUE(CheckSiteUrl("http://library.example/"));  // listed sites pass whatever the settings
}

TEST_F(SiteListTest, NewListAddedRowsAndDomainLookup) {
  AddSite("Old", "old.example", "http://old.example/");
  SiteList.SetCell(1, 0, "old title");
  NewSiteList();
  EXPECT_EQ(SiteList.ColCount(), 9);
  EXPECT_EQ(SiteList.RowCount(), 2);
  const std::vector<std::string> titles{"Icon", "Name", "Menu", "Types", "Domain",
                                        "Home", "Info", "Codes", "Picture"};
  for (int col = 0; col < 9; ++col) {
    EXPECT_EQ(SiteList.Cell(col, 0), titles[static_cast<std::size_t>(col)]);
    EXPECT_EQ(SiteList.Cell(col, 1), "");
  }
  EXPECT_EQ(SiteList.ColWidth(S::Codes), 0);
  EXPECT_EQ(SiteList.ColWidth(S::IconNumber), 0);
  EXPECT_EQ(CurrentSiteFile, "Untitled.edn");
  EXPECT_EQ(CurrentKeyFile, "Untitled.key");
  EXPECT_TRUE(SiteListModified);
  EXPECT_TRUE(KeywordsChanged);
  EXPECT_EQ(KeywordList.RowCount(), 2);
  EXPECT_EQ(ReadFile(dir.File("Untitled.key")).substr(0, 5), "8,2\r\n");

  SiteListModified = false;
  This_Site site;
  site.HomePage = "http://shop.example/";
  site.Name = "Shop";
  site.Domain = "Shop.Example";
  site.Types = "Maps";
  site.Note = "open late";
  site.Codes = "zz9";
  AddSiteRow(site);
  site.Offered = true;
  site.Domain = "shop.example";
  AddSiteRow(site);
  EXPECT_TRUE(SiteListModified);
  EXPECT_EQ(SiteList.RowCount(), 4);
  const std::vector<std::string> row2{"", "Shop", " ", "Maps", "Shop.Example",
                                      "http://shop.example/", "open late", "zz9", ""};
  for (int col = 0; col < 9; ++col) EXPECT_EQ(SiteList.Cell(col, 2), row2[static_cast<std::size_t>(col)]);
  EXPECT_EQ(SiteList.Cell(S::Offered, 3), ">");

  EXPECT_EQ(FindDomainRow("SHOP.example"), 2);  // the first of the two, any case of A to Z
  EXPECT_EQ(FindDomainRow("shop"), std::nullopt);
  EXPECT_EQ(FindDomainRow(""), 1);  // the empty row of the new list
}

TEST_F(SiteListTest, CategoriesListOfferedNamedSitesHoldingTheWholeCode) {
  AddSite("Maps site", "", "", "a1Bzz9");
  AddSite("Museum", "", "", "zz9");
  AddSite("", "", "", "a1B");                   // no name
  AddSite("Not offered", "", "", "a1B", false);
  AddSite("Across", "", "", "xa1B");            // a1B only across two pieces
  AddSite("Pair", "", "", "abczz");             // a trailing pair
  const int blank = AddSite("Empty flag", "", "", "a1B");
  SiteList.SetCell(S::Offered, blank, "");
  using Rows = std::vector<int>;
  EXPECT_EQ(ListCategorySites("a1B"), (Rows{1}));
  EXPECT_EQ(ListCategorySites("zz9"), (Rows{1, 2}));
  EXPECT_EQ(ListCategorySites("A1B"), (Rows{}));
  EXPECT_EQ(ListCategorySites("zz"), (Rows{}));
  EXPECT_EQ(ListCategorySites(""), (Rows{}));
  EXPECT_EQ(ListCategorySites(std::nullopt), (Rows{1, 2, 5, 6}));
}

TEST_F(SiteListTest, ListTextsCompareUpperCasedWithPunctuationFirst) {
  const std::vector<std::tuple<std::string, std::string, int>> cases{
      {"*zoo", "apple", -1}, {"zoo", "!apple", 1}, {"$x", "*a", -1}, {"<a", "?a", -1},
      {" a", "!a", -1},      {"9", "A", -1},       {"1st", "Apple", -1}, {"a", "B", -1},
      {"abc", "ABC", 0},     {"a b", "ab", -1},    {"", "a", -1},       {"a", "a1", -1},
      {"www.b", "www.a", 1},
  };
  const auto sign = [](int value) { return (value > 0) - (value < 0); };
  for (const auto& [a, b, expected] : cases) {
    EXPECT_EQ(sign(CompareListTexts(a, b)), expected) << a << " / " << b;
    EXPECT_EQ(sign(CompareListTexts(b, a)), -expected) << b << " / " << a;
  }
}

TEST_F(SiteListTest, AccentedLettersFollowTheLocale) {
  const std::string locale = ListCollationLocale();
  if (locale == "C") GTEST_SKIP() << "no UTF-8 locale installed";
  EXPECT_EQ(CompareListTexts("\xE9" "cole", "\xC9" "COLE"), 0);  // upper-cased by the locale
  if (locale.rfind("en_US", 0) != 0) {
    // C.UTF-8 collates by code point: accented capitals come after Z.
    EXPECT_GT(CompareListTexts("\xC9" "cole", "Zoo"), 0) << locale;
    GTEST_SKIP() << "dictionary order needs en_US.UTF-8; in use: " << locale;
  }
  EXPECT_LT(CompareListTexts("\xC9" "cole", "Ezra"), 0);
  EXPECT_LT(CompareListTexts("Ezra", "Fable"), 0);
}

TEST_F(SiteListTest, SortingPutsRuleRowsFirstAndKeepsEqualRowsInOrder) {
  const std::vector<std::string> homePages{"http://b.example", "*museum",  "$/kids/",
                                           "1st.example",      "!x",       "Apple.example",
                                           "?zoo",             "apple.example", "&ads",
                                           "<http://exact"};
  for (std::size_t i = 0; i < homePages.size(); ++i)
    AddSite("site " + std::to_string(i), "", homePages[i]);
  SiteList.SetPicture(S::Icon, 8, GridPicture{9});  // "apple.example"
  SiteList.SetCell(0, 0, "title stays");

  SortSiteList(S::HomePage);
  EXPECT_EQ(Column(S::HomePage),
            (std::vector<std::string>{"!x", "$/kids/", "&ads", "*museum", "<http://exact", "?zoo",
                                      "1st.example", "Apple.example", "apple.example",
                                      "http://b.example"}));
  EXPECT_EQ(SiteList.Cell(0, 0), "title stays");
  EXPECT_EQ(SiteList.Cell(S::Name, 9), "site 7");
  EXPECT_EQ(SiteList.Picture(S::Icon, 9), GridPicture{9});

  SiteList.SetDirection(SortDirection::Descending);
  SortSiteList(S::HomePage);
  EXPECT_EQ(Column(S::HomePage),
            (std::vector<std::string>{"http://b.example", "Apple.example", "apple.example",
                                      "1st.example", "?zoo", "<http://exact", "*museum", "&ads",
                                      "$/kids/", "!x"}));
}

TEST_F(SiteListTest, SavingSortsByNameAndWritesTheCurrentFile) {
  test::WriteFile(dir.File("Museum.edn"), "");
  CurrentSiteFile = "MUSEUM.EDN";  // as written on a system that ignores case
  CurrentKeyFile = "MUSEUM.key";
  AddSite("Zoo", "zoo.example", "http://zoo.example/");
  AddSite("Aquarium", "aquarium.example", "http://aquarium.example/");
  SiteListModified = true;
  SaveSiteList();
  EXPECT_EQ(ReadFile(dir.File("Museum.edn")),
            "9,3\r\n"
            "1,1,Aquarium\r\n2,1,>\r\n4,1,aquarium.example\r\n5,1,http://aquarium.example/\r\n"
            "1,2,Zoo\r\n2,2,>\r\n4,2,zoo.example\r\n5,2,http://zoo.example/\r\n");
  EXPECT_TRUE(SitesChanged);
  EXPECT_FALSE(SiteListModified);
  EXPECT_FALSE(std::filesystem::exists(dir.File("MUSEUM.EDN")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("MUSEUM.key")));

  SitesChanged = false;
  SaveSiteList();
  EXPECT_FALSE(SitesChanged);  // nothing was pending
}

TEST_F(SiteListTest, SaveAsExportsOrSavesByTheEndOfTheName) {
  enum Kind { kHtml, kText, kGrid };
  const std::vector<std::pair<std::string, Kind>> cases{
      {"list.html", kHtml}, {"list.htm", kHtml},  {"list.txt", kText},
      {"list.HTML", kGrid}, {"list.TXT", kGrid},  {"list.edn", kGrid}};
  for (const auto& [name, kind] : cases) {
    SCOPED_TRACE(name);
    CurrentSiteFile = "Current.edn";
    CurrentKeyFile = "Current.key";
    SiteList.ResizeRows(1);
    AddSite("Zoo", "zoo.example", "http://zoo.example/");
    AddSite("Aquarium", "aquarium.example", "http://aquarium.example/");
    SiteListModified = true;
    SitesChanged = false;
    const std::string path = dir.File(name);
    SaveSiteListAs(path);
    EXPECT_EQ(SiteList.Cell(S::Name, 1), "Aquarium");
    if (kind == kGrid) {
      EXPECT_EQ(ReadFile(path).substr(0, 5), "9,3\r\n");
      EXPECT_EQ(CurrentSiteFile, path);
      EXPECT_EQ(CurrentKeyFile, KeyFileOf(path));
      EXPECT_EQ(ReadFile(CurrentKeyFile).substr(0, 2), "8,");
      EXPECT_FALSE(SiteListModified);
      EXPECT_TRUE(SitesChanged);
    } else {
      EXPECT_TRUE(ReadFile(path).starts_with(kind == kHtml ? "<table border=1>\r\n"
                                                           : ",,,,,,,,\r\n,Aquarium,"));
      EXPECT_EQ(CurrentSiteFile, "Current.edn");
      EXPECT_EQ(CurrentKeyFile, "Current.key");
      EXPECT_TRUE(SiteListModified);
      EXPECT_FALSE(SitesChanged);
    }
  }
}

TEST_F(SiteListTest, ExportsShowEveryRowAndColumn) {
  test::AddListTexts();
  WriteSiteListTitles();
  AddSite("Kids & Co", "kids.example", "<http://kids.example", "a1B", false);
  SiteList.SetCell(S::Note, 1, "open\r\nlate");

  ExportSiteListText(dir.File("list.txt"));
  EXPECT_EQ(ReadFile(dir.File("list.txt")),
            "Icon,Name,Menu,Types,Domain,Home,Info,Codes,Picture\r\n"
            ",Kids & Co, ,,kids.example,<http://kids.example,open\r\nlate,a1B,\r\n");

  ExportSiteListHtml(dir.File("list.html"));
  const std::string html = ReadFile(dir.File("list.html"));
  EXPECT_TRUE(html.starts_with("<table border=1>\r\n<tr><td nowrap")) << html;
  EXPECT_TRUE(html.ends_with("</tr>\r\n</table><p>\r\n")) << html;
  const auto count = [&html](const std::string& part) {
    std::size_t n = 0;
    for (auto at = html.find(part); at != std::string::npos; at = html.find(part, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<tr>"), 2u);
  EXPECT_EQ(count("<td nowrap"), 18u);
  EXPECT_EQ(count("><br></td>"), 3u);  // the empty cells of row 1
  EXPECT_NE(html.find(">Kids &amp; Co</td>"), std::string::npos);
  EXPECT_NE(html.find(">&lt;http://kids.example</td>"), std::string::npos);
  EXPECT_NE(html.find(">open<br>late</td>"), std::string::npos);
}

TEST(KeyFileOf, ReplacesTheLastFourCharacters) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"C:\\Lists\\Museum.edn", "C:\\Lists\\Museum.key"},
      {"C:\\Lists\\Museum", "C:\\Lists\\Mu.key"},  // characters are counted, not extensions
      {"/srv/lists/town.EDN", "/srv/lists/town.key"},
      {"abc", ".key"},
  };
  for (const auto& [site, key] : cases) EXPECT_EQ(KeyFileOf(site), key) << site;
}

}  // namespace
}  // namespace orbeta
