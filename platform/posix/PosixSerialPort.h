// The serial port on a POSIX tty: a descriptor, flock and TIOCEXCL for exclusivity, an
// eventfd to end a wait, and the kernel's counters turned into the line events that the
// element waits for.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <shared_mutex>

#include "platform/SerialPort.h"

namespace hi {

class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort(int fd, int wakeFd, bool exclusive);
  ~PosixSerialPort() override;

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
  struct LineCounters {
    std::uint64_t rx = 0, frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  };

  // Under io_ (shared): the descriptor stays valid until close() takes io_ exclusively.
  bool queuedBytes(std::uint32_t& count, int& error) const;
  bool lineCounters(LineCounters& counters) const;
  struct Pending {
    std::uint32_t events = 0;
    bool rxStale = false;  // unread bytes wait, none new: POLLIN would fire at once
    bool needsTick = false;
    int vanished = 0;
  };
  Pending pendingEvents(std::uint32_t mask);
  void rebaseEvents();
  bool drainWake();
  void raiseWake();  // io_ held by the caller
  Timeouts currentTimeouts() const;
  // Waits for the descriptor (events) or for an abort since `generation`; false on an
  // abort. poll's result and errno otherwise.
  bool pollTransfer(short events, int timeoutMs, std::uint64_t generation, int& result,
                    short& revents);

  mutable std::shared_mutex io_;
  int fd_ = -1;
  int wakeFd_ = -1;
  int abortFd_ = -1;  // readable after abortTransfers; -1 if none could be made
  std::atomic<std::uint64_t> aborts_{0};
  bool exclusive_ = false;

  std::atomic<std::uint32_t> mask_{0};
  // A new mask and the wake that announces it are one step for a wait that finds the mask
  // cleared: it then also finds the wake, however its start falls against setEventMask.
  std::mutex maskChange_;
  std::atomic<std::uint32_t> actualBaud_{0};
  std::atomic<std::uint32_t> inQueueSize_{4096};
  std::atomic<bool> txPending_{false};

  mutable std::mutex state_;  // guards everything below
  Timeouts timeouts_{};
  // Received-byte accounting: taken_ counts bytes that left the queue through read() or a
  // purge, so queued + taken_ grows with every arrival. Arrivals are reported once: a rise
  // above rxMark_ is news, and bytes that a read has taken are news no more.
  std::uint64_t taken_ = 0;
  std::uint64_t rxMark_ = 0;
  bool rx80Reported_ = false;
  bool modemKnown_ = false;
  std::uint32_t modemBase_ = 0;
  bool countersKnown_ = false;
  LineCounters eventBase_{};
  LineCounters errorBase_{};
};

}  // namespace hi
