// The line trace of one identification or upload: what passed the port and when, kept in
// memory while the line is busy and turned into text only once it is over.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialPort.h"

namespace hi {

enum class TraceKind : std::uint8_t {
  Open,      // text: the COM name and the device path
  Settings,  // text: the settings asked for; value: the rate the driver reports
  Write,     // bytes handed to the driver; value: how many it took
  Read,      // bytes received
  Purge,     // value: the purge flags
  Flush,
  Close,
  Vanished,  // value: the system's error code
  Failed,    // text: which call; value: the system's error code
  Watchdog,  // the upload's silence watchdog gave up
  Note,      // text: anything else worth a line
};

struct TraceEntry {
  std::uint64_t micros = 0;  // monotonic clock
  TraceKind kind = TraceKind::Note;
  std::string text;
  std::int64_t value = 0;
};

// Microseconds of the monotonic clock.
std::uint64_t traceMicros();

// "38462 8N1, DTR on, RTS on" and so on: the settings a line was opened with.
std::string settingsText(const LineSettings& s);

// The trace as text, one line per entry, times in seconds since `startMicros` with
// microsecond digits. Writes of whole 256-byte blocks (the image) appear as block number and
// the running CRC-16/MODBUS the device must answer, `firstBlock` being the number of the
// first; everything else shows its bytes. The last line gives the reply latencies per block.
std::string formatTrace(const std::string& title, const std::vector<TraceEntry>& entries,
                        std::uint64_t startMicros);

// Whether a write is image blocks rather than a command.
inline bool isImageWrite(std::size_t size) {
  return size > 0 && size % 256 == 0;
}

// Passes every call to the port it wraps and reports each to `note`, which must be cheap:
// it runs on the reader's thread between a line event and its read.
class TracedPort : public SerialPort {
 public:
  using Note = std::function<void(TraceKind, std::string_view, std::int64_t)>;
  TracedPort(std::unique_ptr<SerialPort> port, Note note);

  void close() override;
  bool isOpen() const override { return port_->isOpen(); }
  SysStatus setLineSettings(const LineSettings& settings) override;
  std::uint32_t actualBaudRate() const override { return port_->actualBaudRate(); }
  void setQueueSizes(std::uint32_t in, std::uint32_t out) override { port_->setQueueSizes(in, out); }
  SysStatus setTimeouts(const Timeouts& timeouts) override { return port_->setTimeouts(timeouts); }
  SysStatus setEventMask(std::uint32_t mask) override { return port_->setEventMask(mask); }
  std::uint32_t eventMask() const override { return port_->eventMask(); }
  WaitResult waitEvent() override;
  void wake() override { port_->wake(); }
  void abortTransfers() override { port_->abortTransfers(); }
  SysStatus modemStatus(std::uint32_t& status) override { return port_->modemStatus(status); }
  SysStatus clearError(CommStatus& status) override { return port_->clearError(status); }
  SysStatus purge(std::uint32_t flags) override;
  SysStatus flush() override;
  IoResult write(const char* data, std::size_t size) override;
  IoResult read(std::string& out, std::size_t size) override;

 private:
  std::unique_ptr<SerialPort> port_;
  Note note_;
};

}  // namespace hi
