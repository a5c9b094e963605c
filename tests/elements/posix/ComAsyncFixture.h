// Shared set-up of the serial element tests: a pseudo-terminal named COM3 through a
// temporary port map, an element configured as the uploader configures it, and a log of
// the events it fires.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "elements/hiComAsync.h"
#include "runtime/Cp1251.h"
#include "runtime/Share.h"
#include "tests/elements/ComAsyncSupport.h"
#include "tests/support/PseudoTerminal.h"

namespace hi::test {

// Records the element's events as "Name" or "Name value", from any thread.
class EventLog {
 public:
  enum Event : std::uint16_t {
    BeforeOpen,
    Open,
    BeforeClose,
    Close,
    Write,
    Read,
    PortName,
    RxChar,
    CTS,
    DSR,
    RLSD,
    ErrorText,
    PortList,
    Count
  };

  void record(TData& d, std::uint16_t index) {
    static const char* const kNames[Count] = {
        "BeforeOpen", "Open", "BeforeClose", "Close", "Write",     "Read",    "PortName",
        "RxChar",     "CTS",  "DSR",         "RLSD",  "ErrorText", "PortList"};
    std::string entry = kNames[index];
    if (d.type == dtInteger) entry += " " + std::to_string(d.integer);
    if (d.type == dtString) entry += " " + (index == ErrorText ? cp1251ToUtf8(d.text) : d.text);
    add(entry);
  }

  void add(const std::string& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    changed_.notify_all();
  }

  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(entries_, {});
  }

  // Waits (generously) until the log holds `entry`.
  bool waitFor(const std::string& entry, std::chrono::seconds timeout = std::chrono::seconds(30)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      return std::find(entries_.begin(), entries_.end(), entry) != entries_.end();
    });
  }

  // Wires every event of the element that carries no data stream.
  void wire(THIComAsync& com) {
    com.onBeforeOpen = makeEventPoint<&EventLog::record>(BeforeOpen, this);
    com.onOpen = makeEventPoint<&EventLog::record>(Open, this);
    com.onBeforeClose = makeEventPoint<&EventLog::record>(BeforeClose, this);
    com.onClose = makeEventPoint<&EventLog::record>(Close, this);
    com.onWrite = makeEventPoint<&EventLog::record>(Write, this);
    com.onPortName = makeEventPoint<&EventLog::record>(PortName, this);
    com.onCTS = makeEventPoint<&EventLog::record>(CTS, this);
    com.onDSR = makeEventPoint<&EventLog::record>(DSR, this);
    com.onRLSD = makeEventPoint<&EventLog::record>(RLSD, this);
    com.onErrorText = makeEventPoint<&EventLog::record>(ErrorText, this);
    com.onPortList = makeEventPoint<&EventLog::record>(PortList, this);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> entries_;
};

class ComAsyncPty : public ::testing::Test {
 protected:
  void SetUp() override {
    enableRuntime();
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(ports.link(3, pty.slavePath()));
    configureAsUploader(com);
    log.wire(com);
  }
  void TearDown() override {
    closePort(com);
    disableRuntime();
  }

  PseudoTerminal pty;
  PortsDirectory ports;
  EventLog log;
  THIComAsync com;  // after the port map and the log: it goes first
};

// Waits with a generous deadline for a condition that another thread makes true.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::seconds timeout = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace hi::test
