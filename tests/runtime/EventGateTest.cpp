#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "runtime/EventGate.h"

using hi::EventGate;
using hi::EventScope;

namespace {

// Makes the test thread the home thread for one test; nothing wakes it, it pumps by waiting.
struct HomeHere {
  HomeHere() { EventGate::instance().setHomeThread([] {}); }
  ~HomeHere() { EventGate::instance().clearHomeThread(); }
};

}  // namespace

TEST(EventGate, OneEventAtATimeAndRecursiveOnOneThread) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  auto work = [&] {
    for (int i = 0; i < 2000; ++i) {
      EventScope outer;
      EventScope nested;  // an event that fires further events on the same thread
      if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
      inside.fetch_sub(1);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_FALSE(EventGate::instance().heldByCurrentThread());
}

TEST(EventGate, WorkKeptForTheEventsEndRunsThenInOrderBeforeAnotherEvent) {
  EventGate& gate = EventGate::instance();
  std::vector<std::string> ran;
  EXPECT_FALSE(gate.deferToEventEnd([&] { ran.push_back("outside"); }));
  std::atomic<bool> otherIn{false};
  std::thread other;
  {
    EventScope event;
    other = std::thread([&] { otherIn = static_cast<bool>(EventScope()); });
    {
      EventScope nested;  // its end is not the event's
      gate.deferToEventEnd([&] {
        ran.push_back(otherIn ? "late" : "first");
        gate.deferToEventEnd([&] { ran.push_back("kept by the first"); });
      });
    }
    gate.deferToEventEnd([&] { ran.push_back("second"); });
    EXPECT_TRUE(ran.empty());
  }
  other.join();
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "kept by the first"}));
}

TEST(EventGate, AWaitEndsWhenItsCancelFlagIsSet) {
  EventScope held;
  std::atomic<bool> cancel{false};
  std::atomic<int> result{-1};
  std::thread waiter([&] {
    EventScope scope(&cancel);
    result = scope ? 1 : 0;
  });
  cancel = true;
  EventGate::instance().interruptWaits();
  waiter.join();
  EXPECT_EQ(result.load(), 0);
}

TEST(EventGate, CallOnHomeRunsDirectlyWithoutAHomeThread) {
  const auto caller = std::this_thread::get_id();
  std::thread::id ranOn;
  std::thread t([&] { EventGate::instance().callOnHome([&] { ranOn = std::this_thread::get_id(); }); });
  t.join();
  EXPECT_NE(ranOn, caller);
}

TEST(EventGate, AHomeCallFromTheGateHolderMayFireIntoTheGraph) {
  HomeHere home;
  auto& gate = EventGate::instance();
  std::atomic<bool> done{false};
  std::thread::id ranOn;
  bool nestedEntered = false;
  std::thread reader([&] {
    EventScope event;  // a received chunk being handled
    gate.callOnHome([&] {
      ranOn = std::this_thread::get_id();
      EventScope nested;  // a window notification that fires into the graph
      nestedEntered = static_cast<bool>(nested);
    });
    done = true;
    gate.notify();
  });
  gate.waitUntil([&] { return done.load(); });
  reader.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_TRUE(nestedEntered);
  EXPECT_FALSE(gate.heldByCurrentThread());
}

TEST(EventGate, TheHomeThreadKeepsServingCallsWhileWaitingForTheGate) {
  HomeHere home;
  auto& gate = EventGate::instance();
  std::atomic<bool> holding{false};
  std::atomic<int> calls{0};
  std::thread reader([&] {
    EventScope event;
    holding = true;
    gate.notify();
    for (int i = 0; i < 50; ++i) gate.callOnHome([&] { calls.fetch_add(1); });
  });
  gate.waitUntil([&] { return holding.load(); });
  {
    EventScope click;  // the user clicks while the reader holds the gate
    EXPECT_EQ(calls.load(), 50);
  }
  reader.join();
}

TEST(EventGate, AWaitedForCallReachesTheHomeThreadWaitingForTheGateAfterAnUnusedWakeUp) {
  using namespace std::chrono_literals;
  HomeHere home;
  auto& gate = EventGate::instance();
  std::atomic<int> step{0};
  std::atomic<bool> cancel{false};
  std::thread reader([&] {
    // The second call is posted while the home thread runs the first: its wake-up is sent,
    // yet the home thread runs it along with the first and never looks at the wake-up.
    gate.postToHome(&step, 0, [&] {
      step = 1;
      while (step < 2) std::this_thread::yield();
    });
    while (step < 1) std::this_thread::yield();
    gate.postToHome(&cancel, 0, [] {});
    step = 2;
    EventScope event;
    step = 3;
    gate.notify();
    gate.waitUntil([&] { return step == 4; });
    std::this_thread::sleep_for(50ms);  // for the home thread to wait; a miss fails nothing
    gate.callOnHome([&] { step = 5; });
  });
  gate.waitUntil([&] { return step == 3; });  // runs both posted calls meanwhile
  // Only a click that never gets the gate is given up; the reader may still hold it for a
  // moment after its call came through.
  std::atomic<bool> clicked{false};
  std::thread limit([&] {
    for (int i = 0; i < 3000 && !clicked; ++i) std::this_thread::sleep_for(10ms);
    cancel = true;
    gate.interruptWaits();
  });
  step = 4;
  gate.notify();
  {
    EventScope click(&cancel);  // the user clicks while the reader holds the gate
    EXPECT_TRUE(click);
  }
  clicked = true;
  EXPECT_EQ(step, 5);
  gate.runHomeCalls();  // frees the reader if its call never got through
  reader.join();
  limit.join();
}

TEST(EventGate, PostedCallsKeepTheirOrderAndANewerOneReplacesOneStillQueued) {
  HomeHere home;
  auto& gate = EventGate::instance();
  std::vector<std::string> ran;
  int text = 0;
  int bar = 0;
  int label = 0;
  std::thread reader([&] {
    auto post = [&](const void* owner, const char* what) {
      gate.postToHome(owner, 0, [&ran, what] { ran.emplace_back(what); });
    };
    post(&text, "text 1");
    post(&text, "text 2");  // takes the place of text 1
    post(&bar, "bar 1");
    post(&text, "text 3");  // text 2 is dropped, text 3 goes behind bar 1
    post(&label, "label");
    gate.dropPosted(&label);  // the label went away
    post(&bar, "bar 2");      // bar 1 is dropped, bar 2 goes behind text 3
  });
  reader.join();
  EXPECT_TRUE(ran.empty());  // nothing waited for the home thread
  gate.runHomeCalls();
  EXPECT_EQ(ran, (std::vector<std::string>{"text 3", "bar 2"}));
}
