// Runs the built orbeta-dict tool.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "language/dictionary.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result RunTool(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = Quote(std::string(ORBETA_BIN_DIR) + "/orbeta-dict");
  for (const auto& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(dir.File("stdout")) + " 2>" + Quote(dir.File("stderr"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir.File("stdout")), ReadFile(dir.File("stderr"))};
}

TEST(OrbetaDict, CompilesTheOneEntryExample) {
  TempDir dir;
  WriteFile(dir.File("ok.tsv"), "200\tOK\n");
  const Result result = RunTool(dir, {"compile", dir.File("ok.tsv"), dir.File("ok.stm")});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string file = ReadFile(dir.File("ok.stm"));
  EXPECT_EQ(file.size(), 167u);
  TDictionary dictionary;
  dictionary.LoadFromFile(dir.File("ok.stm"));
  EXPECT_EQ(dictionary.GetText(200), "OK");
  EXPECT_EQ(dictionary.EntryCount(), 1);
  EXPECT_TRUE(dictionary.Sorted());
}

TEST(OrbetaDict, DumpThenCompileGivesTheSameFile) {
  TempDir dir;
  // Unsorted, CR LF and LF, an empty line, escapes, a literal backslash, Windows-1252 letters.
  WriteFile(dir.File("source.tsv"),
            "300\tLine one\\nLine two\tZeile\\teins\r\n"
            "\n"
            "1\tEnglish\tDeutsch\n"
            "2\tC:\\Orbeta\\\\x\tcaf\xC3\xA9 \xE2\x82\xAC \xC5\x93\n"
            "-5\t\tleer\\r");
  Result result = RunTool(dir, {"compile", dir.File("source.tsv"), dir.File("first.stm")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");

  TDictionary dictionary;
  dictionary.LoadFromFile(dir.File("first.stm"));
  EXPECT_EQ(dictionary.GetText(300), "Line one\nLine two");
  EXPECT_EQ(dictionary.GetText(2), "C:\\Orbeta\\x");
  dictionary.SelectLanguage(2);
  EXPECT_EQ(dictionary.GetText(300), "Zeile\teins");
  EXPECT_EQ(dictionary.GetText(2), "caf\xE9 \x80 \x9C");
  EXPECT_EQ(dictionary.GetText(-5), "leer\r");

  result = RunTool(dir, {"dump", dir.File("first.stm")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "-5\t\tleer\\r\n"
            "1\tEnglish\tDeutsch\n"
            "2\tC:\\\\Orbeta\\\\x\tcaf\xC3\xA9 \xE2\x82\xAC \xC5\x93\n"
            "300\tLine one\\nLine two\tZeile\\teins\n");
  WriteFile(dir.File("dumped.tsv"), result.out);
  result = RunTool(dir, {"compile", dir.File("dumped.tsv"), dir.File("second.stm")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("second.stm")), ReadFile(dir.File("first.stm")));
}

TEST(OrbetaDict, BadSourceLinesAreReportedWithFileAndLine) {
  const struct {
    std::string source;
    std::string message;
  } cases[] = {
      {"1\ta\nx2\tb\n", ":2: bad entry number \"x2\""},
      {"1\ta\n\t b\n", ":2: bad entry number \"\""},
      {"1\ta\n99999999999\tb\n", ":2: bad entry number \"99999999999\""},
      {"1\ta\tb\n2\tc\n", ":2: 2 columns where the first entry (line 1) has 3"},
      {"1\ta\n\n3\tb\tc\n", ":3: 3 columns where the first entry (line 1) has 2"},
      {"7\ta\n8\tb\n7\tc\n", ":3: duplicate entry number 7 (first on line 1)"},
      {"1\ta\n2\t\xC3(\n", ":2: invalid UTF-8"},
      {"1\n", ":1: an entry needs its number and at least one text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TempDir dir;
    WriteFile(dir.File("bad.tsv"), c.source);
    const Result result = RunTool(dir, {"compile", dir.File("bad.tsv"), dir.File("out.stm")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "orbeta-dict: " + dir.File("bad.tsv") + c.message + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.stm")));
  }
  TempDir dir;
  const Result missing = RunTool(dir, {"compile", dir.File("missing.tsv"), dir.File("out.stm")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "orbeta-dict: " + dir.File("missing.tsv") + ": cannot read the file\n");
}

TEST(OrbetaDict, TextsWindows1252CannotHoldBecomeQuestionMarksWithAWarning) {
  TempDir dir;
  WriteFile(dir.File("source.tsv"), "1\tok\n2\t\xE6\x97\xA5\n");
  const Result result = RunTool(dir, {"compile", dir.File("source.tsv"), dir.File("out.stm")});
  EXPECT_EQ(result.status, 0);
  EXPECT_NE(result.err.find(dir.File("source.tsv") + ":2: warning:"), std::string::npos) << result.err;
  TDictionary dictionary;
  dictionary.LoadFromFile(dir.File("out.stm"));
  EXPECT_EQ(dictionary.GetText(2), "?");
}

TEST(OrbetaDict, BadDictionaryFilesAreReportedWithFileAndOffset) {
  TempDir dir;
  WriteFile(dir.File("ok.tsv"), "200\tOK\n");
  ASSERT_EQ(RunTool(dir, {"compile", dir.File("ok.tsv"), dir.File("ok.stm")}).status, 0);
  const std::string good = ReadFile(dir.File("ok.stm"));
  const struct {
    std::string bytes;
    std::string message;
  } cases[] = {
      // Cut inside the last object's class name, a text that starts at byte 147.
      {good.substr(0, 160), "Stream ends too early (at byte 147)"},
      {"TPF1", "Invalid object signature (at byte 0)"},
      // The entry count's tag replaced.
      {good.substr(0, 56) + std::string("\x07", 1) + good.substr(58),
       "Unexpected value type 0x07 where an integer was expected (at byte 56)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    WriteFile(dir.File("bad.stm"), c.bytes);
    const Result result = RunTool(dir, {"dump", dir.File("bad.stm")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "orbeta-dict: " + dir.File("bad.stm") + ": " + c.message + "\n");
  }
  const Result missing = RunTool(dir, {"dump", dir.File("missing.stm")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "orbeta-dict: " + dir.File("missing.stm") + ": no such file\n");
}

TEST(OrbetaDict, WrongArgumentsShowTheUsage) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"compile", "a.tsv"}, {"dump"}, {"dump", "a", "b"}, {"list", "a.stm"}}) {
    const Result result = RunTool(dir, args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("Usage: orbeta-dict compile SOURCE.tsv OUT.stm\n", 0), 0u) << result.err;
  }
  const Result help = RunTool(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage:", 0), 0u);
}

}  // namespace
}  // namespace orbeta
