// The serial element on Windows against the device simulator on a COM port that Wine maps
// to a pseudo-terminal (run by tools/wine/devsim-session.sh; see tests/CMakeLists.txt): a
// whole upload through the element's reader thread, and a line that hangs up.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "elements/CrcTables.h"
#include "elements/hiComAsync.h"
#include "platform/Resources.h"
#include "runtime/Share.h"
#include "tests/elements/ComAsyncSupport.h"
#include "tests/support/Wine.h"

using namespace std::chrono_literals;

namespace {

// What the element fires, from the window side and from its reader thread.
class Received {
 public:
  void read(hi::TData& d) { append(bytes_, d.text); }
  void event(hi::TData& d, std::uint16_t index) {
    static const char* const kNames[] = {"Open", "Write", "PortName", "Close"};
    std::string entry = kNames[index];
    if (d.type == hi::dtInteger) entry += " " + std::to_string(d.integer);
    if (d.type == hi::dtString) entry += " " + d.text;
    std::lock_guard lock(mutex_);
    events_.push_back(entry);
  }

  // The next `size` bytes read from the line, once they have come (empty after 30 s).
  std::string take(std::size_t size) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, 30s, [&] { return bytes_.size() >= size; })) return {};
    std::string front = bytes_.substr(0, size);
    bytes_.erase(0, size);
    return front;
  }
  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
  }

 private:
  void append(std::string& to, const std::string& text) {
    std::lock_guard lock(mutex_);
    to += text;
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string bytes_;
  std::vector<std::string> events_;
};

class DevsimElement : public ::testing::Test {
 protected:
  void SetUp() override {
    port = hi::test::devsimPort();
    ASSERT_FALSE(port.empty()) << "runs in a simulator session: tools/wine/devsim-session.sh";
    hi::enableRuntime();
    hi::test::configureAsUploader(com);
    com.Port = port;
    // Its wiring: every arrival is read at once, exactly the count waiting.
    com.onRxChar = hi::makeEventPoint<&hi::THIComAsync::doRead>(3, &com);
    com.onRead = hi::makeEventPoint<&Received::read>(0, &received);
    com.onOpen = hi::makeEventPoint<&Received::event>(0, &received);
    com.onWrite = hi::makeEventPoint<&Received::event>(1, &received);
    com.onPortName = hi::makeEventPoint<&Received::event>(2, &received);
    com.onClose = hi::makeEventPoint<&Received::event>(3, &received);
  }
  void TearDown() override {
    hi::test::closePort(com);
    hi::disableRuntime();
  }

  void open() {
    hi::TData none;
    com.doOpen(none, 0);
  }
  void write(const std::string& text) { hi::test::writePort(com, hi::makeString(text)); }
  std::string portNumberEvent() const { return "Open " + port.substr(3); }

  std::string port;
  Received received;
  hi::THIComAsync com;  // last: it goes first
};

using DevsimComAsync = DevsimElement;
using DevsimComAsyncHangUp = DevsimElement;

}  // namespace

TEST_F(DevsimComAsync, UploadsAWholeImageThroughTheReaderThread) {
  // The port is listed from the registry while it is free to open.
  hi::TData none;
  com.doEnumPorts(none, 4);
  const std::vector<std::string> listed = received.events();
  EXPECT_NE(std::find(listed.begin(), listed.end(), "PortName " + port), listed.end());

  open();
  ASSERT_EQ(received.events(), std::vector<std::string>{portNumberEvent()});
  ASSERT_TRUE(com.readerActive());
  write("VERS");
  EXPECT_EQ(received.take(18), hi::test::DevsimAnswer);

  const auto image = hi::findResource("STREAM0", hi::ResourceTypeStream);
  ASSERT_TRUE(image.has_value());
  const hi::CrcTable* table = hi::sharedCrcTable(hi::CrcRule::Reflected16, 0xA001);
  ASSERT_NE(table, nullptr);
  std::uint16_t crc = 0xFFFF;
  constexpr std::size_t kBlock = 256;
  const std::size_t blocks = image->size() / kBlock;
  for (std::size_t b = 0; b < blocks; ++b) {
    const auto* first = reinterpret_cast<const char*>(image->data()) + b * kBlock;
    write(std::string(first, kBlock));
    for (std::size_t i = 0; i < kBlock; ++i) {
      crc = static_cast<std::uint16_t>(
          (crc >> 8) ^ table->entries[(crc ^ static_cast<std::uint8_t>(first[i])) & 0xFF]);
    }
    std::string expected{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
    if (b + 1 == blocks) expected += "FZ";
    const std::string reply = received.take(expected.size());
    ASSERT_EQ(reply, expected) << "block " << b;
  }
  write("PUSK");
  hi::TData close;
  com.doClose(close, 1);
  EXPECT_FALSE(com.isOpen());
  std::vector<std::string> events = received.events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "Write 256"),
            static_cast<std::ptrdiff_t>(blocks));
  EXPECT_EQ(events.back(), "Close");
}

// Run with the simulator's fault hang-up=0: after the first block the device end closes.
TEST_F(DevsimComAsyncHangUp, TheReaderEndsWhenTheLineHangsUp) {
  open();
  ASSERT_EQ(received.events(), std::vector<std::string>{portNumberEvent()});
  write("VERS");
  ASSERT_EQ(received.take(18), hi::test::DevsimAnswer);
  write(std::string(256, '\x5A'));
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (com.readerActive() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_FALSE(com.readerActive());
  EXPECT_TRUE(com.isOpen());  // the graph decides what to do; the port stays open until then
}
