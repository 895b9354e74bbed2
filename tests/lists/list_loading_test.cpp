#include "lists/list_loading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lists/grid_file.h"
#include "lists/lists_fixture.h"
#include "support/http_test_server.h"

namespace orbeta {
namespace {

using test::HttpAnswer;
using test::HttpTestServer;
using test::ReadFile;
using test::ScopedEnv;
using test::WriteFile;
using S = SiteRecord;

// A site file of one site with the titles of the test dictionary, named `name`.
std::string SiteFile(const std::string& name) {
  return "9,2\r\n1,0,Name\r\n4,0,Stored domain title\r\n1,1," + name + "\r\n2,1,>\r\n4,1," +
         name + ".example\r\n";
}

HttpAnswer Answer(unsigned status, std::string body) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = std::move(body);
  return answer;
}

std::string KeyFile(const std::string& word) {
  return "8,2\r\n3,0,Word\r\n3,1," + word + "\r\n4,1,abc\r\n6,1,0\r\n";
}

class ListLoadingTest : public test::ListsTest {
 protected:
  std::string Name(int row) const { return SiteList.Cell(S::Name, row); }
};

TEST_F(ListLoadingTest, AMissingSiteFileGivesTheUntitledList) {
  CurrentSiteFile = dir.File("Gone.edn");
  CurrentKeyFile = dir.File("Gone.key");
  ListFilesChanged = true;
  AddSite("Old", "old.example", "http://old.example/");
  EXPECT_FALSE(ReadSiteFile());
  EXPECT_EQ(SiteList.RowCount(), 2);
  EXPECT_EQ(Name(1), "");
  EXPECT_EQ(SiteList.Cell(S::Domain, 0), "Domain");
  EXPECT_EQ(CurrentSiteFile, "Untitled.edn");
  EXPECT_EQ(CurrentKeyFile, "Untitled.key");
  EXPECT_TRUE(ReadFile(dir.File("Untitled.key")).starts_with("8,2\r\n"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("Gone.key")));
  EXPECT_TRUE(SiteListModified);
  EXPECT_FALSE(ListFilesChanged);
}

TEST_F(ListLoadingTest, StoredTitlesStayOnlyInTheActiveLanguage) {
  CurrentSiteFile = dir.File("Town.edn");
  WriteFile(CurrentSiteFile, SiteFile("Library"));
  EXPECT_TRUE(ReadSiteFile());
  EXPECT_EQ(SiteList.Cell(S::Domain, 0), "Stored domain title");
  EXPECT_EQ(SiteList.Cell(S::Icon, 0), "");

  WriteFile(CurrentSiteFile, "9,2\r\n1,0,Nom\r\n4,0,Domaine\r\n1,1,Library\r\n");
  EXPECT_TRUE(ReadSiteFile());
  EXPECT_EQ(SiteList.Cell(S::Icon, 0), "Icon");
  EXPECT_EQ(SiteList.Cell(S::Name, 0), "Name");
  EXPECT_EQ(SiteList.Cell(S::Domain, 0), "Domain");

  // Without data rows the titles are left alone: a bare size keeps those of the last read.
  WriteFile(CurrentSiteFile, "9,1\r\n");
  EXPECT_TRUE(ReadSiteFile());
  EXPECT_EQ(SiteList.RowCount(), 1);
  EXPECT_EQ(SiteList.Cell(S::Domain, 0), "Domain");
  WriteFile(CurrentSiteFile, "");
  EXPECT_TRUE(ReadSiteFile());
  EXPECT_EQ(SiteList.RowCount(), 1);
}

TEST_F(ListLoadingTest, IconsShowWhenGridPictosAreOn) {
  CurrentSiteFile = dir.File("Town.edn");
  WriteFile(CurrentSiteFile,
            "9,6\r\n1,0,Name\r\n1,1,a\r\n8,1,5\r\n1,2,b\r\n8,2,4\r\n1,3,c\r\n8,3,x\r\n"
            "1,4,d\r\n8,4, 12\r\n1,5,e\r\n");
  for (const bool pictos : {false, true}) {
    Settings.UseGridPictos = pictos;
    ASSERT_TRUE(ReadSiteFile());
    std::vector<int> images;
    for (int row = 1; row < SiteList.RowCount(); ++row) {
      const auto picture = SiteList.Picture(S::Icon, row);
      images.push_back(picture ? picture->image : -1);
      if (picture) {
        EXPECT_EQ(*picture, (GridPicture{picture->image, HAlign::Center, VAlign::Center}));
      }
    }
    const std::vector<int> expected =
        pictos ? std::vector<int>{5, -1, -1, 12, -1} : std::vector<int>(5, -1);
    EXPECT_EQ(images, expected);
  }
}

TEST_F(ListLoadingTest, ADamagedSiteFileKeepsTheRowsBeforeAndShowsNothing) {
  std::vector<bool> cursor;
  SetBusyCursorHook([&cursor](bool busy) { cursor.push_back(busy); });
  CurrentSiteFile = dir.File("Town.edn");
  WriteFile(CurrentSiteFile, "3,3\r\n1,1,Library\r\n1,2\r\n");
  ListFilesChanged = true;
  EXPECT_FALSE(ReadSiteFile());
  EXPECT_EQ(Name(1), "Library");
  EXPECT_EQ(SiteList.ColCount(), S::ColumnCount);  // the narrow header does not stick
  EXPECT_EQ(SiteList.ColWidth(S::Codes), 0);
  EXPECT_FALSE(ListFilesChanged);
  EXPECT_EQ(CurrentSiteFile, dir.File("Town.edn"));
  EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
}

// Remote lists: downloaded into the program's folder, else the local files.
class RemoteListTest : public ListLoadingTest {
 protected:
  void SetUp() override {
    ListLoadingTest::SetUp();
    std::filesystem::create_directory(home);
    WriteFile(localSite, SiteFile("Local"));
    WriteFile(localKey, KeyFile("Local word"));
    CurrentSiteFile = localSite;
    CurrentKeyFile = localKey;
    Settings.UseRemoteSitesFile = true;
    Settings.RemoteSiteFileURL = server.Url("orbeta/orbeta.edn");
    Settings.RemoteKeyFileURL = server.Url("orbeta/orbeta.key");
  }

  HttpTestServer server;
  const std::string home = dir.File("program");
  ScopedEnv programHome{"ORBETA_HOME", home};
  const std::string localSite = dir.File("Local.edn");
  const std::string localKey = dir.File("Local.key");
};

TEST_F(RemoteListTest, TheDownloadedSiteFileWinsWhenItReads) {
  struct Case {
    std::string what;
    std::optional<HttpAnswer> answer;  // nullopt: a stale tmp.edn that cannot be deleted
    bool downloaded;
    int rows;
  };
  const std::vector<Case> cases{
      {"a grid file", Answer(200, SiteFile("Remote")), true, 2},
      {"an empty file", Answer(200, ""), true, 1},
      {"an error status", Answer(404, SiteFile("Remote")), false, 2},
      {"an HTML page", Answer(200, "<html><body>Maintenance</body></html>"), false, 2},
      {"a stale locked copy", std::nullopt, false, 2},
  };
  const std::string target = home + "/tmp.edn";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(target);
    CurrentSiteFile = localSite;
    if (c.answer) {
      server.Serve("/orbeta/orbeta.edn", *c.answer);
    } else {
      std::filesystem::create_directories(target + "/inside");
    }
    const std::size_t requestsBefore = server.Requests().size();
    LoadSiteList();
    EXPECT_EQ(server.Requests().size(), requestsBefore + (c.answer ? 1 : 0));
    EXPECT_EQ(CurrentSiteFile, c.downloaded ? target : localSite);
    ASSERT_EQ(SiteList.RowCount(), c.rows);
    if (c.rows > 1) {
      EXPECT_EQ(Name(1), c.downloaded ? "Remote" : "Local");
    }
    EXPECT_FALSE(ListFilesChanged);
  }
}

TEST_F(RemoteListTest, KeywordFilesDownloadOrFallBackOrFail) {
  server.Serve("/orbeta/orbeta.key", Answer(200, KeyFile("Remote word")));
  LoadKeywordList();
  EXPECT_EQ(CurrentKeyFile, home + "/tmp.key");
  EXPECT_EQ(KeywordList.Cell(KeywordRecord::Word, 1), "Remote word");
  EXPECT_EQ(CurrentSiteFile, localSite);  // each list keeps its own name

  CurrentKeyFile = localKey;
  server.Serve("/orbeta/orbeta.key", Answer(500, "no"));
  LoadKeywordList();
  EXPECT_EQ(CurrentKeyFile, localKey);
  EXPECT_EQ(KeywordList.Cell(KeywordRecord::Word, 1), "Local word");

  server.Serve("/orbeta/orbeta.key", Answer(200, "<html>not a list</html>"));
  EXPECT_THROW(LoadKeywordList(), EGridFileError);
}

TEST_F(RemoteListTest, AnUnreachableServerLeavesTheLocalFiles) {
  test::RefusingPort refusing;
  Settings.RemoteSiteFileURL = refusing.Url("orbeta/orbeta.edn");
  Settings.RemoteKeyFileURL = refusing.Url("orbeta/orbeta.key");
  LoadKeywordList();
  LoadSiteList();
  EXPECT_EQ(CurrentKeyFile, localKey);
  EXPECT_EQ(CurrentSiteFile, localSite);
  EXPECT_EQ(KeywordList.Cell(KeywordRecord::Word, 1), "Local word");
  EXPECT_EQ(Name(1), "Local");
}

TEST_F(ListLoadingTest, ToolsReadAPairOfFilesAndSeeEveryError) {
  const std::string site = dir.File("Town.edn");
  WriteFile(site, SiteFile("Library"));
  WriteFile(dir.File("Town.key"), KeyFile("Maps"));
  ReadListFiles(site);
  EXPECT_EQ(CurrentSiteFile, site);
  EXPECT_EQ(CurrentKeyFile, dir.File("Town.key"));
  EXPECT_EQ(Name(1), "Library");
  EXPECT_EQ(CodeOfWord("Maps"), "abc");

  std::filesystem::remove(dir.File("Town.key"));
  ReadListFiles(site);
  EXPECT_EQ(KeywordList.RowCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Town.key")));

  EXPECT_THROW(ReadListFiles(dir.File("Gone.edn")), EGridFileError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Untitled.key")));
  WriteFile(site, "9,2\r\n1,5,x\r\n");
  EXPECT_THROW(ReadListFiles(site), EGridFileError);
}

}  // namespace
}  // namespace orbeta
