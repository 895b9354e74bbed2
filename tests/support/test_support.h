// Small fixtures shared by the unit tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbeta::test {

// A fresh folder under $TMPDIR, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) an environment variable for the scope; restores it after.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

void WriteFile(const std::string& path, const std::string& bytes);

// Bytes from hexadecimal digits; blanks between bytes are ignored.
std::string Hex(std::string hex);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs a program of the build (by name, from the build's bin folder) with `args`, no shell,
// with the environment of the test process.
CommandResult RunProgram(const std::string& name, const std::vector<std::string>& args);
std::string ReadFile(const std::string& path);

}  // namespace orbeta::test
