// Follows the system's serial devices, so that a port list can be built again when adapters
// are plugged in or pulled out. A report is a hint, not a list: it may come for a change that
// leaves the list as it was, and one report may stand for several changes. Whoever gets it
// builds the list again (serialPortList) and compares.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

namespace hi {

class PortWatch {
 public:
  using Changed = std::function<void()>;

  // Starts following the source of serialPortList(): the machine's devices, or the directory
  // TORMISAPLEX_PORTS names and what its entries lead to. `changed` runs on a thread of the
  // watch, or on the thread that calls reportDevicesChanged(); one call at a time, and none
  // once the watch is being destroyed. Never null: where the system offers no way to follow
  // its devices, only reportDevicesChanged() reports.
  static std::unique_ptr<PortWatch> start(Changed changed);

  // Returns once no `changed` of this watch runs. A `changed` that waits for something the
  // destroying thread holds must be told to give up first.
  virtual ~PortWatch();
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

 protected:
  explicit PortWatch(Changed changed);
  // Calls `changed` unless the watch is retiring (for a realisation's own thread).
  void report();
  // No report starts after this; waits for a running one. The first step of a realisation's
  // destructor, before it stops what calls report().
  void retire();

 private:
  struct Subscriber {
    std::mutex running;  // held while `changed` runs
    bool alive = true;
    Changed changed;
  };
  static void deliver(Subscriber& s);
  friend void reportDevicesChanged();

  std::shared_ptr<Subscriber> subscriber_;
};

// A watch that reports only what reportDevicesChanged() hands over: for systems that tell a
// window of device changes, and where the system's own way cannot be used.
std::unique_ptr<PortWatch> startRelayedPortWatch(PortWatch::Changed changed);

// Where a part of the program that hears of device changes from the system hands them on (on
// Windows the window realisation, for WM_DEVICECHANGE): every live watch reports, on the
// calling thread, before this returns.
void reportDevicesChanged();

}  // namespace hi
