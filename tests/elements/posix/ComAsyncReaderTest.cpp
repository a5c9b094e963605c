// The reader thread: what arrives reaches the graph exactly, one event at a time, and the
// thread ends cleanly on a close from any thread or when the device goes away.
#include <sys/ioctl.h>
#include <time.h>

#include <future>
#include <random>
#include <thread>

#include "runtime/EventGate.h"
#include "tests/elements/posix/ComAsyncFixture.h"

using namespace std::chrono_literals;
using hi::test::ComAsyncPty;
using hi::test::eventually;

namespace {

// Collects onRead chunks; an optional hook runs inside the handler (on the reader thread).
class Chunks {
 public:
  void take(hi::TData& d) {
    if (inside_.fetch_add(1) != 0) overlapped_ = true;
    std::function<void()> hook;
    {
      std::lock_guard lock(mutex_);
      data_ += d.text;
      sizes_.push_back(d.text.size());
      hook = hook_;
    }
    if (hook) hook();
    inside_.fetch_sub(1);
  }
  std::string data() const {
    std::lock_guard lock(mutex_);
    return data_;
  }
  std::vector<std::size_t> sizes() const {
    std::lock_guard lock(mutex_);
    return sizes_;
  }
  bool overlapped() const { return overlapped_; }
  void setHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
  }

 private:
  mutable std::mutex mutex_;
  std::string data_;
  std::vector<std::size_t> sizes_;
  std::atomic<int> inside_{0};
  std::atomic<bool> overlapped_{false};
  std::function<void()> hook_;
};

// A one-shot signal between threads.
class Signal {
 public:
  void set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    cv_.notify_all();
  }
  bool wait(std::chrono::seconds timeout = 30s) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_ = false;
};

double processCpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class ComAsyncReader : public ComAsyncPty {
 protected:
  void SetUp() override {
    ComAsyncPty::SetUp();
    // The uploader's wiring: every arrival is read at once, exactly the count waiting.
    com.onRxChar = hi::makeEventPoint<&hi::THIComAsync::doRead>(3, &com);
    com.onRead = hi::makeEventPoint<&Chunks::take>(0, &chunks);
  }
  void openAndSettle() {
    hi::test::openPort(com, "COM3");
    ASSERT_TRUE(com.readerActive());
    log.take();
  }

  Chunks chunks;
};

}  // namespace

TEST_F(ComAsyncReader, EveryByteArrivesOnceInOrderZeroBytesIncluded) {
  openAndSettle();
  std::mt19937 random(20240607);
  std::string sent(100 * 1024, '\0');
  for (char& c : sent) c = static_cast<char>(random() % 256);
  for (std::size_t i = 0; i < sent.size(); i += 97) sent[i] = '\0';

  std::thread peer([&] {
    std::mt19937 sizes(7);
    for (std::size_t at = 0; at < sent.size();) {
      const std::size_t n = std::min<std::size_t>(1 + sizes() % 3000, sent.size() - at);
      ASSERT_TRUE(pty.write(std::string_view(sent).substr(at, n)));
      at += n;
    }
  });
  peer.join();
  ASSERT_TRUE(eventually([&] { return chunks.data().size() >= sent.size(); }, 60s))
      << chunks.data().size();
  EXPECT_TRUE(chunks.data() == sent);
  EXPECT_FALSE(chunks.overlapped());
  // Each report is read whole, so no report comes empty.
  for (std::size_t n : chunks.sizes()) EXPECT_GT(n, 0u);
}

TEST_F(ComAsyncReader, BytesQueueWhileAHandlerRunsAndNoneIsLost) {
  Signal inHandler;
  std::atomic<bool> handlerDone{false};
  std::atomic<int> calls{0};
  chunks.setHook([&] {
    if (calls.fetch_add(1) != 0) return;
    inHandler.set();
    std::this_thread::sleep_for(1s);  // a long event, such as the success path's wait
    handlerDone = true;
  });
  openAndSettle();
  ASSERT_TRUE(pty.write("first"));
  ASSERT_TRUE(inHandler.wait());
  ASSERT_TRUE(pty.write("second"));
  ASSERT_TRUE(pty.write(std::string("\0third", 6)));
  ASSERT_TRUE(eventually([&] { return chunks.data().size() >= 16; }));
  EXPECT_TRUE(handlerDone);
  EXPECT_EQ(chunks.data(), std::string("firstsecond\0third", 17));
  EXPECT_EQ(chunks.sizes().front(), 5u);
  EXPECT_FALSE(chunks.overlapped());
}

TEST_F(ComAsyncReader, CloseFromAnotherThreadWaitsForTheRunningHandler) {
  Signal inHandler;
  std::atomic<bool> handlerDone{false};
  chunks.setHook([&] {
    inHandler.set();
    ASSERT_TRUE(log.waitFor("BeforeClose"));
    std::this_thread::sleep_for(200ms);  // still busy after the close has begun
    handlerDone = true;
    log.add("handler done");
  });
  openAndSettle();
  ASSERT_TRUE(pty.write("x"));
  ASSERT_TRUE(inHandler.wait());
  auto closer = std::async(std::launch::async, [&] { hi::test::closePort(com); });
  ASSERT_EQ(closer.wait_for(30s), std::future_status::ready) << "close deadlocked";
  EXPECT_TRUE(handlerDone);
  EXPECT_EQ(log.take(), (std::vector<std::string>{"BeforeClose", "handler done", "CTS 0", "DSR 0",
                                                  "RLSD 0", "Close"}));
  EXPECT_FALSE(com.readerActive());
}

TEST_F(ComAsyncReader, WindowThreadClosingServesTheReadersWindowCall) {
  // This thread is the window thread; the handler on the reader thread calls into a window
  // while the window thread closes the port inside an event of its own.
  hi::EventGate& gate = hi::EventGate::instance();
  struct HomeHere {
    HomeHere() {
      hi::EventGate::instance().setHomeThread([] {});
    }
    ~HomeHere() { hi::EventGate::instance().clearHomeThread(); }
  } home;
  Signal inHandler;
  std::thread::id windowCallRanOn;
  chunks.setHook([&] {
    inHandler.set();
    gate.callOnHome([&] { windowCallRanOn = std::this_thread::get_id(); });
  });
  openAndSettle();
  ASSERT_TRUE(pty.write("x"));
  ASSERT_TRUE(inHandler.wait());
  {
    hi::EventScope event;  // waits for the reader's event, running its window call meanwhile
    hi::test::closePort(com);
  }
  EXPECT_EQ(windowCallRanOn, std::this_thread::get_id());
  EXPECT_FALSE(com.readerActive());
}

TEST_F(ComAsyncReader, CloseFromAHandlerOnTheReaderThreadFinishesAfterIt) {
  std::atomic<int> calls{0};
  std::atomic<bool> reopened{false};
  std::atomic<bool> handled{false};
  chunks.setHook([&] {
    if (calls.fetch_add(1) != 0) return;
    hi::test::closePort(com);
    // The port is released at once: reopening it from the same handler works.
    hi::test::openPort(com, "COM3");
    reopened = com.isOpen();
    handled = true;
  });
  openAndSettle();
  ASSERT_TRUE(pty.write("a"));
  // The open's events come before the handler has looked at the port: wait for its end.
  ASSERT_TRUE(eventually([&] { return handled.load(); }));
  EXPECT_TRUE(log.waitFor("Open 3"));
  EXPECT_EQ(log.take(), (std::vector<std::string>{"BeforeClose", "CTS 0", "DSR 0", "RLSD 0",
                                                  "Close", "BeforeOpen", "Open 3"}));
  EXPECT_TRUE(reopened);
  // The new reader takes over.
  ASSERT_TRUE(pty.write("b"));
  ASSERT_TRUE(eventually([&] { return chunks.data() == "ab"; }));

  // And a plain close from inside a handler ends that reader too.
  chunks.setHook([&] { hi::test::closePort(com); });
  ASSERT_TRUE(pty.write("c"));
  ASSERT_TRUE(eventually([&] { return !com.isOpen(); }));
  EXPECT_TRUE(eventually([&] { return !com.readerActive(); }));
  hi::test::openPort(com, "COM3");
  EXPECT_TRUE(com.isOpen());
}

TEST_F(ComAsyncReader, CloseInsideAWindowCallOfTheReaderDoesNotDeadlock) {
  // The reader's handler makes a window call, and the window's reaction closes the port on
  // the window thread while the reader waits for that call to return.
  struct HomeHere {
    HomeHere() {
      hi::EventGate::instance().setHomeThread([] {});
    }
    ~HomeHere() { hi::EventGate::instance().clearHomeThread(); }
  } home;
  std::atomic<bool> handlerDone{false};
  chunks.setHook([&] {
    hi::EventGate::instance().callOnHome([&] { hi::test::closePort(com); });
    handlerDone = true;
  });
  openAndSettle();
  ASSERT_TRUE(pty.write("x"));
  // The window thread's next event waits for the reader's event, serving its window call.
  ASSERT_TRUE(eventually([&] {
    hi::EventScope event;
    return handlerDone.load();
  }));
  EXPECT_EQ(log.take(),
            (std::vector<std::string>{"BeforeClose", "CTS 0", "DSR 0", "RLSD 0", "Close"}));
  EXPECT_TRUE(eventually([&] { return !com.readerActive(); }));
  hi::test::openPort(com, "COM3");
  EXPECT_TRUE(com.isOpen());
}

TEST_F(ComAsyncReader, APeerThatClosesEndsTheThreadWithoutSpinning) {
  openAndSettle();
  const double before = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  pty.closeMaster();
  ASSERT_TRUE(eventually([&] { return !com.readerActive(); }));
  std::this_thread::sleep_for(1s - (std::chrono::steady_clock::now() - start));
  EXPECT_LT(processCpuSeconds() - before, 0.5);  // a spinning reader would burn ~1 s
  EXPECT_TRUE(com.isOpen());                     // the port stays open until the graph closes it
  hi::test::writePort(com, hi::makeString("x"));
  hi::test::closePort(com);
  EXPECT_EQ(log.take(),
            (std::vector<std::string>{"ErrorText COM3: устройство отключено от компьютера.",
                                      "Write 0", "BeforeClose", "CTS 0", "DSR 0", "RLSD 0",
                                      "Close"}));
}

TEST_F(ComAsyncReader, AHangUpEndsTheThreadWithoutSpinning) {
  openAndSettle();
  const int other = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  const double before = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  if (::ioctl(other, TIOCVHANGUP) != 0) {
    ::close(other);
    GTEST_SKIP() << "TIOCVHANGUP needs CAP_SYS_ADMIN";
  }
  ::close(other);
  ASSERT_TRUE(eventually([&] { return !com.readerActive(); }));
  std::this_thread::sleep_for(1s - (std::chrono::steady_clock::now() - start));
  EXPECT_LT(processCpuSeconds() - before, 0.5);
  hi::test::closePort(com);
  EXPECT_FALSE(com.isOpen());
}
