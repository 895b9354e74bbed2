// Starting other programs from a command line written the Windows way, never through a shell.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbeta {

// How the started program's window should first appear. X11 has no way to hand this to a
// program at start, so it is accepted and ignored; the program opens its window as it likes.
enum class WindowShow { Normal, Maximized };

// Splits a command line by the rules of the Windows C runtime. Blanks (space, tab) separate
// arguments; double quotes group and are removed; "" inside quotes is a literal quote.
// Backslashes are literal except before a double quote: 2n backslashes and the quote give n
// backslashes and toggle quoting, 2n+1 give n backslashes and a literal quote. The first
// argument, the program name, ends at a blank outside quotes and takes backslashes as they
// are. Leading blanks are skipped; a blank line gives no arguments.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The executable file a program name designates, or "" when there is none. A name with "/"
// or "\" is a path (resolved with ResolveFileName); a bare name is looked for in the
// program's directory, then in each absolute folder of PATH, in another case too. A name
// ending in ".exe" that is not found is also tried without that ending.
std::string FindProgram(const std::string& name);
// The same lookup for a bare name, in PATH only.
std::string FindProgramInPath(const std::string& name);

// Starts `file` with `argv` (argv[0] included) and the environment of this process, in a
// session of its own, with default signal handling and no descriptor beyond 0 to 2; does not
// wait. The child is reaped on the default GLib main context when it ends, so no zombie
// stays behind. The child's process id, or -1 when it could not be started.
pid_t SpawnProgram(const std::string& file, const std::vector<std::string>& argv);

// Starts `file` like SpawnProgram and waits for it: its exit code, or nullopt when it could
// not be started or did not exit normally.
std::optional<int> RunProgramAndWait(const std::string& file, const std::vector<std::string>& argv);

// Splits the command line, finds its program and starts it without waiting. When the first
// word of an unquoted line is a path that names no program, longer and longer prefixes of
// the line ending at a blank are tried, so "/opt/My Apps/tool" runs unquoted as Windows runs
// "C:\Program Files\tool.exe". True when the program started.
bool RunCommandLine(std::string_view commandLine, WindowShow show = WindowShow::Normal);

}  // namespace orbeta
