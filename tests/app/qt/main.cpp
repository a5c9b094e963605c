// The program's tests on Qt: one application whose GUI thread is the graph's home thread,
// with the seams the program installs. Started with TORMISAPLEX_TEST_CHILD set, the binary is
// instead the uploading program that a test runs beside itself; with TORMISAPLEX_LAB_WINDOW,
// the lab's user of the window (tools/lab).
#include <QByteArray>
#include <QtGlobal>

#include <cstdlib>

#include "app/Uploader.h"
#include "tests/app/qt/LabWindow.h"
#include "tests/app/qt/UploadChild.h"
#include "tests/support/WindowTestMain.h"

int main(int argc, char** argv) {
  if (const char* task = std::getenv(hi::test::kLabWindowVariable)) {
    return hi::test::runLabWindow(task, argc, argv);
  }
  if (std::getenv(hi::test::kChildVariable) != nullptr) {
    return hi::test::runUploadingChild(argc, argv);
  }
  // Off screen, when started by hand too, unless a platform is named.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return hi::test::runWindowTests(argc, argv, &hi::installProgramSeams);
}
