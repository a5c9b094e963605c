#include "tools/devsim/Simulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace hi::devsim {

namespace {

// While the program end is closed the master reports POLLHUP without pause, so it cannot sit
// in the poll set then; an inotify watch on the slave says when it is opened again, and this
// slow re-check covers systems where the watch cannot be set.
constexpr int kClosedRecheckMs = 100;
// Reads per wake-up, so that a stream that never pauses still lets due replies go out.
constexpr int kReadsPerWake = 16;

timespec toTimespec(Clock::time_point when) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
  ts.tv_nsec = static_cast<long>(ns.count() % 1000000000);
  return ts;
}

void drain(int fd) {
  char buf[4096];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
}

bool saveImage(const std::string& path, const std::vector<std::uint8_t>& image,
               std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  const std::size_t written = image.empty() ? 0 : std::fwrite(image.data(), 1, image.size(), file);
  const int writeErr = errno;
  const bool closed = std::fclose(file) == 0;
  if (written != image.size() || !closed) {
    error = std::strerror(written != image.size() ? writeErr : errno);
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<Simulator> Simulator::create(Options options, std::string& error) {
  std::unique_ptr<Simulator> sim(new Simulator(std::move(options)));
  if (!sim->init(error)) return nullptr;
  return sim;
}

Simulator::Simulator(Options options) : options_(std::move(options)), device_(options_.device) {}

bool Simulator::init(std::string& error) {
  stopFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (stopFd_ < 0) {
    error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (timerFd_ < 0) {
    error = std::string("timerfd_create: ") + std::strerror(errno);
    return false;
  }
  if (!port_.open(options_.portsDir, options_.com, error)) return false;
  comName_ = port_.comName();
  linkPath_ = port_.linkPath();
  devicePath_ = port_.devicePath();
  portsDir_ = port_.dir();
  watchFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watchFd_ >= 0 && ::inotify_add_watch(watchFd_, devicePath_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    ::close(watchFd_);
    watchFd_ = -1;
  }
  return true;
}

Simulator::~Simulator() {
  requestStop();
  if (thread_.joinable()) thread_.join();
  port_.close();
  for (int fd : {stopFd_, timerFd_, watchFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

std::string Simulator::readyLine() const {
  return comName_ + " " + devicePath_ + " " + portsDir_;
}

void Simulator::start() {
  {
    std::lock_guard lock(mutex_);
    if (running_ || report_.finished) return;
    running_ = true;
  }
  thread_ = std::thread([this] { loop(); });
}

void Simulator::run() {
  {
    std::lock_guard lock(mutex_);
    if (running_ || report_.finished) return;
    running_ = true;
  }
  loop();
}

void Simulator::requestStop() noexcept {
  if (stopFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
}

bool Simulator::waitFinished(std::chrono::milliseconds timeout) const {
  return waitUntil([](const Report& r) { return r.finished; }, timeout);
}

bool Simulator::waitUntil(const std::function<bool(const Report&)>& done,
                          std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(report_); });
}

Report Simulator::report() const {
  std::lock_guard lock(mutex_);
  return report_;
}

std::vector<std::uint8_t> Simulator::image() const {
  std::lock_guard lock(mutex_);
  return device_.image();
}

std::vector<WriteRecord> Simulator::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

int Simulator::exitCode() const {
  std::lock_guard lock(mutex_);
  if (!report_.finished) return -1;
  return report_.verdict.ok ? 0 : 1;
}

Clock::duration Simulator::bytesTime(std::size_t count) const {
  if (options_.baud == 0) return Clock::duration::zero();
  // Ten bits a byte on an 8N1 line.
  const auto ns = static_cast<long double>(count) * 10.0L * 1e9L / options_.baud;
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(static_cast<std::int64_t>(ns + 0.5L)));
}

bool Simulator::uploadBegun() const {
  const DeviceState& s = device_.state();
  return s.imageBytes > 0 || s.phase == Phase::AwaitPusk || s.phase == Phase::Started;
}

void Simulator::markConnected(bool connected) {
  connected_ = connected;
  {
    std::lock_guard lock(mutex_);
    report_.connected = connected;
    if (connected) ++report_.connections;
  }
  changed_.notify_all();
  if (!connected) {
    std::lock_guard lock(mutex_);
    if (uploadBegun()) cause_ = EndCause::PortClosed;
  }
}

void Simulator::loop() {
  const Clock::time_point deadline =
      options_.timeout.count() > 0 ? Clock::now() + options_.timeout : Clock::time_point::max();
  {
    pollfd probe{port_.masterFd(), POLLIN, 0};
    if (::poll(&probe, 1, 0) >= 0 && (probe.revents & POLLHUP) == 0) markConnected(true);
  }
  while (cause_ == EndCause::Running) {
    Clock::time_point now = Clock::now();
    if (!performDue(now) || cause_ != EndCause::Running) break;
    if (now >= deadline) {
      cause_ = EndCause::TimedOut;
      break;
    }
    Clock::time_point wake = deadline;
    if (!queue_.empty() && !writeBlocked_) wake = std::min(wake, queue_.front().due);
    armTimer(wake);

    pollfd fds[4];
    nfds_t count = 0;
    fds[count++] = {stopFd_, POLLIN, 0};
    fds[count++] = {timerFd_, POLLIN, 0};
    const nfds_t masterAt = count;
    if (connected_) {
      fds[count++] = {port_.masterFd(), static_cast<short>(POLLIN | (writeBlocked_ ? POLLOUT : 0)),
                      0};
    }
    const nfds_t watchAt = count;
    if (watchFd_ >= 0) fds[count++] = {watchFd_, POLLIN, 0};
    const int ready = ::poll(fds, count, connected_ ? -1 : kClosedRecheckMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      cause_ = EndCause::Failed;
      break;
    }
    if (fds[0].revents != 0) {
      cause_ = EndCause::Stopped;
      break;
    }
    if (fds[1].revents != 0) drain(timerFd_);
    if (watchFd_ >= 0 && fds[watchAt].revents != 0) drain(watchFd_);
    if (connected_) {
      const short revents = fds[masterAt].revents;
      if (revents & POLLOUT) writeBlocked_ = false;
      if (revents & (POLLIN | POLLHUP | POLLERR)) {
        if (!receive((revents & (POLLHUP | POLLERR)) != 0)) markConnected(false);
      }
    } else {
      // Also catches a program that opened, wrote and closed again while we were not looking.
      pollfd probe{port_.masterFd(), POLLIN, 0};
      if (::poll(&probe, 1, 0) >= 0) {
        const bool hangUp = (probe.revents & POLLHUP) != 0;
        if (!hangUp || (probe.revents & POLLIN) != 0) {
          markConnected(true);
          if ((probe.revents & POLLIN) != 0 && !receive(hangUp)) markConnected(false);
        }
      }
    }
  }
  finish(cause_);
}

// Returns false when the program end turned out to be closed.
bool Simulator::receive(bool hangUpSeen) {
  std::uint8_t buf[4096];
  for (int i = 0; i < kReadsPerWake; ++i) {
    const Clock::time_point arrival = Clock::now();
    const ssize_t n = ::read(port_.masterFd(), buf, sizeof buf);
    if (n > 0) {
      feed(buf, static_cast<std::size_t>(n), arrival);
      if (cause_ != EndCause::Running) return true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return !hangUpSeen;
    if (n < 0 && errno != EIO) cause_ = EndCause::Failed;
    // EIO (or end of file): no process has the program end open any more.
    return false;
  }
  return true;
}

void Simulator::feed(const std::uint8_t* data, std::size_t size, Clock::time_point arrival) {
  const Clock::duration byteTime = bytesTime(1);
  std::vector<Output> outputs;
  {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < size; ++i) {
      // A byte counts as received when its last bit would have arrived on the line.
      rxDone_ = std::max(rxDone_, arrival) + byteTime;
      outputs.clear();
      device_.feed(data[i], outputs);
      if (!outputs.empty()) schedule(outputs, rxDone_);
    }
    report_.device = device_.state();
  }
  changed_.notify_all();
}

void Simulator::schedule(const std::vector<Output>& outputs, Clock::time_point ready) {
  Clock::time_point previous = ready;
  for (const Output& output : outputs) {
    const Clock::time_point wanted =
        output.gapBefore.count() > 0 ? previous + output.gapBefore : ready;
    const Clock::time_point due = std::max(txFree_, wanted) + bytesTime(output.bytes.size());
    txFree_ = due;
    previous = due;
    queue_.push_back({due, output, 0});
  }
}

// Carries out every output that is due; false when the line is gone.
bool Simulator::performDue(Clock::time_point now) {
  while (!queue_.empty() && !writeBlocked_ && queue_.front().due <= now) {
    Pending& head = queue_.front();
    if (head.output.kind == Output::Kind::HangUp) {
      queue_.clear();
      port_.hangUp();
      cause_ = EndCause::HungUp;
      return false;
    }
    pollfd probe{port_.masterFd(), POLLOUT, 0};
    const bool closed = ::poll(&probe, 1, 0) == 1 && (probe.revents & POLLHUP) != 0;
    const std::string& bytes = head.output.bytes;
    if (closed) {
      // Bytes sent to a closed port are lost, as on a real line; a pseudo-terminal would keep
      // them for whoever opens it next.
      {
        std::lock_guard lock(mutex_);
        report_.lostBytes += bytes.size() - head.written;
      }
      queue_.pop_front();
      continue;
    }
    const ssize_t n =
        ::write(port_.masterFd(), bytes.data() + head.written, bytes.size() - head.written);
    const int err = errno;
    if (n > 0) {
      const Clock::time_point wrote = Clock::now();
      {
        std::lock_guard lock(mutex_);
        writes_.push_back({wrote, static_cast<std::size_t>(n)});
        report_.writes = writes_.size();
      }
      head.written += static_cast<std::size_t>(n);
      if (head.written == bytes.size()) {
        queue_.pop_front();
        // A gap is kept from the write that really happened, however late it came.
        if (!queue_.empty() && queue_.front().output.gapBefore.count() > 0) {
          Pending& next = queue_.front();
          next.due = std::max(next.due,
                              wrote + next.output.gapBefore + bytesTime(next.output.bytes.size()));
        }
      }
      changed_.notify_all();
      continue;
    }
    if (n < 0 && err == EINTR) continue;
    if (n < 0 && err == EAGAIN) {
      writeBlocked_ = true;
      return true;
    }
    if (n < 0 && err == EIO) {
      std::lock_guard lock(mutex_);
      report_.lostBytes += bytes.size() - head.written;
      queue_.pop_front();
      continue;
    }
    cause_ = EndCause::Failed;
    return false;
  }
  return true;
}

void Simulator::armTimer(Clock::time_point when) {
  itimerspec due{};
  if (when != Clock::time_point::max()) {
    due.it_value = toTimespec(when);
    // A zero value would disarm the timer instead of firing at once.
    if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
  }
  ::timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

void Simulator::finish(EndCause cause) {
  queue_.clear();
  port_.close();
  {
    std::lock_guard lock(mutex_);
    report_.device = device_.state();
    report_.connected = false;
    report_.cause = cause;
    report_.verdict = judge(report_.device, options_.device.faults, cause);
    std::string error;
    if (!options_.saveFile.empty() && !saveImage(options_.saveFile, device_.image(), error)) {
      report_.verdict.ok = false;
      report_.verdict.reason += "; could not save " + options_.saveFile + ": " + error;
    }
    report_.summary = summaryLine(comName_, report_.verdict, report_.device);
    report_.finished = true;
  }
  changed_.notify_all();
}

}  // namespace hi::devsim
