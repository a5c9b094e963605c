// The program's tests run inside one Qt application whose GUI thread is the graph's home
// thread, with the seams the program installs.
#include "app/Uploader.h"
#include "tests/support/GuiTestMain.h"

int main(int argc, char** argv) {
  return hi::test::runGuiTests(argc, argv, &hi::installProgramSeams);
}
