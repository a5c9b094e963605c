#include <gtest/gtest.h>

#include <sys/file.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/SerialPort.h"
#include "tests/platform/SerialPortSupport.h"
#include "tests/support/PseudoTerminal.h"

using namespace hi;
using namespace hi::test;  // the serial port tests' helpers
using namespace std::chrono_literals;

namespace {

// The line discipline takes a moment to hand bytes from the master to the slave's queue.
bool waitForQueued(SerialPort& port, std::uint32_t count) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  hi::CommStatus st;
  while (std::chrono::steady_clock::now() < deadline) {
    if (port.clearError(st).ok() && st.inQueue >= count) return true;
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

class SerialPortPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(ports.link(7, pty.slavePath()));
  }

  std::unique_ptr<SerialPort> openConfigured(std::uint32_t mask = hi::LineEvent::RxChar) {
    auto opened = SerialPort::open("COM7");
    EXPECT_TRUE(opened.port) << opened.failure.error;
    if (!opened.port) return nullptr;
    EXPECT_TRUE(opened.port->setLineSettings(uploaderLine()).ok());
    EXPECT_TRUE(opened.port->setTimeouts(immediateReads()).ok());
    EXPECT_TRUE(opened.port->setEventMask(mask).ok());
    // Setting the mask ends a pending wait; there was none, so take the wake-up now.
    EXPECT_EQ(opened.port->waitEvent().status, WaitStatus::Woken);
    return std::move(opened.port);
  }

  hi::test::PseudoTerminal pty;
  hi::test::PortsDirectory ports;
};

}  // namespace

TEST_F(SerialPortPty, OpensByNameExclusivelyUntilClosed) {
  auto first = SerialPort::open("com7");
  ASSERT_TRUE(first.port) << first.failure.error;
  EXPECT_EQ(first.failure.kind, hi::OpenFailureKind::None);
  const auto second = SerialPort::open("COM7");
  EXPECT_EQ(second.failure.kind, hi::OpenFailureKind::Busy);
  EXPECT_EQ(second.failure.error, EBUSY);
  EXPECT_TRUE(second.failure.holder.thisProgram);

  first.port->close();
  EXPECT_TRUE(SerialPort::open("COM7").port);
}

TEST_F(SerialPortPty, SetsTheExactRateAndRejectsImpossibleSettings) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  EXPECT_EQ(port->actualBaudRate(), 38462u);
  hi::LineSettings bad = uploaderLine();
  bad.byteSize = 9;
  EXPECT_EQ(port->setLineSettings(bad).error, EINVAL);
  bad = uploaderLine();
  bad.baudRate = 0;
  EXPECT_EQ(port->setLineSettings(bad).error, EINVAL);
  // Pseudo-terminals have neither modem lines nor error counters: the query fails, the
  // error status still works and reports nothing.
  std::uint32_t modem = 0;
  EXPECT_FALSE(port->modemStatus(modem).ok());
  hi::CommStatus st;
  EXPECT_TRUE(port->clearError(st).ok());
  EXPECT_EQ(st.errors, 0u);
}

TEST_F(SerialPortPty, ReportsEachArrivalOnceAndReadsWhatIsWaiting) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  std::string got;
  EXPECT_TRUE(port->read(got, 10).ok);  // nothing waits: returns at once, empty
  EXPECT_EQ(got, "");

  ASSERT_TRUE(pty.write("a"));
  WaitResult w = port->waitEvent();
  EXPECT_EQ(w.status, WaitStatus::Events);
  EXPECT_EQ(w.events, hi::LineEvent::RxChar);
  // More bytes arrive before the read takes them all: they belong to this report and must
  // not raise a second, empty one.
  ASSERT_TRUE(pty.write(std::string("b\0c", 3)));
  ASSERT_TRUE(waitForQueued(*port, 4));
  const hi::IoResult r = port->read(got, 100);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(got, std::string("ab\0c", 4));

  auto pending = waitAsync(*port);
  EXPECT_EQ(pending.wait_for(200ms), std::future_status::timeout);
  ASSERT_TRUE(pty.write("d"));
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get().events, hi::LineEvent::RxChar);

  // Bytes nobody reads are reported once, not again on every wait.
  pending = waitAsync(*port);
  EXPECT_EQ(pending.wait_for(200ms), std::future_status::timeout);
  port->wake();
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Woken);
  got.clear();
  port->read(got, 1);
  EXPECT_EQ(got, "d");
}

TEST_F(SerialPortPty, ClearingTheMaskEndsAPendingWait) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  auto pending = waitAsync(*port);
  port->setEventMask(0);
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Woken);
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Failed);  // no mask, nothing to wait for
}

TEST_F(SerialPortPty, PurgeDiscardsInputWithoutLosingLaterArrivals) {
  auto port = openConfigured();
  ASSERT_TRUE(pty.write("old"));
  ASSERT_TRUE(waitForQueued(*port, 3));
  ASSERT_TRUE(port->purge(hi::Purge::RxClear | hi::Purge::RxAbort).ok());
  ASSERT_TRUE(pty.write("n"));
  const WaitResult w = port->waitEvent();
  EXPECT_EQ(w.events, hi::LineEvent::RxChar);
  std::string got;
  port->read(got, 10);
  EXPECT_EQ(got, "n");
}

TEST_F(SerialPortPty, AWriteThatCannotProceedEndsAtItsDeadline) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  // Nobody reads the other end: the pseudo-terminal's buffers fill and the write must end
  // at its deadline instead of hanging.
  hi::Timeouts t = immediateReads(200);
  t.writeTotalMultiplier = 0;
  ASSERT_TRUE(port->setTimeouts(t).ok());
  const std::string big(4 << 20, 'x');
  const hi::IoResult stuck = port->write(big.data(), big.size());
  EXPECT_FALSE(stuck.ok);
  EXPECT_EQ(stuck.error, ETIMEDOUT);
  EXPECT_LT(stuck.count, big.size());
}

TEST_F(SerialPortPty, AbortEndsAStalledWriteAndAWaitingReadButNoLaterTransfer) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  // No deadlines: a stalled driver, and a read that waits for bytes that never come.
  hi::Timeouts t;
  t.readInterval = 0;
  t.readTotalConstant = 600000;
  ASSERT_TRUE(port->setTimeouts(t).ok());
  const std::string big(4 << 20, 'x');
  auto write = std::async(std::launch::async, [&] { return port->write(big.data(), big.size()); });
  auto read = std::async(std::launch::async, [&] {
    std::string got;
    return port->read(got, 10);
  });
  // Aborts until both ended: one may not have started waiting at the first.
  for (int i = 0; i < 3000; ++i) {
    port->abortTransfers();
    if (write.wait_for(10ms) == std::future_status::ready &&
        read.wait_for(0ms) == std::future_status::ready) {
      break;
    }
  }
  ASSERT_EQ(write.wait_for(0ms), std::future_status::ready);
  ASSERT_EQ(read.wait_for(0ms), std::future_status::ready);
  const hi::IoResult w = write.get(), r = read.get();
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.error, ECANCELED);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, ECANCELED);
  // An abort left over from those does not end the next transfer.
  hi::Timeouts quick = immediateReads();
  quick.readInterval = 0;
  quick.readTotalConstant = 10000;
  ASSERT_TRUE(port->setTimeouts(quick).ok());
  ASSERT_TRUE(pty.write("ok"));
  std::string got;
  const hi::IoResult after = port->read(got, 2);
  EXPECT_TRUE(after.ok);
  EXPECT_EQ(got, "ok");
}

TEST_F(SerialPortPty, ClosedMasterEndsTheWaitAsVanished) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  auto pending = waitAsync(*port);
  pty.closeMaster();
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Vanished);
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Vanished);  // at once, not a hang
  std::string got;
  EXPECT_FALSE(port->read(got, 10).ok);
}

TEST_F(SerialPortPty, MasterEndDeliversLastBytesThenSeesTheSlaveGo) {
  // Bytes written just before the other end goes are delivered before the loss is reported.
  // The master end shows it: its POLLHUP stays set once the slave is closed.
  auto adopted = SerialPort::adopt(::dup(pty.master()));
  ASSERT_TRUE(adopted.port);
  SerialPort& master = *adopted.port;
  ASSERT_TRUE(master.setTimeouts(immediateReads()).ok());
  ASSERT_TRUE(master.setEventMask(hi::LineEvent::RxChar).ok());
  EXPECT_EQ(master.waitEvent().status, WaitStatus::Woken);

  const int slave = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  ASSERT_EQ(::write(slave, "hi", 2), 2);
  ::close(slave);

  WaitResult w = master.waitEvent();
  ASSERT_EQ(w.status, WaitStatus::Events);
  std::string got;
  master.read(got, 10);
  EXPECT_EQ(got, "hi");
  w = master.waitEvent();
  EXPECT_EQ(w.status, WaitStatus::Vanished);
}
