#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "elements/hiMMTimer.h"
#include "elements/hiSleep.h"
#include "runtime/EventGate.h"
#include "tests/support/Probes.h"
#include "tests/support/Polling.h"

using namespace hi;
using namespace std::chrono_literals;
using hi::test::Action;
using hi::test::pollUntil;

namespace {

// What a timer fired, counted across threads.
struct Events {
  std::mutex m;
  std::condition_variable cv;
  int ticks = 0;
  int stops = 0;
  Action onTimer;
  Action onStop;
  std::function<void(int)> everyTick;  // runs on the timer's thread with the tick number

  Events() {
    onTimer.run = [this](TData&) {
      int n = 0;
      {
        std::lock_guard lock(m);
        n = ++ticks;
      }
      cv.notify_all();
      if (everyTick) everyTick(n);
    };
    onStop.run = [this](TData&) {
      {
        std::lock_guard lock(m);
        ++stops;
      }
      cv.notify_all();
    };
  }

  void wire(THIMMTimer& t) {
    t.onTimer = onTimer.point();
    t.onStop = onStop.point();
  }
  void wire(THIMMTimer& t, std::int32_t interval, std::int32_t autoStop = 0) {
    t.Interval = interval;
    t.AutoStop = autoStop;
    wire(t);
  }

  // Waits, with a bound meant never to be reached on a working timer, until `done` holds.
  bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, limit, done);
  }
  bool waitForStops(int count) {
    return waitFor([&] { return stops >= count; });
  }

  // Gives a faulty timer many periods to show an extra tick or stop. Waiting the whole
  // bound is the passing case, so the bound is short; a load spike cannot make it fail.
  void watchForStrayEvents() {
    std::unique_lock lock(m);
    const int t = ticks, s = stops;
    cv.wait_for(lock, 60ms, [&] { return ticks != t || stops != s; });
  }

  int tickCount() {
    std::lock_guard lock(m);
    return ticks;
  }
  int stopCount() {
    std::lock_guard lock(m);
    return stops;
  }
};

// Each test's timer reports to `ev`; the timer, a local, is gone before `ev` goes.
class Timing : public hi::test::LiveRuntime {
 protected:
  Events ev;
};

void startTimer(THIMMTimer& t) {
  fireNull(makeEventPoint<&THIMMTimer::doStart>(0, &t));
}
void stopTimer(THIMMTimer& t) {
  fireNull(makeEventPoint<&THIMMTimer::doStop>(1, &t));
}

TEST_F(Timing, AutoStopThreeGivesThreeTicksThenStopThenSilence) {
  THIMMTimer timer;
  ev.wire(timer, 2, 3);
  startTimer(timer);
  ASSERT_TRUE(ev.waitForStops(1));
  EXPECT_EQ(ev.tickCount(), 3);
  EXPECT_FALSE(timer.running());
  ev.watchForStrayEvents();
  EXPECT_EQ(ev.tickCount(), 3);
  EXPECT_EQ(ev.stopCount(), 1);

  // It starts again as often as asked, each time with the full count.
  startTimer(timer);
  ASSERT_TRUE(ev.waitForStops(2));
  EXPECT_EQ(ev.tickCount(), 6);
}

TEST_F(Timing, DoStopOnAStoppedTimerStillFiresOnStop) {
  THIMMTimer timer;
  ev.wire(timer);
  stopTimer(timer);
  stopTimer(timer);
  EXPECT_EQ(ev.stopCount(), 2);
  EXPECT_EQ(ev.tickCount(), 0);
  EXPECT_FALSE(timer.running());
}

TEST_F(Timing, WithoutAutoStopTicksGoOnUntilDoStopFromATick) {
  THIMMTimer timer;
  ev.wire(timer, 1);
  ev.everyTick = [&](int n) {
    if (n == 5) stopTimer(timer);
  };
  startTimer(timer);
  ASSERT_TRUE(ev.waitForStops(1));
  ASSERT_TRUE(pollUntil([&] { return !timer.busy(); }));
  ev.watchForStrayEvents();
  EXPECT_EQ(ev.tickCount(), 5);
  EXPECT_EQ(ev.stopCount(), 1);
}

TEST_F(Timing, DoStartWhileRunningReloadsTheCount) {
  THIMMTimer timer;
  ev.wire(timer, 2, 2);
  ev.everyTick = [&](int n) {
    if (n == 1) startTimer(timer);  // back to 2 left
  };
  startTimer(timer);
  ASSERT_TRUE(ev.waitForStops(1));
  EXPECT_EQ(ev.tickCount(), 3);
}

TEST_F(Timing, ATickWaitingForTheGraphIsDroppedWhenTheHolderStopsTheTimer) {
  THIMMTimer timer;
  ev.wire(timer, 1);
  {
    EventScope holder;  // another event runs in the graph, e.g. a long reply on the reader
    startTimer(timer);
    ASSERT_TRUE(pollUntil([&] { return timer.busy(); }));  // a tick waits for its turn
    stopTimer(timer);
    EXPECT_EQ(ev.stopCount(), 1);
  }
  ASSERT_TRUE(pollUntil([&] { return !timer.busy(); }));
  EXPECT_EQ(ev.tickCount(), 0);
}

TEST_F(Timing, ATickThatFallsDueWhileAReplyIsHandledCountsNoSilence) {
  // The upload's watchdog: each tick counts a silent period, a reply resets the count at the
  // very end of its event, and the third silent tick is the failure. A reply handled across
  // a tick's due time must not shorten the silence that follows it.
  using Clock = std::chrono::steady_clock;
  constexpr auto period = 200ms;
  THIMMTimer timer;
  ev.wire(timer, static_cast<std::int32_t>(period.count()));
  timer.QuietTicks = 1;
  std::atomic<int> silent{0};
  std::atomic<Clock::rep> firstTick{0}, failed{0};
  ev.everyTick = [&](int n) {
    const Clock::rep now = Clock::now().time_since_epoch().count();
    if (n == 1) firstTick = now;
    if (silent.fetch_add(1) + 1 == 3 && failed.load() == 0) failed = now;
    ev.cv.notify_all();
  };
  startTimer(timer);
  ASSERT_TRUE(ev.waitFor([&] { return ev.ticks >= 1; }));
  Clock::time_point resetAt;
  {
    EventScope reply;  // a long reply: the next tick falls due while it is handled
    std::this_thread::sleep_until(Clock::time_point(Clock::duration(firstTick.load())) +
                                  period * 3 / 2);
    silent = 0;
    TData none;
    timer.doAlive(none);
    resetAt = Clock::now();
  }
  ASSERT_TRUE(ev.waitFor([&] { return failed.load() != 0; }));
  const auto silence = Clock::time_point(Clock::duration(failed.load())) - resetAt;
  EXPECT_GE(silence, 2 * period);
  EXPECT_LT(silence, 20s);  // three periods and the delays of a loaded machine
}

TEST_F(Timing, ATickThatWaitedForAnEventWithoutASignOfLifeIsDelivered) {
  // A delay (the settle time after "PUSK") must come on a busy line too: its tick is late,
  // not lost. So must the watchdog's, behind an event that brought no reply (a line that
  // signals with nothing to read, a window call). The period is long, so that only the
  // tick that waited can come before the stop.
  for (const std::int32_t quiet : {0, 1}) {
    SCOPED_TRACE(quiet);
    THIMMTimer timer;
    ev.wire(timer, 2000);
    timer.QuietTicks = quiet;
    const int before = ev.tickCount();
    {
      EventScope other;
      startTimer(timer);
      ASSERT_TRUE(pollUntil([&] { return timer.busy(); }));
    }
    ASSERT_TRUE(pollUntil([&] { return !timer.busy(); }));
    stopTimer(timer);
    EXPECT_EQ(ev.tickCount() - before, 1);
  }
}

TEST_F(Timing, AnUrgentTickEndsACallThatHangsInsideAnEventAndCounts) {
  // The watchdog against a read that never completes: the event in its way waits in a
  // blocking call until something ends it.
  THIMMTimer timer;
  ev.wire(timer, 50);
  timer.QuietTicks = 1;
  timer.Urgent = 1;
  std::mutex m;
  std::condition_variable cv;
  bool aborted = false;
  std::atomic<bool> inCall{false};
  std::thread reader([&] {
    EventScope event;
    const BlockingCall read([&] {
      std::lock_guard lock(m);
      aborted = true;
      cv.notify_all();
    });
    inCall = true;
    std::unique_lock lock(m);
    cv.wait_for(lock, 60s, [&] { return aborted; });
  });
  ASSERT_TRUE(pollUntil([&] { return inCall.load(); }));
  startTimer(timer);
  EXPECT_TRUE(ev.waitFor([&] { return ev.ticks >= 1; }));
  reader.join();
  stopTimer(timer);
  std::lock_guard lock(m);
  EXPECT_TRUE(aborted);
}

TEST_F(Timing, DestroyingARunningTimerEndsItsTicks) {
  std::atomic<bool> destroyed{false};
  std::atomic<int> lateTicks{0};
  ev.everyTick = [&](int) {
    if (destroyed.load()) lateTicks.fetch_add(1);
  };
  auto timer = std::make_unique<THIMMTimer>();
  ev.wire(*timer, 1);
  startTimer(*timer);
  ASSERT_TRUE(ev.waitFor([&] { return ev.ticks >= 3; }));
  timer.reset();
  destroyed = true;
  const int ticks = ev.tickCount();
  ev.watchForStrayEvents();
  EXPECT_EQ(ev.tickCount(), ticks);
  EXPECT_EQ(lateTicks.load(), 0);
}

TEST_F(Timing, DestroyingATimerWhoseTickWaitsForTheGraphDoesNotHang) {
  auto timer = std::make_unique<THIMMTimer>();
  ev.wire(*timer, 1);
  EventScope holder;  // teardown runs while the graph is held; the tick must give up
  startTimer(*timer);
  ASSERT_TRUE(pollUntil([&] { return timer->busy(); }));
  timer.reset();
  EXPECT_EQ(ev.tickCount(), 0);
}

// ---- Sleep ----

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST_F(Timing, SleepPassesTheVeryRecordOnAfterAtLeastTheDelay) {
  THISleep sleep;
  sleep.Delay = 100000;  // microseconds
  Action after;
  TData* seenRecord = nullptr;
  std::string seenText;
  after.run = [&](TData& d) {
    seenRecord = &d;
    seenText = toString(d);
  };
  sleep.onSleep = after.point();
  TData d = makeString("OK");
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = threadCpuSeconds();
  fireEvent(makeEventPoint<&THISleep::doSleep>(0, &sleep), d);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(seenRecord, &d);
  EXPECT_EQ(seenText, "OK");
  EXPECT_GE(waited, 100ms);
  // It sleeps rather than spins: a spinning wait spends most of the delay on the processor.
  EXPECT_LT(threadCpuSeconds() - cpuStart, 0.025);
}

TEST_F(Timing, SleepWithANegativeDelayPassesOnAtOnce) {
  THISleep sleep;
  sleep.Delay = -1;
  hi::test::Probe out;
  sleep.onSleep = out.point();
  fireInteger(makeEventPoint<&THISleep::doSleep>(0, &sleep), 7);
  ASSERT_EQ(out.seen.size(), 1u);
  EXPECT_EQ(out.seen[0].integer, 7);
}

}  // namespace
