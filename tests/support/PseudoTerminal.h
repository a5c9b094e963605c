// Pseudo-terminals standing in for serial ports, and a port map directory that names them.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hi::test {

// The device end is the slave (what the code under test opens by name); the test plays the
// peer on the master.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) == 0) slavePath_ = name;
  }
  ~PseudoTerminal() { closeMaster(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool ok() const { return master_ >= 0 && !slavePath_.empty(); }
  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Writes everything, waiting for room as long as it takes the reader (up to 30 s).
  bool write(std::string_view data) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!data.empty()) {
      const ssize_t n = ::write(master_, data.data(), data.size());
      if (n > 0) {
        data.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
    return true;
  }

  // Reads until `size` bytes came or `timeout` passed.
  std::string read(std::size_t size, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buf[4096];
    while (out.size() < size) {
      const ssize_t n = ::read(master_, buf, std::min(sizeof buf, size - out.size()));
      if (n > 0) {
        out.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) break;
      if (std::chrono::steady_clock::now() > deadline) break;
      pollfd p{master_, POLLIN, 0};
      ::poll(&p, 1, 50);
    }
    return out;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

// A temporary TORMISAPLEX_PORTS directory for the life of the object.
class PortsDirectory {
 public:
  PortsDirectory() {
    char templ[] = "/tmp/tormisaplex-ports-XXXXXX";
    if (::mkdtemp(templ) != nullptr) dir_ = templ;
    const char* old = std::getenv("TORMISAPLEX_PORTS");
    if (old != nullptr) previous_ = old;
    ::setenv("TORMISAPLEX_PORTS", dir_.c_str(), 1);
  }
  ~PortsDirectory() {
    if (previous_) {
      ::setenv("TORMISAPLEX_PORTS", previous_->c_str(), 1);
    } else {
      ::unsetenv("TORMISAPLEX_PORTS");
    }
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  PortsDirectory(const PortsDirectory&) = delete;
  PortsDirectory& operator=(const PortsDirectory&) = delete;

  const std::string& path() const { return dir_; }

  // Names `target` COM<n>.
  bool link(int n, const std::string& target) {
    return ::symlink(target.c_str(), (dir_ + "/COM" + std::to_string(n)).c_str()) == 0;
  }
  bool add(const std::string& entry, const std::string& target) {
    return ::symlink(target.c_str(), (dir_ + "/" + entry).c_str()) == 0;
  }

 private:
  std::string dir_;
  std::optional<std::string> previous_;
};

}  // namespace hi::test
