// The program's tests run inside one Qt application whose GUI thread is the graph's home
// thread, with the seams the program installs.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Uploader.h"
#include "window/Toolkit.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  hi::installProgramSeams();
  int result = 0;
  {
    hi::GuiHomeThread home;
    result = RUN_ALL_TESTS();
  }
  return result;
}
