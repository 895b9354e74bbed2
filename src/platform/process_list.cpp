#include "platform/process_list.h"

#include <dirent.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/atomic_file.h"

namespace orbeta {
namespace {

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

// The state letter of /proc/<pid>/stat, after the command name in parentheses (which may
// itself contain ") ").
char ProcessState(const std::string& procDir) {
  const auto stat = ReadWholeFile(procDir + "/stat");
  if (!stat) return '?';
  const std::size_t close = stat->rfind(')');
  return close != std::string::npos && close + 2 < stat->size() ? (*stat)[close + 2] : '?';
}

// The file name of the process's executable, else its command name; "" when both are gone.
std::string ImageFileName(const std::string& procDir) {
  std::error_code error;
  std::string target = std::filesystem::read_symlink(procDir + "/exe", error).string();
  if (!error && !target.empty()) {
    // A program whose file was deleted or replaced while it runs still runs under that name.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    return target.substr(target.rfind('/') + 1);
  }
  std::string comm = ReadWholeFile(procDir + "/comm").value_or("");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

}  // namespace

bool IsProgramRunning(std::string_view baseName) {
  const std::string wanted = UpperAscii(baseName);
  std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
  if (!proc) return false;
  while (const dirent* entry = ::readdir(proc.get())) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    if (std::strspn(entry->d_name, "0123456789") != std::strlen(entry->d_name)) continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    std::string name = UpperAscii(ImageFileName(dir));
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    if (name == wanted && !name.empty()) {
      const char state = ProcessState(dir);
      if (state != 'Z' && state != 'X' && state != '?') return true;
    }
  }
  return false;
}

}  // namespace orbeta
