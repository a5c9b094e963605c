// Small elements and fixtures shared by the tests of the runtime, the elements and the
// window: a probe that records what reaches it, a data source, an action, and a live runtime
// around each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/Share.h"

namespace hi::test {

// The tests run with the runtime switched on, as the program does after its start.
class LiveRuntime : public ::testing::Test {
 protected:
  void SetUp() override {
    savedGraphReady_ = GraphReady;
    enableRuntime();
  }
  void TearDown() override {
    disableRuntime();
    GraphReady = savedGraphReady_;
  }

 private:
  std::uint8_t savedGraphReady_ = 0;
};

// The live runtime with a log for probes and sources that record in one order.
class LoggedRuntime : public LiveRuntime {
 protected:
  std::vector<std::string> log;
};

// Records every value it receives (in a log shared by several probes if wanted), with the
// chain behind it and the thread it came on; can change or forward the record it got.
struct Probe : Element {
  explicit Probe(std::string probeName = "", std::vector<std::string>* sharedLog = nullptr)
      : name(std::move(probeName)), log(sharedLog) {}

  std::string name;
  std::vector<std::string>* log;
  std::vector<TData> seen;                 // each record as it came, its chain pointer too
  std::vector<std::vector<TData>> chains;  // each value and those chained behind it
  std::vector<std::thread::id> threads;
  bool scribble = false;                   // overwrite the received record
  EventPoint onOut;                        // forwarded to, when connected
  EventPoint onFire;                       // fired (nested) with a new value, when connected
  std::function<void(TData&)> action;      // run last, when set

  void doIn(TData& d) {
    seen.push_back(d);
    std::vector<TData> chain;
    for (const TData* p = &d; p != nullptr; p = p->next) {
      TData copy = *p;
      copy.next = nullptr;
      chain.push_back(copy);
      if (p->type == dtNull) break;
    }
    chains.push_back(std::move(chain));
    threads.push_back(std::this_thread::get_id());
    if (log != nullptr) log->push_back(name + ":" + toString(d));
    if (onFire.connected()) fireString(onFire, "nested");
    if (scribble) makeString(d, "scribbled");
    if (onOut.connected()) forwardTo(d, onOut, d);
    if (action) action(d);
  }

  EventPoint point() { return makeEventPoint<&Probe::doIn>(0, this); }
  std::size_t count() const { return seen.size(); }
  const TData& last() const { return chains.back().front(); }
};

// Answers a fixed value when read and notes each read.
struct Source : Element {
  explicit Source(TData v = TData{}, std::string sourceName = "",
                  std::vector<std::string>* sharedLog = nullptr)
      : value(std::move(v)), name(std::move(sourceName)), log(sharedLog) {}

  TData value;
  std::string name;
  std::vector<std::string>* log;
  int reads = 0;

  void get(TData& d, std::uint16_t) {
    ++reads;
    if (log != nullptr) log->push_back("read " + name);
    d = value;
  }

  EventPoint point() { return makeEventPoint<&Source::get>(0, this); }
};

inline TData breakValue() {
  TData d;
  d.type = dtBreak;
  return d;
}

// Runs a test's own code when fired or read.
struct Action : Element {
  std::function<void(TData&)> run;

  void doIn(TData& d) { run(d); }
  void get(TData& d, std::uint16_t) { run(d); }

  EventPoint point() { return makeEventPoint<&Action::doIn>(0, this); }
  EventPoint source() { return makeEventPoint<&Action::get>(0, this); }
};

}  // namespace hi::test
