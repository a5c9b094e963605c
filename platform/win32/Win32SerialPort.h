// The serial port on Win32: a handle opened for overlapped I/O, one completion event for
// each of the three kinds of operation that may be pending at once (line-event wait, read,
// write), and an event that ends a wait from another thread.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "platform/SerialPort.h"

namespace hi {

// Closes a handle when it goes.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = other.release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void reset() {
    if (h_ != nullptr) ::CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

// Whether a port of this process is open on `path` ("\\.\COM3"; case is ignored).
bool heldByThisProcess(const std::wstring& path);

class Win32SerialPort final : public SerialPort {
 public:
  struct Handles {
    UniqueHandle port;
    UniqueHandle wake;      // auto-reset: set by wake(), taken by the wait it ends
    UniqueHandle waitDone;  // manual-reset completion events of the overlapped calls
    UniqueHandle readDone;
    UniqueHandle writeDone;
  };

  // `path` is what was opened, "\\.\COM3".
  Win32SerialPort(Handles handles, std::wstring path);
  ~Win32SerialPort() override;

  void close() override;
  bool isOpen() const override;

  SysStatus setLineSettings(const LineSettings& settings) override;
  std::uint32_t actualBaudRate() const override { return actualBaud_.load(); }
  void setQueueSizes(std::uint32_t inQueue, std::uint32_t outQueue) override;
  SysStatus setTimeouts(const Timeouts& timeouts) override;
  SysStatus setEventMask(std::uint32_t mask) override;
  std::uint32_t eventMask() const override { return mask_.load(); }

  WaitResult waitEvent() override;
  void wake() override;

  SysStatus modemStatus(std::uint32_t& status) override;
  SysStatus clearError(CommStatus& status) override;
  SysStatus purge(std::uint32_t flags) override;
  SysStatus flush() override;

  IoResult write(const char* data, std::size_t size) override;
  IoResult read(std::string& out, std::size_t size) override;
  void abortTransfers() override;

 private:
  // Under io_ (shared).
  WaitResult endOfFailedWait(DWORD error);
  WaitResult vanishedOr(WaitResult otherwise);
  bool takeWake();
  bool queryStatus(COMSTAT& stat);
  // Waits for an overlapped transfer to complete, recorded in `slot` meanwhile so that
  // abortTransfers can cancel it; a read that returns at once gets kAtOnceLimit at most
  // (Wine may leave one pending for ever). Returns the system's error code, 0 on success.
  DWORD awaitTransfer(OVERLAPPED& ov, OVERLAPPED*& slot, DWORD& moved, bool atOnce);

  mutable std::shared_mutex io_;  // shared by every call, exclusive for close()
  Handles h_;
  const std::wstring path_;
  std::mutex waitLock_;  // one pending wait, one read and one write at a time
  std::mutex readLock_;
  std::mutex writeLock_;
  std::mutex inFlight_;  // guards the two below
  OVERLAPPED* reading_ = nullptr;
  OVERLAPPED* writing_ = nullptr;
  std::atomic<std::uint32_t> mask_{0};
  std::atomic<std::uint32_t> actualBaud_{0};
  // Reads return at once with what is waiting (interval all ones, no totals).
  std::atomic<bool> readsAtOnce_{false};
  // Error flags that a query for the queue took from the driver, for the next clearError.
  std::atomic<std::uint32_t> heldErrors_{0};
};

}  // namespace hi
