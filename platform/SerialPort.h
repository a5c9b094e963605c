// A serial port opened exclusively by its COM name, with the operations the serial port
// element needs: line settings, timeouts, line-event waits, modem lines, error flags,
// transfers, purge and flush. Safe to call from several threads; close() must not race a
// wait, which the owner ensures by stopping its waiting thread first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/PortMap.h"

namespace hi {

// Line events (bits of an event mask). Scoped names: <windows.h> defines the EV_, CE_,
// MS_ and PURGE_ names as macros.
namespace LineEvent {
inline constexpr std::uint32_t RxChar = 0x0001;
inline constexpr std::uint32_t RxFlag = 0x0002;
inline constexpr std::uint32_t TxEmpty = 0x0004;
inline constexpr std::uint32_t Cts = 0x0008;
inline constexpr std::uint32_t Dsr = 0x0010;
inline constexpr std::uint32_t Rlsd = 0x0020;
inline constexpr std::uint32_t Break = 0x0040;
inline constexpr std::uint32_t Err = 0x0080;
inline constexpr std::uint32_t Ring = 0x0100;
inline constexpr std::uint32_t Rx80Full = 0x0400;
}  // namespace LineEvent

// Line error flags.
namespace LineError {
inline constexpr std::uint32_t RxOver = 0x0001;
inline constexpr std::uint32_t Overrun = 0x0002;
inline constexpr std::uint32_t RxParity = 0x0004;
inline constexpr std::uint32_t Frame = 0x0008;
inline constexpr std::uint32_t Break = 0x0010;
inline constexpr std::uint32_t TxFull = 0x0100;
inline constexpr std::uint32_t Ioe = 0x0400;
inline constexpr std::uint32_t Mode = 0x8000;
}  // namespace LineError

// Modem status bits.
namespace ModemLine {
inline constexpr std::uint32_t CtsOn = 0x0010;
inline constexpr std::uint32_t DsrOn = 0x0020;
inline constexpr std::uint32_t RingOn = 0x0040;
inline constexpr std::uint32_t RlsdOn = 0x0080;
}  // namespace ModemLine

// What purge() discards or aborts.
namespace Purge {
inline constexpr std::uint32_t TxAbort = 0x0001;
inline constexpr std::uint32_t RxAbort = 0x0002;
inline constexpr std::uint32_t TxClear = 0x0004;
inline constexpr std::uint32_t RxClear = 0x0008;
inline constexpr std::uint32_t All = TxAbort | RxAbort | TxClear | RxClear;
}  // namespace Purge

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

// 0 is success; otherwise the system's error code of the failing call.
struct SysStatus {
  int error = 0;
  bool ok() const { return error == 0; }
};

struct IoResult {
  bool ok = false;
  std::size_t count = 0;
  int error = 0;        // the system's error code
  bool closed = false;  // the port was closed before the transfer could start
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
  std::uint32_t errors = 0;   // LineError flags since the last query
  std::uint32_t inQueue = 0;  // bytes waiting to be read
  std::uint32_t outQueue = 0;
};

// Why a port did not open, in terms a user can act on.
enum class OpenFailureKind : std::uint8_t {
  None,
  NoSuchPort,  // the name is not in the port map
  NoPortList,  // the port map itself could not be read
  Gone,        // the map names the port, but the device is no longer there
  Permission,  // this user may not open it
  Busy,        // another program (or another part of this one) holds it
  NotSerial,   // the device is not a serial port
  Console,     // the system console's port, which carries the kernel's messages
  Other,       // anything else; see error
};

struct OpenFailure {
  OpenFailureKind kind = OpenFailureKind::None;
  int error = 0;       // the system's error code of the call that failed
  PortHolder holder;   // with Busy, when the system can tell
  std::string group;   // with Permission: the group whose members may open it; empty if none
};

inline OpenFailure openFailure(OpenFailureKind kind, int error) {
  OpenFailure f;
  f.kind = kind;
  f.error = error;
  return f;
}

class SerialPort {
 public:
  struct OpenResult {
    std::unique_ptr<SerialPort> port;
    OpenFailure failure;  // kind None exactly when port is set
  };

  // Opens the port that the port map gives for a name such as "COM3" (ASCII case does not
  // matter), exclusively, for reading and writing. Refuses a port that another program
  // holds, and anything that is not a serial port, before touching its settings.
  static OpenResult open(std::string_view name);
  // The same for a device path of the system.
  static OpenResult openPath(const std::string& path);
  // Takes over an open descriptor (a device simulator's end of a pseudo-terminal, say).
  // POSIX systems only.
  static OpenResult adopt(int fd);

  virtual ~SerialPort() = default;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Releases exclusivity and the device. Further calls fail with IoResult::closed set.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  virtual SysStatus setLineSettings(const LineSettings& settings) = 0;
  // The rate the driver reports after setting; 0 if unknown.
  virtual std::uint32_t actualBaudRate() const = 0;
  virtual void setQueueSizes(std::uint32_t inQueue, std::uint32_t outQueue) = 0;
  virtual SysStatus setTimeouts(const Timeouts& timeouts) = 0;
  // Changing the mask ends a pending wait.
  virtual SysStatus setEventMask(std::uint32_t mask) = 0;
  virtual std::uint32_t eventMask() const = 0;

  // Blocks until a line event of the mask occurs, wake() is called, or the device vanishes.
  virtual WaitResult waitEvent() = 0;
  // Ends a pending waitEvent (or the next one) with Woken. Any thread.
  virtual void wake() = 0;

  virtual SysStatus modemStatus(std::uint32_t& status) = 0;
  // Reads and clears the line error flags, with the queue counts.
  virtual SysStatus clearError(CommStatus& status) = 0;
  virtual SysStatus purge(std::uint32_t flags) = 0;
  // Waits until the output has left the driver, bounded by the write timeouts.
  virtual SysStatus flush() = 0;

  virtual IoResult write(const char* data, std::size_t size) = 0;
  // Appends at most `size` received bytes to `out`, as the read timeouts allow.
  virtual IoResult read(std::string& out, std::size_t size) = 0;
  // Ends the reads and writes under way at once, as failed, with what they moved so far:
  // for a transfer that waits on a stalled line or driver. Any thread; transfers that start
  // afterwards are not affected.
  virtual void abortTransfers() = 0;

 protected:
  SerialPort() = default;
};

}  // namespace hi
