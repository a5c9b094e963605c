#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/hiCommutator.h"
#include "elements/hiHub.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Probe;
using hi::test::Source;

namespace {

using Routing = hi::test::LoggedRuntime;

TEST_F(Routing, HubGivesEveryOutputItsOwnCopyInOrder) {
  THIHub hub;
  hub.InCount = 2;
  hub.setOutCount(3);
  Probe first("0", &log);
  Probe after("0>", &log);  // where output 0 forwards its scribbled record
  Probe second("1", &log);
  Probe third("2", &log);
  Probe nested("0!", &log);
  first.scribble = true;
  first.onOut = after.point();
  first.onFire = nested.point();
  hub.onEvent[0] = first.point();
  hub.onEvent[1] = second.point();
  hub.onEvent[2] = third.point();

  TData next = makeString("tail");
  TData d = makeInteger(7);
  d.next = &next;
  hub.doEvent(d, 1);

  // Output 0's whole chain, nested and forwarded, ends before output 1 starts.
  EXPECT_EQ(log, (std::vector<std::string>{"0:7", "0!:nested", "0>:scribbled", "1:7", "2:7"}));
  ASSERT_EQ(second.seen.size(), 1u);
  EXPECT_EQ(second.seen[0].next, &next);  // the copy keeps the chain
  EXPECT_EQ(d.type, dtInteger);           // the caller's record is untouched
  EXPECT_EQ(d.integer, 7);
}

TEST_F(Routing, HubOutCountKeepsTheLowEightBits) {
  THIHub hub;
  hub.setOutCount(0);
  TData d = makeInteger(1);
  hub.doEvent(d, 0);  // nothing to fire, nothing to crash on

  Probe p;
  hub.setOutCount(258);
  EXPECT_EQ(hub.OutCount, 2);
  EXPECT_EQ(hub.onEvent.size(), 258u);
  hub.onEvent[0] = p.point();
  hub.onEvent[2] = p.point();  // beyond OutCount: never fired
  hub.doEvent(d, 0);
  EXPECT_EQ(p.seen.size(), 1u);

  // A count set past the array by hand does not run off its end.
  hub.OutCount = 200;
  hub.onEvent.resize(1);
  hub.doEvent(d, 0);
  EXPECT_EQ(p.seen.size(), 2u);
}

class CommutatorTest : public Routing {
 protected:
  void SetUp() override {
    Routing::SetUp();
    sw.setOutCount(2);
    sw.onEvent[0] = out0.point();
    sw.onEvent[1] = out1.point();
  }

  void send(std::int32_t n, std::uint16_t input = 0) {
    TData d = makeInteger(n);
    sw.doWork(d, input);
    EXPECT_EQ(d.integer, n);  // outputs work on copies
  }

  THICommutator sw;
  Probe out0{"out0", &log};
  Probe out1{"out1", &log};
};

TEST_F(CommutatorTest, IndexChoosesOneOutputAllOrNone) {
  Source index(makeInteger(1));
  sw.inIndex = index.point();
  send(10);
  EXPECT_EQ(log, (std::vector<std::string>{"out1:10"}));

  log.clear();
  index.value = makeInteger(2);
  send(11);
  EXPECT_TRUE(log.empty());

  index.value = makeInteger(-5);
  send(12);
  EXPECT_EQ(log, (std::vector<std::string>{"out0:12", "out1:12"}));

  log.clear();
  index.value = makeString("1");  // text converts to its number
  send(13);
  EXPECT_EQ(log, (std::vector<std::string>{"out1:13"}));

  log.clear();
  index.value = hi::test::breakValue();  // no value: the default sends to all
  send(14);
  EXPECT_EQ(log, (std::vector<std::string>{"out0:14", "out1:14"}));
}

TEST_F(CommutatorTest, ReadsEnabledThenIndexThenInIndexAndStopsWhenDisabled) {
  Source enabled(makeInteger(1), "Enabled", &log);
  Source index(makeInteger(0), "Index", &log);
  Source only(makeInteger(-1), "InIndex", &log);
  sw.inEnabled = enabled.point();
  sw.inIndex = index.point();
  sw.inInIndex = only.point();

  send(5);
  EXPECT_EQ(log,
            (std::vector<std::string>{"read Enabled", "read Index", "read InIndex", "out0:5"}));

  log.clear();
  enabled.value = makeInteger(0);
  send(6);
  EXPECT_EQ(log, std::vector<std::string>{"read Enabled"});
}

TEST_F(CommutatorTest, InIndexLetsOnlyOneInputPass) {
  Source only(makeInteger(1));
  sw.inInIndex = only.point();
  send(1, 0);
  EXPECT_TRUE(log.empty());
  send(2, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"out0:2", "out1:2"}));
}

TEST_F(CommutatorTest, UnconnectedInputsUseDefaultsWhateverTheEventCarries) {
  // Read against the event, a 0 would disable the commutator and a 1 would pick output 1.
  TData tail = makeInteger(1);
  TData d = makeInteger(0);
  d.next = &tail;
  sw.doWork(d, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"out0:0", "out1:0"}));
}

TEST_F(CommutatorTest, ZeroOutCountKeepsTheArrayButFiresNothing) {
  sw.setOutCount(0);
  EXPECT_EQ(sw.onEvent.size(), 2u);
  send(1);
  Source index(makeInteger(0));
  sw.inIndex = index.point();
  send(2);
  EXPECT_TRUE(log.empty());
}

}  // namespace
