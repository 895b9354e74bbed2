// Messages from other processes of the same user: a Unix-domain socket that only that user
// can reach, carrying one command word per connection.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace orbeta {

// $ORBETA_SOCKET when set; else "orbeta.sock" in $XDG_RUNTIME_DIR; else in a folder
// "/tmp/orbeta-<uid>" that only the user may enter.
std::string MessageSocketPath();

// Listens on the socket on the GLib main loop. A connection from another user, or a word
// that is not in `words`, is dropped. A stale socket file of an ended program is replaced.
class MessageSocket {
 public:
  using Deliver = std::function<void(std::uint32_t message)>;
  // Throws std::runtime_error when the socket cannot be made.
  MessageSocket(std::map<std::string, std::uint32_t> words, Deliver deliver,
                std::string path = MessageSocketPath());
  ~MessageSocket();
  MessageSocket(const MessageSocket&) = delete;
  MessageSocket& operator=(const MessageSocket&) = delete;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Sends one command word; false (with `error` set) when no kiosk listens.
bool SendMessageWord(const std::string& word, std::string& error, const std::string& path = MessageSocketPath());

}  // namespace orbeta
