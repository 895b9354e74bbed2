// A clean slate for the tests of the two lists: every global of the list subsystem reset, the
// titles of both lists in the dictionary, and a fresh working folder for the relative names
// ("Untitled.edn", "Untitled.key") that new lists get.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/settings.h"
#include "language/dictionary.h"
#include "lists/keyword_list.h"
#include "lists/list_loading.h"
#include "lists/list_state.h"
#include "lists/site_list.h"
#include "support/test_support.h"

namespace orbeta::test {

// Dictionary texts of the list titles and of the untitled name, in one language.
inline void AddListTexts() {
  const std::pair<int, const char*> texts[] = {
      {220, "Sel"},  {221, "Tab"},      {222, "Pic"},   {223, "Word"},  {224, "Code"},
      {225, "Chosen"}, {226, "Hidden"}, {227, "IconNo"}, {440, "Icon"}, {441, "Name"},
      {442, "Domain"}, {443, "Menu"},   {444, "Types"}, {445, "Home"},  {446, "Info"},
      {447, "Codes"},  {448, "Picture"}, {449, "Untitled"}};
  for (const auto& [number, text] : texts) {
    if (Dictionary().IndexOfNumber(number) == 0) Dictionary().AddEntry(number, {text});
  }
}

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddListTexts();
    previousDir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    Settings = TSettings{};
    SiteList = GridTable(SiteRecord::ColumnCount, 1);
    KeywordList = GridTable(KeywordRecord::ColumnCount, 1);
    PendingSite = This_Site{};
    CurrentSiteFile = "Untitled.edn";
    CurrentKeyFile = "Untitled.key";
    SiteListModified = SitesChanged = KeywordsChanged = ListFilesChanged = KeywordNamesEdited = false;
    SetBusyCursorHook(nullptr);
  }
  void TearDown() override {
    SetBusyCursorHook(nullptr);
    std::filesystem::current_path(previousDir_);
  }

  // Appends a site row: name, offered flag, domain, home page, keyword codes, icon number.
  static int AddSite(const std::string& name, const std::string& domain,
                     const std::string& homePage, const std::string& codes = "",
                     bool offered = true, const std::string& icon = "") {
    const int row = SiteList.AppendRow();
    SiteList.SetCell(SiteRecord::Name, row, name);
    SiteList.SetCell(SiteRecord::Offered, row, offered ? ">" : " ");
    SiteList.SetCell(SiteRecord::Domain, row, domain);
    SiteList.SetCell(SiteRecord::HomePage, row, homePage);
    SiteList.SetCell(SiteRecord::Codes, row, codes);
    SiteList.SetCell(SiteRecord::IconNumber, row, icon);
    return row;
  }

  // Appends a keyword row: word, code, hidden value.
  static int AddKeyword(const std::string& word, const std::string& code,
                        const std::string& hidden = "0") {
    const int row = KeywordList.AppendRow();
    KeywordList.SetCell(KeywordRecord::Word, row, word);
    KeywordList.SetCell(KeywordRecord::Code, row, code);
    KeywordList.SetCell(KeywordRecord::Selected, row, "0");
    KeywordList.SetCell(KeywordRecord::Hidden, row, hidden);
    KeywordList.SetCell(KeywordRecord::IconNumber, row, "4");
    return row;
  }

  TempDir dir;

 private:
  std::filesystem::path previousDir_;
};

}  // namespace orbeta::test
