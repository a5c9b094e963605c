#include "platform/posix/PosixSerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "platform/PortMap.h"
#include "platform/posix/LinuxPorts.h"
#include "platform/posix/SerialRate.h"

namespace hi {

namespace {

using Clock = std::chrono::steady_clock;

// Drivers without modem lines (pseudo-terminals among them) refuse the request.
bool lacksFeature(int e) {
  return e == ENOTTY || e == EINVAL;
}

// Ask the driver to hand over received bytes at once. USB adapters otherwise hold them
// back: FTDI chips wait 16 ms per reply, which adds about 16 s to a firmware upload.
void requestLowLatency(int fd) {
  serial_struct ss{};
  if (::ioctl(fd, TIOCGSERIAL, &ss) != 0) return;
  if ((ss.flags & ASYNC_LOW_LATENCY) != 0) return;
  ss.flags |= ASYNC_LOW_LATENCY;
  (void)::ioctl(fd, TIOCSSERIAL, &ss);
}

int setModemLine(int fd, int line, bool on) {
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return 0;
  const int e = errno;
  return lacksFeature(e) ? 0 : e;
}

// Drivers round the rate to what their clock divides to; within 2 % a UART still frames.
bool rateAcceptable(std::uint32_t wanted, std::uint32_t actual) {
  if (actual == 0) return true;  // the driver does not report it
  const std::uint64_t diff = wanted > actual ? wanted - actual : actual - wanted;
  return diff * 50 <= wanted;
}

// Milliseconds from now until the deadline, clamped for poll(); -1 without a deadline.
int msUntil(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

std::optional<Clock::time_point> totalDeadline(std::uint32_t multiplier, std::uint32_t constant,
                                               std::size_t size) {
  if (multiplier == 0 && constant == 0) return std::nullopt;
  const std::uint64_t ms = std::uint64_t{multiplier} * size + constant;
  return Clock::now() + std::chrono::milliseconds(std::min<std::uint64_t>(ms, 1ULL << 40));
}

SerialPort::OpenResult adoptDescriptor(int fd, bool exclusive) {
  const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    const int e = errno;
    ::close(fd);
    return {nullptr, openFailure(OpenFailureKind::Other, e)};
  }
  return {std::make_unique<PosixSerialPort>(fd, wakeFd, exclusive), {}};
}

SerialPort::OpenResult failed(OpenFailureKind kind, int error) {
  return {nullptr, openFailure(kind, error)};
}

SerialPort::OpenResult busy(const std::string& path) {
  SerialPort::OpenResult r = failed(OpenFailureKind::Busy, EBUSY);
  if (auto holder = findPortHolder(path, HolderSources{})) r.failure.holder = *holder;
  return r;
}

// What an errno of stat() or open() on a port means to the user.
SerialPort::OpenResult openError(const std::string& path, int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
      return failed(OpenFailureKind::Gone, e);
    case EACCES:
    case EPERM: {
      SerialPort::OpenResult r = failed(OpenFailureKind::Permission, e);
      r.failure.group = accessGroup(path);
      return r;
    }
    case EBUSY:
      return busy(path);
    default:
      return failed(OpenFailureKind::Other, e);
  }
}

}  // namespace

PosixSerialPort::PosixSerialPort(int fd, int wakeFd, bool exclusive)
    : fd_(fd), wakeFd_(wakeFd), abortFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      exclusive_(exclusive) {
  // Line errors count from the open on.
  (void)lineCounters(errorBase_);
}

PosixSerialPort::~PosixSerialPort() {
  close();
}

SerialPort::OpenResult SerialPort::open(std::string_view name) {
  const PortList list = serialPortList();
  if (list.error) return failed(OpenFailureKind::NoPortList, list.error->error);
  const PortEntry* entry = findPort(list, name);
  if (entry == nullptr) return failed(OpenFailureKind::NoSuchPort, ENOENT);
  return openPath(entry->path);
}

SerialPort::OpenResult SerialPort::openPath(const std::string& path) {
  // A FIFO or a file in a port map is no port, and opening a FIFO can block or disturb its
  // peer: look before opening.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return openError(path, errno);
  if (!S_ISCHR(st.st_mode)) return failed(OpenFailureKind::NotSerial, ENOTTY);
  // Some devices act on an open alone (a watchdog arms), and bytes for the device would go
  // into the kernel's console: ask sysfs first.
  switch (charDeviceKind(st.st_rdev, HolderSources{})) {
    case CharDeviceKind::Other: return failed(OpenFailureKind::NotSerial, ENOTTY);
    case CharDeviceKind::Console: return failed(OpenFailureKind::Console, EBUSY);
    case CharDeviceKind::Unknown:
    case CharDeviceKind::Tty: break;
  }
  // Terminal programs such as minicom announce themselves only through a UUCP lock file.
  if (auto holder = uucpLockHolder(path, HolderSources{}.lockDir)) {
    SerialPort::OpenResult r = failed(OpenFailureKind::Busy, EBUSY);
    r.failure.holder = *holder;
    return r;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return openError(path, errno);
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    const int e = errno;
    ::close(fd);
    return failed(lacksFeature(e) ? OpenFailureKind::NotSerial : OpenFailureKind::Other, e);
  }
  // flock keeps out every program that locks (and a second open by this one); TIOCEXCL
  // also keeps out unprivileged programs that do not.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    return e == EWOULDBLOCK ? busy(path) : failed(OpenFailureKind::Other, e);
  }
  bool exclusive = true;
  if (::ioctl(fd, TIOCEXCL) != 0) {
    const int e = errno;
    if (!lacksFeature(e)) {
      ::close(fd);
      return failed(OpenFailureKind::Other, e);
    }
    exclusive = false;
  }
  requestLowLatency(fd);
  return adoptDescriptor(fd, exclusive);
}

SerialPort::OpenResult SerialPort::adopt(int fd) {
  return adoptDescriptor(fd, false);
}

void PosixSerialPort::close() {
  std::unique_lock lock(io_);
  if (fd_ < 0) return;
  if (exclusive_) (void)::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also drops the flock
  ::close(wakeFd_);
  if (abortFd_ >= 0) ::close(abortFd_);
  fd_ = -1;
  wakeFd_ = -1;
  abortFd_ = -1;
}

bool PosixSerialPort::isOpen() const {
  std::shared_lock lock(io_);
  return fd_ >= 0;
}

SysStatus PosixSerialPort::setLineSettings(const LineSettings& s) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  if (s.byteSize < 5 || s.byteSize > 8 || s.parity > 4 || s.stopBits > 2 || s.baudRate == 0) {
    return {EINVAL};
  }
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return {errno};

  // Raw bytes both ways: no line editing, no translation, no signals, no echo.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IGNPAR | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  // CLOCAL: a carrier drop must not hang the port up under the reader.
  t.c_cflag |= CREAD | CLOCAL | HUPCL;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[s.byteSize - 5];
  static constexpr tcflag_t kParity[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                         PARENB | CMSPAR};
  t.c_cflag |= kParity[s.parity];
  // A UART sends 1.5 stop bits for "two" with 5 data bits, the one case where 1.5 exists.
  if (s.stopBits != 0) t.c_cflag |= CSTOPB;

  // With INPCK and neither IGNPAR nor PARMRK the line discipline passes a byte with a
  // parity error on as NUL: ErrorReplace with ErrorChar 0. Other replacement characters
  // have no equivalent.
  if (s.parityCheck) t.c_iflag |= INPCK;
  // Linux flow control by RTS/CTS covers both directions at once.
  if (s.ctsFlow || s.rts == RtsControl::Handshake) t.c_cflag |= CRTSCTS;
  if (s.outX) t.c_iflag |= IXON;
  if (s.inX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  // Accepted without an equivalent on Linux: the XON/XOFF limits (the line discipline has
  // fixed thresholds), DSR flow control, DSR sensitivity, continuing after XOFF, aborting
  // transfers on a line error, discarding NUL bytes and the event character.
  //
  // VMIN 1 with O_NONBLOCK: an empty queue gives EAGAIN, so read() returning 0 means hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, B9600);  // replaced by the exact rate below; never B0, which drops DTR
  ::cfsetospeed(&t, B9600);
  if (::tcsetattr(fd_, TCSANOW, &t) != 0) return {errno};

  std::uint32_t actual = 0;
  if (const int e = setExactBaudRate(fd_, s.baudRate, actual); e != 0) return {e};
  actualBaud_ = actual;
  if (!rateAcceptable(s.baudRate, actual)) return {EINVAL};

  // Linux has no DTR handshake; the line is raised so that the peer may send. RTS toggling
  // (RS-485 direction) needs driver support that plain UARTs lack; the line stays low.
  const bool dtrOn = s.dtr != DtrControl::Disable;
  const bool rtsOn = s.rts == RtsControl::Enable || s.rts == RtsControl::Handshake;
  if (const int e = setModemLine(fd_, TIOCM_DTR, dtrOn); e != 0) return {e};
  if (const int e = setModemLine(fd_, TIOCM_RTS, rtsOn); e != 0) return {e};
  return {};
}

void PosixSerialPort::setQueueSizes(std::uint32_t inQueue, std::uint32_t outQueue) {
  // Linux drivers size their buffers themselves; the input size still sets the 80 % mark.
  (void)outQueue;
  inQueueSize_ = inQueue;
}

SysStatus PosixSerialPort::setTimeouts(const Timeouts& timeouts) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  std::lock_guard state(state_);
  timeouts_ = timeouts;
  return {};
}

Timeouts PosixSerialPort::currentTimeouts() const {
  std::lock_guard state(state_);
  return timeouts_;
}

SysStatus PosixSerialPort::purge(std::uint32_t flags) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  // Transfers run to completion in their callers' threads, so there is nothing to abort.
  const bool rx = (flags & Purge::RxClear) != 0;
  const bool tx = (flags & Purge::TxClear) != 0;
  if (!rx && !tx) return {};
  std::lock_guard state(state_);
  std::uint32_t queued = 0;
  int error = 0;
  const bool counted = rx && queuedBytes(queued, error);
  if (::tcflush(fd_, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) != 0) return {errno};
  // Discarded bytes count as taken, so the arrival count never goes backwards.
  if (counted) taken_ += queued;
  if (tx) txPending_ = false;
  return {};
}

SysStatus PosixSerialPort::flush() {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {EBADF};
  const Timeouts t = currentTimeouts();
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
  const auto deadline =
      totalDeadline(t.writeTotalMultiplier, t.writeTotalConstant, static_cast<std::size_t>(queued));
  // tcdrain would wait without limit on a line held by flow control.
  while (deadline) {
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued == 0) break;
    if (Clock::now() >= *deadline) return {ETIMEDOUT};
    ::poll(nullptr, 0, 5);
  }
  if (::tcdrain(fd_) != 0) return {errno};
  return {};
}

void PosixSerialPort::abortTransfers() {
  std::shared_lock lock(io_);
  if (abortFd_ < 0) return;
  aborts_.fetch_add(1);
  const std::uint64_t one = 1;
  (void)!::write(abortFd_, &one, sizeof one);
}

bool PosixSerialPort::pollTransfer(short events, int timeoutMs, std::uint64_t generation,
                                   int& result, short& revents) {
  pollfd p[2] = {{fd_, events, 0}, {abortFd_, POLLIN, 0}};
  for (;;) {
    result = ::poll(p, abortFd_ >= 0 ? 2 : 1, timeoutMs);
    if (result > 0 && (p[1].revents & POLLIN) != 0) {
      if (aborts_.load() != generation) return false;
      // Left over from an abort of an earlier transfer.
      std::uint64_t count = 0;
      (void)!::read(abortFd_, &count, sizeof count);
      if ((p[0].revents) == 0) continue;
    }
    revents = p[0].revents;
    return true;
  }
}

IoResult PosixSerialPort::write(const char* data, std::size_t size) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {false, 0, EBADF, true};
  const std::uint64_t generation = aborts_.load();
  const Timeouts t = currentTimeouts();
  const auto deadline = totalDeadline(t.writeTotalMultiplier, t.writeTotalConstant, size);
  // Complete once the driver has taken every byte. Waiting for the wire (tcdrain) on each
  // one-byte write would make an upload several times slower.
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      txPending_ = true;
      continue;
    }
    const int e = n < 0 ? errno : EIO;
    if (e == EINTR) continue;
    if (e != EAGAIN) return {false, done, e};
    int r = 0;
    short revents = 0;
    if (!pollTransfer(POLLOUT, msUntil(deadline), generation, r, revents)) {
      return {false, done, ECANCELED};
    }
    if (r < 0 && errno != EINTR) return {false, done, errno};
    if (r == 0) return {false, done, ETIMEDOUT};
    if ((revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return {false, done, EIO};
  }
  return {true, done, 0};
}

IoResult PosixSerialPort::read(std::string& out, std::size_t size) {
  std::shared_lock lock(io_);
  if (fd_ < 0) return {false, 0, EBADF, true};
  const std::uint64_t generation = aborts_.load();
  const Timeouts t = currentTimeouts();
  const bool atOnce =
      t.readInterval == TimeoutAllOnes && t.readTotalMultiplier == 0 && t.readTotalConstant == 0;
  // Interval all ones with multiplier all ones: return as soon as anything is there, or
  // after the constant.
  const bool firstByte = t.readInterval == TimeoutAllOnes &&
                         t.readTotalMultiplier == TimeoutAllOnes && t.readTotalConstant != 0 &&
                         t.readTotalConstant != TimeoutAllOnes;
  const auto deadline = firstByte ? totalDeadline(0, t.readTotalConstant, 0)
                                  : totalDeadline(t.readTotalMultiplier, t.readTotalConstant, size);
  const bool useInterval = !firstByte && t.readInterval != 0 && t.readInterval != TimeoutAllOnes;

  std::size_t got = 0;
  char chunk[4096];
  for (;;) {
    if (got == size) return {true, got, 0};
    ssize_t n = 0;
    int e = 0;
    {
      std::lock_guard state(state_);
      n = ::read(fd_, chunk, std::min(sizeof chunk, size - got));
      e = errno;
      if (n > 0) {
        taken_ += static_cast<std::uint64_t>(n);
        rxMark_ = std::max(rxMark_, taken_);
      }
    }
    if (n > 0) {
      out.append(chunk, static_cast<std::size_t>(n));
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return got > 0 ? IoResult{true, got, 0} : IoResult{false, 0, EIO};  // hang-up
    if (e == EINTR) continue;
    if (e != EAGAIN) return {got > 0, got, e};
    if (atOnce || (firstByte && got > 0)) return {true, got, 0};
    std::optional<Clock::time_point> until = deadline;
    if (useInterval && got > 0) {
      const auto gap = Clock::now() + std::chrono::milliseconds(t.readInterval);
      if (!until || gap < *until) until = gap;
    }
    int r = 0;
    short revents = 0;
    if (!pollTransfer(POLLIN, msUntil(until), generation, r, revents)) {
      return {false, got, ECANCELED};
    }
    if (r < 0 && errno != EINTR) return {got > 0, got, errno};
    if (r == 0) return {true, got, 0};  // a timeout completes the read with what came
  }
}

}  // namespace hi
