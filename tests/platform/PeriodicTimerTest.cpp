#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/MonotonicClock.h"
#include "platform/PeriodicTimer.h"
#include "tests/support/Polling.h"

using namespace hi;
using namespace std::chrono_literals;
using hi::test::pollUntil;

namespace {

TEST(MonotonicClock, MicrosecondsBecomeWholeTicksWithoutTruncatedRates) {
  // A 3.58 MHz counter: one second is all of its ticks, not 3 per microsecond (84 %).
  EXPECT_EQ(counterTicksForMicroseconds(1'000'000, 3'579'545), 3'579'545u);
  EXPECT_EQ(counterTicksForMicroseconds(1, 3'579'545), 4u);  // rounded up: never short
  EXPECT_EQ(counterTicksForMicroseconds(0, 3'579'545), 0u);
  EXPECT_EQ(counterTicksForMicroseconds(1, 32'768), 1u);  // slower than 1 MHz still waits
  EXPECT_EQ(counterTicksForMicroseconds(2'147'483'647, 1'000'000'000), 2'147'483'647'000u);
}

TEST(MonotonicClock, SleepUntilReachesItsDeadline) {
  const std::uint64_t target =
      monotonicCounter() + counterTicksForMicroseconds(5000, monotonicFrequency());
  sleepUntilCounter(target);
  EXPECT_GE(monotonicCounter(), target);
  sleepUntilCounter(0);  // long past: returns at once
}

TEST(PeriodicTimer, NextDeadlineKeepsThePhaseAndDropsTicksMissedWhileBusy) {
  EXPECT_EQ(nextTickDeadline(1000, 100, 1000), 1100u);
  EXPECT_EQ(nextTickDeadline(1000, 100, 1100), 1100u);  // due right now: still delivered
  EXPECT_EQ(nextTickDeadline(1000, 100, 1101), 1200u);
  EXPECT_EQ(nextTickDeadline(1000, 100, 1350), 1400u);  // 1100..1300 fell due while busy
}

struct Ticks {
  std::atomic<int> count{0};
  std::atomic<std::uint64_t> lastRun{0};
  static void onTick(void* self, std::uint64_t run, std::chrono::nanoseconds) {
    auto* t = static_cast<Ticks*>(self);
    t->lastRun = run;
    t->count.fetch_add(1);
  }
};

TEST(PeriodicTimer, TicksOnItsOwnThreadUntilStopped) {
  Ticks ticks;
  PeriodicTimer timer(&Ticks::onTick, &ticks);
  EXPECT_FALSE(timer.running());
  ASSERT_TRUE(timer.start(1));
  EXPECT_TRUE(timer.running());
  ASSERT_TRUE(pollUntil([&] { return ticks.count >= 3; }));
  const std::uint64_t run = ticks.lastRun;
  EXPECT_TRUE(timer.isCurrent(run));

  ASSERT_TRUE(timer.start(1000));  // already running: same run, same period
  ASSERT_TRUE(pollUntil([&, n = ticks.count.load()] { return ticks.count > n; }));
  EXPECT_EQ(ticks.lastRun.load(), run);

  timer.stop();
  EXPECT_FALSE(timer.isCurrent(run));
  ASSERT_TRUE(pollUntil([&] { return !timer.busy(); }));
  const int stoppedAt = ticks.count;
  std::this_thread::sleep_for(20ms);  // room for a stray tick; none may come
  EXPECT_EQ(ticks.count.load(), stoppedAt);

  ASSERT_TRUE(timer.start(1));  // a new run after a stop
  ASSERT_TRUE(pollUntil([&] { return ticks.count > stoppedAt; }));
  EXPECT_NE(ticks.lastRun.load(), run);
}

TEST(PeriodicTimer, TicksKeepThePhaseOfTheirStart) {
  // Deadlines are whole periods after the start: a tick can come late on a loaded machine
  // (and the ones missed meanwhile are dropped), but never early.
  struct Stamps {
    std::atomic<int> count{0};
    std::uint64_t at[12] = {};
    std::uint64_t due[12] = {};
    static void onTick(void* self, std::uint64_t, std::chrono::nanoseconds late) {
      auto* s = static_cast<Stamps*>(self);
      const int n = s->count.load();
      if (n < 12) {
        s->at[n] = monotonicCounter();
        s->due[n] = s->at[n] - static_cast<std::uint64_t>(late.count()) * monotonicFrequency() /
                                   1'000'000'000;
      }
      s->count.store(n + 1);
    }
  } stamps;
  PeriodicTimer timer(&Stamps::onTick, &stamps);
  const std::uint64_t period = counterTicksForMicroseconds(3000, monotonicFrequency());
  const std::uint64_t start = monotonicCounter();
  ASSERT_TRUE(timer.start(3));
  ASSERT_TRUE(pollUntil([&] { return stamps.count >= 12; }));
  timer.shutdown();
  for (int n = 0; n < 12; ++n) {
    EXPECT_GE(stamps.at[n], start + static_cast<std::uint64_t>(n + 1) * period) << n + 1;
    // It knows how late it came: not before it was due, and not after it was called.
    EXPECT_GE(stamps.due[n], start + static_cast<std::uint64_t>(n + 1) * period) << n + 1;
    EXPECT_LE(stamps.due[n], stamps.at[n]) << n + 1;
  }
}

TEST(PeriodicTimer, ShutdownServesATickThatWaitsForTheEndingThread) {
  // The tick asks the thread that shuts the timer down for an answer, as a tick carrying a
  // window call to the home thread does: a plain join would wait for ever.
  struct Home final : PeriodicTimer::EndWait {
    mutable std::mutex m;
    mutable std::condition_variable changed;
    mutable bool asked = false;
    mutable bool answered = false;
    void waitUntil(const std::function<bool()>& done) const override {
      std::unique_lock lock(m);
      for (;;) {
        changed.wait(lock, [&] { return done() || (asked && !answered); });
        if (done()) return;
        answered = true;
        changed.notify_all();
      }
    }
    void notify() const override {
      std::lock_guard lock(m);
      changed.notify_all();
    }
  } home;
  struct Asker {
    Home* home;
    int answers = 0;
    static void onTick(void* self, std::uint64_t, std::chrono::nanoseconds) {
      auto* a = static_cast<Asker*>(self);
      std::unique_lock lock(a->home->m);
      if (a->home->asked) return;
      a->home->asked = true;
      a->home->changed.notify_all();
      a->home->changed.wait(lock, [&] { return a->home->answered; });
      ++a->answers;
    }
  } asker{&home};
  PeriodicTimer timer(&Asker::onTick, &asker, &home);
  ASSERT_TRUE(timer.start(1));
  ASSERT_TRUE(pollUntil([&] {
    std::lock_guard lock(home.m);
    return home.asked;
  }));
  timer.shutdown();
  EXPECT_EQ(asker.answers, 1);
  EXPECT_FALSE(timer.running());
  EXPECT_FALSE(timer.start(1));  // shut down for good
}

}  // namespace
