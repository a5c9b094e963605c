#include "app/VersionOption.h"

#include <string_view>

#include "tormisaplex/Version.h"

namespace hi {

bool asksForVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::string_view(argv[i]) == "--version") return true;
  }
  return false;
}

std::string versionText() {
  return std::string("tormisaplex-uploader ") + TORMISAPLEX_VERSION + "\n";
}

}  // namespace hi
