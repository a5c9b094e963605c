#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/StateFolder.h"

// The records' folder follows the XDG rules, and no record carries the home folder's name.
TEST(StateFolder, XdgRulesAndTheHomeFolderLeftOut) {
  const char* savedHome = std::getenv("HOME");
  const std::string home = savedHome != nullptr ? savedHome : "";
  setenv("HOME", "/home/ivan", 1);
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(hi::recorderFolder(), "/home/ivan/.local/state/tormisaplex");
  setenv("XDG_STATE_HOME", "relative/state", 1);  // invalid: ignored
  EXPECT_EQ(hi::recorderFolder(), "/home/ivan/.local/state/tormisaplex");
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(hi::recorderFolder(), "/var/state/tormisaplex");
  unsetenv("XDG_STATE_HOME");

  EXPECT_EQ(hi::withoutHomeFolder("/home/ivan/ports/COM1"), "~/ports/COM1");
  EXPECT_EQ(hi::withoutHomeFolder("/home/ivanov/ports/COM1"), "/home/ivanov/ports/COM1");
  EXPECT_EQ(hi::withoutHomeFolder("/dev/ttyUSB0"), "/dev/ttyUSB0");
  setenv("HOME", home.c_str(), 1);
}
