#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/devsim/Device.h"
#include "tools/devsim/Port.h"
#include "tools/devsim/Verdict.h"

namespace hi::devsim {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC on Linux

struct Options {
  std::string portsDir;  // empty: a fresh temporary directory
  unsigned com = 1;
  DeviceOptions device;
  std::uint32_t baud = 0;  // 0: as fast as possible; else 10/baud seconds per byte each way
  std::string saveFile;    // the image bytes received, written at the end
  std::chrono::milliseconds timeout{0};  // 0: none
};

struct WriteRecord {
  Clock::time_point at;
  std::size_t size = 0;
};

struct Report {
  DeviceState device;
  unsigned connections = 0;  // times the program end was seen opened
  bool connected = false;
  std::size_t lostBytes = 0;  // output dropped because the program end was closed
  std::size_t writes = 0;     // write calls on the device end (details in writes())
  bool finished = false;
  EndCause cause = EndCause::Running;
  Verdict verdict;
  std::string summary;
};

// A virtual device on a pseudo-terminal. create() makes the port and its link; run() serves
// it on the calling thread, start() on a thread of its own. The session ends on a stop
// request, on the timeout, on the hang-up fault, or when the program closes the port once
// the upload has begun (or after "PUSK"); closing and reopening before that is fine.
class Simulator {
 public:
  static std::unique_ptr<Simulator> create(Options options, std::string& error);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  const std::string& comName() const { return comName_; }
  const std::string& linkPath() const { return linkPath_; }
  const std::string& devicePath() const { return devicePath_; }
  const std::string& portsDir() const { return portsDir_; }
  // "COM<n> <device path> <ports dir>"
  std::string readyLine() const;

  void run();
  void start();
  // Safe from a signal handler.
  void requestStop() noexcept;

  bool waitFinished(std::chrono::milliseconds timeout) const;
  // Waits until the predicate holds for the report; it is checked after every change.
  bool waitUntil(const std::function<bool(const Report&)>& done,
                 std::chrono::milliseconds timeout) const;
  Report report() const;
  std::vector<std::uint8_t> image() const;
  std::vector<WriteRecord> writes() const;
  // 0 success, 1 failure, -1 still running.
  int exitCode() const;

 private:
  struct Pending {
    Clock::time_point due;
    Output output;
    std::size_t written = 0;
  };

  explicit Simulator(Options options);
  bool init(std::string& error);
  void loop();
  bool receive(bool hangUpSeen);
  void feed(const std::uint8_t* data, std::size_t size, Clock::time_point arrival);
  void schedule(const std::vector<Output>& outputs, Clock::time_point ready);
  bool performDue(Clock::time_point now);
  void armTimer(Clock::time_point when);
  void markConnected(bool connected);
  bool uploadBegun() const;
  void finish(EndCause cause);
  Clock::duration bytesTime(std::size_t count) const;

  Options options_;
  Port port_;
  std::string comName_, linkPath_, devicePath_, portsDir_;
  int stopFd_ = -1;
  int timerFd_ = -1;
  int watchFd_ = -1;

  // Loop thread only.
  std::deque<Pending> queue_;
  bool writeBlocked_ = false;
  bool connected_ = false;
  EndCause cause_ = EndCause::Running;
  Clock::time_point rxDone_{};
  Clock::time_point txFree_{};

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Device device_;
  Report report_;
  std::vector<WriteRecord> writes_;
  bool running_ = false;

  std::thread thread_;
};

}  // namespace hi::devsim
