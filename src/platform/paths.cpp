#include "platform/paths.h"

#include <strings.h>

#include <cstdlib>
#include <filesystem>

namespace orbeta {
namespace fs = std::filesystem;
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string SameNameOtherCase(const fs::path& path) {
  std::error_code error;
  const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string wanted = path.filename().string();
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (::strcasecmp(name.c_str(), wanted.c_str()) == 0)
      return path.has_parent_path() ? (dir / name).string() : name;
  }
  return {};
}

}  // namespace

std::string WindowsDirectory() {
  if (const std::string windir = Env("WINDIR"); !windir.empty()) return WithoutTrailingSlash(windir);
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = Env("HOME") + "/.config";
  return WithoutTrailingSlash(config) + "/orbeta";
}

std::string ProgramPath() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

std::string ProgramDirectory() {
  if (const std::string home = Env("ORBETA_HOME"); !home.empty()) return WithoutTrailingSlash(home);
  return fs::path(ProgramPath()).parent_path().string();
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::exists(path, error);
}

std::string ResolveFileName(const std::string& path) {
  if (path.empty() || FileExists(path)) return path;
  std::string slashed = path;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  if (FileExists(slashed)) return slashed;
  const std::string other = SameNameOtherCase(fs::path(slashed));
  return other.empty() ? path : other;
}

}  // namespace orbeta
