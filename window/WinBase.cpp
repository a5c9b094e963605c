#include "window/WinBase.h"

#include "runtime/EventGate.h"

namespace hi {

namespace {

std::int32_t heldButton(std::uint32_t keyState) {
  if (keyState & MkLButton) return 0;
  if (keyState & MkRButton) return 1;
  if (keyState & MkMButton) return 2;
  return -1;
}

}  // namespace

void WinBase::fireFromGui(const EventPoint& point, TData& value) {
  if (!point.connected()) return;
  EventScope scope;
  fireEvent(point, value);
}

void WinBase::fireIntegerFromGui(const EventPoint& point, std::int32_t n) {
  if (!point.connected()) return;
  TData d = makeInteger(n);
  fireFromGui(point, d);
}

void WinBase::fireNullFromGui(const EventPoint& point) {
  if (!point.connected()) return;
  TData d;
  fireFromGui(point, d);
}

void WinBase::store(const MouseInput& m, std::uint32_t extraKeyState) {
  mouse_.button = m.button;
  mouse_.keyState = m.keyState | extraKeyState;
  mouse_.x = static_cast<std::int16_t>(m.x);
  mouse_.y = static_cast<std::int16_t>(m.y);
}

void WinBase::mouseDown(const MouseInput& m) {
  if (m.button < 0) return;
  mouseEnter();
  if (MouseCapture && widget() != nullptr) widget()->captureMouse(true);
  store(m, 0);
  mousePressed();
  fireIntegerFromGui(onMouseDown, m.button);
}

void WinBase::mouseUp(const MouseInput& m) {
  if (m.button < 0) return;
  mouseEnter();
  if (MouseCapture && widget() != nullptr) widget()->captureMouse(false);
  store(m, 0);
  fireIntegerFromGui(onMouseUp, m.button);
}

void WinBase::mouseDoubleClick(const MouseInput& m) {
  if (m.button < 0) return;
  mouseEnter();
  fireIntegerFromGui(onDblClick, m.button);
}

void WinBase::mouseMove(const MouseInput& m) {
  mouseEnter();
  // The value comes from the record of the previous mouse event, then this one is kept.
  const std::int32_t held = heldButton(mouse_.keyState);
  store(m, 0);
  fireIntegerFromGui(onMouseMove, held);
}

void WinBase::mouseWheel(const MouseInput& m, int delta) {
  const auto d = static_cast<std::int16_t>(delta);
  mouseEnter();
  store(m, static_cast<std::uint32_t>(static_cast<std::uint16_t>(d)) << 16);
  fireIntegerFromGui(onMouseWheel, d);
}

void WinBase::mouseEnter() {
  fireNullFromGui(onMouseEnter);
  mouseEntered();
}

void WinBase::mouseLeave() {
  fireNullFromGui(onMouseLeave);
  mouseLeft();
}

void WinBase::focusChanged(bool gained) {
  fireNullFromGui(gained ? onSetFocus : onKillFocus);
}

void WinBase::resized() {
  fireNullFromGui(onResize);
}

void WinBase::moved() {
  fireNullFromGui(onMove);
}

void WinBase::shown() {
  fireNullFromGui(onShow);
}

}  // namespace hi
