#include "elements/hiComAsync.h"

#include <cerrno>
#include <utility>

#include "elements/LineTap.h"
#include "elements/PortErrorText.h"
#include "platform/ComName.h"
#include "platform/PortMap.h"
#include "platform/PortWatch.h"
#include "platform/SerialPort.h"
#include "runtime/EventGate.h"

namespace hi {

namespace {

constexpr std::uint32_t kPurgeAll = Purge::All;
// An event that writes more than this hands it over in parts, so memory stays bounded.
constexpr std::size_t kLargestGather = 64 * 1024;

char lowByte(std::int32_t v) {
  return static_cast<char>(static_cast<std::uint8_t>(v & 0xFF));
}

// Out-of-range indices give a value that the port refuses, so a bad setting fails the open
// instead of configuring something unintended.
std::uint8_t indexOrInvalid(std::int32_t v, std::int32_t last) {
  return v >= 0 && v <= last ? static_cast<std::uint8_t>(v) : std::uint8_t{0xFF};
}

}  // namespace

THIComAsync::THIComAsync() = default;

THIComAsync::~THIComAsync() {
  stopWatch();
  closeProcedure();
  joinRetired();
  // Only a reader whose own handler destroys the element is left; it cannot be joined.
  for (RetiredReader& r : retired_) r.thread.detach();
}

std::shared_ptr<SerialPort> THIComAsync::port() const {
  std::lock_guard lock(mutex_);
  return port_;
}

std::string THIComAsync::currentPortName() const {
  std::lock_guard lock(mutex_);
  return portName_;
}

std::uint32_t THIComAsync::eventMask() const {
  std::uint32_t m = 0;
  if (EvRxChar != 0) m |= LineEvent::RxChar;
  if (EvRxFlag != 0) m |= LineEvent::RxFlag;
  if (EvTxEmpty != 0) m |= LineEvent::TxEmpty;
  if (EvCTS != 0) m |= LineEvent::Cts;
  if (EvDSR != 0) m |= LineEvent::Dsr;
  if (EvRLSD != 0) m |= LineEvent::Rlsd;
  if (EvBreak != 0) m |= LineEvent::Break;
  if (EvErr != 0) m |= LineEvent::Err;
  if (EvRing != 0) m |= LineEvent::Ring;
  if (EvRx80Full != 0) m |= LineEvent::Rx80Full;
  return m;
}

void THIComAsync::doOpen(TData& d, std::uint16_t) {
  if (open_) return;
  fireNull(onBeforeOpen);
  const std::string name = readString(d, inPort, Port);
  const std::optional<ComName> com = ComName::parse(name);
  {
    // Texts about this port name it as the list does, however it was typed.
    std::lock_guard lock(mutex_);
    portName_ = com ? com->text() : name;
  }
  const OpenFailure noSuchPort = openFailure(OpenFailureKind::NoSuchPort, 0);
  if (!com) {
    fireInteger(onOpen, 0);
    fireString(onErrorText, openFailureText(name, noSuchPort));
    return;
  }
  const int number = com->number();
  const std::int32_t dtr = readInteger(d, inDTR, DTR);
  const std::int32_t rts = readInteger(d, inRTS, RTS);
  const std::int32_t baud = readInteger(d, inBaud, Baud);
  std::string why;
  if (!openProcedure(com->text(), baud, dtr, rts, why)) {
    fireInteger(onOpen, 0);
    // After onOpen: the graph's own verdict on a failed open comes first and this, more
    // precise, has the last word.
    fireString(onErrorText, why);
    return;
  }
  if (const auto p = port(); p && queryModem(*p)) {
    if (cts_) fireInteger(onCTS, 1);
    if (dsr_) fireInteger(onDSR, 1);
    if (rlsd_) fireInteger(onRLSD, 1);
  }
  fireInteger(onOpen, number);
}

bool THIComAsync::openProcedure(const std::string& name, std::int32_t baud, std::int32_t dtr,
                                std::int32_t rts, std::string& why) {
  joinRetired();
  SerialPort::OpenResult opened = SerialPort::open(name);
  LineTap* const tap = lineTap();
  if (!opened.port) {
    why = openFailureText(name, opened.failure);
    if (tap != nullptr) tap->openFailed(name, why);
    return false;
  }
  const std::shared_ptr<SerialPort> p =
      tap != nullptr ? tap->opened(name, std::move(opened.port)) : std::move(opened.port);
  {
    std::lock_guard lock(mutex_);
    port_ = p;
  }
  open_ = true;

  LineSettings s;
  s.baudRate = baud > 0 ? static_cast<std::uint32_t>(baud) : 0;
  s.byteSize = DataBits >= 0 && DataBits <= 3 ? static_cast<std::uint8_t>(DataBits + 5) : 0xFF;
  s.parity = indexOrInvalid(Parity, 4);
  s.stopBits = indexOrInvalid(StopBits, 2);
  s.dtr = static_cast<DtrControl>(dtr >= 0 && dtr <= 2 ? dtr : 0);
  s.rts = static_cast<RtsControl>(rts >= 0 && rts <= 3 ? rts : 0);
  s.nullDiscard = NullDiscard != 0;
  s.abortOnError = AbortOnError != 0;
  s.parityCheck = ParityCheck != 0;
  s.errorReplace = ParityCheck != 0 && ErrorReplace != 0;
  s.errorChar = s.errorReplace ? lowByte(ErrorChar) : '\0';
  s.dsrSensitivity = DsrSensitivity != 0;
  s.ctsFlow = CtsFlow != 0;
  s.dsrFlow = DsrFlow != 0;
  s.txContinueOnXoff = TxContinueOnXoff != 0;
  s.inX = InX != 0;
  s.outX = OutX != 0;
  const std::int32_t limit = InQueue / 4;
  s.xonLimit = static_cast<std::uint16_t>(limit);
  s.xoffLimit = static_cast<std::uint16_t>(limit);
  s.eventChar = lowByte(EvtChar);
  s.xonChar = lowByte(XonChar);
  s.xoffChar = lowByte(XoffChar);

  const std::uint32_t mask = eventMask();
  Timeouts t;
  t.readInterval = static_cast<std::uint32_t>(ReadInterval);
  t.readTotalMultiplier = static_cast<std::uint32_t>(ReadTotalMultiplier);
  t.readTotalConstant = static_cast<std::uint32_t>(ReadTotalConstant);
  t.writeTotalMultiplier = static_cast<std::uint32_t>(WriteTotalMultiplier);
  t.writeTotalConstant = static_cast<std::uint32_t>(WriteTotalConstant);

  SysStatus status = p->purge(kPurgeAll);
  p->setQueueSizes(static_cast<std::uint32_t>(InQueue), static_cast<std::uint32_t>(OutQueue));
  if (status.ok()) status = p->setLineSettings(s);
  if (status.ok()) status = p->setTimeouts(t);
  if (status.ok()) status = p->setEventMask(mask);
  if (!status.ok()) {
    why = configurationFailureText(name, status.error);
    closeProcedure();
    return false;
  }
  if (mask != 0 && !startReader(p)) {
    why = openFailureText(name, openFailure(OpenFailureKind::Other, EAGAIN));
    closeProcedure();
    return false;
  }
  return true;
}

void THIComAsync::doClose(TData&, std::uint16_t) {
  closeProcedure();
}

void THIComAsync::closeProcedure() {
  // A handler of the close events that closes again finds the close under way.
  if (closing_.exchange(true)) return;
  if (open_) {
    fireNull(onBeforeClose);
    stopReader();
    flushOutput();
    std::shared_ptr<SerialPort> p;
    {
      std::lock_guard lock(mutex_);
      p = std::move(port_);
    }
    if (p) {
      if (FlushOnClose != 0) p->flush();
      p->purge(kPurgeAll);
    }
    cts_ = false;
    dsr_ = false;
    rlsd_ = false;
    fireInteger(onCTS, 0);
    fireInteger(onDSR, 0);
    fireInteger(onRLSD, 0);
    // Released now even if a reader whose handler closed still refers to it: that reader
    // is inside the handler, and once the handler returns it touches the port no more.
    if (p) p->close();
    fireNull(onClose);
  }
  open_ = false;
  closing_ = false;
}

void THIComAsync::doWrite(TData& d, std::uint16_t) {
  const std::string text = toString(d);
  const std::shared_ptr<SerialPort> p = port();
  if (!open_ || !p) return;
  if (!onWrite.connected() && gather(p, text)) return;
  flushOutput();
  IoResult r;
  {
    const BlockingCall stalled([p] { p->abortTransfers(); });
    r = p->write(text.data(), text.size());
  }
  if (r.closed) return;  // closed meanwhile: no write was started
  fireInteger(onWrite, r.ok ? static_cast<std::int32_t>(r.count) : 0);
}

bool THIComAsync::gather(const std::shared_ptr<SerialPort>& p, std::string_view text) {
  Outbox& box = *outbox_;
  // The close hands the bytes over before it lets go of the port, so all gathered bytes
  // belong to the port open now.
  std::unique_lock lock(box.mutex);
  if (!box.flushKept) {
    const auto end = [box = outbox_] {
      {
        std::lock_guard kept(box->mutex);
        box->flushKept = false;
      }
      flush(*box);
    };
    if (!EventGate::instance().deferToEventEnd(end)) return false;
    box.flushKept = true;
  }
  if (box.bytes.empty()) box.port = p;
  box.bytes.append(text);
  if (box.bytes.size() < kLargestGather) return true;
  lock.unlock();
  flush(box);
  return true;
}

void THIComAsync::dropUnsent() {
  std::lock_guard lock(outbox_->mutex);
  outbox_->bytes.clear();
  outbox_->port.reset();
}

void THIComAsync::flush(Outbox& box) {
  std::string bytes;
  std::shared_ptr<SerialPort> p;
  {
    std::lock_guard lock(box.mutex);
    bytes.swap(box.bytes);
    p = std::move(box.port);
  }
  // Nobody listens for the outcome; a device that went away is reported by the reader.
  if (p && !bytes.empty()) {
    const BlockingCall stalled([p] { p->abortTransfers(); });
    p->write(bytes.data(), bytes.size());
  }
}

void THIComAsync::doRead(TData& d, std::uint16_t) {
  // A negative count reads nothing rather than overrunning a buffer.
  const std::int32_t n = toInteger(d);
  const std::shared_ptr<SerialPort> p = port();
  if (!open_ || !p) return;
  flushOutput();  // a read may wait for the answer to what was written
  std::string data;
  IoResult r;
  {
    const BlockingCall stalled([p] { p->abortTransfers(); });
    r = p->read(data, n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  // A read reports what it got, and nothing if it got nothing (a failed or aborted read,
  // bytes another program took first): an empty chunk would look like a sign of life to the
  // graph and start the upload's silence count over.
  if (r.closed || data.empty()) return;
  fireString(onRead, data);
}

void THIComAsync::doPurge(TData&, std::uint16_t) {
  const std::shared_ptr<SerialPort> p = port();
  if (!open_ || !p) return;
  flushOutput();
  p->purge(Purge::RxClear);
}

}  // namespace hi
