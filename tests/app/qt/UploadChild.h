// The Qt app tests' binary started again as a separate program: it runs the uploader on the
// display it is given, chooses COM1, presses «Записать», says "uploading" on standard
// output and runs the message loop, so that a test can take the display away mid-upload.
#pragma once

namespace hi::test {

inline constexpr const char* kChildVariable = "TORMISAPLEX_TEST_CHILD";

int runUploadingChild(int argc, char** argv);

}  // namespace hi::test
