// The toolkit beneath a top-level window element (see ControlDriver.h for the rules every
// driver follows).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "window/ControlDriver.h"
#include "window/FrameMetrics.h"
#include "window/Picture.h"

namespace hi {

class WindowDriver : public WidgetDriver {
 public:
  virtual void setTitle(const std::string& title) = 0;  // also the taskbar entry's
  virtual void setIcon(const Icon& icon) = 0;            // also the taskbar entry's
  // The frame, and with it the sunken client edge the window draws inside it.
  virtual void setFrame(const FrameMetrics& frame) = 0;
  // The frame's top-left corner on the screen and the size inside the frame.
  virtual void place(Point frameTopLeft, Size inner, bool resizable) = 0;
  // The client area, where the controls lie, in its own coordinates.
  virtual Rect clientRect() const = 0;
  // Closes for good; the message loop ends once the program's window has closed. Asks
  // nothing of the sink.
  virtual void close() = 0;
  // Moves the window with the mouse, as if its title bar had been pressed.
  virtual void startSystemMove() = 0;
  // Tab and Shift+Tab move the focus along this chain; off until called.
  virtual void setTabChain(const std::vector<ControlDriver*>& chain) = 0;
  // Unless a control of the chain that is shown and enabled has the window's focus, gives
  // it to the first such control; with none, leaves the focus alone. Keys then always have a
  // control to go to, as they do in a dialog.
  virtual void keepFocusInChain() = 0;
};

// Defined once per toolkit folder. The window starts hidden.
std::unique_ptr<WindowDriver> newWindowDriver(WindowSink& sink);

}  // namespace hi
