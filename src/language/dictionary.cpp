#include "language/dictionary.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace orbeta {
namespace {

constexpr std::int32_t kEntriesCapacity = 500;
constexpr std::int32_t kEntriesGrowthStep = 500;

// Upper case of a Windows-1252 byte: ASCII letters, the accented letters à to þ (except ÷),
// and š, œ, ž, ÿ, whose capitals lie in 0x80 to 0x9F. ß and µ have no single-byte capital.
char UpperCp1252(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7))
    return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A: return static_cast<char>(0x8A);  // š
    case 0x9C: return static_cast<char>(0x8C);  // œ
    case 0x9E: return static_cast<char>(0x8E);  // ž
    case 0xFF: return static_cast<char>(0x9F);  // ÿ
    default: return c;
  }
}

std::string UpperCp1252(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return UpperCp1252(c); });
  return upper;
}

const TMultiLingualStr& AsEntry(const TStreamable& item) { return static_cast<const TMultiLingualStr&>(item); }

// Every entry must have the texts of the same languages, at least one.
void CheckLanguageCounts(const TArray& entries) {
  if (entries.Count() == 0) return;
  const int languages = AsEntry(entries.At(1)).StringCount();
  for (int i = 1; i <= entries.Count(); ++i) {
    const TMultiLingualStr& entry = AsEntry(entries.At(i));
    if (entry.StringCount() == 0)
      throw EInvalidDictionary("Dictionary entry " + std::to_string(entry.Number()) + " has no texts");
    if (entry.StringCount() != languages)
      throw EInvalidDictionary("Dictionary entry " + std::to_string(entry.Number()) + " has " +
                               std::to_string(entry.StringCount()) + " texts where the first entry has " +
                               std::to_string(languages));
  }
}

}  // namespace

void RegisterLanguageClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterContainerClasses();
    RegisterStreamable("TMultiLingualStr", {&TMultiLingualStr::Read}, {&TMultiLingualStr::Write});
    RegisterStreamable("TPCharHolder", {&TPCharHolder::Read}, {&TPCharHolder::Write});
    RegisterCompareFunc("CompareMultiLingualStr", &CompareMultiLingualStr);
    RegisterCompareFunc("ComparePCharHolder", &ComparePCharHolder);
  });
}

// ---- TPCharHolder ----

void TPCharHolder::SetText(std::string_view text) { text_ = text.substr(0, text.find('\0')); }

std::unique_ptr<TStreamable> TPCharHolder::Read(TObjectReader& in) {
  return std::make_unique<TPCharHolder>(in.ReadText());
}

void TPCharHolder::Write(const TStreamable& object, TObjectWriter& out) {
  out.WriteText(static_cast<const TPCharHolder&>(object).text_);
}

int ComparePCharHolder(const TStreamable& first, const TStreamable& second) {
  // std::string compares its bytes as unsigned char.
  const int order = static_cast<const TPCharHolder&>(first).Text().compare(
      static_cast<const TPCharHolder&>(second).Text());
  return order < 0 ? kCompareSmaller : order > 0 ? kCompareGreater : kCompareEqual;
}

// ---- TMultiLingualStr ----

TMultiLingualStr::TMultiLingualStr(std::int32_t number) : number_(number), strings_("TPCharHolder", &CompareLess) {}

TMultiLingualStr::TMultiLingualStr(std::int32_t number, const std::vector<std::string>& texts)
    : TMultiLingualStr(number) {
  for (const std::string& text : texts) AddString(text);
}

const std::string& TMultiLingualStr::String(int language) const {
  return static_cast<const TPCharHolder&>(strings_.At(language)).Text();
}

void TMultiLingualStr::SetString(int language, std::string_view text) {
  static_cast<TPCharHolder&>(strings_.At(language)).SetText(text);
}

void TMultiLingualStr::AddString(std::string_view text) { strings_.Add(std::make_unique<TPCharHolder>(text)); }

void TMultiLingualStr::DeleteString(int language) { strings_.Delete(language); }

std::unique_ptr<TStreamable> TMultiLingualStr::Read(TObjectReader& in) {
  auto entry = std::make_unique<TMultiLingualStr>(in.ReadInteger());
  std::unique_ptr<TStreamable> strings = in.ReadObject();
  auto* list = dynamic_cast<TUnorderedList*>(strings.get());
  if (!list || list->ItemClass() != "TPCharHolder") throw EInvalidObjectType();
  entry->strings_ = std::move(*list);
  return entry;
}

void TMultiLingualStr::Write(const TStreamable& object, TObjectWriter& out) {
  const auto& entry = static_cast<const TMultiLingualStr&>(object);
  out.WriteInteger(entry.number_);
  out.WriteObject(entry.strings_);
}

int CompareMultiLingualStr(const TStreamable& first, const TStreamable& second) {
  const std::int32_t a = AsEntry(first).Number();
  const std::int32_t b = AsEntry(second).Number();
  return a < b ? kCompareSmaller : a > b ? kCompareGreater : kCompareEqual;
}

// ---- TDictionary ----

TDictionary::TDictionary()
    : entries_("TMultiLingualStr", &CompareMultiLingualStr, kEntriesCapacity, kEntriesGrowthStep) {
  RegisterLanguageClasses();
}

int TDictionary::LanguageCount() const {
  return entries_.Count() == 0 ? 0 : AsEntry(entries_.At(1)).StringCount();
}

int TDictionary::IndexOfNumber(std::int32_t number) const { return entries_.IndexOf(TMultiLingualStr(number)); }

const TMultiLingualStr& TDictionary::EntryAt(int position) const { return AsEntry(entries_.At(position)); }

std::int32_t TDictionary::NumberAt(int position) const { return EntryAt(position).Number(); }

TMultiLingualStr& TDictionary::Entry(std::int32_t number) {
  const int position = IndexOfNumber(number);
  if (position == 0) throw EInvalidIndex();
  return static_cast<TMultiLingualStr&>(entries_.At(position));
}

std::string TDictionary::GetText(std::int32_t number) const {
  if (number == 0) return {};
  const int position = IndexOfNumber(number);
  return position == 0 ? std::string() : EntryAt(position).String(activeLanguage_);
}

void TDictionary::SetText(std::int32_t number, std::string_view text) {
  Entry(number).SetString(activeLanguage_, text);
}

void TDictionary::SelectLanguage(TLanguage language) {
  if (language != activeLanguage_ && language != 0 && language <= LanguageCount()) activeLanguage_ = language;
}

void TDictionary::LoadFromFile(const std::string& fileName) {
  if (FileExists(fileName)) {
    const std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) throw std::runtime_error("Cannot read the dictionary file \"" + fileName + "\"");
    const std::unique_ptr<TStreamable> object = ReadObject(*bytes);
    auto* entries = dynamic_cast<TArray*>(object.get());
    if (!entries || entries->ItemClass() != "TMultiLingualStr")
      throw EInvalidDictionary("Not a dictionary: the file holds a " + std::string(object->ClassName()) +
                               (entries ? " of " + entries->ItemClass() : std::string()) +
                               ", not a TArray of TMultiLingualStr");
    if (entries->CompareFunc() != &CompareMultiLingualStr)
      throw EInvalidDictionary("Not a dictionary: the entries are not compared with CompareMultiLingualStr");
    CheckLanguageCounts(*entries);
    entries_ = std::move(*entries);
  }
  fileName_ = fileName;
  SelectLanguage(1);
}

void TDictionary::SaveToFile() {
  SortEntries();
  std::string bytes;
  WriteObject(entries_, bytes);
  ReplaceFileAtomically(fileName_, bytes);
}

void TDictionary::AddEntry(std::int32_t number, const std::vector<std::string>& texts) {
  if (texts.empty() || (EntryCount() > 0 && static_cast<int>(texts.size()) != LanguageCount()))
    throw std::invalid_argument("A dictionary entry needs one text for each of its " +
                                std::to_string(LanguageCount()) + " languages");
  entries_.Add(std::make_unique<TMultiLingualStr>(number, texts));
}

void TDictionary::AddLanguage(TLanguage language) {
  if (EntryCount() == 0) return;
  if (language < 1 || language > LanguageCount()) throw EInvalidIndex();
  for (int i = 1; i <= EntryCount(); ++i) {
    auto& entry = static_cast<TMultiLingualStr&>(entries_.At(i));
    entry.AddString(entry.String(language));
  }
}

void TDictionary::DeleteLanguage(TLanguage language) {
  if (LanguageCount() < 2) return;
  if (language < 1 || language > LanguageCount()) throw EInvalidIndex();
  for (int i = 1; i <= EntryCount(); ++i) static_cast<TMultiLingualStr&>(entries_.At(i)).DeleteString(language);
}

std::int32_t TDictionary::FindText(std::string_view text, bool caseSensitive) const {
  if (text.empty()) return -1;
  const std::string wanted = caseSensitive ? std::string(text) : UpperCp1252(text);
  for (int i = 1; i <= EntryCount(); ++i) {
    const TMultiLingualStr& entry = EntryAt(i);
    const std::string& candidate = entry.String(activeLanguage_);
    const bool found = caseSensitive ? candidate.find(wanted) != std::string::npos
                                     : UpperCp1252(candidate).find(wanted) != std::string::npos;
    if (found) return entry.Number();
  }
  return -1;
}

TDictionary& Dictionary() {
  static TDictionary dictionary;
  return dictionary;
}

}  // namespace orbeta
