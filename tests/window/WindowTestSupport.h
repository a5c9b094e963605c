// Small graph pieces for the window tests: a probe that records what reaches it, a data
// source, and a live runtime around each test. The tests run on every realisation.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <thread>
#include <vector>

#include "runtime/Share.h"
#include "tests/support/Hands.h"
#include "window/hiSimpleForm.h"

namespace hi {

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << ")";
}

}  // namespace hi

namespace hi::test {

// An input point that keeps every value (with its chain) and the thread it ran on.
struct Probe : Element {
  std::vector<std::vector<TData>> chains;
  std::vector<std::thread::id> threads;
  std::function<void(TData&)> action;

  void doIn(TData& d) {
    std::vector<TData> chain;
    for (const TData* p = &d; p != nullptr; p = p->next) {
      TData copy = *p;
      copy.next = nullptr;
      chain.push_back(copy);
      if (p->type == dtNull) break;
    }
    chains.push_back(chain);
    threads.push_back(std::this_thread::get_id());
    if (action) action(d);
  }
  EventPoint point() { return makeEventPoint<&Probe::doIn>(0, this); }
  std::size_t count() const { return chains.size(); }
  const TData& last() const { return chains.back().front(); }
};

// A data output that answers a fixed value.
struct Source : Element {
  TData value;
  int reads = 0;
  void get(TData& d) {
    ++reads;
    d = value;
  }
  EventPoint point() { return makeEventPoint<&Source::get>(0, this); }
};

// Where a control, or the window, stands when it is created.
inline void place(WinBase& w, int left, int top, int width, int height) {
  w.Left = left;
  w.Top = top;
  w.Width = width;
  w.Height = height;
}
inline void sizeTo(WinBase& w, int width, int height) {
  w.Width = width;
  w.Height = height;
}

// The properties of the program's main window: 616 x 162 (client 610 x 137) at 200, 200,
// a fixed single frame, the button face colour and flat controls.
inline void mainWindowProperties(THISimpleForm& form) {
  place(form, 200, 200, 616, 162);
  form.BorderStyle = 1;
  form.Color = 0xFF00000F;
  form.Frame3D = 1;
}

// A live runtime and the main window, created and shown.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mainWindowProperties(form);
    form.init();
    enableRuntime();
    form.driver()->setVisible(true);
  }
  void TearDown() override { disableRuntime(); }

  THISimpleForm form;
};

}  // namespace hi::test
