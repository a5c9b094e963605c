// Whole-graph thread safety. Events start on three threads (the GUI thread, the serial
// reader and the timer); each must run to its end before another event runs in the graph.
// Every place where an event enters the graph from its own thread holds an EventScope.
//
// Window calls made by an event on another thread are carried to the home (GUI) thread with
// callOnHome, or, when they only change what the screen shows, posted with postToHome. The home thread must never block on the gate while the gate's holder waits for
// the home thread: whenever the home thread waits (for the gate, or for another thread to
// finish), it keeps running the calls posted to it, and while it runs a call for the gate's
// holder it acts as that holder, so the call may fire into the graph.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/FunctionRef.h"

namespace hi {

class EventGate {
 public:
  // One graph per process, by design: a station runs one process per unit, so the gate, the
  // runtime switch and the start-up list belong to the process. Elements reach the gate
  // here rather than being handed it, which keeps the generated schemes as they are.
  static EventGate& instance();

  // Waits until this thread may run a graph event and holds the gate (recursively). Returns
  // false, without holding it, once *cancel is true; see interruptWaits.
  bool enter(const std::atomic<bool>* cancel = nullptr);
  // The same, for a waiter that must not wait for ever behind a call that hangs: once
  // `lateAt` has passed, it ends the holder's blocking call (abortBlocked), once. `aborted`
  // tells whether it did.
  bool enter(const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point lateAt,
             bool& aborted);
  void leave();
  // A call of the running event that may wait on the system for ever (a transfer on a line
  // whose driver stalls) says how to end it, and clears that with an empty function when it
  // returns; BlockingCall does both. `abort` must return at once; it runs on the thread that
  // ends the call. Returns false outside an event of the calling thread.
  bool setBlockedAbort(std::function<void()> abort);
  // Ends the gate holder's blocking call; false when it is in none. Any thread.
  bool abortBlocked();
  bool heldByCurrentThread() const;
  // Within an event of the calling thread, keeps fn to run when the event ends, before the
  // gate is let go, so that no other event comes between, and returns true; fn runs within
  // the event and may do what the event may. Outside an event it returns false and keeps
  // nothing. Calls kept by one event run in the order they were kept.
  bool deferToEventEnd(std::function<void()> fn);
  // Makes every waiting thread look at its cancel flag again.
  void interruptWaits();

  // Makes the calling thread the home thread. `wake` is called from any thread and must make
  // the home thread call runHomeCalls() soon (for example through its event loop).
  void setHomeThread(std::function<void()> wake);
  // Runs the calls still pending, then forgets the home thread (home thread only).
  void clearHomeThread();
  bool onHomeThread() const;
  bool hasHomeThread() const;

  // Runs fn on the home thread and returns once it has run. On the home thread itself, or
  // when there is none, fn runs directly, after the calls still queued there.
  void callOnHome(FunctionRef<void()> fn);
  // Queues fn for the home thread behind every call carried there before and returns at
  // once. A call still queued under the same owner and slot is dropped: fn must replace
  // its whole effect. fn must not fire into the graph nor read from it, since it runs
  // outside the poster's event. Posted within an event, fn is handed over when the event
  // ends, or with a later call of the event once the first has waited 20 ms, or with a
  // waited-for call. On the home thread, or when there is none, fn runs directly, after
  // the calls still queued.
  void postToHome(const void* owner, int slot, std::function<void()> fn);
  // Drops every queued call of an owner that is going away (home thread).
  void dropPosted(const void* owner);
  // Runs the calls that other threads posted (home thread only; elsewhere it does nothing).
  void runHomeCalls();
  // Whether the calling thread is running, at any depth, a call that `poster` posted and
  // is blocked on. Waiting for `poster` to finish would then never end.
  bool runningCallFor(std::thread::id poster) const;

  // Blocks until done() is true. On the home thread, posted calls keep running meanwhile, so
  // a thread that is being waited for can finish its window calls. done() runs with the
  // gate's internal lock held: keep it to reading flags. Call notify() after changing them.
  void waitUntil(FunctionRef<bool()> done);
  void notify();

 private:
  struct HomeCall {
    FunctionRef<void()> fn;
    std::thread::id poster;
    bool done = false;
  };
  // One entry of the home thread's queue: a call whose poster waits, or a posted one.
  struct Queued {
    HomeCall* call = nullptr;
    std::function<void()> posted;  // empty once dropped
    const void* owner = nullptr;
    int slot = 0;
  };

  void runHomeCallsLocked(std::unique_lock<std::mutex>& lock);
  // Wakes the home thread for its queue unless a wake-up is already on its way.
  void wakeHomeLocked(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id owner_;
  int depth_ = 0;
  std::thread::id home_;
  std::function<void()> wake_;
  // Entries are only added at the back and taken from the front, so pointers to them stay
  // valid while queued; pending_ finds the queued posted call of an owner's slot.
  std::deque<Queued> calls_;
  std::map<std::pair<const void*, int>, Queued*> pending_;
  bool wakeSent_ = false;  // the home thread has been woken and has not yet looked
  bool wakeDeferred_ = false;  // posted calls wait for the end of the poster's event
  std::chrono::steady_clock::time_point deferredSince_{};
  // How long the posted calls of a running event wait for the home thread at most, about a
  // screen's frame time.
  static constexpr std::chrono::milliseconds kLongestDeferral{20};
  std::vector<std::thread::id> running_;  // posters of the calls the home thread runs
  std::vector<std::function<void()>> atEventEnd_;  // kept by the running event
  // The holder's blocking call's way out. Its own lock, held while it runs, so that the
  // call cannot return and clear it (and go away) meanwhile.
  std::mutex abortMutex_;
  std::function<void()> blockedAbort_;
};

// Declares, for its lifetime, how to end a call of the running event that may block for
// ever. Outside an event it does nothing.
class BlockingCall {
 public:
  explicit BlockingCall(std::function<void()> abort)
      : armed_(EventGate::instance().setBlockedAbort(std::move(abort))) {}
  ~BlockingCall() {
    if (armed_) EventGate::instance().setBlockedAbort({});
  }
  BlockingCall(const BlockingCall&) = delete;
  BlockingCall& operator=(const BlockingCall&) = delete;

 private:
  bool armed_;
};

// Holds the gate for the lifetime of the scope (unless the wait was cancelled).
class EventScope {
 public:
  explicit EventScope(const std::atomic<bool>* cancel = nullptr)
      : entered_(EventGate::instance().enter(cancel)) {}
  EventScope(const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point lateAt,
             bool& aborted)
      : entered_(EventGate::instance().enter(cancel, lateAt, aborted)) {}
  ~EventScope() {
    if (entered_) EventGate::instance().leave();
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

  explicit operator bool() const { return entered_; }

 private:
  bool entered_;
};

}  // namespace hi
