#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class IniFileTest : public ::testing::Test {
 protected:
  IniFile Load(const std::string& text) {
    WriteFile(path_, text);
    return IniFile(path_);
  }
  TempDir dir_;
  std::string path_ = dir_.File("Orbeta.ini");
};

TEST_F(IniFileTest, ReadsWithWindowsProfileSemantics) {
  const IniFile ini = Load(
      "; a comment\r\n"
      "[Navigator Params]\r\n"
      "  Toolbar  =  1  \r\n"
      "Quoted=\"  kept blanks  \"\r\n"
      "Single='x'\r\n"
      "Half=\"open\n"
      "Empty=\n"
      "Equals=a=b\n"
      "[navigator design]\n"
      "Use Tab Pictos=1\n"
      "[ Navigator Params ]\n"
      "Toolbar=second section with the same name is not read\n");
  EXPECT_EQ(ini.Read("NAVIGATOR PARAMS", "toolbar"), "1");
  EXPECT_EQ(ini.Read("Navigator Params", "Quoted"), "  kept blanks  ");
  EXPECT_EQ(ini.Read("Navigator Params", "Single"), "x");
  EXPECT_EQ(ini.Read("Navigator Params", "Half"), "\"open");
  EXPECT_EQ(ini.Read("Navigator Params", "Equals"), "a=b");
  EXPECT_EQ(ini.Read("Navigator Design", "Use Tab Pictos"), "1");
  // Missing and empty are different things.
  EXPECT_EQ(ini.Read("Navigator Params", "Empty"), "");
  EXPECT_EQ(ini.Read("Navigator Params", "Absent"), std::nullopt);
  EXPECT_EQ(ini.Read("No Such Section", "Toolbar"), std::nullopt);
  EXPECT_EQ(ini.ReadString("Navigator Params", "Empty", "default"), "");
  EXPECT_EQ(ini.ReadString("Navigator Params", "Absent", "default"), "default");
  EXPECT_EQ(ini.Read("Navigator Params", "; a comment"), std::nullopt);
}

TEST_F(IniFileTest, ReadsIntegers) {
  const IniFile ini = Load("[S]\nhex=0x10\ndollar=$20\nneg=-4\nbad=12x\nempty=\n");
  EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 16);
  EXPECT_EQ(ini.ReadInteger("S", "dollar", 0), 32);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -4);
  EXPECT_EQ(ini.ReadInteger("S", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "absent", 7), 7);
}

TEST_F(IniFileTest, WritesKeepUntouchedLinesAndUseCrLf) {
  IniFile ini = Load("; kiosk settings\n[URLS]\nBlank=http://home/\n\n[Security]\nHotKey=0\n");
  ini.WriteString("urls", "BLANK", "http://new/");        // replaced in place, key spelling kept
  ini.WriteString("URLS", "hk1", "114");                  // appended to its section
  ini.WriteInteger("Language", "Language", 3);            // new section at the end
  ini.DeleteKey("security", "hotkey");
  EXPECT_EQ(ReadFile(path_),
            "; kiosk settings\r\n[URLS]\r\nBlank=http://new/\r\nhk1=114\r\n\r\n[Security]\r\n"
            "\r\n[Language]\r\nLanguage=3\r\n");
  EXPECT_EQ(IniFile(path_).Read("URLS", "hk1"), "114");
  ini.EraseSection("URLS");
  EXPECT_EQ(IniFile(path_).SectionNames(), (std::vector<std::string>{"Security", "Language"}));
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndIsCreatedByAWrite) {
  IniFile ini(dir_.File("new.ini"));
  EXPECT_TRUE(ini.SectionNames().empty());
  ini.WriteString("System", "AutoSave", "1");
  EXPECT_EQ(ReadFile(dir_.File("new.ini")), "[System]\r\nAutoSave=1\r\n");
  EXPECT_EQ(IniFile(dir_.File("new.ini")).KeyNames("system"), std::vector<std::string>{"AutoSave"});
}

TEST_F(IniFileTest, WriteReplacesTheFileAtomicallyAndKeepsItsMode) {
  IniFile ini = Load("[S]\na=1\n");
  ::chmod(path_.c_str(), 0600);
  const auto modeBefore = std::filesystem::status(path_).permissions();
  ini.WriteString("S", "a", "2");
  EXPECT_EQ(std::filesystem::status(path_).permissions(), modeBefore);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) ++files;
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
}

TEST_F(IniFileTest, FailedWriteReportsTheFile) {
  IniFile ini(dir_.File("no/such/folder/x.ini"));
  try {
    ini.WriteString("S", "k", "v");
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find("no/such/folder/x.ini"), std::string::npos);
  }
}

}  // namespace
}  // namespace orbeta
