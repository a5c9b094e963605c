// The program entry of tormisaplex-uploader.
#include <cstdio>

#include "app/Uploader.h"
#include "app/VersionOption.h"
#include "platform/ConsoleOutput.h"

int main(int argc, char** argv) {
  if (hi::asksForVersion(argc, argv)) {
    hi::attachParentConsole();
    std::fputs(hi::versionText().c_str(), stdout);
    return 0;
  }
  return hi::runUploader(argc, argv);
}
