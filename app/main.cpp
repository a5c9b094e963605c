// The program entry of tormisaplex-uploader.
#include <cstdio>
#include <string_view>

#include "app/Journal.h"
#include "app/Uploader.h"
#include "app/VersionOption.h"
#include "platform/ConsoleOutput.h"
#include "platform/StateFolder.h"

namespace {

bool asksFor(int argc, char** argv, std::string_view option) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && option == argv[i]) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (hi::asksForVersion(argc, argv)) {
    hi::attachParentConsole();
    std::fputs(hi::versionText().c_str(), stdout);
    return 0;
  }
  // Answered before the toolkit, as --version: a technician asked for the folder may have no
  // display at hand.
  if (asksFor(argc, argv, "--journal")) {
    hi::attachParentConsole();
    std::fputs(hi::journalSummary(hi::JournalFolder(hi::recorderFolder()), 10).c_str(), stdout);
    return 0;
  }
  return hi::runUploader(argc, argv);
}
