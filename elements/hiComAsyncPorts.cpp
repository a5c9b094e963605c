// The serial element's port list: the listing at start, listing again, and following the
// system's serial devices in between.
#include <utility>

#include "elements/PortErrorText.h"
#include "elements/hiComAsync.h"
#include "platform/PortMap.h"
#include "platform/PortWatch.h"
#include "runtime/EventGate.h"

namespace hi {

std::string THIComAsync::portListText(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += "\r\n";
    text += name;
  }
  return text;
}

bool THIComAsync::listNames(std::vector<std::string>& names, std::string& why) const {
  PortList list = serialPortList();
  if (list.error) {
    why = portListErrorText(*list.error);
    return false;
  }
  if (CheckPorts != 0) assessPortAccess(list.ports);
  for (const PortEntry& entry : list.ports) {
    if (entry.access != PortAccess::Absent) names.push_back(entry.name);
  }
  return true;
}

void THIComAsync::doEnumPorts(TData&, std::uint16_t) {
  // Following starts before the listing, so that nothing plugged in between goes unseen;
  // its first report waits for the gate, which this event holds, and then finds the list
  // below as the last one reported.
  if (WatchPorts != 0) {
    std::lock_guard lock(mutex_);
    watchStopped_ = false;
    if (!watch_) watch_ = PortWatch::start([this] { portsChanged(); });
  }
  std::vector<std::string> names;
  std::string why;
  const bool listed = listNames(names, why);
  {
    std::lock_guard lock(mutex_);
    lastList_ = portListText(names);
  }
  if (!listed) {
    fireString(onErrorText, why);
    return;
  }
  for (const std::string& name : names) fireString(onPortName, name);
}

void THIComAsync::doRefreshPorts(TData&, std::uint16_t) {
  reportPortList(false);
}

void THIComAsync::doStopWatch(TData&, std::uint16_t) {
  watchStopped_ = true;
  // A report that waits for the gate gives up instead of running after this event.
  EventGate::instance().interruptWaits();
}

bool THIComAsync::watchingPorts() const {
  return !watchStopped_;
}

void THIComAsync::reportPortList(bool onlyChanges) {
  std::vector<std::string> names;
  std::string why;
  const bool listed = listNames(names, why);
  const std::string text = portListText(names);
  {
    std::lock_guard lock(mutex_);
    if (onlyChanges && text == lastList_) return;
    lastList_ = text;
  }
  fireString(onPortList, text);
  if (!listed) fireString(onErrorText, why);
}

void THIComAsync::portsChanged() {
  ++watchReports_;
  struct Done {
    std::atomic<int>& count;
    ~Done() {
      --count;
      EventGate::instance().notify();
    }
  } done{watchReports_};
  if (watchStopped_) return;
  // The list is built inside the event, so that it is never older than an event that
  // reported before it.
  EventScope scope(&watchStopped_);
  if (!scope || watchStopped_) return;
  reportPortList(true);
}

void THIComAsync::stopWatch() {
  watchStopped_ = true;
  EventGate& gate = EventGate::instance();
  gate.interruptWaits();
  // Serves window calls meanwhile: a report may be inside one.
  gate.waitUntil([&] { return watchReports_.load() == 0; });
  std::unique_ptr<PortWatch> watch;
  {
    std::lock_guard lock(mutex_);
    watch = std::move(watch_);
  }
  watch.reset();  // a report that starts now finds following stopped
}

}  // namespace hi
