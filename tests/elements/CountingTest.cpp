#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "elements/hiCounter.h"
#include "elements/hiFor.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Action;
using hi::test::Probe;
using hi::test::Source;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

std::vector<std::int32_t> integers(const std::vector<TData>& values) {
  std::vector<std::int32_t> result;
  for (const TData& v : values) result.push_back(toInteger(v));
  return result;
}

class Counting : public hi::test::LiveRuntime {};

// ---- Counter ----

class CounterTest : public Counting {
 protected:
  void setUp(std::int32_t min, std::int32_t max, std::int32_t step, std::uint8_t direction,
             std::int32_t initial) {
    counter.Min = min;
    counter.Max = max;
    counter.Step = step;
    counter.Direction = direction;
    counter.setDefault(initial);
    counter.onNext = out.point();
  }
  std::vector<std::int32_t> next(int times) {
    out.seen.clear();
    for (int i = 0; i < times; ++i) fireNull(makeEventPoint<&THICounter::doNext>(0, &counter));
    return integers(out.seen);
  }
  std::int32_t count() { return readPointInteger(makeEventPoint<&THICounter::Count>(0, &counter)); }

  THICounter counter;
  Probe out;
};

TEST_F(CounterTest, StepsBeforeReportingAndJumpsToTheOtherLimit) {
  setUp(0, 1015, 1, 0, 0);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(next(1), std::vector<std::int32_t>{1});
  fireNull(makeEventPoint<&THICounter::doReset>(0, &counter));
  EXPECT_EQ(next(1), std::vector<std::int32_t>{1});
  counter.setDefault(1014);
  EXPECT_EQ(next(2), (std::vector<std::int32_t>{1015, 0}));
  EXPECT_EQ(count(), 0);
}

TEST_F(CounterTest, PassingALimitSetsTheOppositeLimitNotTheOvershoot) {
  setUp(0, 10, 3, 0, 0);
  EXPECT_EQ(next(5), (std::vector<std::int32_t>{3, 6, 9, 0, 3}));
}

TEST_F(CounterTest, CountsDownAndResetsToMax) {
  setUp(0, 5, 1, 1, 0);
  EXPECT_EQ(next(3), (std::vector<std::int32_t>{5, 4, 3}));
  fireNull(makeEventPoint<&THICounter::doReset>(0, &counter));
  EXPECT_EQ(count(), 5);
}

TEST_F(CounterTest, WrapsAroundAtTheEdgesOfTheRangeInBothDirections) {
  // Up past the largest value wraps to the smallest, which is not above Max.
  setUp(0, kMax, 1, 0, kMax - 1);
  EXPECT_EQ(next(2), (std::vector<std::int32_t>{kMax, kMin}));
  // Down past the smallest value wraps to the largest, which is not below Min.
  setUp(kMin, 0, 1, 1, kMin + 1);
  EXPECT_EQ(next(2), (std::vector<std::int32_t>{kMin, kMax}));
  // Steps of the full range.
  setUp(kMin, kMax, kMax, 0, kMax);
  EXPECT_EQ(next(1), std::vector<std::int32_t>{-2});
  setUp(kMin, kMax, kMin, 1, 0);
  EXPECT_EQ(next(2), (std::vector<std::int32_t>{kMin, 0}));
}

// ---- For ----

class ForTest : public Counting {
 protected:
  void setUp(std::int32_t start, std::int32_t end, std::int32_t step, std::uint8_t includeEnd) {
    loop.Start = start;
    loop.End = end;
    loop.Step = step;
    loop.IncludeEnd = includeEnd;
    loop.onEvent = each.point();
    loop.onStop = stop.point();
    loop.onBreak = broken.point();
  }
  void run(TData d = TData{}) {
    each.seen.clear();
    stop.seen.clear();
    broken.seen.clear();
    fireEvent(makeEventPoint<&THIFor::doFor>(0, &loop), d);
  }
  std::vector<std::int32_t> values() const { return integers(each.seen); }
  std::int32_t stoppedAt() const {
    EXPECT_EQ(stop.seen.size(), 1u);
    return stop.seen.empty() ? -999 : toInteger(stop.seen[0]);
  }

  THIFor loop;
  Probe each;
  Probe stop;
  Probe broken;
};

std::vector<std::int32_t> range(std::int32_t from, std::int32_t to) {
  std::vector<std::int32_t> r;
  for (std::int32_t i = from; i <= to; ++i) r.push_back(i);
  return r;
}

TEST_F(ForTest, RunsFromStartToEndWithOrWithoutEnd) {
  setUp(0, 255, 1, 1);
  run();
  EXPECT_EQ(values(), range(0, 255));
  EXPECT_EQ(stoppedAt(), 256);

  setUp(0, 255, 1, 0);
  run();
  EXPECT_EQ(values(), range(0, 254));
  EXPECT_EQ(stoppedAt(), 255);
}

TEST_F(ForTest, NegativeStepCountsDown) {
  setUp(5, 0, -2, 1);
  run();
  EXPECT_EQ(values(), (std::vector<std::int32_t>{5, 3, 1}));
  EXPECT_EQ(stoppedAt(), -1);

  setUp(4, 0, -2, 0);  // End excluded: 0 is not a loop value
  run();
  EXPECT_EQ(values(), (std::vector<std::int32_t>{4, 2}));
  EXPECT_EQ(stoppedAt(), 0);
}

TEST_F(ForTest, NoLoopForZeroStepOrAWrongWayRange) {
  setUp(3, 10, 0, 1);
  run();
  EXPECT_TRUE(values().empty());
  EXPECT_EQ(stoppedAt(), 3);

  setUp(10, 3, 1, 1);
  run();
  EXPECT_TRUE(values().empty());
  EXPECT_EQ(stoppedAt(), 10);

  setUp(3, 10, -1, 1);
  run();
  EXPECT_TRUE(values().empty());
  EXPECT_EQ(stoppedAt(), 3);
}

TEST_F(ForTest, BoundsAtTheEdgesOfTheRangeEndTheLoop) {
  // The step past the largest value ends the loop; the value keeps the low 32 bits.
  setUp(kMax - 2, kMax, 1, 1);
  run();
  EXPECT_EQ(values(), (std::vector<std::int32_t>{kMax - 2, kMax - 1, kMax}));
  EXPECT_EQ(stoppedAt(), kMin);

  setUp(kMin + 1, kMin, -1, 1);
  run();
  EXPECT_EQ(values(), (std::vector<std::int32_t>{kMin + 1, kMin}));
  EXPECT_EQ(stoppedAt(), kMax);

  setUp(0, kMax, kMax, 1);
  run();
  EXPECT_EQ(values(), (std::vector<std::int32_t>{0, kMax}));
  EXPECT_EQ(stoppedAt(), -2);

  // An excluded End at the edge leaves nothing below (or above) it.
  setUp(kMin, kMin, 1, 0);
  run();
  EXPECT_TRUE(values().empty());
  EXPECT_EQ(stoppedAt(), kMin);

  setUp(kMax, kMax, -1, 0);
  run();
  EXPECT_TRUE(values().empty());
  EXPECT_EQ(stoppedAt(), kMax);
}

TEST_F(ForTest, InDataDecidesWhetherTheEventFeedsStartAndEnd) {
  setUp(0, 9, 1, 1);
  loop.InData = 1;
  run(makeInteger(7));
  EXPECT_EQ(values(), range(7, 9));

  loop.InData = 0;
  run(makeInteger(7));
  EXPECT_EQ(values(), range(0, 9));

  // Start is read before End: with both properties 0, the chain gives 2 then 4.
  setUp(0, 0, 1, 1);
  loop.InData = 1;
  TData tail = makeInteger(4);
  TData d = makeInteger(2);
  d.next = &tail;
  run(d);
  EXPECT_EQ(values(), range(2, 4));
}

TEST_F(ForTest, ConnectedInputsOverrideTheProperties) {
  setUp(0, 100, 1, 1);
  Source start(makeInteger(10));
  Source end(makeInteger(12));
  loop.inStart = start.point();
  loop.inEnd = end.point();
  run();
  EXPECT_EQ(values(), range(10, 12));
}

TEST_F(ForTest, StopInputEndsTheLoopAfterTheCurrentValue) {
  setUp(0, 9, 1, 1);
  Action stopAt3;
  stopAt3.run = [&](TData& d) {
    if (d.integer == 3) loop.doStop(d);
  };
  loop.onEvent = stopAt3.point();
  run();
  EXPECT_EQ(stoppedAt(), 3);
  EXPECT_TRUE(broken.seen.empty());

  loop.BreakEvent = 1;
  run();
  EXPECT_TRUE(stop.seen.empty());
  ASSERT_EQ(broken.seen.size(), 1u);
  EXPECT_EQ(broken.seen[0].type, dtNull);
  EXPECT_EQ(loop.value, 3);

  // The flag is cleared when the next loop starts: a stop outside a loop does nothing.
  setUp(0, 2, 1, 1);
  loop.BreakEvent = 1;
  TData ignored;
  loop.doStop(ignored);
  run();
  EXPECT_EQ(values(), range(0, 2));
  EXPECT_EQ(stoppedAt(), 3);
}

}  // namespace
