#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "runtime/Scheme.h"

namespace {

std::string g_log;

struct Named : hi::Element {
  explicit Named(char c) : name(c) {
    g_log += '+';
    g_log += c;
  }
  ~Named() override {
    g_log += '-';
    g_log += name;
  }
  char name;
};

struct ThreeElements : hi::Scheme {
  ThreeElements() {
    create<Named>('a');
    create<Named>('b');
    create<Named>('c');
  }
};

}  // namespace

TEST(Scheme, DestroysInTheReverseOfCreationOrder) {
  g_log.clear();
  {
    ThreeElements s;
    EXPECT_EQ(s.elementCount(), 3u);
  }
  EXPECT_EQ(g_log, "+a+b+c-c-b-a");
}

namespace {

std::atomic<bool> g_eventInFlight{false};
std::atomic<bool> g_destroyedDuringEvent{false};

struct Watched : hi::Element {
  ~Watched() override {
    if (g_eventInFlight) g_destroyedDuringEvent = true;
  }
};

struct OneWatched : hi::Scheme {
  OneWatched() { create<Watched>(); }
};

}  // namespace

TEST(Scheme, WaitsForAnEventInFlightBeforeDestroyingItsElements) {
  auto scheme = std::make_unique<OneWatched>();
  std::atomic<bool> entered{false};
  std::thread tick([&] {
    hi::EventScope event;  // a tick that entered the graph before the teardown began
    g_eventInFlight = true;
    entered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    g_eventInFlight = false;
  });
  while (!entered) std::this_thread::yield();
  scheme.reset();
  tick.join();
  EXPECT_FALSE(g_destroyedDuringEvent);
}
