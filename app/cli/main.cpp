// The program entry of tormisaplex-upload.
#include "app/cli/Program.h"

int main(int argc, char** argv) {
  return hi::cli::runTwin(argc, argv);
}
