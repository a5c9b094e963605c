#include "runtime/Points.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#endif

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

struct HandlerNames {
  std::mutex lock;
  std::map<PointHandler, const std::type_info*> owners;
};

HandlerNames& handlerNames() {
  static HandlerNames names;
  return names;
}

std::string demangled(const char* name) {
#if __has_include(<cxxabi.h>)
  int status = 0;
  char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status == 0 && plain != nullptr) {
    std::string result(plain);
    std::free(plain);
    return result;
  }
#endif
  return name;
}

// Nesting of deliveries on this thread; `looping` drops every delivery until the outermost
// one has returned, so a loop unwinds at once instead of being re-entered from each level.
// One thread-local record, looked up once per delivery (MinGW emulates thread-locals).
struct Nesting {
  int depth = 0;
  bool looping = false;
};
thread_local Nesting t_nesting;

class DepthGuard {
 public:
  explicit DepthGuard(const EventPoint& point) : nesting_(t_nesting), entered_(enter(point)) {}
  ~DepthGuard() {
    if (--nesting_.depth == 0) nesting_.looping = false;
  }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool entered() const { return entered_; }

 private:
  bool enter(const EventPoint& point) {
    ++nesting_.depth;
    if (nesting_.looping) return false;
    if (nesting_.depth <= MaxEventDepth) return true;
    nesting_.looping = true;
    const std::string owner = handlerOwnerName(point.handler);
    std::fprintf(stderr,
                 "tormisaplex: the wiring loops: events nest over %d deep through %s, point %u "
                 "(element at %p); this event is dropped\n",
                 MaxEventDepth, owner.empty() ? "an unnamed handler" : owner.c_str(),
                 static_cast<unsigned>(point.index), point.target);
    return false;
  }

  Nesting& nesting_;
  bool entered_;
};

}  // namespace

std::uint8_t GraphReady = 0;

void nameHandler(PointHandler handler, const std::type_info& owner) {
  HandlerNames& names = handlerNames();
  const std::lock_guard<std::mutex> hold(names.lock);
  names.owners.emplace(handler, &owner);
}

std::string handlerOwnerName(PointHandler handler) {
  HandlerNames& names = handlerNames();
  const std::lock_guard<std::mutex> hold(names.lock);
  const auto it = names.owners.find(handler);
  return it == names.owners.end() ? std::string() : demangled(it->second->name());
}

void fireEvent(const EventPoint& point, TData& value) {
  if (!live()) return;
  const DepthGuard guard(point);
  if (!guard.entered()) return;
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
  if (!live() || point.handler == nullptr) return;
  const DepthGuard guard(point);
  if (guard.entered()) point.handler(point.target, record, point.index);
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
