#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/hiCounter.h"
#include "elements/hiDoData.h"
#include "elements/hiEditMultiEx.h"
#include "elements/hiMultiBase.h"
#include "elements/hiMultiElementEx.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Action;
using hi::test::Probe;
using hi::test::Source;

namespace {

struct TestGraph;

struct GraphStats {
  int created = 0;
  int destroyed = 0;
  TestGraph* last = nullptr;
  std::string destroyOrder;
  std::size_t edgeWorkSeenByFirstTracker = 0;
  std::vector<bool> startedAtEntry;     // per event into a start-up probe
  std::vector<bool> edgeTiedAtStartup;  // per start-up handler run
  // What the creation routine was given, the last time.
  void* container = nullptr;
  void* parentWindow = nullptr;
  void* ownerGraph = nullptr;
};
GraphStats g_stats;

std::vector<std::string> g_notices;
void recordNotice(const std::string& text) {
  g_notices.push_back(text);
}

// Notes its destruction; the first one also looks at the edge, which must still exist.
struct Tracker : Element {
  Tracker(char trackerName, THIEditMultiEx* edgeToCheck) : name(trackerName), edge(edgeToCheck) {}
  ~Tracker() override {
    g_stats.destroyOrder += name;
    if (edge != nullptr) g_stats.edgeWorkSeenByFirstTracker = edge->onWork.size();
  }
  char name;
  THIEditMultiEx* edge;
};

// Registers a start-up handler when built; notes whether it ran before each event.
struct StartupProbe : Element {
  explicit StartupProbe(THIEditMultiEx* graphEdge) : edge(graphEdge) {
    addStartupHandler(&StartupProbe::startup, this);
  }
  static void startup(void* self) {
    auto* probe = static_cast<StartupProbe*>(self);
    probe->started = true;
    probe->edgeTiedAtStartup = probe->edge->container != nullptr;
    g_stats.edgeTiedAtStartup.push_back(probe->edgeTiedAtStartup);
  }
  void doIn(TData&) { g_stats.startedAtEntry.push_back(started); }

  THIEditMultiEx* edge;
  bool started = false;
  bool edgeTiedAtStartup = false;
};

// Fires two inner events in a row and notes that it got past both.
struct Relay : Element {
  EventPoint onFirst;
  EventPoint onSecond;
  int finished = 0;
  void doIn(TData& d) {
    fireCopy(onFirst, d);
    fireCopy(onSecond, d);
    ++finished;
  }
};

// work 0: step a counter and report it on container event 0
// work 1: start-up probe
// work 2: relay to container events 1 and 2
// work 3: read container data 0 (property "fallback") and report it on container event 0
// Var 0: the counter; Var 1: unbound
struct TestGraph : TClassMultiBase {
  TestGraph(void* owner, void* parent) : TClassMultiBase(owner, parent) {
    createEdge(4, 2);
    create<Tracker>('a', edge);
    counter = create<THICounter>();
    counter->Min = 0;
    counter->Max = 1000;
    counter->Step = 1;
    starter = create<StartupProbe>(edge);
    relay = create<Relay>();
    fetch = create<THIDoData>();
    makeString(fetch->Data, "fallback");
    create<Tracker>('z', nullptr);

    edge->onWork[0] = makeEventPoint<&THICounter::doNext>(0, counter);
    counter->onNext = makeEventPoint<&THIEditMultiEx::doEvent>(0, edge);
    edge->onWork[1] = makeEventPoint<&StartupProbe::doIn>(0, starter);
    edge->onWork[2] = makeEventPoint<&Relay::doIn>(0, relay);
    relay->onFirst = makeEventPoint<&THIEditMultiEx::doEvent>(1, edge);
    relay->onSecond = makeEventPoint<&THIEditMultiEx::doEvent>(2, edge);
    edge->onWork[3] = makeEventPoint<&THIDoData::doData>(0, fetch);
    fetch->inData = makeEventPoint<&THIEditMultiEx::GetData>(0, edge);
    fetch->onEventData = makeEventPoint<&THIEditMultiEx::doEvent>(0, edge);
    edge->Var[0] = makeEventPoint<&THICounter::Count>(0, counter);

    ++g_stats.created;
    g_stats.last = this;
  }
  ~TestGraph() override { ++g_stats.destroyed; }

  THICounter* counter;
  StartupProbe* starter;
  Relay* relay;
  THIDoData* fetch;
};

// The creation routine, noting what it is given.
MultiInstance noteAndCreate(THIMultiElementEx* container, void* parentWindow, void* ownerGraph) {
  g_stats.container = container;
  g_stats.parentWindow = parentWindow;
  g_stats.ownerGraph = ownerGraph;
  return createMultiInstance<TestGraph>(container, parentWindow, ownerGraph);
}

class Containers : public hi::test::LiveRuntime {
 protected:
  void SetUp() override {
    LiveRuntime::SetUp();
    g_stats = GraphStats{};
    g_notices.clear();
    setNoticeHandler(&recordNotice);
    GraphReady = 1;  // the program is live unless a test says otherwise
  }
  void TearDown() override {
    setNoticeHandler(nullptr);
    LiveRuntime::TearDown();
  }

  // A container with three outputs, each recorded by a probe.
  void wire(THIMultiElementEx& box, std::uint8_t mode) {
    box.Mode = mode;
    box.onEvent.resize(3);
    for (std::size_t i = 0; i < 3; ++i) box.onEvent[i] = out[i].point();
  }

  static TData work(THIMultiElementEx& box, std::uint16_t index, std::int32_t n = 1) {
    TData d = makeInteger(n);
    box.doWork(d, index);
    return d;
  }

  static TData var(THIMultiElementEx& box, std::uint16_t index) {
    TData d;
    box.GetVar(d, index);
    return d;
  }

  // A container on the heap with its instance built, whose inner event 1 deletes it; work 2
  // relays to inner events 1 and 2.
  THIMultiElementEx* selfDeletingBox(std::uint8_t mode) {
    auto* box = new THIMultiElementEx;
    wire(*box, mode);
    killer.run = [box](TData&) { delete box; };
    box->onEvent[1] = killer.point();
    box->setCreator(&createMultiInstance<TestGraph>);
    return box;
  }

  Probe out[3];
  Action killer;
};

std::vector<std::int32_t> integers(const std::vector<TData>& values) {
  std::vector<std::int32_t> result;
  for (const TData& v : values) result.push_back(toInteger(v));
  return result;
}

TEST_F(Containers, PermanentInstanceIsBuiltOnceKeepsItsStateAndGoesEdgeLast) {
  int owner = 0;
  int window = 0;
  {
    THIMultiElementEx box(&window);
    box.ownerGraph = &owner;
    wire(box, 0);
    box.setCreator(&noteAndCreate);

    ASSERT_EQ(g_stats.created, 1);
    // Window elements of the sub-graph are placed on the container's window.
    EXPECT_EQ(g_stats.container, &box);
    EXPECT_EQ(g_stats.parentWindow, &window);
    EXPECT_EQ(g_stats.ownerGraph, &owner);

    work(box, 0);
    work(box, 0);
    work(box, 0);
    EXPECT_EQ(integers(out[0].seen), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(toInteger(var(box, 0)), 3);
    EXPECT_EQ(g_stats.created, 1);
  }
  // The calls are over: nothing refuses the destruction.
  EXPECT_EQ(g_stats.destroyed, 1);
  EXPECT_TRUE(g_notices.empty());
  // The instance destroys its elements in reverse order, the edge last.
  EXPECT_EQ(g_stats.destroyOrder, "za");
  EXPECT_EQ(g_stats.edgeWorkSeenByFirstTracker, 4u);
}

TEST_F(Containers, TemporaryInstancesLiveForOneCallOnly) {
  THIMultiElementEx box;
  wire(box, 1);
  box.setCreator(&createMultiInstance<TestGraph>);
  EXPECT_EQ(g_stats.created, 0);

  work(box, 0);
  work(box, 0);
  // A fresh counter each time: the inner state does not survive the call.
  EXPECT_EQ(integers(out[0].seen), (std::vector<std::int32_t>{1, 1}));
  EXPECT_EQ(toInteger(var(box, 0)), 0);
  EXPECT_EQ(g_stats.created, 3);
  EXPECT_EQ(g_stats.destroyed, 3);
}

TEST_F(Containers, TemporaryInstanceRunsItsStartupHandlersBeforeTheEventEntersIt) {
  THIMultiElementEx box;
  wire(box, 1);
  box.setCreator(&createMultiInstance<TestGraph>);

  work(box, 1);
  work(box, 1);
  EXPECT_EQ(g_stats.startedAtEntry, (std::vector<bool>{true, true}));
  EXPECT_EQ(g_stats.edgeTiedAtStartup, (std::vector<bool>{true, true}));
  EXPECT_EQ(startupHandlerCount(), 0u);
  EXPECT_EQ(GraphReady, 1);
}

TEST_F(Containers, InstanceBuiltDuringConstructionLeavesStartupHandlersForTheStart) {
  GraphReady = 0;
  const std::size_t before = startupHandlerCount();
  THIMultiElementEx box;
  wire(box, 0);
  box.setCreator(&createMultiInstance<TestGraph>);
  EXPECT_EQ(startupHandlerCount(), before + 1);
  EXPECT_FALSE(g_stats.last->starter->started);
  EXPECT_EQ(GraphReady, 0);

  runStartupHandlers();
  EXPECT_TRUE(g_stats.last->starter->started);
  EXPECT_TRUE(g_stats.last->starter->edgeTiedAtStartup);
  EXPECT_EQ(GraphReady, 1);
}

TEST_F(Containers, UnboundOutOfRangeOrUncreatedPointsAnswerBreakOrDoNothing) {
  THIMultiElementEx box;
  wire(box, 0);
  box.setCreator(&createMultiInstance<TestGraph>);

  EXPECT_EQ(var(box, 1).type, dtBreak);
  EXPECT_EQ(var(box, 9).type, dtBreak);
  // A reader falls back past the Break to its own default.
  TData chain;
  EXPECT_EQ(readInteger(chain, makeEventPoint<&THIMultiElementEx::GetVar>(1, &box), 7), 7);

  TData d = work(box, 9, 5);
  EXPECT_EQ(d.type, dtInteger);
  EXPECT_EQ(d.integer, 5);

  // Inner events to container outputs that do not exist do nothing.
  box.onEvent.resize(1);
  work(box, 2);
  EXPECT_EQ(g_stats.last->relay->finished, 1);
  EXPECT_TRUE(out[1].seen.empty());
  EXPECT_TRUE(out[2].seen.empty());

  // A container without a creator answers nothing at all.
  THIMultiElementEx empty;
  wire(empty, 1);
  EXPECT_EQ(work(empty, 0, 4).integer, 4);
  EXPECT_EQ(var(empty, 0).type, dtBreak);
  EXPECT_TRUE(out[0].seen.empty());
}

TEST_F(Containers, InnerReadsGoToContainerDataAndHoldTheirInstance) {
  auto* box = new THIMultiElementEx;
  wire(*box, 0);
  box->inData.resize(1);
  bool destroyOnRead = false;
  Action data;
  data.run = [&](TData& d) {
    if (destroyOnRead) delete box;
    makeInteger(d, 42);
  };
  box->inData[0] = data.source();
  box->setCreator(&createMultiInstance<TestGraph>);
  TestGraph* instance = g_stats.last;

  work(*box, 3);
  ASSERT_EQ(out[0].seen.size(), 1u);
  EXPECT_EQ(toInteger(out[0].seen[0]), 42);

  // Unbound container data: the inner reader falls back to its own property.
  box->inData[0] = {};
  work(*box, 3);
  box->inData.resize(0);
  work(*box, 3);
  ASSERT_EQ(out[0].seen.size(), 3u);
  EXPECT_EQ(toString(out[0].seen[1]), "fallback");
  EXPECT_EQ(toString(out[0].seen[2]), "fallback");

  // The container destroyed while the instance reads through it.
  box->inData.resize(1);
  box->inData[0] = data.source();
  destroyOnRead = true;
  work(*box, 3);
  EXPECT_EQ(g_notices, std::vector<std::string>{"Self destruction is not allowed !!!"});
  EXPECT_EQ(g_stats.destroyed, 0);
  EXPECT_EQ(instance->edge->container, nullptr);
  EXPECT_EQ(out[0].seen.size(), 3u);  // the container and its outputs are gone
  delete instance;
}

TEST_F(Containers, SelfDestructionIsRefusedAndTheBusyInstanceRunsOn) {
  THIMultiElementEx* box = selfDeletingBox(0);
  TestGraph* instance = g_stats.last;

  work(*box, 2);  // relay: inner event 1 destroys the container, inner event 2 follows

  EXPECT_EQ(g_notices, std::vector<std::string>{"Self destruction is not allowed !!!"});
  EXPECT_EQ(g_stats.destroyed, 0);
  EXPECT_EQ(instance->relay->finished, 1);
  // Cut loose from the destroyed container: the second inner event went nowhere.
  EXPECT_EQ(instance->edge->container, nullptr);
  EXPECT_TRUE(out[2].seen.empty());
  delete instance;  // nobody else owns the refused instance
}

TEST_F(Containers, SelfDestructionNoticeIsShownOncePerBusyInstance) {
  auto* box = new THIMultiElementEx;
  wire(*box, 0);
  TestGraph* first = nullptr;
  TestGraph* second = nullptr;
  int calls = 0;
  Action step;
  step.run = [&](TData&) {
    ++calls;
    if (calls == 1) {
      work(*box, 2);  // the same instance again: two frames of the first instance
    } else if (calls == 2) {
      box->setCreator(&createMultiInstance<TestGraph>);  // a second, idle instance
      second = g_stats.last;
      delete box;
    }
  };
  box->onEvent[1] = step.point();
  box->setCreator(&createMultiInstance<TestGraph>);
  first = g_stats.last;

  work(*box, 2);
  EXPECT_EQ(g_notices.size(), 1u);
  EXPECT_EQ(g_stats.created, 2);
  EXPECT_EQ(g_stats.destroyed, 1);  // the idle second instance went
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(first->relay->finished, 2);
  delete first;

  // Two busy instances: two notices.
  g_notices.clear();
  g_stats = GraphStats{};
  box = new THIMultiElementEx;
  wire(*box, 0);
  std::vector<TestGraph*> busy;
  Action again;
  again.run = [&](TData&) {
    busy.push_back(g_stats.last);
    if (busy.size() == 1) {
      box->setCreator(&createMultiInstance<TestGraph>);
      work(*box, 2);  // enters the second instance, now the current one
    } else {
      delete box;
    }
  };
  box->onEvent[1] = again.point();
  box->setCreator(&createMultiInstance<TestGraph>);
  work(*box, 2);
  EXPECT_EQ(g_notices.size(), 2u);
  EXPECT_EQ(g_stats.destroyed, 0);
  ASSERT_EQ(busy.size(), 2u);
  // busy[0] was recorded before the second instance existed.
  delete busy[1];
  delete busy[0];
}

TEST_F(Containers, DestroyingTheContainerFromATemporaryInstanceIsSafe) {
  THIMultiElementEx* box = selfDeletingBox(1);

  work(*box, 2);
  // The temporary instance is not one of the container's own: no notice, and it goes
  // when its call is over.
  EXPECT_TRUE(g_notices.empty());
  EXPECT_EQ(g_stats.created, 1);
  EXPECT_EQ(g_stats.destroyed, 1);
  EXPECT_TRUE(out[2].seen.empty());
}

}  // namespace
