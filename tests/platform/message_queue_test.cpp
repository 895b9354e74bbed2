#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace orbeta {
namespace {

// Runs the default main context until `done` or a safety limit of iterations.
template <typename Done>
void RunUntil(Done done) {
  for (int i = 0; i < 10000 && !done(); ++i) g_main_context_iteration(nullptr, TRUE);
}

TEST(MessageQueue, DeliversInPostingOrderWithParameters) {
  std::vector<PostedMessage> seen;
  MessageQueue queue([&](const PostedMessage& m) { seen.push_back(m); });
  queue.Post(WM_USER + 4096, 1, 2);
  queue.Post(WM_USER + 4097);
  queue.Post(WM_USER + 4096, -5, 7);
  EXPECT_EQ(queue.Pending(), 3u);
  RunUntil([&] { return seen.size() == 3; });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].message, WM_USER + 4096);
  EXPECT_EQ(seen[0].lParam, 2);
  EXPECT_EQ(seen[1].message, WM_USER + 4097);
  EXPECT_EQ(seen[2].wParam, -5);
}

TEST(MessageQueue, NestedLoopsKeepDrainingInOrder) {
  std::vector<int> order;
  MessageQueue* self = nullptr;
  MessageQueue queue([&](const PostedMessage& m) {
    order.push_back(static_cast<int>(m.wParam));
    if (m.wParam == 1) {
      // A modal wait: posts more and runs a loop of its own until they are handled.
      self->Post(0, 3);
      RunUntil([&] { return order.size() >= 3; });
      order.push_back(100);
    }
  });
  self = &queue;
  queue.Post(0, 1);
  queue.Post(0, 2);
  RunUntil([&] { return order.size() == 4; });
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 100}));
}

TEST(MessageQueue, AHandlerMayDestroyItsQueue) {
  int handled = 0;
  auto queue = std::make_unique<MessageQueue>(nullptr);
  queue = std::make_unique<MessageQueue>([&](const PostedMessage&) {
    ++handled;
    queue.reset();
  });
  queue->Post(1);
  queue->Post(2);
  RunUntil([&] { return !queue; });
  for (int i = 0; i < 10; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(handled, 1);
}

TEST(MessageQueue, AcceptsPostsFromOtherThreads) {
  int handled = 0;
  MessageQueue queue([&](const PostedMessage&) { ++handled; });
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) queue.Post(WM_USER, i);
  });
  RunUntil([&] { return handled == 100; });
  poster.join();
  EXPECT_EQ(handled, 100);
}

}  // namespace
}  // namespace orbeta
