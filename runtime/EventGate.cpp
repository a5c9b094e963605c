#include "runtime/EventGate.h"

#include <algorithm>
#include <chrono>

namespace hi {

EventGate& EventGate::instance() {
  // Never destroyed. When the process ends through exit() while another thread still waits
  // in the gate (the window system went away mid-upload and the toolkit called exit), the
  // destructor of the condition variable would wait for that thread for ever.
  static EventGate* const gate = new EventGate;
  return *gate;
}

bool EventGate::enter(const std::atomic<bool>* cancel) {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  for (;;) {
    if (depth_ == 0 || owner_ == self) {
      owner_ = self;
      ++depth_;
      return true;
    }
    if (cancel != nullptr && cancel->load()) return false;
    if (self == home_ && !calls_.empty()) {
      runHomeCallsLocked(lock);
      continue;
    }
    changed_.wait(lock);
  }
}

void EventGate::leave() {
  std::lock_guard lock(mutex_);
  if (depth_ > 0 && --depth_ == 0) {
    owner_ = std::thread::id{};
    lastEventEnd_ = std::chrono::steady_clock::now();
    changed_.notify_all();
  }
}

bool EventGate::heldByCurrentThread() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

std::chrono::steady_clock::time_point EventGate::lastEventEnd() const {
  std::lock_guard lock(mutex_);
  return lastEventEnd_;
}

void EventGate::interruptWaits() {
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

void EventGate::setHomeThread(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  home_ = std::this_thread::get_id();
  wake_ = std::move(wake);
}

void EventGate::clearHomeThread() {
  std::unique_lock lock(mutex_);
  if (home_ != std::this_thread::get_id()) return;
  runHomeCallsLocked(lock);
  home_ = std::thread::id{};
  wake_ = nullptr;
}

bool EventGate::onHomeThread() const {
  std::lock_guard lock(mutex_);
  return home_ == std::this_thread::get_id();
}

bool EventGate::hasHomeThread() const {
  std::lock_guard lock(mutex_);
  return home_ != std::thread::id{};
}

void EventGate::callOnHome(FunctionRef<void()> fn) {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (home_ == std::thread::id{} || home_ == self) {
    lock.unlock();
    fn();
    return;
  }
  HomeCall call{fn, self};
  calls_.push_back(&call);
  changed_.notify_all();  // the home thread may be waiting inside the gate
  const std::function<void()> wake = wake_;
  lock.unlock();
  if (wake) wake();
  lock.lock();
  changed_.wait(lock, [&] { return call.done; });
}

void EventGate::runHomeCalls() {
  std::unique_lock lock(mutex_);
  if (home_ != std::this_thread::get_id()) return;
  runHomeCallsLocked(lock);
}

void EventGate::runHomeCallsLocked(std::unique_lock<std::mutex>& lock) {
  while (!calls_.empty()) {
    HomeCall* call = calls_.front();
    calls_.pop_front();
    // The poster is blocked until the call is done; if it holds the gate, the home thread
    // holds it in its place meanwhile, so the call may fire into the graph.
    const bool borrow = depth_ > 0 && owner_ == call->poster;
    if (borrow) owner_ = home_;
    running_.push_back(call->poster);
    lock.unlock();
    call->fn();
    lock.lock();
    running_.pop_back();
    if (borrow) owner_ = call->poster;
    call->done = true;
    changed_.notify_all();
  }
}

bool EventGate::runningCallFor(std::thread::id poster) const {
  std::lock_guard lock(mutex_);
  if (home_ != std::this_thread::get_id()) return false;
  return std::find(running_.begin(), running_.end(), poster) != running_.end();
}

void EventGate::waitUntil(FunctionRef<bool()> done) {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  while (!done()) {
    if (self == home_ && !calls_.empty()) {
      runHomeCallsLocked(lock);
      continue;
    }
    // The bound keeps a waiter going even if a flag changes without notify().
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  }
}

void EventGate::notify() {
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

}  // namespace hi
