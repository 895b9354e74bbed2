#include "platform/command_line.h"

#include <glib.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/paths.h"

namespace orbeta {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsPath(std::string_view name) { return name.find_first_of("/\\") != std::string_view::npos; }

// The arguments after the program name, with the backslash and quote rules.
void SplitArguments(std::string_view text, std::vector<std::string>& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n) return;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      std::size_t slashes = 0;
      while (i < n && text[i] == '\\') ++i, ++slashes;
      if (i < n && text[i] == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          arg += '"';
          ++i;
        } else if (quoted && i + 1 < n && text[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg.append(slashes, '\\');
      if (i == n || (!quoted && IsBlank(text[i]))) break;
      arg += text[i++];
    }
    out.push_back(std::move(arg));
  }
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The name itself, then, for a name ending in ".exe", the name without it.
std::vector<std::string> NameForms(const std::string& name) {
  std::vector<std::string> forms{name};
  if (name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0)
    forms.push_back(name.substr(0, name.size() - 4));
  return forms;
}

std::string FindInFolder(const std::string& dir, const std::string& name) {
  for (const std::string& form : NameForms(name))
    if (std::string path = ResolveFileName(JoinPath(dir, form)); IsExecutableFile(path)) return path;
  return {};
}

// The folders of PATH. Empty and relative entries would search the working folder, which a
// kiosk must not do; they are skipped.
std::vector<std::string> PathFolders() {
  const char* value = std::getenv("PATH");
  const std::string path = value ? value : "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> folders;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (end > start && path[start] == '/') folders.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

pid_t Spawn(const std::string& file, const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);

  // The child must not inherit what this program set up for itself: its blocked and ignored
  // signals, its terminal's job control, its open files and sockets.
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t signals;
  ::sigemptyset(&signals);
  ::posix_spawnattr_setsigmask(&attributes, &signals);
  ::sigfillset(&signals);
  ::posix_spawnattr_setsigdefault(&attributes, &signals);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, file.c_str(), &actions, &attributes, pointers.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

void ReapChild(GPid pid, gint /*status*/, gpointer /*data*/) { g_spawn_close_pid(pid); }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> argv;
  std::size_t i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  if (i == commandLine.size()) return argv;
  // The program name: quotes toggle grouping, backslashes are plain characters.
  std::string program;
  bool quoted = false;
  for (; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '"')
      quoted = !quoted;
    else if (!quoted && IsBlank(c))
      break;
    else
      program += c;
  }
  argv.push_back(std::move(program));
  SplitArguments(commandLine.substr(i), argv);
  return argv;
}

std::string FindProgramInPath(const std::string& name) {
  if (name.empty() || IsPath(name)) return {};
  for (const std::string& dir : PathFolders())
    if (std::string path = FindInFolder(dir, name); !path.empty()) return path;
  return {};
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (IsPath(name)) {
    for (const std::string& form : NameForms(name))
      if (std::string path = ResolveFileName(form); IsExecutableFile(path)) return path;
    return {};
  }
  if (std::string path = FindInFolder(ProgramDirectory(), name); !path.empty()) return path;
  return FindProgramInPath(name);
}

pid_t SpawnProgram(const std::string& file, const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(file, argv);
  if (pid > 0) g_child_watch_add(pid, ReapChild, nullptr);
  return pid;
}

std::optional<int> RunProgramAndWait(const std::string& file, const std::vector<std::string>& argv) {
  const pid_t pid = Spawn(file, argv);
  if (pid <= 0) return std::nullopt;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return std::nullopt;
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

bool RunCommandLine(std::string_view commandLine, WindowShow /*show: X11 takes no start-up state*/) {
  while (!commandLine.empty() && IsBlank(commandLine.front())) commandLine.remove_prefix(1);
  std::vector<std::string> argv = SplitCommandLine(commandLine);
  if (argv.empty()) return false;
  std::string file = FindProgram(argv[0]);

  // An unquoted path with blanks: try the line up to each following blank as the program.
  if (file.empty() && IsPath(argv[0]) && commandLine.front() != '"') {
    for (std::size_t end = argv[0].size() + 1; end <= commandLine.size(); ++end) {
      if (end < commandLine.size() && !IsBlank(commandLine[end])) continue;
      if (IsBlank(commandLine[end - 1])) continue;
      const std::string candidate(commandLine.substr(0, end));
      if (candidate.find('"') != std::string::npos) break;
      file = FindProgram(candidate);
      if (file.empty()) continue;
      argv = {candidate};
      SplitArguments(commandLine.substr(end), argv);
      break;
    }
  }
  return !file.empty() && SpawnProgram(file, argv) > 0;
}

}  // namespace orbeta
