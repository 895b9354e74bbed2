#include "platform/message_queue.h"

#include <deque>
#include <mutex>

namespace orbeta {

struct MessageQueue::State {
  mutable std::mutex mutex;
  std::deque<PostedMessage> messages;
  Handler handler;
  GMainContext* context;

  bool HasMessages() const {
    std::lock_guard lock(mutex);
    return !messages.empty();
  }
};

namespace {

struct QueueSource {
  GSource source;
  std::shared_ptr<MessageQueue::State>* state;
};

std::shared_ptr<MessageQueue::State> StateOf(GSource* source) {
  return *reinterpret_cast<QueueSource*>(source)->state;
}

gboolean Prepare(GSource* source, gint* timeout) {
  *timeout = -1;
  return StateOf(source)->HasMessages();
}

gboolean Check(GSource* source) { return StateOf(source)->HasMessages(); }

// Holds its own reference to the state, so a handler may destroy the queue it runs from.
gboolean Dispatch(GSource* source, GSourceFunc, gpointer) {
  const auto state = StateOf(source);
  PostedMessage message;
  {
    std::lock_guard lock(state->mutex);
    if (state->messages.empty()) return G_SOURCE_CONTINUE;
    message = state->messages.front();
    state->messages.pop_front();
  }
  const MessageQueue::Handler handler = state->handler;
  handler(message);
  return G_SOURCE_CONTINUE;
}

void Finalize(GSource* source) { delete reinterpret_cast<QueueSource*>(source)->state; }

GSourceFuncs kQueueFuncs = {Prepare, Check, Dispatch, Finalize, nullptr, nullptr};

}  // namespace

MessageQueue::MessageQueue(Handler handler, GMainContext* context)
    : state_(std::make_shared<State>()),
      source_(g_source_new(&kQueueFuncs, sizeof(QueueSource))) {
  state_->handler = std::move(handler);
  state_->context = context;
  reinterpret_cast<QueueSource*>(source_)->state = new std::shared_ptr<State>(state_);
  g_source_set_can_recurse(source_, TRUE);
  g_source_set_name(source_, "orbeta posted messages");
  g_source_attach(source_, context);
}

MessageQueue::~MessageQueue() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

void MessageQueue::Post(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) {
  {
    std::lock_guard lock(state_->mutex);
    state_->messages.push_back({message, wParam, lParam});
  }
  g_main_context_wakeup(state_->context);
}

std::size_t MessageQueue::Pending() const {
  std::lock_guard lock(state_->mutex);
  return state_->messages.size();
}

}  // namespace orbeta
