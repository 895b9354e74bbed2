#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace orbeta::reg {
namespace {

using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

constexpr Root kUser = Root::CurrentUser;
const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Dword(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
  return bytes;
}

class RegistryTest : public ::testing::Test {
 protected:
  std::string HivePath() const { return dir_.File("HKEY_CURRENT_USER.reg"); }
  std::string Hive() const { return ReadFile(HivePath()); }

  TempDir dir_;
  ScopedEnv env_{"ORBETA_REGISTRY", dir_.path()};
};

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreCaseAndKeepTheFirstSpelling) {
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Software\\Orbeta\\Grid", true, key), kSuccess);
  ASSERT_EQ(key.WriteDword("Width", 7), kSuccess);

  for (const char* path : {"software\\ORBETA\\grid", "\\Software\\\\Orbeta\\Grid\\", "SOFTWARE"}) {
    Key again;
    EXPECT_EQ(Key::Open(kUser, path, false, again), kSuccess) << path;
  }
  Key other;
  ASSERT_EQ(Key::Open(kUser, "SOFTWARE\\orbeta\\GRID", true, other), kSuccess);
  Value value;
  ASSERT_EQ(other.Query("WIDTH", value), kSuccess);
  EXPECT_EQ(value.data, Dword(7));
  ASSERT_EQ(other.WriteDword("wIDTH", 9), kSuccess);
  ASSERT_EQ(Key::Open(kUser, "software\\orbeta\\Columns", true, other), kSuccess);

  // One header per key, parents included; a new key takes the spelling of its parents.
  EXPECT_EQ(Hive(), kHead + Lines({"[HKEY_CURRENT_USER\\Software]", "",
                                   "[HKEY_CURRENT_USER\\Software\\Orbeta]", "",
                                   "[HKEY_CURRENT_USER\\Software\\Orbeta\\Grid]",
                                   "\"Width\"=dword:00000009", "",
                                   "[HKEY_CURRENT_USER\\Software\\Orbeta\\Columns]", ""}));
}

TEST_F(RegistryTest, MissingKeysAndValuesAreFileNotFound) {
  Key key;
  EXPECT_EQ(Key::Open(kUser, "Orbeta", false, key), kFileNotFound);
  EXPECT_FALSE(key.IsOpen());
  ASSERT_EQ(Key::Open(kUser, "", false, key), kSuccess);  // the root needs no hive
  Value value;
  EXPECT_EQ(key.Query("Data", value), kFileNotFound);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "looking must not write";
  EXPECT_EQ(key.Delete("Data"), kFileNotFound);

  ASSERT_EQ(Key::Open(kUser, "Orbeta", true, key), kSuccess);
  ASSERT_EQ(key.WriteString("Data", "x"), kSuccess);
  Key missing;
  EXPECT_EQ(Key::Open(kUser, "Orbeta\\Sub", false, missing), kFileNotFound);
  EXPECT_EQ(Key::Open(Root::LocalMachine, "Orbeta", false, missing), kFileNotFound);
  EXPECT_EQ(key.Query("Other", value), kFileNotFound);

  EXPECT_EQ(key.Delete("DATA"), kSuccess);
  EXPECT_EQ(key.Query("Data", value), kFileNotFound);
  EXPECT_EQ(key.Delete("Data"), kFileNotFound);
}

TEST_F(RegistryTest, ClosedKeysAndUnwritableNamesAreInvalidParameter) {
  Key key;
  Value value;
  std::string text;
  for (int pass = 0; pass < 2; ++pass) {  // never opened, then opened and closed
    EXPECT_EQ(key.Query("Data", value), kInvalidParameter);
    EXPECT_EQ(key.Set("Data", {kString, "x"}), kInvalidParameter);
    EXPECT_EQ(key.Delete("Data"), kInvalidParameter);
    EXPECT_EQ(key.ReadString("Data", text), kInvalidParameter);
    EXPECT_EQ(key.WriteDword("Data", 1), kInvalidParameter);
    ASSERT_EQ(Key::Open(kUser, "Orbeta", true, key), kSuccess);
    key.Close();
  }
  EXPECT_EQ(Key::Open(kUser, "Orbeta\\Line\nBreak", true, key), kInvalidParameter);
  ASSERT_EQ(Key::Open(kUser, "Orbeta", false, key), kSuccess);
  EXPECT_EQ(key.WriteString("Two\r\nLines", "x"), kInvalidParameter);
  EXPECT_EQ(key.WriteString("caf\xE9", "x"), kInvalidParameter);

  ASSERT_EQ(key.WriteDword("Number", 1), kSuccess);
  EXPECT_EQ(key.ReadString("Number", text), kInvalidParameter);
}

TEST_F(RegistryTest, TypedValuesRoundTripAndTheFileStaysAscii) {
  std::string every_byte;
  for (int byte = 0; byte < 256; ++byte) every_byte += static_cast<char>(byte);
  const std::vector<std::pair<std::string, Value>> cases = {
      {"Text", {kString, "plain text"}},
      {"", {kString, "the default value"}},
      {"Escapes \"\\", {kString, "C:\\dir\\\"quoted\""}},
      {"Empty", {kString, ""}},
      {"Zero inside", {kString, std::string("a\0b", 3)}},
      {"Zero at the end", {kString, std::string("ab\0", 3)}},
      {"Every byte", {kString, every_byte}},
      {"Expandable", {kExpandString, "%WINDIR%\\system32"}},
      {"Expandable empty", {kExpandString, ""}},
      {"Dword", {kDword, Dword(0x8000002A)}},
      {"Short dword", {kDword, "\x01\x02"}},
      {"Binary", {kBinary, every_byte + every_byte}},
      {"Binary empty", {kBinary, ""}},
      {"Multi string", {7, std::string("a\0b\0\0", 5)}},
  };
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Orbeta", true, key), kSuccess);
  for (const auto& [name, value] : cases) ASSERT_EQ(key.Set(name, value), kSuccess) << name;

  Key reader;
  ASSERT_EQ(Key::Open(kUser, "ORBETA", false, reader), kSuccess);
  for (const auto& [name, value] : cases) {
    Value read;
    ASSERT_EQ(reader.Query(name, read), kSuccess) << name;
    EXPECT_EQ(read.type, value.type) << name;
    EXPECT_EQ(read.data, value.data) << name;
  }
  std::string text;
  ASSERT_EQ(reader.ReadString("Expandable", text), kSuccess);
  EXPECT_EQ(text, "%WINDIR%\\system32");

  // ASCII text, CR LF endings only, long lists wrapped with "\" within 80 columns.
  const std::string hive = Hive();
  std::istringstream lines(hive);
  int continued = 0;
  for (std::string line; std::getline(lines, line);) {
    ASSERT_TRUE(line.ends_with('\r')) << line;
    line.pop_back();
    EXPECT_LE(line.size(), 80u) << line;
    continued += line.ends_with('\\');
    for (char c : line) ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << "byte " << int(c) << " in " << line;
  }
  EXPECT_GT(continued, 10);
}

TEST_F(RegistryTest, WritesTheExportFormat) {
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Orbeta", true, key), kSuccess);
  ASSERT_EQ(key.WriteString("Data", "text"), kSuccess);
  ASSERT_EQ(key.WriteString("", "default value"), kSuccess);
  ASSERT_EQ(key.WriteDword("Count", 42), kSuccess);
  ASSERT_EQ(key.Set("Blob", {kBinary, "\x01\x02\xff"}), kSuccess);
  ASSERT_EQ(key.Set("Path", {kExpandString, "%A"}), kSuccess);
  ASSERT_EQ(key.WriteString("Odd", std::string("\x80\x81\0\xE9", 4)), kSuccess);
  ASSERT_EQ(key.WriteString("Quote", "a\"b\\c"), kSuccess);
  ASSERT_EQ(Key::Open(kUser, "Orbeta\\Empty", true, key), kSuccess);
  ASSERT_EQ(Key::Open(kUser, "", false, key), kSuccess);
  ASSERT_EQ(key.WriteString("Top", "1"), kSuccess);

  EXPECT_EQ(Hive(), kHead + Lines({"[HKEY_CURRENT_USER]",
                                   "\"Top\"=\"1\"",
                                   "",
                                   "[HKEY_CURRENT_USER\\Orbeta]",
                                   "\"Data\"=\"text\"",
                                   "@=\"default value\"",
                                   "\"Count\"=dword:0000002a",
                                   "\"Blob\"=hex:01,02,ff",
                                   "\"Path\"=hex(2):25,00,41,00,00,00",
                                   "\"Odd\"=hex(1):ac,20,81,00,00,00,e9,00,00,00",
                                   "\"Quote\"=\"a\\\"b\\\\c\"",
                                   "",
                                   "[HKEY_CURRENT_USER\\Orbeta\\Empty]",
                                   ""}));
}

TEST_F(RegistryTest, ReadsHandWrittenHives) {
  WriteFile(HivePath(),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "; LF endings, comments, continuations, a key named twice\n"
            "[hkey_current_user\\Software\\Orbeta]\n"
            "\"Data\"=\"first\"\n"
            "\"Long\"=hex:00,01,02,\\\n"
            "  03,04\n"
            "\"Inner zero\"=hex(1):41,00,00,00,42,00,00,00\r\n"
            "\"Unterminated\"=hex(1):41,00,42,00\n"
            "\"Not in the code page\"=hex(1):ac,20,3d,d8,00,de,4e,2d,80,00,00,00\n"
            "\"Small\"=dword:2a\n"
            "@=\"default\"\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Orbeta]\n"
            "\"DATA\"=\"second\"\n");
  const std::vector<std::pair<std::string, Value>> expected = {
      {"data", {kString, "second"}},
      {"Long", {kBinary, std::string("\0\1\2\3\4", 5)}},
      {"Inner zero", {kString, std::string("A\0B", 3)}},
      {"Unterminated", {kString, "AB"}},
      {"Not in the code page", {kString, "\x80???"}},  // U+20AC, a surrogate pair, U+2D4E, U+0080
      {"Small", {kDword, Dword(42)}},
      {"", {kString, "default"}},
  };
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Software\\Orbeta", false, key), kSuccess);
  for (int pass = 0; pass < 2; ++pass) {  // as written by hand, then as rewritten by a change
    for (const auto& [name, value] : expected) {
      Value read;
      ASSERT_EQ(key.Query(name, read), kSuccess) << name;
      EXPECT_EQ(read.type, value.type) << name;
      EXPECT_EQ(read.data, value.data) << name;
    }
    ASSERT_EQ(key.WriteDword("Added", 1), kSuccess);
  }
  EXPECT_NE(Hive().find("\"Data\"=\"second\"\r\n"), std::string::npos);
}

TEST_F(RegistryTest, MalformedHiveIsBadDb) {
  const std::string head = kHead + "[HKEY_CURRENT_USER\\Orbeta]\r\n";
  const std::vector<std::string> hives = {
      "",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Orbeta]\r\n",
      kHead + "\"Data\"=\"before any key\"\r\n",
      kHead + "[HKEY_LOCAL_MACHINE\\Orbeta]\r\n",
      kHead + "[HKEY_CLASSES_ROOT\\Orbeta]\r\n",
      kHead + "[HKEY_CURRENT_USERS\\Orbeta]\r\n",
      kHead + "[HKEY_CURRENT_USER\\Orbeta\r\n",
      kHead + "[-HKEY_CURRENT_USER\\Orbeta]\r\n",
      head + "garbage\r\n",
      head + "\"Data\"\r\n",
      head + "Data=\"x\"\r\n",
      head + "\"Data\"=\"unterminated\r\n",
      head + "\"Data\"=\"x\" trailing\r\n",
      head + "\"Data\"=\"unknown \\n escape\"\r\n",
      head + "\"Data\"=-\r\n",
      head + "\"Data\"=hex:01,zz\r\n",
      head + "\"Data\"=hex:01,,02\r\n",
      head + "\"Data\"=hex:01,\r\n",
      head + "\"Data\"=hex:100\r\n",
      head + "\"Data\"=hex:01,\\\r\n",
      head + "\"Data\"=hex(1):41,00,42\r\n",
      head + "\"Data\"=hex(x):00\r\n",
      head + "\"Data\"=hex(123456789):00\r\n",
      head + "\"Data\"=dword:123456789\r\n",
      head + "\"Data\"=dword:\r\n",
      head + "\"Data\"=dword:-1\r\n",
      head + "\"Data\"=str:\"x\"\r\n",
  };
  WriteFile(HivePath(), head + "\"Data\"=\"good\"\r\n");
  Key root;
  ASSERT_EQ(Key::Open(kUser, "Orbeta", false, root), kSuccess);  // the shared start is sound
  ASSERT_EQ(Key::Open(kUser, "", false, root), kSuccess);
  for (const std::string& hive : hives) {
    WriteFile(HivePath(), hive);
    Key key;
    EXPECT_EQ(Key::Open(kUser, "Orbeta", false, key), kBadDb) << hive;
    EXPECT_EQ(Key::Open(kUser, "Orbeta", true, key), kBadDb) << hive;
    Value value;
    EXPECT_EQ(root.Query("Data", value), kBadDb) << hive;
    EXPECT_EQ(root.WriteString("Data", "x"), kBadDb) << hive;
    EXPECT_EQ(Hive(), hive) << "a corrupt hive must not be overwritten";
  }
}

TEST_F(RegistryTest, KeyRemovedAfterOpeningIsFileNotFound) {
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Orbeta\\Gone", true, key), kSuccess);
  const std::string without = kHead + "[HKEY_CURRENT_USER\\Orbeta]\r\n\r\n";
  WriteFile(HivePath(), without);
  Value value;
  EXPECT_EQ(key.Query("Data", value), kFileNotFound);
  EXPECT_EQ(key.WriteString("Data", "x"), kFileNotFound);
  EXPECT_EQ(Hive(), without);
}

TEST_F(RegistryTest, UnwritableFolderIsAccessDenied) {
  WriteFile(dir_.File("plain"), "a file where a folder should be");
  ScopedEnv env("ORBETA_REGISTRY", dir_.File("plain/registry"));
  Key key;
  EXPECT_EQ(Key::Open(kUser, "Orbeta", true, key), kAccessDenied);
  EXPECT_EQ(Key::Open(kUser, "Orbeta", false, key), kFileNotFound);
  ASSERT_EQ(Key::Open(kUser, "", false, key), kSuccess);
  EXPECT_EQ(key.WriteString("Data", "x"), kAccessDenied);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kValues = 50;
  const auto name = [](int writer, int i) {
    return "W" + std::to_string(writer) + "-" + std::to_string(i);
  };
  std::vector<pid_t> children;
  for (int writer = 0; writer < kWriters; ++writer) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {  // each child creates the key itself too, racing the others
      Key key;
      bool ok = Key::Open(kUser, "Orbeta\\Shared", true, key) == kSuccess;
      for (int i = 0; i < kValues; ++i)
        ok = key.WriteDword(name(writer, i), writer * 1000 + i) == kSuccess && ok;
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Orbeta\\Shared", false, key), kSuccess);
  for (int writer = 0; writer < kWriters; ++writer)
    for (int i = 0; i < kValues; ++i) {
      Value value;
      ASSERT_EQ(key.Query(name(writer, i), value), kSuccess) << name(writer, i);
      EXPECT_EQ(value.data, Dword(writer * 1000 + i));
    }
}

TEST_F(RegistryTest, ReplacesTheHiveWholeAndLeavesNoTemporaryFiles) {
  const std::string folder = dir_.File("windows/registry");
  ScopedEnv env("ORBETA_REGISTRY", folder);
  Key key;
  ASSERT_EQ(Key::Open(kUser, "Orbeta", true, key), kSuccess);  // makes the folder and its parent
  ASSERT_EQ(key.WriteString("Data", "first"), kSuccess);
  const std::string hive = folder + "/HKEY_CURRENT_USER.reg";
  const std::string before = ReadFile(hive);

  std::ifstream early_reader(hive, std::ios::binary);
  ASSERT_EQ(key.WriteString("Data", "second"), kSuccess);
  std::ostringstream seen;
  seen << early_reader.rdbuf();
  EXPECT_EQ(seen.str(), before) << "a reader must keep a whole hive, not see it rewritten";
  EXPECT_NE(ReadFile(hive).find("\"Data\"=\"second\""), std::string::npos);

  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

TEST(RegistryDirectoryTest, EnvironmentOrWindowsDirectory) {
  ScopedEnv windir("WINDIR", "/srv/kiosk/windows");
  {
    ScopedEnv env("ORBETA_REGISTRY", "/srv/registry");
    EXPECT_EQ(RegistryDirectory(), "/srv/registry");
  }
  for (const auto& unset : {std::optional<std::string>(""), std::optional<std::string>()}) {
    ScopedEnv env("ORBETA_REGISTRY", unset);
    EXPECT_EQ(RegistryDirectory(), "/srv/kiosk/windows/registry");
  }
}

TEST(RegistryErrorMessageTest, KnownCodesAndOthers) {
  EXPECT_EQ(SystemErrorMessage(kFileNotFound), "The system cannot find the file specified.");
  EXPECT_EQ(SystemErrorMessage(kBadDb), "The configuration registry database is corrupt.");
  EXPECT_NE(SystemErrorMessage(4242).find("4242"), std::string::npos);
}

}  // namespace
}  // namespace orbeta::reg
