// Start-up steps of the kiosk that need no window.
#pragma once

#include <string>
#include <vector>

namespace orbeta {

// The first argument, unless it is "kiosk" or "kioskmode", names the site list to open (and
// the keyword list beside it); further arguments are ignored.
void ApplyCommandLine(const std::vector<std::string>& args);

// A launcher menu entry: the slot number (1 to 10) and its caption.
struct LaunchMenuEntry {
  int slot;
  std::string name;
};
// The slots with a name and a path; at start-up the path must also name an existing file.
std::vector<LaunchMenuEntry> LaunchMenuEntries(bool requireExistingFile);

}  // namespace orbeta
