#include "support/xvfb.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace orbeta::test {

Xvfb::Xvfb(const std::string& screen) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::close(pipeFds[0]);
    const std::string fd = std::to_string(pipeFds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  // Xvfb writes its display number once it accepts clients.
  std::string number;
  char c;
  while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(pipeFds[0]);
  if (number.empty()) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
  }
  display_ = ":" + number;
}

Xvfb::~Xvfb() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

void EnsureDisplay() {
  ::setenv("GDK_BACKEND", "x11", 1);
  const char* display = std::getenv("DISPLAY");
  if (display && *display) return;
  static std::unique_ptr<Xvfb> server = std::make_unique<Xvfb>();
  ::setenv("DISPLAY", server->Display().c_str(), 1);
}

}  // namespace orbeta::test
