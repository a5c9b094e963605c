// The serial element's port list after the start: followed while adapters come and go, and
// listed again on request.
#include <unistd.h>

#include "platform/PortWatch.h"
#include "runtime/EventGate.h"
#include "tests/elements/posix/ComAsyncFixture.h"

using hi::test::ComAsyncPty;
using Log = std::vector<std::string>;

TEST_F(ComAsyncPty, FollowingReportsAChangedListUntilStoppedARefreshAlwaysReports) {
  hi::TData none;
  com.WatchPorts = 1;
  com.doEnumPorts(none, 4);
  EXPECT_EQ(log.take(), (Log{"PortName COM3"}));

  hi::test::PseudoTerminal adapter;
  ASSERT_TRUE(ports.link(5, adapter.slavePath()));  // plugged in: the system tells
  ASSERT_TRUE(log.waitFor("PortList COM3\r\nCOM5"));
  { hi::EventScope quiet; }  // the watch's event has ended
  EXPECT_EQ(log.take(), (Log{"PortList COM3\r\nCOM5"}));

  ASSERT_TRUE(ports.add("notes", "/dev/null"));  // no port: the list stays as it was
  hi::reportDevicesChanged();
  EXPECT_EQ(log.take(), Log{});
  com.doRefreshPorts(none, 6);
  EXPECT_EQ(log.take(), (Log{"PortList COM3\r\nCOM5"}));

  com.doStopWatch(none, 7);
  EXPECT_FALSE(com.watchingPorts());
  ASSERT_EQ(::unlink((ports.path() + "/COM5").c_str()), 0);
  hi::reportDevicesChanged();
  EXPECT_EQ(log.take(), Log{});

  ::setenv("TORMISAPLEX_PORTS", (ports.path() + "/missing").c_str(), 1);
  com.doRefreshPorts(none, 6);
  EXPECT_EQ(log.take(), (Log{"PortList ", "ErrorText TORMISAPLEX_PORTS: нет такой папки."}));
}
