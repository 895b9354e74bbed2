#include "app/settings_helpers.h"

#include <stdexcept>

#include "platform/integer_text.h"

namespace orbeta {
namespace {

// The text up to the next "," (removed with it), or the rest, cut at 9999 characters.
std::string TakeField(std::string_view& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    std::string field(text.substr(0, 9999));
    text = {};
    return field;
  }
  std::string field(text.substr(0, comma));
  text.remove_prefix(comma + 1);
  return field;
}

[[noreturn]] void FailRegistry(long code) { throw std::runtime_error(reg::SystemErrorMessage(code)); }

reg::Value ValueOfType(std::uint32_t type, const std::string& value) {
  if (type != reg::kDword) return {type, value};
  const auto number = static_cast<std::uint32_t>(StrToInt(value));
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
  return {reg::kDword, bytes};
}

}  // namespace

std::int32_t LooseStrToInt(std::string_view text) { return ScanInteger(text).wrapped; }

std::vector<std::string> SplitExtList(std::int32_t count, std::string_view text,
                                      std::string_view key) {
  if (count < 0 || count > kMaxExtCount)
    throw std::range_error(std::string(key) + ": count " + std::to_string(count) +
                           " is out of range 0 to " + std::to_string(kMaxExtCount));
  std::vector<std::string> list(static_cast<std::size_t>(count));
  for (std::size_t filled = 0; !text.empty() && filled < list.size(); ++filled) {
    const std::size_t semicolon = text.find(';');
    list[filled] = std::string(text.substr(0, semicolon));
    text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
  }
  return list;
}

std::string JoinExtList(const std::vector<std::string>& list) {
  std::string text;
  for (std::size_t i = 0; i < list.size(); ++i) text += (i ? ";" : "") + list[i];
  return text;
}

ProgramList ParseProgramList(std::string_view text) {
  ProgramList slots;
  std::size_t next = 0;
  while (!text.empty()) {
    std::string name = TakeField(text);
    std::string path = TakeField(text);
    if (name.empty() || path.empty() || next == slots.size()) continue;
    slots[next++] = {std::move(name), std::move(path)};
  }
  return slots;
}

void WriteRegValue(reg::Root root, const std::string& keyPath, const std::string& valueName,
                   const std::string& value, int type) {
  reg::Key key;
  if (long error = reg::Key::Open(root, keyPath, true, key)) FailRegistry(error);
  std::uint32_t valueType = 0;
  switch (type) {
    case kRegKeepType: {
      reg::Value existing;
      if (key.Query(valueName, existing) != reg::kSuccess) FailRegistry(reg::kCantWrite);
      valueType = existing.type;
      break;
    }
    case kRegString: valueType = reg::kString; break;
    case kRegExpandString: valueType = reg::kExpandString; break;
    case kRegInteger: valueType = reg::kDword; break;
    case kRegBytes: valueType = reg::kBinary; break;
    default: FailRegistry(reg::kCantWrite);
  }
  if (long error = key.Set(valueName, ValueOfType(valueType, value))) FailRegistry(error);
}

void DeleteRegValue(const std::string& keyPath, const std::string& valueName) {
  reg::Key key;
  if (reg::Key::Open(reg::Root::LocalMachine, keyPath, false, key) == reg::kSuccess)
    key.Delete(valueName);
}

}  // namespace orbeta
