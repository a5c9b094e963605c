// The serial element's reader thread: waits for line events and fires them into the graph.
#include <system_error>
#include <utility>

#include "elements/PortErrorText.h"
#include "elements/hiComAsync.h"
#include "platform/SerialPort.h"
#include "platform/ThreadPriority.h"
#include "runtime/EventGate.h"

namespace hi {

struct THIComAsync::Reader {
  std::shared_ptr<SerialPort> port;
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
};

bool THIComAsync::readerActive() const {
  std::lock_guard lock(mutex_);
  return reader_ && !reader_->finished;
}

bool THIComAsync::waitingForUs(std::thread::id reader) {
  return reader == std::this_thread::get_id() || EventGate::instance().runningCallFor(reader);
}

bool THIComAsync::startReader(const std::shared_ptr<SerialPort>& port) {
  auto reader = std::make_shared<Reader>();
  reader->port = port;
  // Held while the thread starts, so that a close from its first handler already finds it
  // recorded as the reader.
  std::lock_guard lock(mutex_);
  try {
    readerThread_ = std::thread([this, reader] { readerLoop(reader); });
  } catch (const std::system_error&) {
    return false;
  }
  reader_ = std::move(reader);
  return true;
}

void THIComAsync::stopReader() {
  std::shared_ptr<Reader> reader;
  std::thread thread;
  {
    std::lock_guard lock(mutex_);
    if (!reader_) return;
    reader = std::move(reader_);
    reader->stop = true;
    if (waitingForUs(readerThread_.get_id())) {
      // A handler of the reader closes the port: on the reader thread itself, or in a window
      // call it made. The thread cannot be waited for here; it sees the stop request once
      // the handler returns, and is joined later.
      retired_.push_back(RetiredReader{std::move(readerThread_), std::move(reader)});
      return;
    }
    thread = std::move(readerThread_);
  }
  EventGate& gate = EventGate::instance();
  gate.interruptWaits();  // the reader may be waiting for the gate this thread holds
  reader->port->wake();
  // Keeps serving window calls meanwhile: the reader may be inside one.
  gate.waitUntil([&] { return reader->finished.load(); });
  thread.join();
}

void THIComAsync::joinRetired() {
  std::vector<RetiredReader> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = retired_.begin(); it != retired_.end();) {
      if (waitingForUs(it->thread.get_id())) {
        ++it;
      } else {
        done.push_back(std::move(*it));
        it = retired_.erase(it);
      }
    }
  }
  for (RetiredReader& r : done) {
    EventGate::instance().waitUntil([&] { return r.reader->finished.load(); });
    r.thread.join();
  }
}

void THIComAsync::readerLoop(const std::shared_ptr<Reader>& reader) {
  raiseCurrentThreadPriority();
  SerialPort& port = *reader->port;
  while (!reader->stop) {
    const WaitResult w = port.waitEvent();
    if (reader->stop) break;
    if (w.status == WaitStatus::Woken) continue;
    if (w.status == WaitStatus::Vanished) reportVanished(reader, w.error);
    if (w.status != WaitStatus::Events) break;  // the device vanished, or no mask is left
    // One dispatch is one graph event. A close waits for it to end, never cuts it short.
    EventScope scope(&reader->stop);
    if (!scope || reader->stop) break;
    dispatch(*reader, w.events);
  }
  port.setEventMask(0);
  port.purge(Purge::All);
  reader->finished = true;
  EventGate::instance().notify();
}

void THIComAsync::dispatch(Reader& reader, std::uint32_t events) {
  SerialPort& port = *reader.port;
  // After a close from one of the handlers, the rest of the mask is dropped.
  const auto wants = [&](std::uint32_t bit) { return (events & bit) != 0 && !reader.stop; };
  if (wants(LineEvent::RxChar)) {
    CommStatus status;
    if (port.clearError(status).ok()) {
      fireInteger(onRxChar, static_cast<std::int32_t>(status.inQueue));
    }
  }
  if (wants(LineEvent::TxEmpty)) fireNull(onTxEmpty);
  if (wants(LineEvent::Break)) fireNull(onBreak);
  if (wants(LineEvent::Ring)) fireNull(onRing);
  if (wants(LineEvent::Cts) && queryModem(port)) fireInteger(onCTS, cts_ ? 1 : 0);
  if (wants(LineEvent::Dsr) && queryModem(port)) fireInteger(onDSR, dsr_ ? 1 : 0);
  if (wants(LineEvent::RxFlag)) fireNull(onRxFlag);
  if (wants(LineEvent::Rlsd) && queryModem(port)) fireInteger(onRLSD, rlsd_ ? 1 : 0);
  if (wants(LineEvent::Err)) {
    if (AbortOnError == 0) errorCheck(port);
    fireNull(onError);
  }
  if (wants(LineEvent::Rx80Full)) fireNull(onRx80Full);
}

void THIComAsync::reportVanished(const std::shared_ptr<Reader>& reader, int error) {
  EventScope scope(&reader->stop);
  if (!scope || reader->stop) return;
  fireString(onErrorText,
             openFailureText(currentPortName(), openFailure(OpenFailureKind::Gone, error)));
  // The port stays open (only the graph closes it); the list drops it, unless the choice is
  // locked. A node that goes only after the hang-up is reported by the watch.
  if (watchingPorts()) reportPortList(true);
}

bool THIComAsync::queryModem(SerialPort& port) {
  if (!open_) return false;
  std::uint32_t status = 0;
  if (!port.modemStatus(status).ok()) return false;
  cts_ = (status & ModemLine::CtsOn) != 0;
  dsr_ = (status & ModemLine::DsrOn) != 0;
  rlsd_ = (status & ModemLine::RlsdOn) != 0;
  return true;
}

std::vector<std::string> THIComAsync::errorTexts(std::uint32_t errors, bool parityCheck) {
  static const struct {
    std::uint32_t flag;
    const char* text;
  } kTexts[] = {
      {LineError::Frame, "Receive Framing Error"},
      {LineError::RxParity, "Receive Parity Error"},
      {LineError::Overrun, "Receive Overrun Error"},
      {LineError::RxOver, "Receive Queue overflow"},
      {LineError::TxFull, "TX Queue is full"},
      {LineError::Break, "Break Detected"},
      {LineError::Ioe, "Port I/O Error"},
      {LineError::Mode, "Requested mode unsupported"},
  };
  std::vector<std::string> lines;
  for (const auto& t : kTexts) {
    if ((errors & t.flag) == 0) continue;
    if (t.flag == LineError::RxParity && !parityCheck) continue;
    lines.emplace_back(t.text);
  }
  return lines;
}

void THIComAsync::errorCheck(SerialPort& port) {
  if (!open_) return;
  CommStatus status;
  if (!port.clearError(status).ok()) return;
  ErrorList = errorTexts(status.errors, ParityCheck != 0);
}

}  // namespace hi
