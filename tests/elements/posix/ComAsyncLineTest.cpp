// The line settings as the kernel holds them after an open. TCGETS2 on the master end of a
// pseudo-terminal reports the slave's settings, so the test reads them from its own end.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "tests/elements/posix/ComAsyncFixture.h"

using hi::test::ComAsyncPty;

namespace {

termios2 lineSettings(int fd) {
  termios2 t{};
  EXPECT_EQ(::ioctl(fd, TCGETS2, &t), 0);
  return t;
}

}  // namespace

TEST_F(ComAsyncPty, OpensRawAtExactly38462Baud8N1) {
  hi::test::openPort(com, "COM3");
  ASSERT_TRUE(com.isOpen());
  const termios2 t = lineSettings(pty.master());
  EXPECT_EQ(t.c_ospeed, 38462u);
  EXPECT_EQ(t.c_ispeed, 38462u);
  EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | INPCK | PARMRK), 0u);

  // Raw in practice too: CR, LF, ^C and ^D come through untouched and nothing echoes.
  std::string got;
  struct Sink {
    std::string* got;
    void take(hi::TData& d) { *got += d.text; }
  } sink{&got};
  com.onRead = hi::makeEventPoint<&Sink::take>(0, &sink);
  const std::string special("\r\n\x03\x04\x11\x13", 6);
  ASSERT_TRUE(pty.write(special));
  ASSERT_TRUE(hi::test::eventually([&] {
    hi::TData n = hi::makeInteger(100);
    com.doRead(n, 3);
    return got.size() >= special.size();
  }));
  EXPECT_EQ(got, special);
  EXPECT_EQ(pty.read(1, std::chrono::milliseconds(100)), "");  // no echo
}

TEST_F(ComAsyncPty, OtherLineSettingsReachTheDriver) {
  com.Baud = 9600;
  com.DataBits = 2;  // 7 data bits
  com.Parity = 1;    // odd
  com.StopBits = 2;
  com.ParityCheck = 1;
  com.InX = 1;
  com.OutX = 1;
  com.XonChar = 0x21;
  com.XoffChar = 0x23;
  com.CtsFlow = 1;
  hi::test::openPort(com, "COM3");
  ASSERT_TRUE(com.isOpen());
  const termios2 t = lineSettings(pty.master());
  EXPECT_EQ(t.c_ospeed, 9600u);
  // The pseudo-terminal driver forces 8 data bits without parity; the rest it keeps.
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));
  EXPECT_EQ(t.c_cc[VSTART], 0x21);
  EXPECT_EQ(t.c_cc[VSTOP], 0x23);
}

TEST_F(ComAsyncPty, APurgeDropsWhatWasReceivedAndNotRead) {
  using hi::test::EventLog;
  com.onRxChar = hi::makeEventPoint<&EventLog::record>(EventLog::RxChar, &log);
  com.onRead = hi::makeEventPoint<&EventLog::record>(EventLog::Read, &log);
  hi::test::openPort(com, "COM3");
  ASSERT_TRUE(pty.write("stale"));
  ASSERT_TRUE(log.waitFor("RxChar 5"));  // waiting, not read
  hi::TData none;
  com.doPurge(none, 5);
  ASSERT_TRUE(pty.write("new"));
  ASSERT_TRUE(log.waitFor("RxChar 3"));
  hi::TData n = hi::makeInteger(100);
  com.doRead(n, 3);
  EXPECT_TRUE(log.waitFor("Read new"));
}
