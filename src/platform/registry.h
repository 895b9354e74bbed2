// A file-backed registry with the calls and error codes of the Windows registry.
//
// One hive file per root, "HKEY_LOCAL_MACHINE.reg" and "HKEY_CURRENT_USER.reg", in the folder
// RegistryDirectory() names, in the text form of registry export files
// ("Windows Registry Editor Version 5.00"). Every call reads the hive afresh; every change is
// a read-modify-write under an exclusive lock on "<hive>.lock", written atomically, so two
// processes changing one hive lose nothing.
#pragma once

#include <cstdint>
#include <string>

namespace orbeta::reg {

enum class Root { LocalMachine, CurrentUser };

// Value types, numbered as on Windows.
enum ValueType : std::uint32_t {
  kNone = 0,
  kString = 1,        // REG_SZ: bytes, any byte value, zero included
  kExpandString = 2,  // REG_EXPAND_SZ
  kBinary = 3,        // REG_BINARY
  kDword = 4,         // REG_DWORD: 4 bytes, little-endian
};

// Error codes as the Windows calls return them.
enum Error : long {
  kSuccess = 0,
  kFileNotFound = 2,     // key or value missing
  kAccessDenied = 5,     // the hive or its folder cannot be written
  kInvalidParameter = 87,
  kMoreData = 234,
  kBadDb = 1009,         // the hive file cannot be parsed
  kBadKey = 1010,
  kCantOpen = 1011,
  kCantRead = 1012,
  kCantWrite = 1013,
};

// The system's message for an error code ("The system cannot find the file specified.").
std::string SystemErrorMessage(long code);

// $ORBETA_REGISTRY when set and not empty, else "registry" in the Windows directory. The folder
// is made, with its parents, by the first change.
std::string RegistryDirectory();

struct Value {
  std::uint32_t type = kNone;
  std::string data;  // strings without a terminator; a DWORD as its 4 bytes
};

// An open key. Key paths are "\"-separated, compared without case, a leading "\" ignored;
// the empty path is the root itself. Value names compare without case; "" is the default value.
// Key and value names are limited to printable ASCII (the hive file is ASCII text); others are
// refused with kInvalidParameter. Every call on a key that is not open gives kInvalidParameter.
// A key that disappeared from the hive after opening gives kFileNotFound.
class Key {
 public:
  // Opens `path` under `root`; with `create`, makes it and its parents when missing.
  // Returns kSuccess, or kFileNotFound (missing, no create), kAccessDenied, kBadDb,
  // kInvalidParameter (a name outside printable ASCII or longer than 255 characters, or a path
  // more than 512 keys deep). The root ("") always opens, without reading the hive.
  // On failure `out` is left closed.
  static long Open(Root root, const std::string& path, bool create, Key& out);

  // Query and Delete give kFileNotFound for a missing value. Any type number can be stored;
  // a DWORD whose data is not 4 bytes is kept as it is.
  long Query(const std::string& name, Value& out) const;
  long Set(const std::string& name, const Value& value);
  long Delete(const std::string& name);

  // Helpers over Query/Set for the common types. ReadString fails with kInvalidParameter
  // when the value exists with a type other than a string or expandable string.
  long ReadString(const std::string& name, std::string& out) const;
  // Fails with kInvalidParameter when the value is not a DWORD of 4 bytes.
  long ReadDword(const std::string& name, std::uint32_t& out) const;
  long WriteString(const std::string& name, const std::string& text);
  long WriteDword(const std::string& name, std::uint32_t number);

  bool IsOpen() const { return open_; }
  void Close() { open_ = false; }

 private:
  Root root_ = Root::CurrentUser;
  std::string path_;
  bool open_ = false;
};

}  // namespace orbeta::reg
