// The user's eyes and hands on the window elements, whatever realisation they run on. The
// same tests run on each: every realisation's test binaries link their own Hands.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "window/Geometry.h"
#include "window/SystemDriver.h"

namespace hi {
class THIWin;
class THIComboBox;
class THISimpleForm;
}  // namespace hi

namespace hi::test {

class Hands {
 public:
  virtual ~Hands() = default;

  // What the toolkit shows.
  virtual bool visible(const THIWin& control) = 0;  // not hidden (its window may be)
  virtual bool enabled(const THIWin& control) = 0;
  virtual Rect bounds(const THIWin& control) = 0;
  virtual std::string text(const THIWin& control) = 0;  // code page 1251, CR LF breaks
  virtual std::uint32_t textColour(const THIWin& control) = 0;  // 0x00BBGGRR
  virtual bool underlined(const THIWin& control) = 0;
  virtual bool windowVisible(const THISimpleForm& form) = 0;
  virtual bool windowEnabled(const THISimpleForm& form) = 0;
  // Has its window's keyboard focus (an inner part of it, such as a combo box's field, too).
  virtual bool focused(const THIWin& control) = 0;

  // What the user does. A left click in the middle of a control.
  virtual void click(THIWin& control) = 0;
  // Mouse messages at a point of the control: a press, a release (each of the left, 1 right
  // or 2 middle button) and a move with the buttons held as Mk bits.
  virtual void press(THIWin& control, std::int32_t button, Point at) = 0;
  virtual void release(THIWin& control, std::int32_t button, Point at) = 0;
  virtual void move(THIWin& control, std::uint32_t held, Point at) = 0;
  virtual void wheel(THIWin& control, int delta) = 0;
  virtual void hover(THIWin& control, bool enter) = 0;
  // Characters typed into a control with the focus (letters, digits, blanks).
  virtual void type(THIWin& control, const std::string& text) = 0;
  // A key pressed and released (Enter types its character too).
  virtual void key(THIWin& control, std::int32_t vk) = 0;
  // Opens a combo box's list (as a click on its arrow does) and leaves it open.
  virtual void openList(THIComboBox& combo) = 0;
  // Picks the item of a combo box's list with the mouse, opening the list first if it is
  // closed.
  virtual void pick(THIComboBox& combo, int index) = 0;
  // The window's close box; true when the window closed.
  virtual bool closeBox(THISimpleForm& form) = 0;
};

Hands& hands();

// Runs the home thread's message loop until done() holds or the time is up.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return systemDriver().runUntil(done, timeout);
}

}  // namespace hi::test
