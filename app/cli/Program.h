// tormisaplex-upload: the window program's twin for scripts and production benches.
#pragma once

namespace hi::cli {

// The whole program; returns its exit code.
int runTwin(int argc, char** argv);

}  // namespace hi::cli
