#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace orbeta::reg {
namespace {

constexpr std::string_view kSignature = "Windows Registry Editor Version 5.00";
constexpr std::string_view kNewline = "\r\n";
// A hive larger than this is refused as corrupt, so a damaged file cannot exhaust memory. The
// kiosk keeps a few kilobytes in it.
constexpr std::uintmax_t kMaxHiveBytes = 1u << 20;
// The limits of Windows on the length of one key name and on the depth of keys.
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxKeyDepth = 512;
// Hex lists are wrapped so that no line, its trailing "\" included, is longer than this.
constexpr std::size_t kLineWidth = 80;

struct Message {
  long code;
  const char* text;
};

constexpr Message kMessages[] = {
    {kSuccess, "The operation completed successfully."},
    {kFileNotFound, "The system cannot find the file specified."},
    {kAccessDenied, "Access is denied."},
    {kInvalidParameter, "The parameter is incorrect."},
    {kMoreData, "More data is available."},
    {kBadDb, "The configuration registry database is corrupt."},
    {kBadKey, "The configuration registry key is invalid."},
    {kCantOpen, "The configuration registry key could not be opened."},
    {kCantRead, "The configuration registry key could not be read."},
    {kCantWrite, "The configuration registry key could not be written."},
};

std::string_view RootName(Root root) {
  return root == Root::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string HivePath(Root root) {
  return JoinPath(RegistryDirectory(), std::string(RootName(root)) + ".reg");
}

std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

bool IsPrintable(std::string_view text) {
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The names of a key path joined by single "\"; nullopt when a name holds a character that the
// ASCII hive file cannot carry, or the path passes the limits of Windows.
std::optional<std::string> NormalKeyPath(std::string_view path) {
  if (!IsPrintable(path)) return std::nullopt;
  std::string normal;
  std::size_t depth = 0;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view name = path.substr(0, cut);
    if (!name.empty()) {
      if (name.size() > kMaxKeyName || ++depth > kMaxKeyDepth) return std::nullopt;
      normal += (normal.empty() ? "" : "\\") + std::string(name);
    }
    path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
  }
  return normal;
}

// --- Windows-1252 text as UTF-16LE ------------------------------------------------------------

// The code point of every byte, decoded from what Cp1252ToUtf8 makes of it, so that the code
// page is defined in one place. All of them lie in the Basic Multilingual Plane.
const std::array<char16_t, 256>& CodePoints() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> points{};
    for (int byte = 0; byte < 256; ++byte) {
      const std::string utf8 = Cp1252ToUtf8(std::string(1, static_cast<char>(byte)));
      const auto lead = static_cast<unsigned char>(utf8[0]);
      char32_t code = lead & (utf8.size() == 1 ? 0x7F : utf8.size() == 2 ? 0x1F : 0x0F);
      for (std::size_t i = 1; i < utf8.size(); ++i)
        code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
      points[byte] = static_cast<char16_t>(code);
    }
    return points;
  }();
  return table;
}

char ByteOf(char16_t unit) {
  const auto& points = CodePoints();
  if (unit < 256 && points[unit] == unit) return static_cast<char>(unit);
  for (int byte = 0x80; byte < 0xA0; ++byte)
    if (points[byte] == unit) return static_cast<char>(byte);
  return '?';
}

// The text's UTF-16LE form with a terminating zero character.
std::string ToUtf16(std::string_view text) {
  std::string bytes;
  bytes.reserve(2 * text.size() + 2);
  for (char c : text) {
    const char16_t unit = CodePoints()[static_cast<unsigned char>(c)];
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes.append(2, '\0');
}

// Back from UTF-16LE; one terminating zero character is dropped, inner ones are kept. A
// character that Windows-1252 lacks becomes "?". nullopt for an odd number of bytes.
std::optional<std::string> FromUtf16(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  if (bytes.ends_with(std::string_view("\0\0", 2))) bytes.remove_suffix(2);
  std::string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size() &&
                      (static_cast<unsigned char>(bytes[i + 3]) & 0xFC) == 0xDC;
    if (pair) i += 2;  // a character beyond the BMP: one "?" for both halves
    text += ByteOf(unit);
  }
  return text;
}

// --- The hive in memory -----------------------------------------------------------------------

struct HiveKey {
  std::string path;  // without the root name; "" for the root
  std::vector<std::pair<std::string, Value>> values;
  std::unordered_map<std::string, std::size_t> index;  // folded name -> position in values

  const Value* Find(std::string_view name) const {
    const auto it = index.find(Fold(name));
    return it == index.end() ? nullptr : &values[it->second].second;
  }

  void Put(const std::string& name, Value value) {
    const auto [it, added] = index.try_emplace(Fold(name), values.size());
    if (added)
      values.emplace_back(name, std::move(value));
    else
      values[it->second].second = std::move(value);
  }

  bool Erase(std::string_view name) {
    const auto it = index.find(Fold(name));
    if (it == index.end()) return false;
    const std::size_t gone = it->second;
    index.erase(it);
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(gone));
    for (auto& [folded, position] : index)
      if (position > gone) --position;
    return true;
  }
};

// Keys in order of creation, the root always first.
struct Hive {
  std::vector<HiveKey> keys{HiveKey{}};
  std::unordered_map<std::string, std::size_t> index{{"", 0}};  // folded path -> position

  HiveKey* Find(std::string_view path) {
    const auto it = index.find(Fold(path));
    return it == index.end() ? nullptr : &keys[it->second];
  }

  // The key at a normal path, appended when missing without its parents.
  HiveKey& Add(std::string path) {
    const auto [it, added] = index.try_emplace(Fold(path), keys.size());
    if (added) keys.push_back({std::move(path), {}, {}});
    return keys[it->second];
  }

  // The key at a normal path, made with its missing parents. A new key takes the spelling of
  // the key above it, so that every header in the file spells a parent the same way.
  HiveKey& Ensure(std::string_view path) {
    HiveKey* key = &keys.front();
    for (std::size_t start = 0; start < path.size();) {
      const std::size_t end = std::min(path.find('\\', start), path.size());
      const std::string name(path.substr(start, end - start));
      key = &Add(key->path.empty() ? name : key->path + "\\" + name);
      start = end + 1;
    }
    return *key;
  }
};

// --- Reading ----------------------------------------------------------------------------------

std::optional<std::uint32_t> ParseHex(std::string_view digits, std::size_t max_digits) {
  std::uint32_t number = 0;
  if (digits.empty() || digits.size() > max_digits) return std::nullopt;
  const char* last = digits.data() + digits.size();
  const auto [end, error] = std::from_chars(digits.data(), last, number, 16);
  if (error != std::errc() || end != last) return std::nullopt;
  return number;
}

std::optional<std::string> ParseHexList(std::string_view list) {
  std::string bytes;
  if (Trim(list).empty()) return bytes;
  while (true) {
    const std::size_t comma = list.find(',');
    const auto byte = ParseHex(Trim(list.substr(0, comma)), 2);
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
    if (comma == std::string_view::npos) return bytes;
    list.remove_prefix(comma + 1);
  }
}

// A "quoted" text at text[pos] with its \\ and \" escapes undone; pos moves past it.
std::optional<std::string> Unquote(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c == '\\') {
      if (++pos == text.size() || (text[pos] != '\\' && text[pos] != '"')) return std::nullopt;
      c = text[pos];
    }
    out += c;
  }
  return std::nullopt;
}

// The value right of the "=": "text", dword:n, hex:list or hex(type):list.
std::optional<Value> ParseData(std::string_view data) {
  if (data.starts_with('"')) {
    std::size_t pos = 0;
    auto text = Unquote(data, pos);
    if (!text || pos != data.size()) return std::nullopt;
    return Value{kString, std::move(*text)};
  }
  if (data.starts_with("dword:")) {
    const auto number = ParseHex(data.substr(6), 8);
    if (!number) return std::nullopt;
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(*number >> (8 * i));
    return Value{kDword, std::move(bytes)};
  }
  std::optional<std::uint32_t> type;
  if (data.starts_with("hex:")) {
    type = kBinary;
    data.remove_prefix(4);
  } else if (const std::size_t close = data.find("):");
             data.starts_with("hex(") && close != data.npos) {
    type = ParseHex(data.substr(4, close - 4), 8);
    data.remove_prefix(close + 2);
  }
  auto bytes = type ? ParseHexList(data) : std::nullopt;
  if (bytes && (*type == kString || *type == kExpandString)) bytes = FromUtf16(*bytes);
  if (!bytes) return std::nullopt;
  return Value{*type, std::move(*bytes)};
}

// A whole value line, continuations joined: "name"=data or @=data.
bool ParseValueLine(std::string_view line, HiveKey& key) {
  std::size_t pos = 1;
  std::string name;
  if (!line.starts_with('@')) {
    pos = 0;
    auto quoted = Unquote(line, pos);
    if (!quoted) return false;
    name = std::move(*quoted);
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  auto value = ParseData(line.substr(pos + 1));
  if (!value) return false;
  key.Put(name, std::move(*value));
  return true;
}

// The hive in a file's text; nullopt when the text is not an export of the root `root_name`.
// Lines end in LF or CR LF; blank lines and ";" comments are skipped; a line ending in "\"
// continues on the next. A key named twice gathers the values of both headers. A header makes
// only the key it names: making up the parents of deep keys could cost far more memory than the
// file takes.
std::optional<Hive> Parse(std::string_view text, std::string_view root_name) {
  std::size_t pos = 0;
  const auto next_line = [&](std::string_view& line) {
    if (pos >= text.size()) return false;
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    return true;
  };
  std::string_view line;
  if (!next_line(line) || line != kSignature) return std::nullopt;
  Hive hive;
  HiveKey* key = nullptr;
  while (next_line(line)) {
    if (line.empty() || line.starts_with(';')) continue;
    if (line.starts_with('[')) {
      if (!line.ends_with(']')) return std::nullopt;
      const std::string_view full = line.substr(1, line.size() - 2);
      const std::string_view rest = full.substr(std::min(full.size(), root_name.size()));
      if (Fold(full.substr(0, root_name.size())) != Fold(root_name) ||
          !(rest.empty() || rest.starts_with('\\')))
        return std::nullopt;
      const auto path = NormalKeyPath(rest);
      if (!path) return std::nullopt;
      key = &hive.Add(*path);
      continue;
    }
    std::string joined(line);
    while (joined.ends_with('\\')) {
      joined.pop_back();
      if (!next_line(line)) return std::nullopt;
      joined += line;
    }
    if (!key || !ParseValueLine(joined, *key)) return std::nullopt;
  }
  return hive;
}

// --- Writing ----------------------------------------------------------------------------------

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

std::string HexNumber(std::uint32_t number, int min_digits) {
  std::array<char, 8> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number, 16).ptr;
  const auto count = static_cast<int>(end - digits.data());
  return std::string(std::max(0, min_digits - count), '0') + std::string(digits.data(), end);
}

// `line` followed by the bytes as a hex list, wrapped with "\" continuations like regedit does.
std::string AppendHexList(std::string line, std::string_view bytes) {
  std::size_t column = line.size();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::string item = HexNumber(static_cast<unsigned char>(bytes[i]), 2) +
                             (i + 1 < bytes.size() ? "," : "");
    if (i > 0 && column + item.size() + 1 > kLineWidth) {
      line += "\\\r\n  ";
      column = 2;
    }
    line += item;
    column += item.size();
  }
  return line;
}

std::string ValueLine(const std::string& name, const Value& value) {
  std::string line = (name.empty() ? "@" : Quote(name)) + "=";
  if (value.type == kString && IsPrintable(value.data)) {
    line += Quote(value.data);
  } else if (value.type == kDword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
    line += "dword:" + HexNumber(number, 8);
  } else {
    const bool text = value.type == kString || value.type == kExpandString;
    line += value.type == kBinary ? "hex:" : "hex(" + HexNumber(value.type, 1) + "):";
    line = AppendHexList(std::move(line), text ? ToUtf16(value.data) : value.data);
  }
  return line.append(kNewline);
}

std::string Serialize(const Hive& hive, std::string_view root_name) {
  std::string out = std::string(kSignature).append(kNewline).append(kNewline);
  for (const HiveKey& key : hive.keys) {
    if (key.path.empty() && key.values.empty()) continue;
    out.append("[").append(root_name).append(key.path.empty() ? "" : "\\").append(key.path);
    out.append("]").append(kNewline);
    for (const auto& [name, value] : key.values) out += ValueLine(name, value);
    out.append(kNewline);
  }
  return out;
}

// --- The file ---------------------------------------------------------------------------------

// Reads the root's hive; a missing file is an empty hive.
long LoadHive(Root root, Hive& hive) {
  const std::string path = HivePath(root);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return kAccessDenied;
    hive = Hive();
    return kSuccess;
  }
  if (!S_ISREG(info.st_mode)) return kAccessDenied;
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxHiveBytes) return kBadDb;
  const auto text = ReadWholeFile(path);
  if (!text) return kAccessDenied;
  auto parsed = text->size() <= kMaxHiveBytes ? Parse(*text, RootName(root)) : std::nullopt;
  if (!parsed) return kBadDb;
  hive = std::move(*parsed);
  return kSuccess;
}

// Closing the descriptor releases the lock.
struct LockFile {
  int fd;
  ~LockFile() {
    if (fd >= 0) ::close(fd);
  }
};

// Applies `change` to the root's hive under an exclusive lock on "<hive>.lock" and, when it
// succeeds, replaces the hive file atomically. flock locks belong to an open file description,
// so this excludes other threads of this process as well as other processes.
long ModifyHive(Root root, const std::function<long(Hive&)>& change) {
  std::error_code error;
  std::filesystem::create_directories(RegistryDirectory(), error);
  if (error) return kAccessDenied;
  const std::string path = HivePath(root);
  const LockFile lock{::open((path + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644)};
  if (lock.fd < 0) return kAccessDenied;
  while (::flock(lock.fd, LOCK_EX) != 0)
    if (errno != EINTR) return kAccessDenied;
  Hive hive;
  if (const long failed = LoadHive(root, hive)) return failed;
  if (const long failed = change(hive)) return failed;
  try {
    ReplaceFileAtomically(path, Serialize(hive, RootName(root)));
  } catch (const std::system_error&) {
    return kAccessDenied;
  }
  return kSuccess;
}

}  // namespace

std::string SystemErrorMessage(long code) {
  for (const Message& message : kMessages)
    if (message.code == code) return message.text;
  return "Unknown error " + std::to_string(code) + ".";
}

std::string RegistryDirectory() {
  const char* dir = std::getenv("ORBETA_REGISTRY");
  return dir && *dir ? std::string(dir) : JoinPath(WindowsDirectory(), "registry");
}

long Key::Open(Root root, const std::string& path, bool create, Key& out) {
  out.Close();
  const auto normal = NormalKeyPath(path);
  if (!normal) return kInvalidParameter;
  long result = kSuccess;
  if (!normal->empty()) {  // the root always exists
    Hive hive;
    result = LoadHive(root, hive);
    if (result == kSuccess && !hive.Find(*normal)) result = kFileNotFound;
    if (result == kFileNotFound && create)
      result = ModifyHive(root, [&](Hive& latest) {
        latest.Ensure(*normal);
        return kSuccess;
      });
  }
  if (result != kSuccess) return result;
  out.root_ = root;
  out.path_ = *normal;
  out.open_ = true;
  return kSuccess;
}

long Key::Query(const std::string& name, Value& out) const {
  if (!open_) return kInvalidParameter;
  Hive hive;
  if (const long failed = LoadHive(root_, hive)) return failed;
  const HiveKey* key = hive.Find(path_);
  const Value* value = key ? key->Find(name) : nullptr;
  if (!value) return kFileNotFound;
  out = *value;
  return kSuccess;
}

long Key::Set(const std::string& name, const Value& value) {
  if (!open_ || !IsPrintable(name)) return kInvalidParameter;
  return ModifyHive(root_, [&](Hive& hive) {
    HiveKey* key = hive.Find(path_);
    if (!key) return kFileNotFound;
    key->Put(name, value);
    return kSuccess;
  });
}

long Key::Delete(const std::string& name) {
  if (!open_) return kInvalidParameter;
  return ModifyHive(root_, [&](Hive& hive) {
    HiveKey* key = hive.Find(path_);
    return key && key->Erase(name) ? kSuccess : kFileNotFound;
  });
}

long Key::ReadString(const std::string& name, std::string& out) const {
  Value value;
  if (const long failed = Query(name, value)) return failed;
  if (value.type != kString && value.type != kExpandString) return kInvalidParameter;
  out = std::move(value.data);
  return kSuccess;
}

long Key::ReadDword(const std::string& name, std::uint32_t& out) const {
  Value value;
  if (const long failed = Query(name, value)) return failed;
  if (value.type != kDword || value.data.size() != 4) return kInvalidParameter;
  out = 0;
  for (int i = 3; i >= 0; --i) out = (out << 8) | static_cast<unsigned char>(value.data[i]);
  return kSuccess;
}

long Key::WriteString(const std::string& name, const std::string& text) {
  return Set(name, {kString, text});
}

long Key::WriteDword(const std::string& name, std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
  return Set(name, {kDword, bytes});
}

}  // namespace orbeta::reg
