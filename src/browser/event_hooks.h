// Hooks that see every event of the application before GTK dispatches it to a window, as an
// application-wide message filter does.
#pragma once

#include <gdk/gdk.h>

#include <functional>

namespace orbeta::browser {

// Returns true when it consumed the event: the event is then never dispatched.
using EventHook = std::function<bool(GdkEvent* event)>;

// A hook that stays installed as long as this object lives. Hooks run in the order they were
// added; the first that consumes an event stops the others.
class ScopedEventHook {
 public:
  ScopedEventHook() = default;
  explicit ScopedEventHook(EventHook hook);
  ~ScopedEventHook();
  ScopedEventHook(ScopedEventHook&& other) noexcept;
  ScopedEventHook& operator=(ScopedEventHook&& other) noexcept;
  ScopedEventHook(const ScopedEventHook&) = delete;
  ScopedEventHook& operator=(const ScopedEventHook&) = delete;

 private:
  unsigned id_ = 0;
};

}  // namespace orbeta::browser
