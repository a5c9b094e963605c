// Small elements and a fixture shared by the element tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
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

// Records every value it receives, in a log shared by several probes if wanted, and can
// change or forward the record it got.
struct Probe : Element {
  explicit Probe(std::string probeName = "", std::vector<std::string>* sharedLog = nullptr)
      : name(std::move(probeName)), log(sharedLog) {}

  std::string name;
  std::vector<std::string>* log;
  std::vector<TData> seen;
  bool scribble = false;  // overwrite the received record
  EventPoint onOut;       // forwarded to, when connected
  EventPoint onFire;      // fired (nested) with a scribbled copy, when connected

  void doIn(TData& d) {
    seen.push_back(d);
    if (log != nullptr) log->push_back(name + ":" + toString(d));
    if (onFire.connected()) fireString(onFire, "nested");
    if (scribble) makeString(d, "scribbled");
    if (onOut.connected()) forwardTo(d, onOut, d);
  }

  EventPoint point() { return makeEventPoint<&Probe::doIn>(0, this); }
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
