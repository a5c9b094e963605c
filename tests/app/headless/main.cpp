// The program's tests without a display: the test thread is the graph's home thread,
// with the seams the program installs.
#include "app/Uploader.h"
#include "tests/support/WindowTestMain.h"

int main(int argc, char** argv) {
  return hi::test::runWindowTests(argc, argv, &hi::installProgramSeams);
}
