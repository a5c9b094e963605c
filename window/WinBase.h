// What the main window element and the control elements share: the common properties, the
// mouse, focus, size and visibility events, and the hook into Qt's notifications.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "runtime/Share.h"

class QEvent;

namespace hi {

// Bits of the key-state word of a mouse record, as the graphs know them.
inline constexpr std::uint32_t MkLButton = 0x01;
inline constexpr std::uint32_t MkRButton = 0x02;
inline constexpr std::uint32_t MkShift = 0x04;
inline constexpr std::uint32_t MkControl = 0x08;
inline constexpr std::uint32_t MkMButton = 0x10;

// Which notifications of a widget an element listens to.
enum HookMask : unsigned {
  hookMouse = 1,  // buttons, moves, double clicks
  hookWheel = 2,
  hookKeys = 4,
  hookHover = 8,  // enter and leave
  hookFocus = 16,
  hookGeometry = 32,  // size, position, shown
  hookPaint = 64,     // to draw an edge over the control
  hookAll = 127,
};

class WinBase : public Element {
 public:
  WinBase();
  ~WinBase() override;

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
  std::int32_t Cursor = 0;  // 0: the default cursor; otherwise Qt::CursorShape + 1
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

  // The Qt notification handler; public for the hook object only.
  bool handleEvent(QWidget* watched, QEvent* event, unsigned mask);

 protected:
  // Fires a point for a Qt notification: only if it is connected, and then as one graph
  // event, waiting for the gate while another thread runs one.
  static void fireFromGui(const EventPoint& point, TData& value);
  static void fireIntegerFromGui(const EventPoint& point, std::int32_t n);
  static void fireNullFromGui(const EventPoint& point);

  // Delivers the notifications of `w` named by `mask` to handleEvent.
  void hook(QWidget* w, unsigned mask);

  // The widget whose coordinates the mouse record uses.
  virtual QWidget* mouseWidget() const = 0;

  // Steps a kind may add to or replace. Returning true stops the notification.
  virtual bool keyPressed(QWidget* watched, QEvent* event);
  virtual bool keyReleased(QWidget* watched, QEvent* event);
  virtual void mousePressed(QWidget* watched, QEvent* event);  // before onMouseDown
  virtual void mouseEntered() {}
  virtual void mouseLeft() {}
  virtual void resized() {}
  virtual bool painted(QWidget* watched, QEvent* event);

  void applyCursor(QWidget* w) const;

 private:
  void fireMouseEnter();
  void storeMouse(QWidget* watched, QEvent* event, std::uint32_t extraKeyState);

  MouseRecord mouse_;
  std::unique_ptr<QObject> hook_;
};

}  // namespace hi
