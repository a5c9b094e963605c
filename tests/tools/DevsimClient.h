#pragma once

// A plain test client for the device simulator: it opens the program end of the port the way
// any serial program would and speaks the protocol by hand. Below it, a fixture that runs the
// simulator inside the test.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/devsim/Simulator.h"

namespace hi::devsim::test {

inline constexpr std::chrono::milliseconds kPatience{20000};

// Table-driven, unlike the simulator's bitwise code, so the two check each other.
inline std::uint16_t referenceCrc(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
  static const std::array<std::uint16_t, 256> table = [] {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
      unsigned c = i;
      for (int b = 0; b < 8; ++b) c = (c & 1U) ? (c >> 1) ^ 0xA001U : c >> 1;
      t[i] = static_cast<std::uint16_t>(c);
    }
    return t;
  }();
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<std::uint16_t>(table[(crc ^ data[i]) & 0xFFU] ^ (crc >> 8));
  }
  return crc;
}

// A deterministic image that does not start with "V" (which would look like a query).
inline std::vector<std::uint8_t> testImage(std::size_t size = 260096) {
  std::vector<std::uint8_t> image(size);
  std::uint32_t x = 12345;
  for (auto& b : image) {
    x = x * 1103515245U + 12345U;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  image[0] = 0x00;
  return image;
}

inline std::string blockReply(std::uint16_t crc, bool end = false) {
  std::string reply{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
  if (end) reply += "FZ";
  return reply;
}

class Client {
 public:
  explicit Client(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) {
      termios tio{};
      ::tcgetattr(fd_, &tio);
      ::cfmakeraw(&tio);
      ::tcsetattr(fd_, TCSANOW, &tio);
    }
  }
  ~Client() { close(); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool send(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd_, p, size);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        pollfd pfd{fd_, POLLOUT, 0};
        ::poll(&pfd, 1, 1000);
        continue;
      }
      if (n <= 0) return false;
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  bool send(const std::string& text) { return send(text.data(), text.size()); }
  bool sendByteByByte(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      if (!send(data + i, 1)) return false;
    }
    return true;
  }

  // Reads until `count` bytes have come, the line hangs up, or the patience runs out.
  std::string receive(std::size_t count, std::chrono::milliseconds patience = kPatience) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + patience;
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd pfd{fd_, POLLIN, 0};
      if (::poll(&pfd, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(fd_, buf, std::min(sizeof buf, count - got.size()));
      if (n > 0) {
        got.append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        break;
      }
    }
    return got;
  }

  // What is waiting right now, without waiting.
  std::string pending() {
    char buf[256];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }

  // True once the device end has gone: the slave then reads as EIO or end of file.
  bool waitHangUp(std::chrono::milliseconds patience = kPatience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < end) {
      pollfd pfd{fd_, POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      char buf[64];
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n == 0 || (n < 0 && errno == EIO)) return true;
    }
    return false;
  }

 private:
  int fd_ = -1;
};

// A fresh directory that goes away with the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/devsim-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) != nullptr) path_ = buf.data();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A simulator with its ports in a fresh directory, started when a test asks for it.
class SimulatorFixture : public ::testing::Test {
 protected:
  // A simulator that cannot start ends the run: every later step would fail on it.
  Simulator& launch(Options options = {}) {
    options.portsDir = dir_.path();
    std::string error;
    sim_ = Simulator::create(std::move(options), error);
    if (!sim_) {
      ADD_FAILURE() << error;
      std::abort();
    }
    sim_->start();
    return *sim_;
  }

  bool waitReport(const std::function<bool(const Report&)>& done) {
    return sim_->waitUntil(done, kPatience);
  }

  TempDir dir_;
  std::unique_ptr<Simulator> sim_;
  const std::vector<std::uint8_t> image_ = testImage();
};

}  // namespace hi::devsim::test
