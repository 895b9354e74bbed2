// A window's queue of posted private messages, drained on the GLib main loop.
//
// Messages are handled one per main-loop dispatch, in the order they were posted. A handler
// that runs a nested loop (a modal dialog, a wait for an HTTP answer) keeps the queue
// draining, as posted messages are on Windows. Post may be called from any thread.
#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace orbeta {

inline constexpr std::uint32_t WM_USER = 0x0400;

struct PostedMessage {
  std::uint32_t message = 0;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class MessageQueue {
 public:
  using Handler = std::function<void(const PostedMessage&)>;

  // Attaches to `context` (nullptr: the default main context).
  explicit MessageQueue(Handler handler, GMainContext* context = nullptr);
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  void Post(std::uint32_t message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
  std::size_t Pending() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  GSource* source_;
};

}  // namespace orbeta
