// The program entry of tormisaplex-uploader.
#include "app/Uploader.h"

int main(int argc, char** argv) {
  return hi::runUploader(argc, argv);
}
