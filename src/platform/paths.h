// Where the kiosk keeps its files.
#pragma once

#include <string>

namespace orbeta {

// $WINDIR when set, else $XDG_CONFIG_HOME/orbeta (default ~/.config/orbeta); no trailing "/".
std::string WindowsDirectory();

// $ORBETA_HOME when set, else the folder of the running executable; no trailing "/".
std::string ProgramDirectory();

// The full path of the running executable.
std::string ProgramPath();

// dir + "/" + name.
std::string JoinPath(const std::string& dir, const std::string& name);

// Names in settings and on the command line were written for a system that ignores case and
// separates folders with "\": when `path` does not exist as written, the same name with "/"
// separators, then the same name in another case in its folder, is taken if it exists.
// Otherwise `path` comes back unchanged.
std::string ResolveFileName(const std::string& path);

bool FileExists(const std::string& path);

}  // namespace orbeta
