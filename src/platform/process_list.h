// Which programs are running, from the process list of the system.
#pragma once

#include <string_view>

namespace orbeta {

// True when a live process (not one that has ended and waits to be reaped) runs a program
// of this base name. A process's name is the file name of its executable, or its command
// name when the executable cannot be read (another user's process, a kernel thread); it is
// compared without its extension (from its last "."), letters a to z upper-cased on both
// sides. False when the process list cannot be read.
bool IsProgramRunning(std::string_view baseName);

}  // namespace orbeta
