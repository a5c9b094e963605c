// `--version`: the program prints its name and version and exits. The entry answers it before
// the window toolkit starts, so that it works without a display (in scripts, over ssh).
#pragma once

#include <string>

namespace hi {

// Whether any argument after the program's name is exactly "--version".
bool asksForVersion(int argc, char** argv);

// "tormisaplex-uploader <version>" and a line end.
std::string versionText();

}  // namespace hi
