// The window tests without a display: the test thread is the graph's home thread.
#include "tests/support/WindowTestMain.h"
#include "window/SystemDriver.h"

int main(int argc, char** argv) {
  return hi::test::runWindowTests(argc, argv, &hi::installWindowSeams);
}
