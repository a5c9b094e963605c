#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/EventGate.h"

using hi::EventGate;

TEST(EventGate, KnowsForWhomTheHomeThreadRunsACall) {
  EventGate& gate = EventGate::instance();
  gate.setHomeThread([] {});
  std::thread::id posterId;
  std::atomic<bool> ran{false};
  bool forPoster = false;
  bool forSelf = true;
  std::thread poster([&] {
    gate.callOnHome([&] {
      forPoster = gate.runningCallFor(posterId);
      forSelf = gate.runningCallFor(std::this_thread::get_id());
      ran = true;
    });
  });
  posterId = poster.get_id();  // read by the call, which runs on this thread below
  gate.waitUntil([&] { return ran.load(); });
  poster.join();
  EXPECT_TRUE(forPoster);
  EXPECT_FALSE(forSelf);
  EXPECT_FALSE(gate.runningCallFor(posterId));  // the call is over
  gate.clearHomeThread();
}
