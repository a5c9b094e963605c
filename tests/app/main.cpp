// The program's tests run inside one Qt application whose GUI thread is the graph's home
// thread, with the seams the program installs. Started with TORMISAPLEX_TEST_CHILD set, the
// binary is instead the uploading program that a test runs beside itself.
#include <cstdlib>

#include "app/Uploader.h"
#include "tests/app/UploadChild.h"
#include "tests/support/GuiTestMain.h"

int main(int argc, char** argv) {
  if (std::getenv(hi::test::kChildVariable) != nullptr) {
    return hi::test::runUploadingChild(argc, argv);
  }
  return hi::test::runGuiTests(argc, argv, &hi::installProgramSeams);
}
