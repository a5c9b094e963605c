// Tells whether anything opened the watched files: proof that code only looked.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

namespace hi::test {

class OpenWatch {
 public:
  OpenWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~OpenWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  bool watch(const std::string& path) {
    return fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_OPEN) >= 0;
  }

  // Opens of the watched files since the last call. The kernel queues the event during the
  // open itself, so an open that has returned is always counted.
  int opens() {
    int count = 0;
    alignas(inotify_event) char buf[4096];
    ssize_t n;
    while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
      for (char* p = buf; p < buf + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        if ((e->mask & IN_OPEN) != 0) ++count;
        p += sizeof(inotify_event) + e->len;
      }
    }
    return count;
  }

 private:
  int fd_;
};

}  // namespace hi::test
