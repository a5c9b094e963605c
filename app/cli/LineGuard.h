// Elements the command-line host puts into wires of the graph. They pass every value on
// unchanged; the guard on the write wire also stops every write the moment the user
// interrupts, and the taps tell which way an upload failure went.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "runtime/Share.h"

namespace hi::cli {

// Between the graph's write hub and the serial element's write.
class WriteGuard : public Element {
 public:
  EventPoint onPass;

  // Passes a write on unless halted. Holds the guard for the write, so that halt() returns
  // only once no write is under way.
  void doWrite(TData& d);

  // From now on no byte reaches the port, nor any that the port still holds back (see
  // insert). Any thread; waits for a write under way.
  void halt();

  // From now on one-byte writes are image bytes and "PUSK" is the start command.
  void uploadBegins() { uploading_ = true; }
  std::uint64_t imageBytes() const { return imageBytes_.load(); }
  bool startSent() const { return startSent_.load(); }

  // Puts the guard into the wire `point`. `dropHeld` forgets what the port was given and
  // has not yet handed to its driver (it gathers an event's writes).
  void insert(EventPoint& point, std::function<void()> dropHeld);

 private:
  std::mutex mutex_;
  std::function<void()> dropHeld_;
  std::atomic<bool> halted_{false};
  std::atomic<bool> uploading_{false};
  std::atomic<std::uint64_t> imageBytes_{0};
  std::atomic<bool> startSent_{false};
};

// Notes that a wire carried an event, and when it last did; with a filter, only an event
// whose value it accepts counts.
class Tap : public Element {
 public:
  using Clock = std::chrono::steady_clock;
  using Filter = bool (*)(const TData&);

  explicit Tap(Filter counts = nullptr) : counts_(counts) {}

  EventPoint onPass;
  void doPass(TData& d);
  bool fired() const { return fired_.load(); }
  // The last event's time; the epoch while none came.
  Clock::time_point last() const { return Clock::time_point(Clock::duration(last_.load())); }
  void insert(EventPoint& point);

 private:
  Filter counts_;
  std::atomic<bool> fired_{false};
  std::atomic<Clock::rep> last_{0};
};

}  // namespace hi::cli
