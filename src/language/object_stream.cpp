#include "language/object_stream.h"

#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "language/containers.h"

namespace orbeta {
namespace {

constexpr std::string_view kSignature = "TPF0";

enum Tag : unsigned char {
  kInt8 = 0x02,
  kInt16 = 0x03,
  kInt32 = 0x04,
  kShortText = 0x06,
  kFalse = 0x08,
  kTrue = 0x09,
  kLongText = 0x0C,
};

// The tags each kind of value may start with.
constexpr std::string_view kIntegerTags = "\x02\x03\x04";
constexpr std::string_view kBooleanTags = "\x08\x09";
constexpr std::string_view kTextTags = "\x06\x0C";

struct ClassEntry {
  std::vector<TReaderProc> readers;
  std::vector<TWriterProc> writers;
};

std::map<std::string, ClassEntry, std::less<>>& Classes() {
  static std::map<std::string, ClassEntry, std::less<>> classes;
  return classes;
}

// Few names, looked up in both directions.
std::vector<std::pair<std::string, TCompareFunc>>& CompareFuncs() {
  static std::vector<std::pair<std::string, TCompareFunc>> funcs;
  return funcs;
}

const ClassEntry& FindClass(std::string_view name) {
  const auto it = Classes().find(name);
  if (it == Classes().end()) throw EClassNotRegistered();
  return it->second;
}

}  // namespace

std::string DescribeStreamError(const EStreamError& error) {
  std::string text = error.what();
  if (error.Offset()) text += " (at byte " + std::to_string(*error.Offset()) + ")";
  return text;
}

// ---- Writing ----

void TObjectWriter::WriteRaw(std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out_ += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void TObjectWriter::WriteInteger(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  if (value >= -128 && value <= 127) {
    out_ += static_cast<char>(kInt8);
    WriteRaw(bits, 1);
  } else if (value >= -32768 && value <= 32767) {
    out_ += static_cast<char>(kInt16);
    WriteRaw(bits, 2);
  } else {
    out_ += static_cast<char>(kInt32);
    WriteRaw(bits, 4);
  }
}

void TObjectWriter::WriteBoolean(bool value) { out_ += static_cast<char>(value ? kTrue : kFalse); }

void TObjectWriter::WriteText(std::string_view text) {
  if (text.size() <= 255) {
    out_ += static_cast<char>(kShortText);
    WriteRaw(static_cast<std::uint32_t>(text.size()), 1);
  } else {
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
      throw std::length_error("text too long for an object stream");
    out_ += static_cast<char>(kLongText);
    WriteRaw(static_cast<std::uint32_t>(text.size()), 4);
  }
  out_ += text;
}

void TObjectWriter::WriteObject(const TStreamable& object) {
  const ClassEntry& entry = FindClass(object.ClassName());
  if (entry.writers.empty()) throw EClassVersionNotRegistered();
  out_ += kSignature;
  WriteText(object.ClassName());
  WriteRaw(static_cast<std::uint32_t>(entry.writers.size()), 2);
  entry.writers.back()(object, *this);
}

// ---- Reading ----

void TObjectReader::Require(std::size_t bytes) const {
  if (bytes > bytes_.size() - pos_) throw EReadError("Stream ends too early", value_start_);
}

std::uint32_t TObjectReader::ReadRaw(int bytes) {
  Require(static_cast<std::size_t>(bytes));
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[pos_++])) << (8 * i);
  return value;
}

unsigned char TObjectReader::ReadTag(std::string_view accepted, const char* what) {
  value_start_ = pos_;
  Require(1);
  const char tag = bytes_[pos_];
  if (accepted.find(tag) == std::string_view::npos) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(tag));
    throw EReadError(std::string("Unexpected value type ") + hex + " where " + what + " was expected", pos_);
  }
  ++pos_;
  return static_cast<unsigned char>(tag);
}

std::int32_t TObjectReader::ReadInteger() {
  switch (ReadTag(kIntegerTags, "an integer")) {
    case kInt8:
      return static_cast<std::int8_t>(ReadRaw(1));
    case kInt16:
      return static_cast<std::int16_t>(ReadRaw(2));
    default:
      return static_cast<std::int32_t>(ReadRaw(4));
  }
}

bool TObjectReader::ReadBoolean() { return ReadTag(kBooleanTags, "a boolean") == kTrue; }

std::string TObjectReader::ReadText() {
  const std::size_t length = ReadTag(kTextTags, "a text") == kShortText ? ReadRaw(1) : ReadRaw(4);
  Require(length);
  std::string text(bytes_.substr(pos_, length));
  pos_ += length;
  return text;
}

std::unique_ptr<TStreamable> TObjectReader::ReadObject() {
  const std::size_t start = pos_;
  value_start_ = start;
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } guard{++depth_};
  try {
    if (depth_ > kMaxObjectDepth)
      throw EReadError("Objects nested more than " + std::to_string(kMaxObjectDepth) + " deep", start);
    Require(kSignature.size());
    if (bytes_.substr(pos_, kSignature.size()) != kSignature)
      throw EReadError("Invalid object signature", start);
    pos_ += kSignature.size();
    const std::string name = ReadText();
    const ClassEntry& entry = FindClass(name);
    value_start_ = pos_;
    const std::uint32_t version = ReadRaw(2);
    if (version == 0 || version > entry.readers.size()) throw EClassVersionNotRegistered();
    std::unique_ptr<TStreamable> object = entry.readers[version - 1](*this);
    value_start_ = start;
    return object;
  } catch (EStreamError& error) {
    if (!error.Offset()) error.SetOffset(value_start_);
    throw;
  }
}

// ---- Registries ----

void RegisterStreamable(std::string_view className, std::vector<TReaderProc> readers,
                        std::vector<TWriterProc> writers) {
  if (IsClassRegistered(className)) throw EDuplicateRegisteredClass();
  Classes().emplace(std::string(className), ClassEntry{std::move(readers), std::move(writers)});
}

bool IsClassRegistered(std::string_view className) { return Classes().contains(className); }

void RegisterCompareFunc(std::string_view name, TCompareFunc func) {
  for (const auto& [registered, ignored] : CompareFuncs())
    if (registered == name) throw EDuplicateCompareFunc();
  CompareFuncs().emplace_back(std::string(name), func);
}

TCompareFunc FindCompareFunc(std::string_view name) {
  for (const auto& [registered, func] : CompareFuncs())
    if (registered == name) return func;
  throw ECompareFuncNotRegistered();
}

const std::string& CompareFuncName(TCompareFunc func) {
  for (const auto& [name, registered] : CompareFuncs())
    if (registered == func) return name;
  throw ECompareFuncNotRegistered();
}

void WriteObject(const TStreamable& object, std::string& out) { TObjectWriter(out).WriteObject(object); }

std::unique_ptr<TStreamable> ReadObject(std::string_view bytes) { return TObjectReader(bytes).ReadObject(); }

}  // namespace orbeta
