// The main() of a test binary whose tests run inside one Qt application, with its GUI thread
// as the graph's home thread.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "window/Toolkit.h"

namespace hi::test {

// Starts the application (off screen unless QT_QPA_PLATFORM says otherwise), installs the
// seams the binary's code expects and runs every test.
inline int runGuiTests(int argc, char** argv, void (*installSeams)()) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  installSeams();
  int result = 0;
  {
    GuiHomeThread home;
    result = RUN_ALL_TESTS();
  }
  return result;
}

}  // namespace hi::test
