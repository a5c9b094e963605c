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
  bool aborted = true;  // never late
  return enter(cancel, std::chrono::steady_clock::time_point::max(), aborted);
}

bool EventGate::enter(const std::atomic<bool>* cancel,
                      std::chrono::steady_clock::time_point lateAt, bool& aborted) {
  const auto self = std::this_thread::get_id();
  bool late = false;
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
    if (late || lateAt == std::chrono::steady_clock::time_point::max()) {
      changed_.wait(lock);
    } else if (changed_.wait_until(lock, lateAt) == std::cv_status::timeout) {
      late = true;
      lock.unlock();
      aborted = abortBlocked();
      lock.lock();
    }
  }
}

bool EventGate::setBlockedAbort(std::function<void()> abort) {
  if (!heldByCurrentThread()) return false;
  std::lock_guard lock(abortMutex_);
  blockedAbort_ = std::move(abort);
  return true;
}

bool EventGate::abortBlocked() {
  std::lock_guard lock(abortMutex_);
  if (!blockedAbort_) return false;
  blockedAbort_();
  return true;
}

void EventGate::leave() {
  std::unique_lock lock(mutex_);
  // What the event kept for its end runs while the gate is still held; it may keep more.
  while (depth_ == 1 && !atEventEnd_.empty()) {
    std::vector<std::function<void()>> kept;
    kept.swap(atEventEnd_);
    lock.unlock();
    for (const auto& fn : kept) fn();
    lock.lock();
  }
  if (depth_ > 0 && --depth_ == 0) {
    owner_ = std::thread::id{};
    changed_.notify_all();
    // What the event posted for the screen goes there now that the event is over.
    if (wakeDeferred_) wakeHomeLocked(lock);
  }
}

bool EventGate::heldByCurrentThread() const {
  std::lock_guard lock(mutex_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

bool EventGate::deferToEventEnd(std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
  atEventEnd_.push_back(std::move(fn));
  return true;
}

void EventGate::interruptWaits() {
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

void EventGate::setHomeThread(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  home_ = std::this_thread::get_id();
  wake_ = std::move(wake);
  wakeSent_ = false;
  wakeDeferred_ = false;
}

void EventGate::clearHomeThread() {
  std::unique_lock lock(mutex_);
  if (home_ != std::this_thread::get_id()) return;
  runHomeCallsLocked(lock);
  home_ = std::thread::id{};
  wake_ = nullptr;
  wakeSent_ = false;
  wakeDeferred_ = false;
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
    // What other threads queued before goes first, so no older change lands after this one.
    if (home_ == self) runHomeCallsLocked(lock);
    lock.unlock();
    fn();
    return;
  }
  HomeCall call{fn, self};
  calls_.push_back(Queued{&call, nullptr, nullptr, 0});
  wakeHomeLocked(lock);
  changed_.wait(lock, [&] { return call.done; });
}

void EventGate::postToHome(const void* owner, int slot, std::function<void()> fn) {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (home_ == std::thread::id{} || home_ == self) {
    if (home_ == self) runHomeCallsLocked(lock);
    lock.unlock();
    fn();
    return;
  }
  const auto [it, fresh] = pending_.try_emplace({owner, slot}, nullptr);
  if (!fresh && it->second == &calls_.back()) {
    // Nothing came between: the newer call simply takes the older one's place.
    it->second->posted = std::move(fn);
    return;
  }
  // Otherwise the older one is dropped where it stands and the newer one queued behind
  // what came between, so that the calls run in the order they were made.
  if (!fresh) it->second->posted = nullptr;
  calls_.push_back(Queued{nullptr, std::move(fn), owner, slot});
  it->second = &calls_.back();
  // Within an event the home thread is woken once the event ends, or once the screen has
  // waited long enough, so that it takes a burst of changes (a block's 256 CRC texts) at
  // once instead of waking for each.
  if (depth_ > 0 && owner_ == self && !wakeSent_) {
    const auto now = std::chrono::steady_clock::now();
    if (!wakeDeferred_) {
      wakeDeferred_ = true;
      deferredSince_ = now;
      return;
    }
    if (now - deferredSince_ < kLongestDeferral) return;
  }
  wakeHomeLocked(lock);
}

void EventGate::dropPosted(const void* owner) {
  std::lock_guard lock(mutex_);
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->first.first == owner) {
      it->second->posted = nullptr;
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
}

void EventGate::wakeHomeLocked(std::unique_lock<std::mutex>& lock) {
  // One wake-up until the home thread looks at its queue: a thread switch or a system call
  // per queued call would cost more than most calls themselves.
  wakeDeferred_ = false;
  // Always: the home thread may be waiting inside the gate, where the wake-up sent before
  // does not reach it.
  changed_.notify_all();
  if (wakeSent_) return;
  wakeSent_ = true;
  const std::function<void()> wake = wake_;
  lock.unlock();
  if (wake) wake();
  lock.lock();
}

void EventGate::runHomeCalls() {
  std::unique_lock lock(mutex_);
  if (home_ != std::this_thread::get_id()) return;
  runHomeCallsLocked(lock);
}

void EventGate::runHomeCallsLocked(std::unique_lock<std::mutex>& lock) {
  wakeSent_ = false;
  while (!calls_.empty()) {
    Queued entry = std::move(calls_.front());
    calls_.pop_front();
    if (entry.call == nullptr) {
      if (!entry.posted) continue;  // replaced by a newer one
      pending_.erase({entry.owner, entry.slot});
      lock.unlock();
      entry.posted();
      lock.lock();
      continue;
    }
    HomeCall* call = entry.call;
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
