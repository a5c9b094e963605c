// The window tests run inside one Qt application whose GUI thread is the graph's home thread.
#include <gtest/gtest.h>

#include <QApplication>

#include "window/Toolkit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  hi::installWindowSeams();
  int result = 0;
  {
    hi::GuiHomeThread home;
    result = RUN_ALL_TESTS();
  }
  return result;
}
