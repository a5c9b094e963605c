// The window tests run inside one Qt application whose GUI thread is the graph's home thread.
#include "tests/support/GuiTestMain.h"

int main(int argc, char** argv) {
  return hi::test::runGuiTests(argc, argv, &hi::installWindowSeams);
}
