#include "kiosk/kiosk_setup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>

#include "platform/paths.h"
#include "platform/registry.h"
#include "support/test_support.h"

namespace orbeta {
namespace reg {
static bool operator==(const Value& a, const Value& b) { return a.type == b.type && a.data == b.data; }
static void PrintTo(const Value& value, std::ostream* out) {
  *out << "type " << value.type << " \"" << testing::PrintToString(value.data) << "\"";
}
}  // namespace reg

namespace {

using test::ScopedEnv;
using test::TempDir;

reg::Value Dword(std::uint32_t number) {
  reg::Value value{reg::kDword, std::string(4, '\0')};
  for (std::size_t byte = 0; byte < 4; ++byte) value.data[byte] = static_cast<char>(number >> (8 * byte));
  return value;
}
reg::Value String(const std::string& text) { return {reg::kString, text}; }

// A registry of its own for each test.
class KioskSetupTest : public ::testing::Test {
 protected:
  void Put(reg::Root root, const std::string& path, const std::string& name, const reg::Value& value) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Open(root, path, true, key), reg::kSuccess);
    ASSERT_EQ(key.Set(name, value), reg::kSuccess);
  }
  void MakeKey(reg::Root root, const std::string& path) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Open(root, path, true, key), reg::kSuccess);
  }
  static bool KeyExists(reg::Root root, const std::string& path) {
    reg::Key key;
    return reg::Key::Open(root, path, false, key) == reg::kSuccess;
  }
  static std::optional<reg::Value> Get(reg::Root root, const std::string& path, const std::string& name) {
    reg::Key key;
    reg::Value value;
    if (reg::Key::Open(root, path, false, key) != reg::kSuccess || key.Query(name, value) != reg::kSuccess)
      return std::nullopt;
    return value;
  }
  std::optional<reg::Value> User(const std::string& path, const std::string& name) {
    return Get(reg::Root::CurrentUser, path, name);
  }
  // The inode of the user's hive file: every change replaces the file.
  ino_t UserHiveInode() const {
    struct stat info {};
    return ::stat(dir_.File("registry/HKEY_CURRENT_USER.reg").c_str(), &info) == 0 ? info.st_ino : 0;
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path()};
  ScopedEnv registry_{"ORBETA_REGISTRY", dir_.File("registry")};
};

TEST_F(KioskSetupTest, BrowserSecurityFollowsSecurityOffAndFtp) {
  struct Case {
    bool securityOff;
    bool useFtp;
    std::uint32_t noFileUrl;
    std::uint32_t zoneValue;
  };
  const Case cases[] = {
      {true, false, 0, kZoneAllowed},
      {true, true, 0, kZoneAllowed},
      {false, false, 1, kZoneRefused},
      {false, true, 1, kZoneAllowed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "SecurityOff " << c.securityOff << ", UseFtp " << c.useFtp);
    Put(reg::Root::CurrentUser, kInternetZoneKey, kFileDownloadValue, Dword(7));
    Put(reg::Root::CurrentUser, kInternetZoneKey, kFontDownloadValue, Dword(7));
    TSettings settings;
    settings.SecurityOff = c.securityOff;
    settings.UseFtp = c.useFtp;

    ApplyBrowserSecuritySettings(settings);

    EXPECT_EQ(User(kExplorerPoliciesKey, kNoFileUrlValue), Dword(c.noFileUrl));
    EXPECT_EQ(User(kInternetZoneKey, kFileDownloadValue), Dword(c.zoneValue));
    EXPECT_EQ(User(kInternetZoneKey, kFontDownloadValue), Dword(c.zoneValue));
  }
}

TEST_F(KioskSetupTest, ZoneUpdateWritesOnlyDifferingIntegersAndStopsAtTheFirstBadValue) {
  struct Case {
    const char* what;
    std::optional<reg::Value> fileDownload;
    std::optional<reg::Value> fontDownload;
    bool allow;
    std::optional<reg::Value> fileAfter;
    std::optional<reg::Value> fontAfter;
  };
  const Case cases[] = {
      {"second differs", Dword(3), Dword(0), false, Dword(3), Dword(3)},
      {"first differs", Dword(3), Dword(0), true, Dword(0), Dword(0)},
      {"first missing", std::nullopt, Dword(0), false, std::nullopt, Dword(0)},
      {"first a string", String("0"), Dword(0), false, String("0"), Dword(0)},
      {"second missing", Dword(3), std::nullopt, true, Dword(0), std::nullopt},
      {"second binary", Dword(0), reg::Value{reg::kBinary, "\3"}, false, Dword(3), reg::Value{reg::kBinary, "\3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir registry;
    ScopedEnv registryDir("ORBETA_REGISTRY", registry.path());
    MakeKey(reg::Root::CurrentUser, kInternetZoneKey);
    if (c.fileDownload) Put(reg::Root::CurrentUser, kInternetZoneKey, kFileDownloadValue, *c.fileDownload);
    if (c.fontDownload) Put(reg::Root::CurrentUser, kInternetZoneKey, kFontDownloadValue, *c.fontDownload);

    UpdateInternetZone(c.allow);

    EXPECT_EQ(User(kInternetZoneKey, kFileDownloadValue), c.fileAfter);
    EXPECT_EQ(User(kInternetZoneKey, kFontDownloadValue), c.fontAfter);
  }
}

TEST_F(KioskSetupTest, ZoneValuesAlreadyRightLeaveTheHiveUntouched) {
  Put(reg::Root::CurrentUser, kInternetZoneKey, kFileDownloadValue, Dword(kZoneRefused));
  Put(reg::Root::CurrentUser, kInternetZoneKey, kFontDownloadValue, Dword(kZoneRefused));
  const ino_t before = UserHiveInode();
  ASSERT_NE(before, 0u);

  UpdateInternetZone(false);
  EXPECT_EQ(UserHiveInode(), before);

  // The same check sees a write: one value to correct replaces the file once.
  Put(reg::Root::CurrentUser, kInternetZoneKey, kFontDownloadValue, Dword(kZoneAllowed));
  const ino_t beforeOneWrite = UserHiveInode();
  UpdateInternetZone(false);
  EXPECT_NE(UserHiveInode(), beforeOneWrite);
  EXPECT_EQ(User(kInternetZoneKey, kFontDownloadValue), Dword(kZoneRefused));
}

TEST_F(KioskSetupTest, MissingZoneKeyIsNotCreated) {
  MakeKey(reg::Root::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
  TSettings settings;  // security on: NoFileUrl written, zone refused
  ApplyBrowserSecuritySettings(settings);

  EXPECT_EQ(User(kExplorerPoliciesKey, kNoFileUrlValue), Dword(1));
  EXPECT_FALSE(KeyExists(reg::Root::CurrentUser, kInternetZoneKey));
}

TEST_F(KioskSetupTest, ProxyComesFromTheBrowserSettings) {
  struct Case {
    std::optional<reg::Value> enable;
    std::optional<reg::Value> server;
    ProxySettings expected;
  };
  const Case cases[] = {
      {Dword(1), String("proxy.example:8080"), {true, "proxy.example", 8080}},
      {Dword(0x100), String("10.0.0.1:3128"), {true, "10.0.0.1", 3128}},
      {Dword(1), String(":8080"), {true, "", 8080}},
      {Dword(1), String("proxy.example"), {}},
      {Dword(1), String("proxy.example:"), {}},
      {Dword(1), String("proxy.example:80a"), {}},
      {Dword(1), String("proxy.example:0x50"), {}},
      {Dword(1), String("proxy.example:99999999999"), {}},
      {Dword(1), String("http=proxy.example:8080;https=proxy.example:8443"), {}},
      {Dword(1), std::nullopt, {}},
      {Dword(0), String("proxy.example:8080"), {}},
      {String("1"), String("proxy.example:8080"), {}},
      {std::nullopt, String("proxy.example:8080"), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server ? c.server->data : "no server");
    TempDir registry;
    ScopedEnv registryDir("ORBETA_REGISTRY", registry.path());
    MakeKey(reg::Root::CurrentUser, kInternetSettingsKey);
    if (c.enable) Put(reg::Root::CurrentUser, kInternetSettingsKey, kProxyEnableValue, *c.enable);
    if (c.server) Put(reg::Root::CurrentUser, kInternetSettingsKey, kProxyServerValue, *c.server);

    const ProxySettings proxy = ReadProxy();
    EXPECT_EQ(proxy.useProxy, c.expected.useProxy);
    EXPECT_EQ(proxy.host, c.expected.host);
    EXPECT_EQ(proxy.port, c.expected.port);
  }
}

TEST_F(KioskSetupTest, NoProxyWithoutTheInternetSettingsKey) {
  EXPECT_FALSE(ReadProxy().useProxy);
  EXPECT_FALSE(KeyExists(reg::Root::CurrentUser, kInternetSettingsKey));
}

TEST_F(KioskSetupTest, FrontAppRegistersTheProgramOnceOnlyWhenItChanges) {
  MakeKey(reg::Root::LocalMachine, kRunOnceKey);
  const auto runOnce = [] { return Get(reg::Root::LocalMachine, kRunOnceKey, kFrontAppValue); };
  TdWinlock lock;

  Put(reg::Root::LocalMachine, kRunOnceKey, kFrontAppValue, String("left from an earlier run"));
  lock.SetFrontApp(false);  // already false: nothing deleted
  EXPECT_EQ(runOnce(), String("left from an earlier run"));

  lock.SetFrontApp(true);
  EXPECT_TRUE(lock.FrontApp());
  EXPECT_EQ(runOnce(), String(ProgramPath()));

  Put(reg::Root::LocalMachine, kRunOnceKey, kFrontAppValue, String("changed meanwhile"));
  lock.SetFrontApp(true);  // already true: not written again
  EXPECT_EQ(runOnce(), String("changed meanwhile"));

  lock.SetFrontApp(false);
  EXPECT_FALSE(lock.FrontApp());
  EXPECT_EQ(runOnce(), std::nullopt);
  EXPECT_FALSE(lock.Loaded());  // the run-once entry needs no library
}

TEST_F(KioskSetupTest, FrontAppWithoutRunOnceKeyWritesNothing) {
  TdWinlock lock;
  lock.SetFrontApp(true);
  EXPECT_TRUE(lock.FrontApp());
  EXPECT_FALSE(KeyExists(reg::Root::LocalMachine, kRunOnceKey));
}

}  // namespace
}  // namespace orbeta
