#include "admin/admin_password.h"

#include <gtest/gtest.h>

#include "admin/crypt32.h"
#include "app/settings.h"
#include "support/test_support.h"

namespace orbeta {
namespace {

class AdminPasswordTest : public ::testing::Test {
 protected:
  AdminPasswordTest() {
    AdminMode = true;
    Settings.SecurityOff = true;
    AdminPassword.clear();
  }
  std::optional<reg::Value> Stored() {
    reg::Key key;
    reg::Value value;
    if (reg::Key::Open(reg::Root::CurrentUser, "Orbeta", false, key) != reg::kSuccess ||
        key.Query("Data", value) != reg::kSuccess)
      return std::nullopt;
    return value;
  }
  void Store(const reg::Value& value) {
    reg::Key key;
    ASSERT_EQ(reg::Key::Open(reg::Root::CurrentUser, "Orbeta", true, key), reg::kSuccess);
    key.Set("Data", value);
  }
  test::TempDir dir_;
  test::ScopedEnv registry_{"ORBETA_REGISTRY", dir_.path()};
};

TEST_F(AdminPasswordTest, NoStoredPasswordLocksAndStoresTheDefault) {
  // A fresh machine (no key), a key without the value, and an empty value.
  for (int situation = 0; situation < 3; ++situation) {
    if (situation == 1) {
      reg::Key key;
      ASSERT_EQ(reg::Key::Open(reg::Root::CurrentUser, "Orbeta", true, key), reg::kSuccess);
      key.Delete("Data");
    }
    if (situation == 2) Store({reg::kString, ""});
    AdminMode = Settings.SecurityOff = true;
    LoadAdminPassword();
    EXPECT_EQ(AdminPassword, "tulmar") << situation;
    EXPECT_FALSE(AdminMode) << situation;
    EXPECT_FALSE(Settings.SecurityOff) << situation;
    ASSERT_TRUE(Stored()) << situation;
    EXPECT_EQ(Stored()->data, Crypt32::Encrypt("tulmar"));
  }
}

TEST_F(AdminPasswordTest, StoredPasswordIsDecipheredAndLeavesTheStateAlone) {
  StoreAdminPassword("Secret");
  LoadAdminPassword();
  EXPECT_EQ(AdminPassword, "Secret");
  EXPECT_TRUE(AdminMode);
  EXPECT_TRUE(Settings.SecurityOff);
  EXPECT_TRUE(IsUnlocked());
  AdminMode = Settings.SecurityOff = false;
  EXPECT_FALSE(IsUnlocked());
}

TEST_F(AdminPasswordTest, CipherTextWithAZeroByteRoundTrips) {
  std::string password = "a";
  for (char c = ' '; Crypt32::Encrypt(password).find('\0') == std::string::npos; ++c) password = {'p', c, 'q'};
  ASSERT_NE(Crypt32::Encrypt(password).find('\0'), std::string::npos);
  StoreAdminPassword(password);
  AdminPassword.clear();
  LoadAdminPassword();
  EXPECT_EQ(AdminPassword, password);
}

TEST_F(AdminPasswordTest, ValueOfAnotherTypeIsOverwrittenWithThePasswordInMemory) {
  Store({reg::kDword, std::string(4, '\1')});
  AdminPassword = "known";
  LoadAdminPassword();
  EXPECT_EQ(AdminPassword, "known");
  EXPECT_TRUE(Settings.SecurityOff);
  ASSERT_TRUE(Stored());
  EXPECT_EQ(Stored()->type, reg::kString);
  EXPECT_EQ(Stored()->data, Crypt32::Encrypt("known"));
}

TEST_F(AdminPasswordTest, UnreadableStoreNeverLeavesAnEmptyPassword) {
  test::WriteFile(dir_.File("HKEY_CURRENT_USER.reg"), "this is no registry file\n");
  LoadAdminPassword();
  EXPECT_EQ(AdminPassword, "tulmar");
  AdminPassword = "earlier";
  LoadAdminPassword();
  EXPECT_EQ(AdminPassword, "earlier");
}

}  // namespace
}  // namespace orbeta
