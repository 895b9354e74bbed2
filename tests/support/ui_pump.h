// Waiting in window tests: the GTK main loop runs while the test waits.
#pragma once

#include <chrono>
#include <functional>

namespace orbeta::test {

// Runs the main loop (after letting the X server catch up) until `done` holds or `limit` has
// passed; gives `done`'s last answer.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));

}  // namespace orbeta::test
