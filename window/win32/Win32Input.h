// The mouse and focus messages of a Win32 window or control, told to its sink in the graphs'
// terms: which button, the held buttons and keys as Mk bits, and where in layout units.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "window/DpiScale.h"
#include "window/Sinks.h"

namespace hi {

class Win32Input {
 public:
  // True when `msg` is a mouse or focus message; the sink has then been told. `own`: the window or
  // control the sink belongs to; `from`: the window that got the message (a control's
  // inner window, as a combo box's edit field, whose coordinates are mapped to `own`'s).
  bool handle(InputSink& sink, HWND own, HWND from, UINT msg, WPARAM w, LPARAM l,
              const DpiScale& scale);

 private:
  bool hovering_ = false;  // the mouse is over the window: its leaving is being tracked
};

}  // namespace hi
