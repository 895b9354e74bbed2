// A stand-in for the programs the kiosk starts: it writes the arguments it was started with
// (argv[0] included), each followed by a NUL byte, to the file named by $ORBETA_ARGV_FILE.
// The file appears whole, by renaming, so a test that waits for it never reads half of it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  const char* target = std::getenv("ORBETA_ARGV_FILE");
  if (!target || !*target) return 2;
  const std::string part = std::string(target) + "." + std::to_string(::getpid());
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < argc; ++i) out << argv[i] << '\0';
    if (!out) return 3;
  }
  return std::rename(part.c_str(), target) == 0 ? 0 : 4;
}
