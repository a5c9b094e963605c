// Waiting on a plain thread for what another thread brings about.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace hi::test {

// Checks `done` every millisecond; false only after 30 s, a bound a working program never
// comes near.
inline bool pollUntil(const std::function<bool()>& done) {
  using namespace std::chrono_literals;
  const auto limit = std::chrono::steady_clock::now() + 30s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace hi::test
