// The program on an X server of its own, driven by xdotool as a technician's keyboard and
// mouse: real input events, through the X server and Qt, with no window manager.
#include <unistd.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/EndToEndSupport.h"
#include "tests/support/ChildProcess.h"

using namespace hi;
using namespace hi::test;

namespace {

constexpr const char* kXdotool = "/usr/bin/xdotool";
// How long a choice may take to reach the device; a choice that went nowhere fails then.
constexpr auto kChoice = 60s;

class RealInput : public EndToEnd {
 protected:
  void SetUp() override {
    ASSERT_EQ(::access(kXdotool, X_OK), 0) << "xdotool is missing: make deps";
    // A display number the server picks itself and tells when it is ready.
    xserver.emplace("/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-nolisten",
                                                              "tcp", "-screen", "0", "800x600x24"});
    ASSERT_TRUE(xserver->started());
    const std::string number = xserver->line(kLong);
    ASSERT_FALSE(number.empty()) << xserver->errorText();
    display = ":" + number;
  }
  void TearDown() override {
    program.reset();
    EndToEnd::TearDown();
  }

  // The program against a fresh device; its window shown and given the keyboard, as a window
  // manager gives it to a new window.
  void startOnDisplay() {
    startDevice();
    program.emplace(TORMISAPLEX_UPLOADER_BINARY, std::vector<std::string>{},
                    environmentWith({{"DISPLAY", display},
                                     {"QT_QPA_PLATFORM", ""},
                                     {"WAYLAND_DISPLAY", ""},
                                     {"TORMISAPLEX_PORTS", device->portsDir()},
                                     {"TSAN_OPTIONS", "report_bugs=0"}}));
    ASSERT_TRUE(program->started());
    window = xdo({"search", "--sync", "--onlyvisible", "--name", "Tormisaplex bootloader"});
    ASSERT_FALSE(window.empty());
    xdo({"windowfocus", "--sync", window});
  }

  // Runs xdotool on the display; its first line of output.
  std::string xdo(const std::vector<std::string>& args) {
    ChildProcess x(kXdotool, args, environmentWith({{"DISPLAY", display}}));
    const std::string out = x.line(kLong);
    const int status = x.wait(kLong);
    EXPECT_EQ(status, 0) << "xdotool";
    return out;
  }
  void keys(const std::vector<std::string>& names) {
    std::vector<std::string> args{"key", "--delay", "50"};
    args.insert(args.end(), names.begin(), names.end());
    xdo(args);
  }
  // A click at a point of the window's client area.
  void click(int x, int y) {
    xdo({"mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y)});
    xdo({"click", "1"});
  }

  bool deviceAsked() {
    return waitForDevice([](const devsim::Report& r) { return r.device.versQueries > 0; }, kChoice);
  }
  bool deviceIdentified() {
    return waitForDevice([](const devsim::Report& r) { return r.device.answers > 0; }, kChoice);
  }

  std::optional<ChildProcess> xserver;
  std::optional<ChildProcess> program;
  std::string display;
  std::string window;
};

}  // namespace

TEST_F(RealInput, KeysOnTheClosedPortBoxChooseFromTheStart) {
  // The port box has the focus at start: no click first. Down shows COM1, Enter takes it.
  startOnDisplay();
  keys({"Down", "Return"});
  EXPECT_TRUE(deviceAsked());
  // «Записать» has the focus once the program has judged the answer: Space starts the
  // upload. The program judges a moment after the device answered, so Space is pressed
  // until it does (before, it goes to the port box, and chooses nothing).
  ASSERT_TRUE(deviceIdentified());
  bool started = false;
  for (int i = 0; i < 60 && !started; ++i) {
    keys({"space"});
    started = waitForDevice([](const devsim::Report& r) { return r.device.imageBytes > 0; }, 1s);
  }
  EXPECT_TRUE(started);
}

TEST_F(RealInput, ATypedNameAndEnterChoose) {
  startOnDisplay();
  keys({"C", "O", "M", "1", "Return"});
  EXPECT_TRUE(deviceAsked());
}

TEST_F(RealInput, KeysInTheOpenListChoose) {
  startOnDisplay();
  keys({"alt+Down", "End", "Return"});
  EXPECT_TRUE(deviceAsked());
}

TEST_F(RealInput, TheMouseInTheOpenListChooses) {
  startOnDisplay();
  // The box's arrow, at its right end (the box: 10, 10, 85 x 24), then the list's first item,
  // just below the box.
  click(10 + 85 - 8, 10 + 12);
  click(10 + 30, 10 + 24 + 9);
  EXPECT_TRUE(deviceAsked());
}
