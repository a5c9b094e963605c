// A serial port opened exclusively by its COM name, with the operations the serial port
// element needs: line settings, timeouts, line-event waits, modem lines, error flags,
// transfers, purge and flush. Safe to call from several threads; close() must not race a
// wait, which the owner ensures by stopping its waiting thread first.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

namespace hi {

// Line events (bits of an event mask).
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;

// Line error flags.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_TXFULL = 0x0100;
inline constexpr std::uint32_t CE_IOE = 0x0400;
inline constexpr std::uint32_t CE_MODE = 0x8000;

// Modem status bits.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// What purge() discards or aborts.
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001;
inline constexpr std::uint32_t PURGE_RXABORT = 0x0002;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// A timeout value that means "no limit" for the read interval trick below.
inline constexpr std::uint32_t TimeoutAllOnes = 0xFFFFFFFFu;

enum class DtrControl : std::uint8_t { Disable, Enable, Handshake };
enum class RtsControl : std::uint8_t { Disable, Enable, Handshake, Toggle };

struct LineSettings {
  std::uint32_t baudRate = 0;
  std::uint8_t byteSize = 8;  // 5..8
  std::uint8_t parity = 0;    // none, odd, even, mark, space
  std::uint8_t stopBits = 0;  // 1, 1.5, 2
  DtrControl dtr = DtrControl::Disable;
  RtsControl rts = RtsControl::Disable;
  bool nullDiscard = false;
  bool abortOnError = false;
  bool parityCheck = false;
  bool errorReplace = false;
  bool dsrSensitivity = false;
  bool ctsFlow = false;
  bool dsrFlow = false;
  bool txContinueOnXoff = false;
  bool inX = false;
  bool outX = false;
  std::uint16_t xonLimit = 0;
  std::uint16_t xoffLimit = 0;
  char xonChar = 17;
  char xoffChar = 19;
  char errorChar = 0;
  char eventChar = 0;
};

// Milliseconds. A read with readInterval all ones and both read totals 0 returns at once
// with what is waiting. Write totals of 0 and 0 put no bound on a write.
struct Timeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

// 0 is success; otherwise the errno of the failing call.
struct SysStatus {
  int error = 0;
  bool ok() const { return error == 0; }
};

struct IoResult {
  bool ok = false;
  std::size_t count = 0;
  int error = 0;
};

enum class WaitStatus {
  Events,    // events holds the line events that occurred
  Woken,     // wake() or a cleared event mask ended the wait
  Vanished,  // the device is gone (hang-up, unplugged); waiting again is pointless
  Failed,    // no event mask, or the port is closed
};

struct WaitResult {
  WaitStatus status = WaitStatus::Failed;
  std::uint32_t events = 0;
  int error = 0;
};

struct CommStatus {
  std::uint32_t errors = 0;   // CE_ flags since the last query
  std::uint32_t inQueue = 0;  // bytes waiting to be read
  std::uint32_t outQueue = 0;
};

class SerialPort {
 public:
  struct OpenResult {
    std::unique_ptr<SerialPort> port;
    int error = 0;
  };

  // Opens the port that the port map gives for a name such as "COM3" (ASCII case does not
  // matter), exclusively, for reading and writing.
  static OpenResult open(std::string_view name);
  // The same for a device node or a link to one.
  static OpenResult openPath(const std::string& path);
  // Takes over an open descriptor (a device simulator's end of a pseudo-terminal, say).
  static OpenResult adopt(int fd);
  // Whether the port could be opened exclusively at this moment.
  static bool canOpen(std::string_view name);
  static bool canOpenPath(const std::string& path);

  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Releases exclusivity and the device. Further calls fail with EBADF.
  void close();
  bool isOpen() const;

  SysStatus setLineSettings(const LineSettings& settings);
  // The rate the driver reports after setting; 0 if unknown.
  std::uint32_t actualBaudRate() const { return actualBaud_.load(); }
  void setQueueSizes(std::uint32_t inQueue, std::uint32_t outQueue);
  SysStatus setTimeouts(const Timeouts& timeouts);
  // Changing the mask ends a pending wait.
  SysStatus setEventMask(std::uint32_t mask);
  std::uint32_t eventMask() const { return mask_.load(); }

  // Blocks until a line event of the mask occurs, wake() is called, or the device vanishes.
  WaitResult waitEvent();
  // Ends a pending waitEvent (or the next one) with Woken. Any thread.
  void wake();

  SysStatus modemStatus(std::uint32_t& status);
  // Reads and clears the line error flags, with the queue counts.
  SysStatus clearError(CommStatus& status);
  SysStatus purge(std::uint32_t flags);
  // Waits until the output has left the driver, bounded by the write timeouts.
  SysStatus flush();

  IoResult write(const char* data, std::size_t size);
  // Appends at most `size` received bytes to `out`, as the read timeouts allow.
  IoResult read(std::string& out, std::size_t size);

 private:
  struct LineCounters {
    std::uint64_t rx = 0, frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
  };

  SerialPort(int fd, int wakeFd, bool exclusive);

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
  Timeouts currentTimeouts() const;

  mutable std::shared_mutex io_;
  int fd_ = -1;
  int wakeFd_ = -1;
  bool exclusive_ = false;

  std::atomic<std::uint32_t> mask_{0};
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
