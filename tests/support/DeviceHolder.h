// Another process that holds a device, as a terminal program would: with a lock on it
// (flock, as this program takes one) or merely open.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace hi::test {

class DeviceHolder {
 public:
  enum Mode { Lock, Open };

  // Returns once the child holds the device (or has failed to: then holding() is false).
  DeviceHolder(const std::string& path, Mode mode) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls: the parent may have threads.
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const bool ok = fd >= 0 && (mode == Open || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
      // Nothing else of the parent's stays open here: a pty master kept by this child
      // would keep its slave from going away when the test closes it.
      for (int other = 3; other < 1024; ++other) {
        if (other != fd && other != ready[1]) ::close(other);
      }
      const char answer = ok ? '1' : '0';
      // The parent reads a closed pipe as a failure, so a lost answer needs no handling.
      if (::write(ready[1], &answer, 1) != 1) _exit(1);
      ::close(ready[1]);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char answer = '0';
    if (pid_ > 0 && ::read(ready[0], &answer, 1) == 1) holding_ = answer == '1';
    ::close(ready[0]);
  }
  ~DeviceHolder() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  DeviceHolder(const DeviceHolder&) = delete;
  DeviceHolder& operator=(const DeviceHolder&) = delete;

  bool holding() const { return holding_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool holding_ = false;
};

// The name this test program's processes carry, as the system shows it.
inline std::string thisProgramName() {
  char buf[64] = {};
  const int fd = ::open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
  const ssize_t n = fd >= 0 ? ::read(fd, buf, sizeof buf - 1) : -1;
  if (fd >= 0) ::close(fd);
  std::string name(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

}  // namespace hi::test
