#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/hiCase.h"
#include "elements/hiDoData.h"
#include "elements/hiEventFromData.h"
#include "elements/hiIf_else.h"
#include "elements/hiSwitch.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Action;
using hi::test::Probe;
using hi::test::Source;

namespace {

using Flow = hi::test::LoggedRuntime;

// ---- DoData ----

TEST_F(Flow, DoDataSendsItsInputOrConstantWhateverTheEventCarried) {
  THIDoData data;
  makeInteger(data.Data, 0);
  Probe out;
  data.onEventData = out.point();
  const EventPoint in = makeEventPoint<&THIDoData::doData>(0, &data);

  TData tail = makeInteger(9);
  TData d = makeInteger(7);
  d.next = &tail;
  fireEvent(in, d);
  ASSERT_EQ(out.seen.size(), 1u);
  EXPECT_EQ(out.seen[0].type, dtInteger);
  EXPECT_EQ(out.seen[0].integer, 0);
  EXPECT_EQ(out.seen[0].next, nullptr);

  makeNull(data.Data);
  d = makeString("x");
  fireEvent(in, d);
  EXPECT_EQ(out.seen[1].type, dtNull);

  // A connected input wins; a Break from it falls back to the constant.
  makeString(data.Data, "constant");
  Source source(makeString("read"));
  data.inData = source.point();
  fireNull(in);
  source.value = hi::test::breakValue();
  fireNull(in);
  ASSERT_EQ(out.seen.size(), 4u);
  EXPECT_EQ(toString(out.seen[2]), "read");
  EXPECT_EQ(toString(out.seen[3]), "constant");
}

// ---- EventFromData ----

TEST_F(Flow, EventFromDataFiresOnEveryReadThenGivesWhatOnEventStored) {
  THIEventFromData store;
  Probe fired("event", &log);
  store.onEvent = fired.point();
  const EventPoint put = makeEventPoint<&THIEventFromData::doData>(0, &store);
  fireString(put, "x");
  EXPECT_TRUE(log.empty());  // storing fires nothing

  const EventPoint get = makeEventPoint<&THIEventFromData::GetData>(0, &store);
  TData chain;
  EXPECT_EQ(readString(chain, get, ""), "x");
  EXPECT_EQ(readString(chain, get, ""), "x");
  EXPECT_EQ(log, (std::vector<std::string>{"event:", "event:"}));  // fired with NULL

  Action refresh;  // the graph refreshes the value when somebody reads it
  refresh.run = [&](TData&) { fireString(put, "fresh"); };
  store.onEvent = refresh.point();
  EXPECT_EQ(readString(chain, get, ""), "fresh");
}

TEST_F(Flow, EventFromDataOwnsACopyOfTheWholeChain) {
  THIEventFromData store;
  const EventPoint put = makeEventPoint<&THIEventFromData::doData>(0, &store);
  {
    TData d = makeInteger(1);
    d.next = new TData(makeString("two"));
    d.next->next = new TData(makeInteger(3));
    ChainOwner owner(d);
    fireEvent(put, d);
    EXPECT_EQ(d.type, dtNull);  // the event's value went into the store
  }
  // The event's records are gone; the stored copy is intact.
  const TData& s = store.stored();
  ASSERT_NE(s.next, nullptr);
  ASSERT_NE(s.next->next, nullptr);
  EXPECT_EQ(s.integer, 1);
  EXPECT_EQ(toString(*s.next), "two");
  EXPECT_EQ(s.next->next->integer, 3);

  // Storing a value that this element gave out, chain records shared, is safe.
  TData given;
  store.GetData(given, 0);
  fireEvent(put, given);
  ASSERT_NE(store.stored().next, nullptr);
  EXPECT_EQ(toString(*store.stored().next), "two");

  // A connected input's value is stored instead of the event's.
  Source source(makeString("input"));
  store.inData = source.point();
  fireInteger(put, 5);
  EXPECT_EQ(toString(store.stored()), "input");
  EXPECT_EQ(store.stored().next, nullptr);
}

// ---- Switch ----

TEST_F(Flow, SwitchTogglesAndReportsSwitchBeforeOnOrOff) {
  THISwitch sw;
  makeInteger(sw.DataOn, 1);
  makeInteger(sw.DataOff, 0);
  sw.setDefault(1);
  Probe onSwitch("switch", &log);
  Probe onOn("on", &log);
  Probe onOff("off", &log);
  onSwitch.scribble = true;  // must not change what onOn/onOff get
  sw.onSwitch = onSwitch.point();
  sw.onOn = onOn.point();
  sw.onOff = onOff.point();

  const EventPoint state = makeEventPoint<&THISwitch::State>(0, &sw);
  EXPECT_EQ(readPointInteger(state), 0);
  const EventPoint in = makeEventPoint<&THISwitch::doSwitch>(0, &sw);
  fireString(in, "ignored");
  EXPECT_EQ(readPointInteger(state), 1);
  fireString(in, "ignored");
  EXPECT_EQ(readPointInteger(state), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"switch:1", "on:1", "switch:0", "off:0"}));
}

TEST_F(Flow, SwitchDefaultZeroStartsOnAndInputsOverrideProperties) {
  THISwitch sw;
  makeString(sw.DataOn, "yes");
  makeString(sw.DataOff, "no");
  sw.setDefault(0);
  EXPECT_EQ(sw.state, 1);
  const EventPoint state = makeEventPoint<&THISwitch::State>(0, &sw);
  TData chain;
  EXPECT_EQ(readString(chain, state, ""), "yes");

  Source off(makeString("read off"));
  sw.inDataOff = off.point();
  Probe onOff;
  sw.onOff = onOff.point();
  fireNull(makeEventPoint<&THISwitch::doSwitch>(0, &sw));
  ASSERT_EQ(onOff.seen.size(), 1u);
  EXPECT_EQ(toString(onOff.seen[0]), "read off");
  EXPECT_EQ(readString(chain, state, ""), "read off");
}

// ---- If_else ----

struct CompareRig {
  explicit CompareRig(std::uint8_t mode) {
    cmp.Type = mode;
    cmp.onTrue = yes.point();
    cmp.onFalse = no.point();
  }
  // Returns which way an event went: 1 true, 0 false, -1 neither or both.
  int run(TData d) {
    const std::size_t y = yes.seen.size();
    const std::size_t n = no.seen.size();
    fireEvent(makeEventPoint<&THIIf_else::doCompare>(0, &cmp), d);
    const bool wentYes = yes.seen.size() == y + 1 && no.seen.size() == n;
    const bool wentNo = no.seen.size() == n + 1 && yes.seen.size() == y;
    return wentYes ? 1 : (wentNo ? 0 : -1);
  }
  int compare(TData a, TData b) {
    cmp.Op1 = std::move(a);
    cmp.Op2 = std::move(b);
    return run(makeString("event"));
  }

  THIIf_else cmp;
  Probe yes;
  Probe no;
};

TEST_F(Flow, IfElseForwardsTheIncomingValueUnchanged) {
  CompareRig rig(0);
  Source zero(makeInteger(0));
  rig.cmp.inOp1 = zero.point();
  makeInteger(rig.cmp.Op2, 0);

  TData tail = makeInteger(2);
  TData d = makeString("payload");
  d.next = &tail;
  EXPECT_EQ(rig.run(d), 1);
  EXPECT_EQ(toString(rig.yes.seen[0]), "payload");
  EXPECT_EQ(rig.yes.seen[0].next, &tail);
}

TEST_F(Flow, IfElseTakesOp1ThenOp2FromTheEvent) {
  CompareRig rig(2);  // Op1 > Op2
  TData tail = makeInteger(3);
  TData d = makeInteger(5);
  d.next = &tail;
  EXPECT_EQ(rig.run(d), 1);  // 5 > 3
  tail = makeInteger(5);
  d = makeInteger(3);
  d.next = &tail;
  EXPECT_EQ(rig.run(d), 0);  // 3 > 5 is false
}

TEST_F(Flow, IfElseComparesByTheLeftValuesKind) {
  struct Row {
    TData a;
    TData b;
    std::uint8_t mode;
    int expected;
  };
  const std::vector<Row> rows = {
      // Op1 is the left value: its kind decides, and Type is the mode.
      {makeString("abc"), makeString("ABC"), 0, 0},
      {makeString("abc"), makeString("ABC"), 5, 1},
      {makeString("abc"), makeString("ABC"), 3, 1},
      {makeInteger(10), makeString("9"), 2, 1},
      {makeString("10"), makeInteger(9), 2, 0},
      {makeReal(2.5), makeString("2.25"), 2, 1},
      {TData{}, TData{}, 5, 1},
      {makeInteger(1), makeInteger(1), 6, 0},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    CompareRig rig(rows[i].mode);
    // Non-NULL properties: the event's value never reaches the comparison.
    EXPECT_EQ(rig.compare(rows[i].a, rows[i].b), rows[i].expected) << "row " << i;
  }
}

// ---- Case ----

TEST_F(Flow, CaseMatchSendsItsDataAndMismatchPassesTheEventOn) {
  THICase c;
  makeInteger(c.Value, 0);
  makeString(c.DataOnTrue, "matched");
  Probe yes;
  Probe next;
  yes.scribble = true;  // must not change the element's own DataOnTrue
  c.onTrue = yes.point();
  c.onNextCase = next.point();
  const EventPoint in = makeEventPoint<&THICase::doCase>(0, &c);

  fireString(in, "0");  // text compared with the text of 0
  fireString(in, "0");
  ASSERT_EQ(yes.seen.size(), 2u);
  EXPECT_EQ(toString(yes.seen[1]), "matched");

  TData tail = makeInteger(4);
  TData d;
  d.next = &tail;
  fireEvent(in, d);  // NULL never equals 0
  ASSERT_EQ(next.seen.size(), 1u);
  EXPECT_EQ(next.seen[0].type, dtNull);
  EXPECT_EQ(next.seen[0].next, &tail);
  EXPECT_EQ(yes.seen.size(), 2u);
}

TEST_F(Flow, CaseTestsOnlyTheFirstValueAndAdvancesTheRecord) {
  THICase c;
  makeInteger(c.Value, 5);
  Probe yes;
  c.onTrue = yes.point();
  TData tail = makeString("rest");
  TData d = makeInteger(5);
  d.next = &tail;
  c.doCase(d);
  ASSERT_EQ(yes.seen.size(), 1u);
  EXPECT_EQ(yes.seen[0].type, dtNull);  // DataOnTrue left NULL
  EXPECT_EQ(toString(d), "rest");
}

}  // namespace
