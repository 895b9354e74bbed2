#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orbeta {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::system_error(errno, std::generic_category(), what + " \"" + path + "\"");
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot write", path);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(bytes).str();
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) Fail("cannot create a temporary file beside", path);
  struct stat existing {};
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
  try {
    if (::fchmod(fd, mode) != 0) Fail("cannot set the permissions of", temp);
    WriteAll(fd, bytes, temp);
    if (::fsync(fd) != 0) Fail("cannot flush", temp);
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (::close(fd) != 0) {
    ::unlink(temp.c_str());
    Fail("cannot close", temp);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    Fail("cannot replace", path);
  }
}

}  // namespace orbeta
