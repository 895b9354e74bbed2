// Conversions that the settings load and the settings dialog share, and the registry writes
// of the settings.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace orbeta {

// A program of the launcher menu: its caption and its program file.
struct ProgramEntry {
  std::string Name;
  std::string Path;
};
using ProgramList = std::array<ProgramEntry, 10>;  // slots 1 to 10 at indexes 0 to 9

// Skips leading blanks, takes an optional sign and a "$" or "0x" hexadecimal prefix, and
// converts digits up to the first other character, in wrapping 32-bit arithmetic. Never fails.
std::int32_t LooseStrToInt(std::string_view text);

// Exactly `count` entries taken from the ";"-separated text, untrimmed; surplus items are
// dropped, missing ones stay empty. A negative count (or one beyond kMaxExtCount) throws
// std::range_error.
inline constexpr std::int32_t kMaxExtCount = 10000;
std::vector<std::string> SplitExtList(std::int32_t count, std::string_view text,
                                      std::string_view key = "extension list");
std::string JoinExtList(const std::vector<std::string>& list);

// Pairs "Name,Path,Name,Path…" into the slots in order; a pair with an empty member is
// skipped, pairs beyond the tenth slot are ignored.
ProgramList ParseProgramList(std::string_view text);

// Registry value types of WriteRegValue.
enum RegWriteType : int {
  kRegKeepType = 0,
  kRegString = 1,
  kRegExpandString = 2,
  kRegInteger = 3,
  kRegBytes = 4,
};

// Writes `value` under root\keyPath, creating the key. Throws std::runtime_error with the
// system's message when the key cannot be opened or the value not written, for an unknown
// type, or (type 0) when the value has no type yet.
void WriteRegValue(reg::Root root, const std::string& keyPath, const std::string& valueName,
                   const std::string& value, int type);

// Deletes a value under the local-machine root; a missing key or value is no error.
void DeleteRegValue(const std::string& keyPath, const std::string& valueName);

}  // namespace orbeta
