#include "runtime/Points.h"

#include <atomic>
#include <utility>
#include <vector>

namespace hi {

namespace {

// The firing and reading slots of the runtime collapse into one switch: both hold the live
// routine or both hold the do-nothing one. Flipped on the GUI thread, read by every thread.
std::atomic<bool> g_live{false};

struct StartupEntry {
  StartupRoutine routine;
  void* element;
};

std::vector<StartupEntry>& startupList() {
  static std::vector<StartupEntry> list;
  return list;
}

inline bool live() { return g_live.load(std::memory_order_acquire); }

}  // namespace

std::uint8_t GraphReady = 0;

EventPoint makeEventPoint(std::uint16_t index, PointHandler handler, void* target) {
  return EventPoint{handler, target, index};
}

void fireEvent(const EventPoint& point, TData& value) {
  if (!live()) return;
  // Forwarded outputs fire here, after their handler returned: a line of forwarding
  // elements runs in constant stack depth.
  EventPoint p = point;
  while (p.handler != nullptr) {
    p.handler(p.target, value, p.index);
    if ((value.type & ForwardFlag) == 0) break;
    value.type = static_cast<std::uint8_t>(value.type & ~ForwardFlag);
    p = value.continuation;
  }
}

void fireCopy(const EventPoint& point, const TData& value) {
  if (!point.connected()) return;
  TData copy = value;
  fireEvent(point, copy);
}

void fireInteger(const EventPoint& point, std::int32_t n) {
  if (!point.connected()) return;
  TData d = makeInteger(n);
  fireEvent(point, d);
}

void fireString(const EventPoint& point, std::string_view s) {
  if (!point.connected()) return;
  TData d = makeString(s);
  fireEvent(point, d);
}

void fireNull(const EventPoint& point) {
  if (!point.connected()) return;
  TData d;
  fireEvent(point, d);
}

void forwardTo(TData& record, const EventPoint& point, const TData& value) {
  if (&record != &value) record = value;
  record.type = static_cast<std::uint8_t>(record.type | ForwardFlag);
  record.continuation = point;
}

void forwardNull(TData& record, const EventPoint& point) {
  record.type = dtNull | ForwardFlag;
  record.continuation = point;
}

void forwardInteger(TData& record, const EventPoint& point, std::int32_t n) {
  record.type = dtInteger | ForwardFlag;
  record.integer = n;
  record.next = nullptr;
  record.continuation = point;
}

void forwardString(TData& record, const EventPoint& point, std::string_view s) {
  record.type = dtString | ForwardFlag;
  record.text.assign(s);
  record.next = nullptr;
  record.continuation = point;
}

void readPoint(const EventPoint& point, TData& record) {
  if (live() && point.handler != nullptr) point.handler(point.target, record, point.index);
}

void readOrBreak(const EventPoint& point, TData& record) {
  if (point.connected()) {
    readPoint(point, record);
  } else {
    record.type = dtBreak;
  }
}

std::int32_t readInteger(TData& chain, const EventPoint& point, std::int32_t def) {
  if (point.connected()) {
    TData r;
    readPoint(point, r);
    if (r.type != dtBreak) return toInteger(r);
  }
  if (def != 0 || chain.type == dtNull) return def;
  const std::int32_t result = toInteger(chain);
  popValue(chain);
  return result;
}

std::string readString(TData& chain, const EventPoint& point, std::string_view def) {
  if (point.connected()) {
    TData r;
    readPoint(point, r);
    if (r.type != dtBreak) return toString(r);
  }
  if (!def.empty() || chain.type == dtNull) return std::string(def);
  std::string result = toString(chain);
  popValue(chain);
  return result;
}

TData readValue(TData& chain, const EventPoint& point, const TData* def) {
  if (point.connected()) {
    TData r;
    readPoint(point, r);
    r.next = nullptr;
    if (r.type != dtBreak) return r;
  }
  if (def != nullptr && def->type != dtNull) {
    TData copy = *def;
    copy.next = nullptr;
    return copy;
  }
  return popValue(chain);
}

TData readValueChain(TData& chain, const EventPoint& point, const TData* def) {
  if (point.connected()) {
    TData r;
    readPoint(point, r);
    if (r.type != dtBreak) return r;
  }
  if (def != nullptr && def->type != dtNull) return *def;
  TData result = std::move(chain);
  makeNull(chain);
  return result;
}

MemoryStream* readStream(const EventPoint& point) {
  TData r;
  readPoint(point, r);
  return toStream(r);
}

std::int32_t readPointInteger(const EventPoint& point) {
  TData r;
  readPoint(point, r);
  return toInteger(r);
}

void enableRuntime() { g_live.store(true, std::memory_order_release); }

void disableRuntime() { g_live.store(false, std::memory_order_release); }

bool runtimeEnabled() { return live(); }

void addStartupHandler(StartupRoutine routine, void* element) {
  startupList().push_back(StartupEntry{routine, element});
}

void runStartupHandlers() {
  auto& list = startupList();
  // A handler may register more handlers; they run in this same pass.
  for (std::size_t i = 0; i < list.size(); ++i) {
    const StartupEntry entry = list[i];
    entry.routine(entry.element);
  }
  list.clear();
  GraphReady = 1;
}

void removeStartupHandlers(void* element) {
  // The entries stay in place, as inert ones, so that a list being run keeps its positions.
  for (StartupEntry& entry : startupList()) {
    if (entry.element == element) entry.routine = [](void*) {};
  }
}

std::size_t startupHandlerCount() { return startupList().size(); }

}  // namespace hi
