// What the main window element and the control elements share: the common properties and
// the graph meaning of the mouse, focus, size and visibility notifications.
#pragma once

#include <cstdint>

#include "runtime/Share.h"
#include "window/ControlDriver.h"
#include "window/Sinks.h"

namespace hi {

class WinBase : public Element, public virtual InputSink {
 public:
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t Align = 0;
  std::int32_t TabOrder = 0;
  std::uint32_t Color = 0;
  std::uint8_t Frame3D = 2;
  std::uint8_t Visible = 1;
  std::uint8_t Enabled = 1;
  std::int32_t Cursor = 0;  // 0: the default cursor; otherwise the toolkit's cursor shape + 1
  std::uint8_t MouseCapture = 0;

  EventPoint onMouseDown;
  EventPoint onMouseMove;
  EventPoint onMouseUp;
  EventPoint onMouseWheel;
  EventPoint onDblClick;
  EventPoint onSetFocus;
  EventPoint onKillFocus;
  EventPoint onResize;
  EventPoint onShow;
  EventPoint onMove;
  EventPoint onMouseEnter;  // on every mouse message over the control, and on hover
  EventPoint onMouseLeave;

  // The last mouse data stored by a button or wheel event or a move.
  struct MouseRecord {
    std::int32_t button = -1;
    std::uint32_t keyState = 0;  // MkLButton...; the wheel delta in the high 16 bits
    std::int16_t x = 0;
    std::int16_t y = 0;
  };
  const MouseRecord& mouseRecord() const { return mouse_; }

  void mouseDown(const MouseInput& m) override;
  void mouseUp(const MouseInput& m) override;
  void mouseDoubleClick(const MouseInput& m) override;
  void mouseMove(const MouseInput& m) override;
  void mouseWheel(const MouseInput& m, int delta) override;
  void mouseEnter() override;
  void mouseLeave() override;
  void focusChanged(bool gained) override;
  void resized() override;
  void moved() override;
  void shown() override;

 protected:
  // Fires a point for a notification: only if it is connected, and then as one graph event,
  // waiting for the gate while another thread runs one.
  static void fireFromGui(const EventPoint& point, TData& value);
  static void fireIntegerFromGui(const EventPoint& point, std::int32_t n);
  static void fireNullFromGui(const EventPoint& point);

  // The driver of the window or control; null before its creation or after its parent took
  // it away.
  virtual WidgetDriver* widget() const = 0;

  // Steps a kind adds.
  virtual void mousePressed() {}  // before onMouseDown
  virtual void mouseEntered() {}  // after onMouseEnter
  virtual void mouseLeft() {}     // after onMouseLeave

 private:
  void store(const MouseInput& m, std::uint32_t extraKeyState);

  MouseRecord mouse_;
};

}  // namespace hi
