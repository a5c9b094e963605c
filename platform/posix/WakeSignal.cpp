#include "platform/posix/WakeSignal.h"

#include <fcntl.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/eventfd.h>
#endif

#include <cstdint>

namespace hi {

WakeSignal::WakeSignal() {
#ifdef __linux__
  readFd_ = writeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#else
  int ends[2];
  if (::pipe(ends) == 0) {
    for (int fd : ends) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    readFd_ = ends[0];
    writeFd_ = ends[1];
  }
#endif
}

WakeSignal::~WakeSignal() {
  if (writeFd_ >= 0 && writeFd_ != readFd_) ::close(writeFd_);
  if (readFd_ >= 0) ::close(readFd_);
}

void WakeSignal::raise() {
  if (writeFd_ < 0) return;
  // A full counter or pipe already means "readable": the write may fail harmlessly.
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(writeFd_, &one, sizeof one);
}

void WakeSignal::clear() {
  if (readFd_ < 0) return;
  std::uint64_t buffer[16];
  while (::read(readFd_, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace hi
