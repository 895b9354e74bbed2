#include "browser/event_hooks.h"

#include <gtk/gtk.h>

#include <list>
#include <memory>
#include <utility>
#include <vector>

namespace orbeta::browser {
namespace {

struct Hook {
  unsigned id;
  std::shared_ptr<EventHook> run;
};

std::list<Hook>& Hooks() {
  static std::list<Hook> hooks;
  return hooks;
}

void Dispatch(GdkEvent* event, gpointer) {
  // A hook may add or remove hooks (a dialog opening or closing): run over a copy.
  std::vector<std::shared_ptr<EventHook>> hooks;
  for (const Hook& hook : Hooks()) hooks.push_back(hook.run);
  for (const auto& hook : hooks)
    if ((*hook)(event)) return;
  gtk_main_do_event(event);
}

}  // namespace

ScopedEventHook::ScopedEventHook(EventHook hook) {
  static unsigned lastId = 0;
  static bool installed = false;
  if (!installed) {
    gdk_event_handler_set(Dispatch, nullptr, nullptr);
    installed = true;
  }
  id_ = ++lastId;
  Hooks().push_back({id_, std::make_shared<EventHook>(std::move(hook))});
}

ScopedEventHook::~ScopedEventHook() {
  if (id_ != 0) Hooks().remove_if([this](const Hook& hook) { return hook.id == id_; });
}

ScopedEventHook::ScopedEventHook(ScopedEventHook&& other) noexcept : id_(std::exchange(other.id_, 0)) {}

ScopedEventHook& ScopedEventHook::operator=(ScopedEventHook&& other) noexcept {
  if (this != &other) {
    if (id_ != 0) Hooks().remove_if([this](const Hook& hook) { return hook.id == id_; });
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

}  // namespace orbeta::browser
