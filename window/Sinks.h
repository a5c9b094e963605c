// What a driver reports to its element: the user's actions and the control's changes, each
// on the home (GUI) thread. The element gives them their meaning in the graph.
#pragma once

#include <cstdint>
#include <string>

#include "window/Geometry.h"
#include "window/Picture.h"

namespace hi {

// Bits of the key-state word of a mouse record, as the graphs know them.
inline constexpr std::uint32_t MkLButton = 0x01;
inline constexpr std::uint32_t MkRButton = 0x02;
inline constexpr std::uint32_t MkShift = 0x04;
inline constexpr std::uint32_t MkControl = 0x08;
inline constexpr std::uint32_t MkMButton = 0x10;

// One mouse message: the button it is about (0 left, 1 right, 2 middle, -1 none), the
// buttons held and modifier keys as Mk bits, and where, in the control's own coordinates.
struct MouseInput {
  std::int32_t button = -1;
  std::uint32_t keyState = 0;
  int x = 0;
  int y = 0;
};

// Notifications that windows and controls share.
class InputSink {
 public:
  virtual void mouseDown(const MouseInput& m) = 0;
  virtual void mouseUp(const MouseInput& m) = 0;
  virtual void mouseDoubleClick(const MouseInput& m) = 0;
  virtual void mouseMove(const MouseInput& m) = 0;
  // delta: positive away from the user, 120 per notch of a standard wheel.
  virtual void mouseWheel(const MouseInput& m, int delta) = 0;
  virtual void mouseEnter() = 0;  // also on hover
  virtual void mouseLeave() = 0;
  virtual void focusChanged(bool gained) = 0;
  virtual void resized() = 0;
  virtual void moved() = 0;
  virtual void shown() = 0;

 protected:
  ~InputSink() = default;
};

// Where a control that draws itself (a picture) paints; colours as the graphs give them.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual Size size() const = 0;
  virtual void fill(const Rect& r, std::uint32_t colour) = 0;
  // smooth: 1 half-tone, 0 colour-on-colour (rows and columns dropped or repeated), -1 the
  // surface's default.
  virtual void drawPicture(const Rect& target, const Picture& picture, int smooth) = 0;
};

class ControlSink : public virtual InputSink {
 public:
  // vk: the virtual key code (window/KeyCodes.h), 0 for a key without one. True: the key
  // was consumed; the driver passes it on to no one, and its character is swallowed.
  virtual bool keyDown(std::int32_t vk) = 0;
  virtual void keyUp(std::int32_t vk) = 0;
  // One typed character, code page 1251. False: swallowed, the control must not take it.
  virtual bool character(const std::string& ch) = 0;
  // A button pressed (by mouse or keyboard), a label or a picture clicked.
  virtual void clicked() = 0;
  // The edit field's text changed, by the user or by the program.
  virtual void textChanged() = 0;
  // A deliberate choice in a combo box: an item picked from the open list with the mouse or
  // Enter. Moving the selection of the closed box (wheel, arrows) reports nothing.
  virtual void picked() = 0;
  // A combo box's list is about to open (by the mouse or the keyboard), before it shows: the
  // element may change the items, and the list then shows them.
  virtual void listOpening() = 0;
  virtual void paint(Canvas& canvas) = 0;

 protected:
  ~ControlSink() = default;
};

class WindowSink : public virtual InputSink {
 public:
  // The user asks to close (close box, system menu, keyboard). False keeps the window open.
  virtual bool closeRequested() = 0;
  // The client area changed its size.
  virtual void clientResized() = 0;
  // Enter that no control took. True: a default button took it.
  virtual bool enterUnhandled() = 0;

 protected:
  ~WindowSink() = default;
};

}  // namespace hi
