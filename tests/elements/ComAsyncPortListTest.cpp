// The serial element's port list after the start: listed again on request, followed while
// adapters come and go, and a device that vanishes under the open port.
#include <unistd.h>

#include "platform/PortWatch.h"
#include "runtime/EventGate.h"
#include "tests/elements/ComAsyncFixture.h"
#include "tests/support/OpenWatch.h"

using hi::test::ComAsyncPty;

namespace {

using Log = std::vector<std::string>;

void refresh(hi::THIComAsync& com) {
  hi::TData none;
  com.doRefreshPorts(none, 5);
}

void enumPorts(hi::THIComAsync& com) {
  hi::TData none;
  com.doEnumPorts(none, 4);
}

// Lets an event that another thread runs in the graph end.
void settle() {
  hi::EventScope quiet;
}

}  // namespace

TEST_F(ComAsyncPty, RefreshFiresTheWholeListOpensNoneAndKeepsTheOpenPort) {
  hi::test::PseudoTerminal first;
  ASSERT_TRUE(ports.link(1, first.slavePath()));
  ASSERT_TRUE(ports.link(2, "/nonexistent/device"));  // CheckPorts leaves it out
  hi::test::openPort(com, "COM3");
  log.take();
  hi::test::OpenWatch watch;
  ASSERT_TRUE(watch.watch(first.slavePath()));
  ASSERT_TRUE(watch.watch(pty.slavePath()));

  refresh(com);
  EXPECT_EQ(log.take(), (Log{"PortList COM1\r\nCOM3"}));
  EXPECT_EQ(watch.opens(), 0);
  EXPECT_TRUE(com.isOpen());

  ::setenv("TORMISAPLEX_PORTS", (ports.path() + "/missing").c_str(), 1);
  refresh(com);
  EXPECT_EQ(log.take(), (Log{"PortList ", "ErrorText TORMISAPLEX_PORTS: нет такой папки."}));
}

TEST_F(ComAsyncPty, WhileFollowingOnlyAChangedListIsReportedUntilStopped) {
  com.WatchPorts = 1;
  enumPorts(com);
  EXPECT_EQ(log.take(), (Log{"PortName COM3"}));
  ASSERT_TRUE(com.watchingPorts());

  hi::test::PseudoTerminal adapter;
  ASSERT_TRUE(ports.link(5, adapter.slavePath()));  // plugged in: the system tells
  ASSERT_TRUE(log.waitFor("PortList COM3\r\nCOM5"));
  settle();
  EXPECT_EQ(log.take(), (Log{"PortList COM3\r\nCOM5"}));

  ASSERT_TRUE(ports.add("notes", "/dev/null"));  // no port: the list stays as it was
  hi::reportDevicesChanged();
  EXPECT_EQ(log.take(), Log{});

  ASSERT_EQ(::unlink((ports.path() + "/COM5").c_str()), 0);
  hi::reportDevicesChanged();
  ASSERT_TRUE(log.waitFor("PortList COM3"));
  settle();
  EXPECT_EQ(log.take(), (Log{"PortList COM3"}));  // once, whoever told first

  hi::TData none;
  com.doStopWatch(none, 6);
  EXPECT_FALSE(com.watchingPorts());
  ASSERT_TRUE(ports.link(6, adapter.slavePath()));
  hi::reportDevicesChanged();
  EXPECT_EQ(log.take(), Log{});
}

TEST_F(ComAsyncPty, AVanishingOpenPortSaysSoAndLeavesTheListUnlessItIsLocked) {
  hi::test::PseudoTerminal other;
  ASSERT_TRUE(ports.link(4, other.slavePath()));
  com.WatchPorts = 1;
  enumPorts(com);
  hi::test::openPort(com, "COM3");
  log.take();

  pty.closeMaster();
  // The reader tells, and so may the watch: the list is reported once.
  ASSERT_TRUE(log.waitFor("ErrorText COM3: устройство отключено от компьютера."));
  ASSERT_TRUE(log.waitFor("PortList COM4"));
  settle();
  Log seen = log.take();
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (Log{"ErrorText COM3: устройство отключено от компьютера.", "PortList COM4"}));
  EXPECT_TRUE(com.isOpen());  // only the graph closes it

  hi::test::closePort(com);
  hi::test::openPort(com, "COM4");
  hi::TData none;
  com.doStopWatch(none, 6);
  log.take();
  other.closeMaster();
  ASSERT_TRUE(log.waitFor("ErrorText COM4: устройство отключено от компьютера."));
  settle();
  EXPECT_EQ(log.take(), (Log{"ErrorText COM4: устройство отключено от компьютера."}));
}
