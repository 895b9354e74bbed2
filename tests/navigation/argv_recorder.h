// Tests that start programs use the argv_recorder program of the build as the program.
#pragma once

#include <glib.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace orbeta::test {

// The environment variable naming the file the recorder writes.
inline constexpr char kArgvFileVariable[] = "ORBETA_ARGV_FILE";

// Copies the recorder to `path`, under any name, executable.
inline void InstallArgvRecorder(const std::string& path) {
  namespace fs = std::filesystem;
  fs::copy_file(std::string(ORBETA_BIN_DIR) + "/argv_recorder", path, fs::copy_options::overwrite_existing);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

// Waits for a condition, running the default main context meanwhile so that children that
// ended are reaped. False when it still fails after `timeout`.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// The arguments a recorder wrote to `file`, once it exists; nullopt after `timeout`.
inline std::optional<std::vector<std::string>> WaitForRecordedArgs(
    const std::string& file, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  if (!WaitUntil([&] { return std::filesystem::exists(file); }, timeout)) return std::nullopt;
  std::vector<std::string> args;
  const std::string bytes = ReadFile(file);
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = bytes.find('\0', start);
    args.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

}  // namespace orbeta::test
