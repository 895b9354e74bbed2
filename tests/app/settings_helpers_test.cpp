#include "app/settings_helpers.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace orbeta {
namespace {

using Strings = std::vector<std::string>;

TEST(LooseStrToInt, ReadsAsFarAsTheTextIsNumeric) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"12abc", 12}, {"  42", 42}, {"-3x", -3}, {"$1F", 31}, {"0x10g", 16}, {"+8", 8},
      {"", 0},       {"abc", 0},   {"-", 0},    {"0x", 0},   {"4294967297", 1},  // wraps
  };
  for (const auto& c : cases) EXPECT_EQ(LooseStrToInt(c.text), c.value) << c.text;
}

TEST(ExtList, SplitsIntoExactlyCountEntries) {
  EXPECT_EQ(SplitExtList(2, ".a;.b;.c"), (Strings{".a", ".b"}));
  EXPECT_EQ(SplitExtList(5, ".a;.b;.c"), (Strings{".a", ".b", ".c", "", ""}));
  EXPECT_EQ(SplitExtList(0, ".a;.b;.c"), Strings{});
  EXPECT_EQ(SplitExtList(3, " .a ;;.c"), (Strings{" .a ", "", ".c"}));
  EXPECT_EQ(SplitExtList(2, ".a;"), (Strings{".a", ""}));
  EXPECT_EQ(JoinExtList({".pdf", ".doc"}), ".pdf;.doc");
  EXPECT_EQ(JoinExtList({}), "");
  EXPECT_EQ(JoinExtList(SplitExtList(3, ".x;.y;.z")), ".x;.y;.z");
}

TEST(ExtList, CountOutOfRangeIsAnError) {
  EXPECT_THROW(SplitExtList(-1, ".a"), std::range_error);
  EXPECT_THROW(SplitExtList(kMaxExtCount + 1, ".a"), std::range_error);
  EXPECT_EQ(SplitExtList(kMaxExtCount, "").size(), static_cast<std::size_t>(kMaxExtCount));
}

TEST(ProgramList, PairsNamesAndPathsIntoFreeSlots) {
  const ProgramList list = ParseProgramList("Calc,c:\\calc.exe,,x.exe,Pad,c:\\pad.exe");
  EXPECT_EQ(list[0].Name, "Calc");
  EXPECT_EQ(list[0].Path, "c:\\calc.exe");
  EXPECT_EQ(list[1].Name, "Pad");
  EXPECT_EQ(list[1].Path, "c:\\pad.exe");
  EXPECT_EQ(list[2].Name, "");

  const ProgramList dangling = ParseProgramList("Only a name");
  EXPECT_EQ(dangling[0].Name, "");

  std::string eleven;
  for (int i = 1; i <= 11; ++i) eleven += "P" + std::to_string(i) + ",p" + std::to_string(i) + ",";
  const ProgramList full = ParseProgramList(eleven);
  EXPECT_EQ(full[9].Name, "P10");
  EXPECT_EQ(full[9].Path, "p10");

  const ProgramList longPath = ParseProgramList("Long," + std::string(20000, 'x'));
  EXPECT_EQ(longPath[0].Path.size(), 9999u);
}

class RegValueTest : public ::testing::Test {
 protected:
  reg::Value Query(const std::string& name) {
    reg::Key key;
    EXPECT_EQ(reg::Key::Open(reg::Root::LocalMachine, "\\Software\\Test", false, key), reg::kSuccess);
    reg::Value value;
    key.Query(name, value);
    return value;
  }
  test::TempDir dir_;
  test::ScopedEnv registry_{"ORBETA_REGISTRY", dir_.path()};
};

TEST_F(RegValueTest, WritesEachType) {
  const auto root = reg::Root::LocalMachine;
  WriteRegValue(root, "\\Software\\Test", "s", "text", kRegString);
  WriteRegValue(root, "\\Software\\Test", "e", "%HOME%", kRegExpandString);
  WriteRegValue(root, "\\Software\\Test", "i", "0x0102", kRegInteger);
  WriteRegValue(root, "\\Software\\Test", "b", "AB", kRegBytes);
  EXPECT_EQ(Query("s").type, reg::kString);
  EXPECT_EQ(Query("s").data, "text");
  EXPECT_EQ(Query("e").type, reg::kExpandString);
  EXPECT_EQ(Query("i").type, reg::kDword);
  EXPECT_EQ(Query("i").data, std::string("\x02\x01\0\0", 4));
  EXPECT_EQ(Query("b").type, reg::kBinary);
  EXPECT_EQ(Query("b").data, "AB");
  // Type 0 keeps the value's type.
  WriteRegValue(root, "\\Software\\Test", "i", "7", kRegKeepType);
  EXPECT_EQ(Query("i").data, std::string("\x07\0\0\0", 4));
}

TEST_F(RegValueTest, ReportsTheSystemMessage) {
  const auto root = reg::Root::LocalMachine;
  const std::string cantWrite = reg::SystemErrorMessage(reg::kCantWrite);
  struct Case {
    const char* name;
    int type;
  };
  for (const Case& c : {Case{"unknown type", 9}, Case{"no value yet", kRegKeepType}}) {
    try {
      WriteRegValue(root, "\\Software\\Test", c.name, "x", c.type);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), cantWrite) << c.name;
    }
  }
  EXPECT_THROW(WriteRegValue(root, "\\Software\\Test", "i", "twelve", kRegInteger), std::invalid_argument);
}

TEST_F(RegValueTest, DeleteIgnoresWhatIsMissing) {
  DeleteRegValue("\\Software\\Nowhere", "x");
  WriteRegValue(reg::Root::LocalMachine, "\\Software\\Test", "gone", "1", kRegString);
  DeleteRegValue("\\software\\test", "GONE");
  DeleteRegValue("\\Software\\Test", "gone");
  EXPECT_EQ(Query("gone").type, reg::kNone);
}

}  // namespace
}  // namespace orbeta
