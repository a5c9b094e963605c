// The window tests on Qt: one application whose GUI thread is the graph's home thread.
#include <QByteArray>
#include <QtGlobal>

#include "tests/support/WindowTestMain.h"
#include "window/SystemDriver.h"

int main(int argc, char** argv) {
  // Off screen, when started by hand too, unless a platform is named.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return hi::test::runWindowTests(argc, argv, &hi::installWindowSeams);
}
