// Line events, modem lines and line errors of a serial port.
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/PosixSerialPort.h"

namespace hi {

namespace {

// The device is gone: unplugged, hung up, or the other end of a pseudo-terminal closed.
bool deviceGone(int e) {
  return e == EIO || e == ENXIO || e == ENODEV;
}

// Modem lines and line counters are polled at this period when the mask asks for them;
// the drivers that offer them give no descriptor to wait on.
constexpr int kTickMs = 10;

constexpr std::uint32_t kModemEvents = LineEvent::Cts | LineEvent::Dsr | LineEvent::Rlsd | LineEvent::Ring;
constexpr std::uint32_t kCounterEvents = LineEvent::Break | LineEvent::Err;

std::uint32_t modemBits(int tiocm) {
  std::uint32_t s = 0;
  if ((tiocm & TIOCM_CTS) != 0) s |= ModemLine::CtsOn;
  if ((tiocm & TIOCM_DSR) != 0) s |= ModemLine::DsrOn;
  if ((tiocm & TIOCM_RNG) != 0) s |= ModemLine::RingOn;
  if ((tiocm & TIOCM_CAR) != 0) s |= ModemLine::RlsdOn;
  return s;
}

}  // namespace

bool PosixSerialPort::queuedBytes(std::uint32_t& count, int& error) const {
  int n = 0;
  if (::ioctl(fd_, FIONREAD, &n) != 0) {
    error = errno;
    return false;
  }
  count = static_cast<std::uint32_t>(std::max(n, 0));
  return true;
}

bool PosixSerialPort::lineCounters(LineCounters& c) const {
  serial_icounter_struct ic{};
  if (::ioctl(fd_, TIOCGICOUNT, &ic) != 0) return false;
  c.rx = static_cast<std::uint32_t>(ic.rx);
  c.frame = static_cast<std::uint32_t>(ic.frame);
  c.overrun = static_cast<std::uint32_t>(ic.overrun);
  c.parity = static_cast<std::uint32_t>(ic.parity);
  c.brk = static_cast<std::uint32_t>(ic.brk);
  c.bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  return true;
}

SysStatus PosixSerialPort::setEventMask(std::uint32_t mask) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  std::lock_guard change(maskChange_);
  mask_ = mask;
  rebaseEvents();
  raiseWake();
  return {};
}

void PosixSerialPort::rebaseEvents() {
  std::lock_guard state(state_);
  int tiocm = 0;
  modemKnown_ = ::ioctl(fd_, TIOCMGET, &tiocm) == 0;
  modemBase_ = modemKnown_ ? modemBits(tiocm) : 0;
  countersKnown_ = lineCounters(eventBase_);
}

void PosixSerialPort::wake() {
  std::shared_lock lock(io_);
  if (wakeFd_ >= 0) raiseWake();
}

void PosixSerialPort::raiseWake() {
  const std::uint64_t one = 1;
  (void)!::write(wakeFd_, &one, sizeof one);
}

bool PosixSerialPort::drainWake() {
  std::uint64_t count = 0;
  return ::read(wakeFd_, &count, sizeof count) == sizeof count;
}

PosixSerialPort::Pending PosixSerialPort::pendingEvents(std::uint32_t mask) {
  Pending p;
  std::lock_guard state(state_);

  std::uint32_t queued = 0;
  int error = 0;
  if (!queuedBytes(queued, error)) {
    if (deviceGone(error)) p.vanished = error;
    queued = 0;
  }
  const std::uint64_t arrived = queued + taken_;
  if (arrived > rxMark_) {
    p.events |= LineEvent::RxChar;
    rxMark_ = arrived;
  } else {
    p.rxStale = queued > 0;
  }
  // The event character cannot be seen without taking the bytes, so LineEvent::RxFlag never occurs.
  const std::uint32_t full = inQueueSize_.load() / 10 * 8;
  if (queued >= std::max<std::uint32_t>(full, 1)) {
    if (!rx80Reported_) p.events |= LineEvent::Rx80Full;
    rx80Reported_ = true;
  } else {
    rx80Reported_ = false;
  }

  if ((mask & LineEvent::TxEmpty) != 0 && txPending_) {
    int out = 0;
    if (::ioctl(fd_, TIOCOUTQ, &out) != 0 || out == 0) {
      p.events |= LineEvent::TxEmpty;
      txPending_ = false;
    } else {
      p.needsTick = true;
    }
  }

  if ((mask & kModemEvents) != 0 && modemKnown_) {
    int tiocm = 0;
    if (::ioctl(fd_, TIOCMGET, &tiocm) == 0) {
      const std::uint32_t now = modemBits(tiocm);
      const std::uint32_t changed = now ^ modemBase_;
      if ((changed & ModemLine::CtsOn) != 0) p.events |= LineEvent::Cts;
      if ((changed & ModemLine::DsrOn) != 0) p.events |= LineEvent::Dsr;
      if ((changed & ModemLine::RlsdOn) != 0) p.events |= LineEvent::Rlsd;
      if ((changed & now & ModemLine::RingOn) != 0) p.events |= LineEvent::Ring;
      modemBase_ = now;
      p.needsTick = true;
    } else {
      const int e = errno;
      if (deviceGone(e)) p.vanished = e;
      modemKnown_ = false;
    }
  }

  if ((mask & kCounterEvents) != 0 && countersKnown_) {
    LineCounters now;
    if (lineCounters(now)) {
      const LineCounters& b = eventBase_;
      if (now.brk != b.brk) p.events |= LineEvent::Break;
      if (now.frame != b.frame || now.parity != b.parity || now.overrun != b.overrun ||
          now.bufOverrun != b.bufOverrun) {
        p.events |= LineEvent::Err;
      }
      eventBase_ = now;
      p.needsTick = true;
    } else {
      countersKnown_ = false;
    }
  }
  p.events &= mask;
  return p;
}

WaitResult PosixSerialPort::waitEvent() {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {WaitStatus::Failed, 0, EBADF};
  // A POLLIN that brought nothing new: wait for news by ticks for the rest of this call.
  bool quietIn = false;
  for (;;) {
    const std::uint32_t mask = mask_.load();
    if (mask == 0) {
      // Clearing the mask just before the wait began still counts as ending it.
      std::lock_guard change(maskChange_);
      if (drainWake()) return {WaitStatus::Woken, 0, 0};
      return {WaitStatus::Failed, 0, EINVAL};
    }
    const Pending p = pendingEvents(mask);
    if (p.events != 0) return {WaitStatus::Events, p.events, 0};
    if (p.vanished != 0) return {WaitStatus::Vanished, 0, p.vanished};

    const bool wantIn = (mask & (LineEvent::RxChar | LineEvent::Rx80Full)) != 0 && !p.rxStale && !quietIn;
    pollfd fds[2] = {{fd_, static_cast<short>(wantIn ? POLLIN : 0), 0}, {wakeFd_, POLLIN, 0}};
    const bool tick = p.needsTick || ((mask & (LineEvent::RxChar | LineEvent::Rx80Full)) != 0 && !wantIn);
    const int r = ::poll(fds, 2, tick ? kTickMs : -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return {WaitStatus::Failed, 0, errno};
    }
    if ((fds[1].revents & POLLIN) != 0) {
      drainWake();
      return {WaitStatus::Woken, 0, 0};
    }
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      // Bytes that came just before the hang-up are still delivered.
      const Pending last = pendingEvents(mask);
      if (last.events != 0) return {WaitStatus::Events, last.events, 0};
      return {WaitStatus::Vanished, 0, last.vanished != 0 ? last.vanished : EIO};
    }
    if ((fds[0].revents & POLLIN) != 0) quietIn = true;
  }
}

SysStatus PosixSerialPort::modemStatus(std::uint32_t& status) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  int tiocm = 0;
  if (::ioctl(fd_, TIOCMGET, &tiocm) != 0) return {errno};
  status = modemBits(tiocm);
  return {};
}

SysStatus PosixSerialPort::clearError(CommStatus& status) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  std::lock_guard state(state_);
  int error = 0;
  if (!queuedBytes(status.inQueue, error)) return {error};
  int out = 0;
  status.outQueue = ::ioctl(fd_, TIOCOUTQ, &out) == 0 ? static_cast<std::uint32_t>(out) : 0;
  status.errors = 0;
  // Drivers without counters (pseudo-terminals) report no errors.
  LineCounters now;
  if (!lineCounters(now)) return {};
  const LineCounters& b = errorBase_;
  if (now.frame != b.frame) status.errors |= LineError::Frame;
  if (now.parity != b.parity) status.errors |= LineError::RxParity;
  if (now.overrun != b.overrun) status.errors |= LineError::Overrun;
  if (now.bufOverrun != b.bufOverrun) status.errors |= LineError::RxOver;
  if (now.brk != b.brk) status.errors |= LineError::Break;
  errorBase_ = now;
  return {};
}

}  // namespace hi
