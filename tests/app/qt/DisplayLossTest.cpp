// The program as a separate process on a display that goes away.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/app/EndToEndSupport.h"
#include "tests/app/qt/UploadChild.h"
#include "tests/support/ChildProcess.h"

using namespace hi;
using namespace hi::test;

namespace {

std::string ownBinary() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

TEST_F(EndToEnd, LosingTheDisplayMidUploadEndsTheProgramWithCode1AndFreesThePort) {
  // An X server of our own, on a display number it picks and tells us when it is ready.
  ChildProcess xserver("/usr/bin/Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
  ASSERT_TRUE(xserver.started());
  const std::string display = xserver.line(kLong);
  ASSERT_FALSE(display.empty()) << xserver.errorText();

  startDevice();  // the reader thread carries a window call for every byte
  // The X11 platform starts threads of Qt's own (D-Bus), which a ThreadSanitizer build
  // cannot see into; this program is about how the process ends, so it reports no races.
  ChildProcess program(ownBinary(), {},
                       environmentWith({{kChildVariable, "1"},
                                        {"DISPLAY", ":" + display},
                                        {"QT_QPA_PLATFORM", ""},
                                        {"WAYLAND_DISPLAY", ""},
                                        {"TORMISAPLEX_PORTS", device->portsDir()},
                                        {"TSAN_OPTIONS", "report_bugs=0"}}));
  ASSERT_TRUE(program.started());
  const std::string said = program.line(kLong);
  if (said != "uploading") program.signal(SIGKILL);  // its error text ends only with it
  ASSERT_EQ(said, "uploading") << program.errorText();
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.imageBytes >= 2048; }));

  xserver.signal(SIGKILL);
  const int status = program.wait(kLong);
  if (status == -1) program.signal(SIGKILL);  // hung: its error text ends only with it
  EXPECT_EQ(status, 1) << program.errorText();
  // The device sees its line closed (the lock goes with the last descriptor).
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.finished; }));
  EXPECT_EQ(report().cause, devsim::EndCause::PortClosed);
  EXPECT_FALSE(report().device.pusk);
}
