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
#include "tests/support/Probes.h"
#include "window/hiSimpleForm.h"

namespace hi {

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << ")";
}

}  // namespace hi

namespace hi::test {

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
