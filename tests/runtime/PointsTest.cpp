#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Share.h"
#include "tests/support/Probes.h"

using namespace hi;

namespace {

using LiveRuntime = hi::test::LiveRuntime;
using hi::test::Action;
using hi::test::Probe;
using hi::test::Source;

// Forwards its value to the next element of a line and records the stack depth.
struct Forwarder : Element {
  EventPoint onOut;
  std::vector<int>* order = nullptr;
  std::uintptr_t* lowest = nullptr;
  std::uintptr_t* highest = nullptr;
  int id = 0;

  void doIn(TData& d) {
    int marker = 0;
    const auto here = reinterpret_cast<std::uintptr_t>(&marker);
    *lowest = std::min(*lowest, here);
    *highest = std::max(*highest, here);
    order->push_back(id);
    forwardTo(d, onOut, d);
  }
};

}  // namespace

TEST_F(LiveRuntime, UnconnectedPointsLeaveTheValueAndEndTheForwardingLoop) {
  EventPoint none;
  TData d = makeInteger(5);
  fireEvent(none, d);
  EXPECT_EQ(d.type, dtInteger);
  EXPECT_EQ(d.integer, 5);

  Action forwarder;
  int runs = 0;
  forwarder.run = [&](TData& value) {
    ++runs;
    forwardInteger(value, none, value.integer + 1);
  };
  d = makeInteger(1);
  fireEvent(forwarder.point(), d);
  EXPECT_EQ(d.type, dtInteger);  // the flag is cleared
  EXPECT_EQ(d.integer, 2);
  EXPECT_EQ(runs, 1);
}

TEST_F(LiveRuntime, NestedFiringsHappenBeforeWhatIsForwarded) {
  std::vector<char> order;
  struct Both : Element {
    EventPoint nested, forwarded;
    std::vector<char>* order;
    void doIn(TData& d) {
      order->push_back('h');
      fireInteger(nested, 1);
      forwardInteger(d, forwarded, 2);
      order->push_back('r');
    }
  } both;
  struct Rec : Element {
    std::vector<char>* order;
    char tag;
    Rec(std::vector<char>* o, char t) : order(o), tag(t) {}
    void doIn(TData&) { order->push_back(tag); }
  } n(&order, 'n'), f(&order, 'f');
  both.order = &order;
  both.nested = makeEventPoint<&Rec::doIn>(0, &n);
  both.forwarded = makeEventPoint<&Rec::doIn>(0, &f);
  fireNull(makeEventPoint<&Both::doIn>(0, &both));
  EXPECT_EQ(std::string(order.begin(), order.end()), "hnrf");
}

TEST_F(LiveRuntime, ALineOfForwardersRunsInOrderInConstantStackDepth) {
  constexpr int kCount = 100000;
  std::vector<std::unique_ptr<Forwarder>> line;
  std::vector<int> order;
  std::uintptr_t lowest = UINTPTR_MAX, highest = 0;
  for (int i = 0; i < kCount; ++i) {
    auto f = std::make_unique<Forwarder>();
    f->id = i + 1;
    f->order = &order;
    f->lowest = &lowest;
    f->highest = &highest;
    line.push_back(std::move(f));
  }
  for (int i = 0; i + 1 < kCount; ++i)
    line[i]->onOut = makeEventPoint<&Forwarder::doIn>(0, line[i + 1].get());

  fireInteger(makeEventPoint<&Forwarder::doIn>(0, line[0].get()), 7);

  ASSERT_EQ(order.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(order[i], i + 1);
  EXPECT_LT(highest - lowest, 1024u) << "the stack grew with the line";
}

// A miswired loop (an element whose output leads back to its own input through another)
// must not overflow the stack: it is cut at a fixed depth, named, and every thread goes on.
struct LoopLink : Element {
  EventPoint onOut;
  int deliveries = 0;
  void doIn(TData& d) {
    ++deliveries;
    fireInteger(onOut, d.integer + 1);
  }
};

TEST_F(LiveRuntime, AWiringLoopIsCutAtTheDepthLimitNamedAndLeavesLaterEventsWhole) {
  LoopLink a, b;
  a.onOut = makeEventPoint<&LoopLink::doIn>(0, &b);
  b.onOut = makeEventPoint<&LoopLink::doIn>(0, &a);

  ::testing::internal::CaptureStderr();
  fireInteger(makeEventPoint<&LoopLink::doIn>(0, &a), 0);
  const std::string report = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(a.deliveries + b.deliveries, MaxEventDepth);
  EXPECT_NE(report.find("LoopLink"), std::string::npos) << report;
  EXPECT_EQ(report.find("LoopLink", report.find("LoopLink") + 1), std::string::npos)
      << "reported once, not from every level: " << report;

  // The cut ends with the outermost event: an event after it is delivered as usual.
  b.onOut = EventPoint{};
  a.deliveries = b.deliveries = 0;
  fireInteger(makeEventPoint<&LoopLink::doIn>(0, &a), 0);
  EXPECT_EQ(a.deliveries, 1);
  EXPECT_EQ(b.deliveries, 1);
}

TEST_F(LiveRuntime, FireCopyLeavesTheCallersValueAlone) {
  Probe p;
  p.scribble = true;
  const TData original = makeString("keep");
  fireCopy(makeEventPoint<&Probe::doIn>(0, &p), original);
  EXPECT_EQ(original.text, "keep");
  ASSERT_EQ(p.seen.size(), 1u);
  EXPECT_EQ(p.seen[0].text, "keep");
}

TEST_F(LiveRuntime, HandlersReceiveTheirPointIndex) {
  struct Indexed : Element {
    std::vector<int> indices;
    void doAny(TData&, std::uint16_t index) { indices.push_back(index); }
  } e;
  fireNull(makeEventPoint<&Indexed::doAny>(3, &e));
  fireNull(makeEventPoint<&Indexed::doAny>(65535, &e));
  EXPECT_EQ(e.indices, (std::vector<int>{3, 65535}));
}

TEST_F(LiveRuntime, ReadIntegerFallbacks) {
  EventPoint unconnected;
  TData event = makeInteger(7);
  EXPECT_EQ(readInteger(event, unconnected, 5), 5);  // a non-zero default wins
  EXPECT_EQ(event.integer, 7);
  EXPECT_EQ(readInteger(event, unconnected, 0), 7);  // a zero default takes the event
  EXPECT_EQ(event.type, dtNull);

  Source breaking;
  breaking.value.type = dtBreak;
  TData other = makeInteger(9);
  EXPECT_EQ(readInteger(other, makeEventPoint<&Source::get>(0, &breaking), 3), 3);

  Source source;
  source.value = makeString("42");
  EXPECT_EQ(readInteger(other, makeEventPoint<&Source::get>(0, &source), 3), 42);
  EXPECT_EQ(other.integer, 9);  // a connected input never takes from the event
}

TEST_F(LiveRuntime, UnconnectedInputsTakeTheChainInReadingOrder) {
  EventPoint none;
  TData chain = makeString("first");
  chain.next = new TData(makeInteger(2));
  ChainOwner owner(chain);
  EXPECT_EQ(readString(chain, none, ""), "first");
  EXPECT_EQ(readString(chain, none, ""), "2");
  EXPECT_EQ(readString(chain, none, ""), "");
  EXPECT_EQ(readString(chain, none, "dflt"), "dflt");
}

TEST_F(LiveRuntime, ReadValueChainStreamAndBreak) {
  EventPoint none;
  const TData dflt = makeString("d");
  TData event = makeInteger(3);
  event.next = new TData(makeInteger(4));
  ChainOwner owner(event);

  TData v = readValue(event, none, &dflt);
  EXPECT_EQ(v.text, "d");
  v = readValue(event, none, nullptr);
  EXPECT_EQ(v.integer, 3);
  EXPECT_EQ(v.next, nullptr);

  TData whole = readValueChain(event, none, nullptr);
  EXPECT_EQ(whole.integer, 4);
  EXPECT_EQ(event.type, dtNull);
  EXPECT_EQ(event.next, nullptr);

  Source source;
  source.value = makeInteger(8);
  TData any;
  v = readValue(any, makeEventPoint<&Source::get>(0, &source), &dflt);
  EXPECT_EQ(v.integer, 8);

  TData brk;
  readOrBreak(none, brk);
  EXPECT_EQ(brk.type, dtBreak);

  MemoryStream stream;
  source.value = makeStream(&stream);
  EXPECT_EQ(readStream(makeEventPoint<&Source::get>(0, &source)), &stream);
  EXPECT_EQ(readStream(EventPoint{}), nullptr);
  source.value = makeString("12");
  EXPECT_EQ(readPointInteger(makeEventPoint<&Source::get>(0, &source)), 12);
}

TEST(RuntimeSwitch, OffMeansNoFiringAndNoReading) {
  disableRuntime();
  Probe p;
  Source source;
  source.value = makeInteger(9);
  const EventPoint in = makeEventPoint<&Probe::doIn>(0, &p);
  const EventPoint src = makeEventPoint<&Source::get>(0, &source);

  TData event = makeInteger(1);
  fireEvent(in, event);
  EXPECT_TRUE(p.seen.empty());
  EXPECT_EQ(readInteger(event, src, 0), 0);           // the reader's NULL record stays NULL
  EXPECT_EQ(readInteger(event, EventPoint{}, 5), 5);  // defaults still apply
  EXPECT_EQ(source.reads, 0);

  enableRuntime();
  fireEvent(in, event);
  EXPECT_EQ(p.seen.size(), 1u);
  EXPECT_EQ(readInteger(event, src, 0), 9);

  disableRuntime();
  fireEvent(in, event);
  EXPECT_EQ(p.seen.size(), 1u);
  EXPECT_EQ(readInteger(event, src, 0), 0);
}

TEST(StartupHandlers, HandlersAddedWhileRunningRunInTheSamePass) {
  GraphReady = 0;
  static std::vector<int> ran;
  ran.clear();
  static int second = 2;
  static int first = 1;
  addStartupHandler(
      [](void* e) {
        ran.push_back(*static_cast<int*>(e));
        addStartupHandler([](void* x) { ran.push_back(*static_cast<int*>(x)); }, &second);
      },
      &first);
  runStartupHandlers();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(startupHandlerCount(), 0u);
  EXPECT_EQ(GraphReady, 1);
}

TEST(StartupHandlers, RemovedHandlersDoNotRunAndLeaveTheOthersInOrder) {
  static std::vector<int> ran;
  ran.clear();
  static int a = 1;
  static int gone = 2;
  static int c = 3;
  auto record = [](void* e) { ran.push_back(*static_cast<int*>(e)); };
  addStartupHandler(record, &a);
  addStartupHandler(record, &gone);
  // A handler that removes a later one while the list runs.
  addStartupHandler([](void*) { removeStartupHandlers(&c); }, nullptr);
  addStartupHandler(record, &c);
  removeStartupHandlers(&gone);
  runStartupHandlers();
  EXPECT_EQ(ran, (std::vector<int>{1}));
  EXPECT_EQ(startupHandlerCount(), 0u);
}
