// The object stream: self-describing objects written as tagged values, and the registries of
// streamable classes and compare functions that let a reader rebuild objects by name.
//
// An object is the signature "TPF0", its class name (a text value), its class version (2 raw
// bytes, little-endian) and then the class's own data. Values carry a one-byte type tag:
//   0x02 int8, 0x03 int16, 0x04 int32 (little-endian), 0x08 false, 0x09 true,
//   0x06 text with a 1-byte length, 0x0C text with a 4-byte length.
// A writer picks the shortest integer form and the short text form when the text fits; a
// reader accepts every form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orbeta {

// Base of every object that can be written to and read from an object stream.
class TStreamable {
 public:
  virtual ~TStreamable() = default;
  // The name under which the class is registered and written.
  virtual std::string_view ClassName() const = 0;

 protected:
  TStreamable() = default;
  TStreamable(const TStreamable&) = default;
  TStreamable(TStreamable&&) = default;
  TStreamable& operator=(const TStreamable&) = default;
  TStreamable& operator=(TStreamable&&) = default;
};

// How the first item stands to the second, as a compare function answers.
enum CompareResult : int { kCompareEqual = 0, kCompareSmaller = 1, kCompareGreater = 2 };

using TCompareFunc = int (*)(const TStreamable& first, const TStreamable& second);

// Base of the errors of the object stream and its containers. An error raised while a stream
// is read carries the byte offset of the value (or object) being read when it happened.
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  const std::optional<std::size_t>& Offset() const { return offset_; }
  void SetOffset(std::size_t offset) { offset_ = offset; }

 private:
  std::optional<std::size_t> offset_;
};

// The bytes themselves are not a valid stream: a wrong signature, an unexpected type tag, data
// that ends too early, a negative item count, objects nested too deeply.
class EReadError : public EStreamError {
 public:
  EReadError(const std::string& what, std::size_t offset) : EStreamError(what) { SetOffset(offset); }
};

// The message followed by " (at byte N)" when the error knows where it happened.
std::string DescribeStreamError(const EStreamError& error);

// Objects nested deeper than this are refused while reading, so that a hostile stream cannot
// exhaust the stack.
inline constexpr int kMaxObjectDepth = 64;

// Appends values and objects to a byte string.
class TObjectWriter {
 public:
  explicit TObjectWriter(std::string& out) : out_(out) {}

  void WriteInteger(std::int32_t value);
  void WriteBoolean(bool value);
  void WriteText(std::string_view text);
  // Signature, class name, version (the number of writer procedures registered for the
  // class) and the data the newest writer procedure produces. Raises EClassNotRegistered
  // for a class without registration.
  void WriteObject(const TStreamable& object);

 private:
  void WriteRaw(std::uint32_t value, int bytes);
  std::string& out_;
};

// Reads values and objects from a byte string. Every failure is an EStreamError; nothing is
// allocated before the bytes it needs are known to be present.
class TObjectReader {
 public:
  explicit TObjectReader(std::string_view bytes) : bytes_(bytes) {}

  std::int32_t ReadInteger();
  bool ReadBoolean();
  std::string ReadText();
  // A new object of the class the stream names, built by that class's reader procedure for
  // the stored version.
  std::unique_ptr<TStreamable> ReadObject();

  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  // The next byte, which must be one of `accepted`; `what` names the value for the error.
  unsigned char ReadTag(std::string_view accepted, const char* what);
  std::uint32_t ReadRaw(int bytes);
  void Require(std::size_t bytes) const;

  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::size_t value_start_ = 0;  // where the value or object read last began
  int depth_ = 0;
};

// A reader procedure reads one version of a class's data and gives the new object; a writer
// procedure writes the class's data (the object is always of the class it was registered for).
using TReaderProc = std::function<std::unique_ptr<TStreamable>(TObjectReader& in)>;
using TWriterProc = std::function<void(const TStreamable& object, TObjectWriter& out)>;

// Registers a class: reader procedures for versions 1, 2, ..., and its writer procedures; the
// class is written at the version given by the number of writer procedures, with the last
// one. A name registered twice raises EDuplicateRegisteredClass.
void RegisterStreamable(std::string_view className, std::vector<TReaderProc> readers,
                        std::vector<TWriterProc> writers);
bool IsClassRegistered(std::string_view className);

// Registers a compare function under a name; a name registered twice raises
// EDuplicateCompareFunc.
void RegisterCompareFunc(std::string_view name, TCompareFunc func);
// The function registered under the name; ECompareFuncNotRegistered when there is none.
TCompareFunc FindCompareFunc(std::string_view name);
// The name of a registered function; ECompareFuncNotRegistered when it has none.
const std::string& CompareFuncName(TCompareFunc func);

// Appends the object to `out`.
void WriteObject(const TStreamable& object, std::string& out);
// The object at the start of `bytes`. Bytes after it are not looked at.
std::unique_ptr<TStreamable> ReadObject(std::string_view bytes);

}  // namespace orbeta
