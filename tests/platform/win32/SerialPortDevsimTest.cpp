// The Win32 serial port against the device simulator on a COM port that Wine maps to a
// pseudo-terminal (run by tools/wine/devsim-session.sh; see tests/CMakeLists.txt).
#include <gtest/gtest.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <future>
#include <thread>

#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "tests/platform/SerialPortSupport.h"
#include "tests/support/Wine.h"

using namespace hi;
using namespace hi::test;  // the serial port tests' helpers
using namespace std::chrono_literals;

namespace {

// Reads as the serial element does: after each line event, exactly the bytes waiting.
std::string readReply(SerialPort& port, std::size_t size) {
  std::string got;
  while (got.size() < size) {
    const WaitResult w = port.waitEvent();
    if (w.status == WaitStatus::Woken) continue;
    if (w.status != WaitStatus::Events) break;
    hi::CommStatus st;
    if (!port.clearError(st).ok()) break;
    port.read(got, st.inQueue);
  }
  return got;
}

bool writeText(SerialPort& port, const std::string& text) {
  const hi::IoResult r = port.write(text.data(), text.size());
  return r.ok && r.count == text.size();
}

class DevsimPort : public ::testing::Test {
 protected:
  void SetUp() override {
    name = hi::test::devsimPort();
    ASSERT_FALSE(name.empty()) << "runs in a simulator session: tools/wine/devsim-session.sh";
  }

  std::unique_ptr<SerialPort> openConfigured(std::uint32_t mask = hi::LineEvent::RxChar) {
    auto opened = SerialPort::open(name);
    EXPECT_TRUE(opened.port) << name << ": error " << opened.failure.error;
    if (!opened.port) return nullptr;
    SerialPort& p = *opened.port;
    EXPECT_TRUE(p.purge(hi::Purge::All).ok());
    p.setQueueSizes(4096, 4096);
    EXPECT_TRUE(p.setLineSettings(uploaderLine()).ok());
    EXPECT_TRUE(p.setTimeouts(immediateReads()).ok());
    EXPECT_TRUE(p.setEventMask(mask).ok());
    // Setting the mask ends a pending wait; there was none, so take the wake-up now.
    EXPECT_EQ(p.waitEvent().status, WaitStatus::Woken);
    return std::move(opened.port);
  }

  std::string name;
};

using DevsimSerialPort = DevsimPort;
using DevsimHangUp = DevsimPort;

}  // namespace

TEST_F(DevsimSerialPort, SetsTheUploadersLineAndHearsTheDevice) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  if (hi::test::underWine()) {
    // Wine's serial driver knows only the standard termios rates and reads 38462 back as
    // 38400. Windows drivers report the rate they were given.
    EXPECT_TRUE(port->actualBaudRate() == 38462u || port->actualBaudRate() == 38400u)
        << port->actualBaudRate();
  } else {
    EXPECT_EQ(port->actualBaudRate(), 38462u);
  }
  std::uint32_t modem = 0;
  EXPECT_TRUE(port->modemStatus(modem).ok());

  std::string got;
  EXPECT_TRUE(port->read(got, 10).ok);  // nothing waits: returns at once, empty
  EXPECT_EQ(got, "");
  ASSERT_TRUE(writeText(*port, "VERS"));
  EXPECT_EQ(readReply(*port, 18), DevsimAnswer);

  hi::LineSettings bad = uploaderLine();
  bad.byteSize = 9;
  EXPECT_EQ(port->setLineSettings(bad).error, ERROR_INVALID_PARAMETER);
}

TEST_F(DevsimSerialPort, AWaitEndsByWakeOrByClearingTheMask) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  auto pending = waitAsync(*port);
  EXPECT_EQ(pending.wait_for(200ms), std::future_status::timeout);
  port->wake();
  ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Woken);

  pending = waitAsync(*port);
  EXPECT_EQ(pending.wait_for(200ms), std::future_status::timeout);
  ASSERT_TRUE(port->setEventMask(0).ok());
  ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Woken);
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Failed);  // no mask, nothing to wait for

  // A wake before the wait ends the next one at once.
  ASSERT_TRUE(port->setEventMask(hi::LineEvent::RxChar).ok());
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Woken);
  port->wake();
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Woken);
}

TEST_F(DevsimSerialPort, PurgeDiscardsWhatWaitsAndLaterArrivalsStillCome) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  ASSERT_TRUE(writeText(*port, "VERS"));
  hi::CommStatus st;
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (port->clearError(st).ok() && st.inQueue < 18 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(2ms);
  }
  ASSERT_EQ(st.inQueue, 18u);
  EXPECT_EQ(st.errors, 0u);
  ASSERT_TRUE(port->purge(hi::Purge::RxClear | hi::Purge::RxAbort).ok());
  ASSERT_TRUE(port->clearError(st).ok());
  EXPECT_EQ(st.inQueue, 0u);

  ASSERT_TRUE(writeText(*port, "VERS"));  // asked again before any image byte: answered again
  EXPECT_EQ(readReply(*port, 18), DevsimAnswer);
}

namespace {

// The listed port's access as assessed without opening it.
hi::PortAccess listedAccess(const std::string& name) {
  hi::PortList list = hi::serialPortList();
  hi::assessPortAccess(list.ports);
  const hi::PortEntry* entry = hi::findPort(list, name);
  return entry != nullptr ? entry->access : hi::PortAccess::Absent;
}

}  // namespace

TEST_F(DevsimSerialPort, AClosedPortRefusesEverythingUntilOpenedAgain) {
  EXPECT_EQ(listedAccess(name), hi::PortAccess::Unknown);
  auto port = openConfigured();
  ASSERT_TRUE(port);
  EXPECT_EQ(listedAccess(name), hi::PortAccess::Busy);  // held by this program
  if (!hi::test::underWine()) {
    // Windows opens a serial port for one handle at a time; Wine does not enforce that.
    const SerialPort::OpenResult second = SerialPort::open(name);
    EXPECT_EQ(second.failure.kind, hi::OpenFailureKind::Busy);
    EXPECT_EQ(second.failure.error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(second.failure.holder.thisProgram);
  }
  port->close();
  EXPECT_FALSE(port->isOpen());
  EXPECT_EQ(listedAccess(name), hi::PortAccess::Unknown);
  std::string got;
  EXPECT_TRUE(port->read(got, 1).closed);
  EXPECT_TRUE(port->write("V", 1).closed);
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Failed);
  EXPECT_FALSE(port->setEventMask(hi::LineEvent::RxChar).ok());
  port->wake();  // harmless once closed

  auto again = openConfigured();
  ASSERT_TRUE(again);
  ASSERT_TRUE(writeText(*again, "VERS"));
  EXPECT_EQ(readReply(*again, 18), DevsimAnswer);
}

TEST_F(DevsimSerialPort, AbortEndsAReadThatWaitsForBytesThatNeverCome) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  hi::Timeouts waits = immediateReads();
  waits.readInterval = 0;
  waits.readTotalConstant = 600000;  // as good as for ever: the device says nothing unasked
  ASSERT_TRUE(port->setTimeouts(waits).ok());
  auto read = std::async(std::launch::async, [&] {
    std::string got;
    return port->read(got, 10);
  });
  ASSERT_EQ(read.wait_for(300ms), std::future_status::timeout);  // it waits
  // Aborts until it ended: the first may come before the read is under way.
  for (int i = 0; i < 3000 && read.wait_for(10ms) != std::future_status::ready; ++i) {
    port->abortTransfers();
  }
  ASSERT_EQ(read.wait_for(0ms), std::future_status::ready);
  const hi::IoResult r = read.get();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.count, 0u);
  // The port goes on working.
  ASSERT_TRUE(port->setTimeouts(immediateReads()).ok());
  ASSERT_TRUE(writeText(*port, "VERS"));
  EXPECT_EQ(readReply(*port, 18), DevsimAnswer);
}

TEST_F(DevsimSerialPort, AReadAfterAnotherProgramTookTheAnswerEndsEmpty) {
  // A terminal program on the same port takes the answer. Windows refuses the second open;
  // Wine allows it, and would leave a read of the vanished bytes pending for ever.
  auto port = openConfigured();
  ASSERT_TRUE(port);
  const std::wstring path = L"\\\\.\\" + std::wstring(name.begin(), name.end());
  HANDLE other = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (other == INVALID_HANDLE_VALUE) GTEST_SKIP() << "the system refuses a second open";
  COMMTIMEOUTS blocking{0, 0, 10000, 0, 0};
  ASSERT_TRUE(::SetCommTimeouts(other, &blocking));
  ASSERT_TRUE(writeText(*port, "VERS"));
  const std::string answer = DevsimAnswer;
  std::string taken(answer.size(), '\0');
  DWORD n = 0;
  EXPECT_TRUE(::ReadFile(other, taken.data(), static_cast<DWORD>(taken.size()), &n, nullptr));
  ::CloseHandle(other);
  ASSERT_EQ(taken.substr(0, n), answer);
  // The uploader reads what it was told of, with the answer gone.
  auto read = std::async(std::launch::async, [&] {
    std::string got;
    port->read(got, answer.size());
    return got;
  });
  if (read.wait_for(30s) != std::future_status::ready) {
    port->abortTransfers();  // so that the test ends
    FAIL() << "the read hangs";
  }
  EXPECT_EQ(read.get(), "");
  // The port goes on working.
  ASSERT_TRUE(writeText(*port, "VERS"));
  EXPECT_EQ(readReply(*port, 18), DevsimAnswer);
}

// Run with the simulator's fault hang-up=0: after the first block the device end closes.
TEST_F(DevsimHangUp, AHungUpLineEndsTheWaitAsVanished) {
  auto port = openConfigured();
  ASSERT_TRUE(port);
  ASSERT_TRUE(writeText(*port, "VERS"));
  ASSERT_EQ(readReply(*port, 18), DevsimAnswer);
  ASSERT_TRUE(writeText(*port, std::string(256, '\x5A')));
  auto pending = std::async(std::launch::async, [&] {
    WaitResult w;
    do {
      w = port->waitEvent();
    } while (w.status == WaitStatus::Events || w.status == WaitStatus::Woken);
    return w;
  });
  ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(pending.get().status, WaitStatus::Vanished);
  EXPECT_EQ(port->waitEvent().status, WaitStatus::Vanished);  // at once, not a hang
  hi::CommStatus st;
  EXPECT_FALSE(port->clearError(st).ok());
}
