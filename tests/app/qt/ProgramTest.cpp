// The program binary itself, started as a user starts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/ChildProcess.h"

namespace {

// Takes a variable out of this process's environment for the scope's lifetime.
class WithoutVariable {
 public:
  explicit WithoutVariable(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) saved_ = v;
    unsetenv(name);
  }
  ~WithoutVariable() {
    if (saved_) setenv(name_, saved_->c_str(), 1);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// An X display number that no server serves on this machine: neither its lock file nor its
// socket exists (another server may start beside the test, but not under a lock it cannot take).
std::string unservedDisplay() {
  for (int n = 99; n < 1000; ++n) {
    const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    if (::access(lock.c_str(), F_OK) != 0 && ::access(socket.c_str(), F_OK) != 0)
      return ":" + std::to_string(n);
  }
  return {};
}

}  // namespace

TEST(Program, WithoutADisplayOrWithOneItCannotReachItSaysSoInOneLine) {
  WithoutVariable platform("QT_QPA_PLATFORM"), x11("DISPLAY"), wayland("WAYLAND_DISPLAY");
  const std::string unserved = unservedDisplay();
  ASSERT_FALSE(unserved.empty());
  for (const std::string& display : {std::string(), unserved}) {
    SCOPED_TRACE(display);
    // A stale forwarding names a display that no server answers.
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    hi::test::ChildProcess program(TORMISAPLEX_UPLOADER_BINARY, {});
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.wait(std::chrono::seconds(20)), 2);
    const std::string error = program.errorText();
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
  }
}

// With or without a display, --version answers at once and opens no window.
TEST(Program, VersionPrintsTheProjectVersionAndExits) {
  const std::string expected = "tormisaplex-uploader " TORMISAPLEX_PROJECT_VERSION;
  for (const bool withDisplay : {true, false}) {
    std::optional<WithoutVariable> platform, x11, wayland;
    if (!withDisplay) {
      platform.emplace("QT_QPA_PLATFORM");
      x11.emplace("DISPLAY");
      wayland.emplace("WAYLAND_DISPLAY");
    }
    hi::test::ChildProcess program(TORMISAPLEX_UPLOADER_BINARY, {"--version"});
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.line(std::chrono::seconds(20)), expected) << "display: " << withDisplay;
    EXPECT_EQ(program.wait(std::chrono::seconds(20)), 0) << "display: " << withDisplay;
    EXPECT_EQ(program.errorText(), "") << "display: " << withDisplay;
  }
}

TEST(Program, AMistypedPortMapIsOneLineOnStandardError) {
  const std::string missing = "/nonexistent/tormisaplex-ports";
  setenv("TORMISAPLEX_PORTS", missing.c_str(), 1);
  hi::test::ChildProcess program(TORMISAPLEX_UPLOADER_BINARY, {});
  unsetenv("TORMISAPLEX_PORTS");
  ASSERT_TRUE(program.started());
  // Qt may have its own say first; the program's line names the variable and the path.
  std::string line;
  int mentions = 0;
  while (!(line = program.errorLine(std::chrono::seconds(30))).empty()) {
    if (line.find("TORMISAPLEX_PORTS") == std::string::npos) continue;
    ++mentions;
    EXPECT_EQ(line, "tormisaplex-uploader: TORMISAPLEX_PORTS=" + missing +
                        " is not a readable directory (No such file or directory); no ports are "
                        "listed");
    break;
  }
  EXPECT_EQ(mentions, 1);
}
