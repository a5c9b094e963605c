// The main() of a window or program test binary, whatever realisation of the window layer
// it links: the toolkit, the seams the binary's code expects, the calling thread as the
// home thread, every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "window/SystemDriver.h"

namespace hi::test {

inline int runWindowTests(int argc, char** argv, void (*installSeams)()) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string error;
  const auto toolkit = openToolkit(argc, argv, error);
  if (!toolkit) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  installSeams();
  HomeThread home;
  return RUN_ALL_TESTS();
}

}  // namespace hi::test
