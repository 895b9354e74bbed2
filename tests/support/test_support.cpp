#include "support/test_support.h"

#include <glib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace orbeta::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/orbeta-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value)
    ::setenv(name_.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    ::setenv(name_.c_str(), old_->c_str(), 1);
  else
    ::unsetenv(name_.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string Hex(std::string hex) {
  std::erase(hex, ' ');
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

CommandResult RunProgram(const std::string& name, const std::vector<std::string>& args) {
  std::vector<std::string> argv{std::string(ORBETA_BIN_DIR) + "/" + name};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  gchar* out = nullptr;
  gchar* err = nullptr;
  gint status = 0;
  GError* error = nullptr;
  if (!g_spawn_sync(nullptr, pointers.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err,
                    &status, &error)) {
    std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("cannot run " + argv[0] + ": " + message);
  }
  CommandResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, err};
  g_free(out);
  g_free(err);
  return result;
}

}  // namespace orbeta::test
