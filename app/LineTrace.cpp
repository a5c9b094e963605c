#include "app/LineTrace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/Console.h"
#include "platform/MonotonicClock.h"

namespace hi {

std::uint64_t traceMicros() {
  const std::uint64_t ticks = monotonicCounter();
  const std::uint64_t frequency = monotonicFrequency();
  return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

std::string settingsText(const LineSettings& s) {
  static constexpr char kParity[] = "NOEMS";
  static constexpr const char* kStop[] = {"1", "1.5", "2"};
  static constexpr const char* kDtr[] = {"off", "on", "handshake"};
  static constexpr const char* kRts[] = {"off", "on", "handshake", "toggle"};
  std::string out = std::to_string(s.baudRate) + " " + std::to_string(s.byteSize);
  out += s.parity < 5 ? kParity[s.parity] : '?';
  out += s.stopBits < 3 ? kStop[s.stopBits] : "?";
  out += std::string(", DTR ") + kDtr[static_cast<int>(s.dtr) % 3];
  out += std::string(", RTS ") + kRts[static_cast<int>(s.rts) % 4];
  if (s.ctsFlow || s.dsrFlow) out += ", hardware flow control";
  if (s.inX || s.outX) out += ", XON/XOFF";
  return out;
}

TracedPort::TracedPort(std::unique_ptr<SerialPort> port, Note note)
    : port_(std::move(port)), note_(std::move(note)) {}

void TracedPort::close() {
  port_->close();
  note_(TraceKind::Close, {}, 0);
}

SysStatus TracedPort::setLineSettings(const LineSettings& settings) {
  const SysStatus status = port_->setLineSettings(settings);
  if (!status.ok()) {
    note_(TraceKind::Failed, "line settings " + settingsText(settings), status.error);
  } else {
    note_(TraceKind::Settings, settingsText(settings), port_->actualBaudRate());
  }
  return status;
}

WaitResult TracedPort::waitEvent() {
  const WaitResult r = port_->waitEvent();
  if (r.status == WaitStatus::Vanished) note_(TraceKind::Vanished, {}, r.error);
  return r;
}

SysStatus TracedPort::purge(std::uint32_t flags) {
  const SysStatus status = port_->purge(flags);
  note_(TraceKind::Purge, {}, flags);
  return status;
}

SysStatus TracedPort::flush() {
  const SysStatus status = port_->flush();
  note_(TraceKind::Flush, {}, status.error);
  return status;
}

IoResult TracedPort::write(const char* data, std::size_t size) {
  // Noted before the write, so that a reply that overtakes its return comes after it.
  note_(TraceKind::Write, std::string_view(data, size), static_cast<std::int64_t>(size));
  const IoResult r = port_->write(data, size);
  if (!r.ok && !r.closed) note_(TraceKind::Failed, "write", r.error);
  return r;
}

IoResult TracedPort::read(std::string& out, std::size_t size) {
  const std::size_t before = out.size();
  const IoResult r = port_->read(out, size);
  if (!r.ok && !r.closed) {
    note_(TraceKind::Failed, "read", r.error);
  } else if (out.size() > before) {
    note_(TraceKind::Read, std::string_view(out).substr(before), 0);
  }
  return r;
}

namespace {

std::uint16_t crcUpdate(std::uint16_t crc, std::uint8_t byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
  return crc;
}

std::string hexOf(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// The bytes as hex, and as text too when they are all printable.
std::string bytesText(std::string_view bytes) {
  std::string hex;
  bool printable = true;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!hex.empty()) hex += ' ';
    hex += hexOf(b, 2);
    printable = printable && b >= 0x20 && b < 0x7F;
  }
  return printable ? hex + "  \"" + std::string(bytes) + "\"" : hex;
}

std::string seconds(std::uint64_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%06llu", static_cast<unsigned long long>(micros / 1000000),
                static_cast<unsigned long long>(micros % 1000000));
  return text;
}

std::string millis(std::uint64_t micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", static_cast<double>(micros) / 1000.0);
  return text;
}

const char* purgeText(std::int64_t flags) {
  if ((flags & Purge::All) == Purge::All) return "purge (both ways)";
  if ((flags & Purge::RxClear) != 0 && (flags & (Purge::TxClear | Purge::TxAbort)) == 0) {
    return "purge (received bytes)";
  }
  return "purge";
}

}  // namespace

std::string formatTrace(const std::string& title, const std::vector<TraceEntry>& entries,
                        std::uint64_t startMicros) {
  std::string out = "# " + title + "\n# seconds since start, what passed the line\n";
  std::uint16_t crc = 0xFFFF;
  int blocks = 0;
  std::uint64_t lastBlockAt = 0;
  std::uint64_t lastHeard = startMicros;
  bool awaitingReply = false;
  std::vector<std::uint64_t> latencies;
  for (const TraceEntry& e : entries) {
    const std::uint64_t at = e.micros >= startMicros ? e.micros - startMicros : 0;
    std::string line = seconds(at) + "  ";
    switch (e.kind) {
      case TraceKind::Open:
        line += "open " + e.text;
        lastHeard = e.micros;
        break;
      case TraceKind::Settings:
        line += "settings " + e.text + "; the driver reports " +
                (e.value > 0 ? std::to_string(e.value) + " baud" : std::string("no rate"));
        break;
      case TraceKind::Write:
        if (isImageWrite(e.text.size())) {
          line.clear();
          for (std::size_t at0 = 0; at0 < e.text.size(); at0 += 256) {
            for (std::size_t i = at0; i < at0 + 256; ++i) {
              crc = crcUpdate(crc, static_cast<std::uint8_t>(e.text[i]));
            }
            ++blocks;
            line += seconds(at) + "  write 256: block " + std::to_string(blocks) + ", CRC " +
                    hexOf(crc, 4) + (at0 + 256 < e.text.size() ? "\n" : "");
          }
          lastBlockAt = e.micros;
          awaitingReply = true;
        } else {
          line += "write " + std::to_string(e.text.size()) + ": " + bytesText(e.text);
        }
        break;
      case TraceKind::Read:
        line += "read " + std::to_string(e.text.size()) + ": " + bytesText(e.text);
        if (awaitingReply) {
          latencies.push_back(e.micros - lastBlockAt);
          line += "  (" + millis(e.micros - lastBlockAt) + " after block " +
                  std::to_string(blocks) + ")";
          awaitingReply = false;
        }
        lastHeard = e.micros;
        break;
      case TraceKind::Purge:
        line += purgeText(e.value);
        break;
      case TraceKind::Flush:
        line += "flush";
        break;
      case TraceKind::Close:
        line += "close";
        break;
      case TraceKind::Vanished:
        line += "line vanished: the device is gone (" + systemErrorText(static_cast<int>(e.value)) +
                ")";
        break;
      case TraceKind::Failed:
        line += e.text + " failed: " + systemErrorText(static_cast<int>(e.value));
        break;
      case TraceKind::Watchdog:
        line += "watchdog: silence for " + millis(e.micros - lastHeard) + " after block " +
                std::to_string(blocks) + "; the upload fails";
        break;
      case TraceKind::Note:
        line += e.text;
        break;
    }
    out += line + "\n";
  }
  if (latencies.empty()) {
    out += "reply latency per block: no block answered\n";
  } else {
    std::vector<std::uint64_t> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    out += "reply latency per block: min " + millis(sorted.front()) + ", median " +
           millis(sorted[sorted.size() / 2]) + ", max " + millis(sorted.back()) + " over " +
           std::to_string(sorted.size()) + " replies\n";
  }
  return out;
}

}  // namespace hi
