// Firing events, forwarding, reading data inputs, the runtime switch and the start-up list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

#include "runtime/Data.h"

namespace hi {

// Remembers which element class a handler belongs to, so that a wiring loop can be named.
void nameHandler(PointHandler handler, const std::type_info& owner);
// The element class of a handler bound by makeEventPoint; empty when unknown.
std::string handlerOwnerName(PointHandler handler);

// Events are delivered depth first, so a miswired loop would nest until the stack ran out.
// Past this depth the firing stops on that thread until its outermost event returns, and the
// loop is reported on standard error with the element it runs through.
inline constexpr int MaxEventDepth = 1000;

// Binds a member function of an element as a point handler without any allocation:
// the handler is a per-method trampoline, so a firing stays one indirect call.
// The method takes (TData&, std::uint16_t index) or, for single points, (TData&).
template <auto Method, class T>
EventPoint makeEventPoint(std::uint16_t index, T* target) {
  PointHandler h = [](void* t, TData& d, std::uint16_t i) {
    T* self = static_cast<T*>(t);
    if constexpr (std::is_invocable_v<decltype(Method), T*, TData&, std::uint16_t>) {
      (self->*Method)(d, i);
    } else {
      (void)i;
      (self->*Method)(d);
    }
  };
  static const bool named = (nameHandler(h, typeid(T)), true);
  (void)named;
  return EventPoint{h, target, index};
}

// Firing. The record belongs to the caller and may come back changed.
void fireEvent(const EventPoint& point, TData& value);
void fireCopy(const EventPoint& point, const TData& value);
void fireInteger(const EventPoint& point, std::int32_t n);
void fireString(const EventPoint& point, std::string_view s);
void fireNull(const EventPoint& point);

// Forwarding: a handler sets its own event record so that the firing loop fires the point
// after the handler has returned.
void forwardTo(TData& record, const EventPoint& point, const TData& value);
void forwardNull(TData& record, const EventPoint& point);
void forwardInteger(TData& record, const EventPoint& point, std::int32_t n);
void forwardString(TData& record, const EventPoint& point, std::string_view s);

// Reading. `chain` is the event record the reading handler received; unconnected inputs
// (and sources answering Break) fall back to the default, or to the chain's next value.
void readPoint(const EventPoint& point, TData& record);
void readOrBreak(const EventPoint& point, TData& record);
std::int32_t readInteger(TData& chain, const EventPoint& point, std::int32_t def);
std::string readString(TData& chain, const EventPoint& point, std::string_view def);
TData readValue(TData& chain, const EventPoint& point, const TData* def);
TData readValueChain(TData& chain, const EventPoint& point, const TData* def);
MemoryStream* readStream(const EventPoint& point);
std::int32_t readPointInteger(const EventPoint& point);

// The runtime switch: while off, firing and reading do nothing. Safe to read from any thread.
void enableRuntime();
void disableRuntime();
bool runtimeEnabled();

// Start-up handlers: work that needs the complete graph.
using StartupRoutine = void (*)(void* element);
void addStartupHandler(StartupRoutine routine, void* element);
void runStartupHandlers();
// Forgets the handlers of an element that goes away before they ran.
void removeStartupHandlers(void* element);
std::size_t startupHandlerCount();
extern std::uint8_t GraphReady;

}  // namespace hi
