// Wakes the GUI (home) thread of a Win32 program from any thread: a message posted to a
// message-only window of that thread. Every message loop dispatches it, the modal ones
// too (a message box, a window being dragged), where an event handle would wait until the
// program's own loop came round again.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <functional>

namespace hi {

class HomeWake {
 public:
  // On the home thread: `onWake` runs there, from its message loop, after raise(). Made
  // and destroyed on that thread (a window belongs to the thread that made it).
  explicit HomeWake(std::function<void()> onWake);
  ~HomeWake();
  HomeWake(const HomeWake&) = delete;
  HomeWake& operator=(const HomeWake&) = delete;

  bool valid() const { return window_ != nullptr; }
  // Any thread. Raises that come before the home thread got round to the first run once:
  // at most one message waits in the queue, however many threads raise.
  void raise();

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l);

  std::function<void()> onWake_;
  std::atomic<bool> pending_{false};
  HWND window_ = nullptr;
};

}  // namespace hi
