#include "admin/admin_password.h"

#include "admin/crypt32.h"
#include "app/settings.h"
#include "platform/registry.h"

namespace orbeta {

bool AdminMode = false;
std::string AdminPassword;

namespace {

void WriteEnciphered(reg::Key& key, const std::string& password) {
  key.WriteString(kPasswordValue, Crypt32::Encrypt(password));
}

// No password is stored: the default one holds and the kiosk is locked.
void UseDefaultPassword() {
  AdminPassword = kDefaultAdminPassword;
  Settings.SecurityOff = false;
  AdminMode = false;
}

}  // namespace

bool IsUnlocked() { return AdminMode || Settings.SecurityOff; }

void LoadAdminPassword() {
  reg::Key key;
  const long opened = reg::Key::Open(reg::Root::CurrentUser, kPasswordKey, false, key);
  if (opened == reg::kFileNotFound) {
    // A fresh machine has no key yet: it must not start unlocked.
    UseDefaultPassword();
    StoreAdminPassword(AdminPassword);
    return;
  }
  if (opened != reg::kSuccess) {
    // The store cannot be read: keep what is known, but an empty entry must never unlock.
    if (AdminPassword.empty()) AdminPassword = kDefaultAdminPassword;
    return;
  }
  std::string stored;
  const long read = key.ReadString(kPasswordValue, stored);
  if (read == reg::kSuccess && !stored.empty()) {
    AdminPassword = Crypt32::Decrypt(stored);
  } else if (read == reg::kSuccess || read == reg::kFileNotFound) {
    UseDefaultPassword();
    WriteEnciphered(key, AdminPassword);
  } else {
    WriteEnciphered(key, AdminPassword);
  }
  key.Close();
}

void StoreAdminPassword(const std::string& password) {
  reg::Key key;
  if (reg::Key::Open(reg::Root::CurrentUser, kPasswordKey, true, key) == reg::kSuccess)
    WriteEnciphered(key, password);
}

}  // namespace orbeta
