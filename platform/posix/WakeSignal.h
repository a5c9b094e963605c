// A descriptor that another thread can make readable: lets an event loop that waits on
// descriptors be woken without sharing any of the loop's own data between threads.
#pragma once

namespace hi {

class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  bool valid() const { return readFd_ >= 0; }
  // Readable after raise() until clear(). -1 when the descriptor could not be made.
  int fd() const { return readFd_; }
  // Any thread; async-signal-safe.
  void raise();
  void clear();

 private:
  int readFd_ = -1;
  int writeFd_ = -1;  // the same as readFd_ where one descriptor serves both ends
};

}  // namespace hi
