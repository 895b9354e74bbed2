// The administrator password, its store in the registry, and the administration mode.
#pragma once

#include <string>

namespace orbeta {

extern bool AdminMode;              // the administrator unlocked the kiosk in this run
extern std::string AdminPassword;   // in plain text; empty until loaded

inline constexpr char kDefaultAdminPassword[] = "tulmar";
inline constexpr char kPasswordKey[] = "Orbeta";   // under the current-user root
inline constexpr char kPasswordValue[] = "Data";

// Unlocked: the administrator unlocked the kiosk, or the settings switch security off.
bool IsUnlocked();

// Reads the enciphered password into AdminPassword. When none is stored (no value, an empty
// value, or no key at all) the default password is stored and the kiosk is locked:
// SecurityOff and AdminMode become false. Registry errors are never reported.
void LoadAdminPassword();

// Stores the encryption of `password`, creating the key; errors are ignored.
void StoreAdminPassword(const std::string& password);

}  // namespace orbeta
