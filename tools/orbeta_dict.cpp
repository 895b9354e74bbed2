// orbeta-dict: compiles the editable dictionary source into the dictionary file, and prints a
// dictionary file back in source form.
//
// Source form: one line per entry, the entry number, then one TAB-separated UTF-8 text per
// language in language order; no header; LF (or CR LF) line ends; empty lines are skipped.
// Inside a text, \\ \t \n \r stand for a backslash, TAB, LF and CR; any other backslash is
// itself. `dump` prints this form with every backslash escaped, so compiling a dump gives the
// same file back byte for byte.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "language/dictionary.h"
#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace {

using namespace orbeta;

constexpr std::string_view kUsage =
    "Usage: orbeta-dict compile SOURCE.tsv OUT.stm\n"
    "       orbeta-dict dump FILE.stm\n"
    "\n"
    "compile  writes the dictionary file OUT.stm from SOURCE.tsv\n"
    "dump     prints a dictionary file in source form on standard output\n"
    "\n"
    "Source form: one line per entry: the entry number, then one TAB-separated UTF-8 text\n"
    "per language, in language order. In a text, \\\\ \\t \\n \\r stand for a backslash, TAB,\n"
    "line feed and carriage return.\n";

// A fault in the input, reported as "FILE:LINE: message".
struct SourceError {
  int line;
  std::string message;
};

std::optional<std::int32_t> ParseNumber(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const char replaced = next == '\\' ? '\\' : next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\0';
    if (c == '\\' && replaced) {
      out += replaced;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string_view::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

// Reads the source into the dictionary; warnings go to stderr.
void ParseSource(std::string_view source, const std::string& sourceName, TDictionary& dictionary) {
  std::vector<std::string_view> lines = Split(source, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();  // the last line's end
  std::size_t columns = 0;
  int firstLine = 0;
  std::unordered_map<std::int32_t, int> seen;  // number, its line
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int line = static_cast<int>(index) + 1;
    std::string_view text = lines[index];
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.empty()) continue;
    if (!IsValidUtf8(text)) throw SourceError{line, "invalid UTF-8"};
    if (text.find('\0') != std::string_view::npos) throw SourceError{line, "a zero byte in the line"};

    const std::vector<std::string_view> fields = Split(text, '\t');
    const std::optional<std::int32_t> number = ParseNumber(fields[0]);
    if (!number) throw SourceError{line, "bad entry number \"" + std::string(fields[0]) + "\""};
    if (columns == 0) {
      if (fields.size() < 2) throw SourceError{line, "an entry needs its number and at least one text"};
      columns = fields.size();
      firstLine = line;
    } else if (fields.size() != columns) {
      throw SourceError{line, std::to_string(fields.size()) + " columns where the first entry (line " +
                                  std::to_string(firstLine) + ") has " + std::to_string(columns)};
    }
    if (const auto [earlier, added] = seen.emplace(*number, line); !added)
      throw SourceError{line, "duplicate entry number " + std::to_string(*number) + " (first on line " +
                                  std::to_string(earlier->second) + ")"};

    std::vector<std::string> texts;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::string utf8 = Unescape(fields[i]);
      texts.push_back(Utf8ToCp1252(utf8));
      if (Cp1252ToUtf8(texts.back()) != utf8)
        std::cerr << "orbeta-dict: " << sourceName << ":" << line << ": warning: text " << i
                  << " has a character that Windows-1252 cannot hold; it became \"?\"\n";
    }
    dictionary.AddEntry(*number, texts);
  }
}

int Compile(const std::string& sourceName, const std::string& outName) {
  const std::optional<std::string> source = ReadWholeFile(sourceName);
  std::error_code ignored;
  if (!source || std::filesystem::is_directory(sourceName, ignored)) {
    std::cerr << "orbeta-dict: " << sourceName << ": cannot read the file\n";
    return 1;
  }
  TDictionary dictionary;
  try {
    ParseSource(*source, sourceName, dictionary);
  } catch (const SourceError& error) {
    std::cerr << "orbeta-dict: " << sourceName << ":" << error.line << ": " << error.message << "\n";
    return 1;
  }
  try {
    dictionary.SetFileName(outName);
    dictionary.SaveToFile();
  } catch (const std::exception& error) {
    std::cerr << "orbeta-dict: " << outName << ": " << error.what() << "\n";
    return 1;
  }
  return 0;
}

int Dump(const std::string& fileName) {
  if (!FileExists(fileName)) {
    std::cerr << "orbeta-dict: " << fileName << ": no such file\n";
    return 1;
  }
  TDictionary dictionary;
  try {
    dictionary.LoadFromFile(fileName);
  } catch (const EStreamError& error) {
    std::cerr << "orbeta-dict: " << fileName << ": " << DescribeStreamError(error) << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "orbeta-dict: " << fileName << ": " << error.what() << "\n";
    return 1;
  }
  std::string out;
  for (int position = 1; position <= dictionary.EntryCount(); ++position) {
    const TMultiLingualStr& entry = dictionary.EntryAt(position);
    out += std::to_string(entry.Number());
    for (int language = 1; language <= entry.StringCount(); ++language)
      out += '\t' + Escape(Cp1252ToUtf8(entry.String(language)));
    out += '\n';
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::cerr << "orbeta-dict: cannot write the standard output\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    std::cout << kUsage;
    return 0;
  }
  try {
    if (args.size() == 3 && args[0] == "compile") return Compile(args[1], args[2]);
    if (args.size() == 2 && args[0] == "dump") return Dump(args[1]);
  } catch (const std::exception& error) {
    std::cerr << "orbeta-dict: " << error.what() << "\n";
    return 1;
  }
  std::cerr << kUsage;
  return 2;
}
