#include "window/win32/Win32Input.h"

#include <windowsx.h>

#include <cstdint>

namespace hi {

namespace {

// MK_LBUTTON, MK_RBUTTON, MK_SHIFT, MK_CONTROL and MK_MBUTTON are the graphs' bits.
constexpr std::uint32_t kKeyStateBits = 0x1F;

std::int32_t buttonOf(UINT msg) {
  switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return 1;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return 2;
    default:
      return 0;
  }
}

}  // namespace

bool Win32Input::handle(InputSink& sink, HWND own, HWND from, UINT msg, WPARAM w, LPARAM l,
                        const DpiScale& scale) {
  const auto at = [&](std::int32_t button) {
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    if (from != own) ::MapWindowPoints(from, own, &p, 1);
    const Point layout = scale.layout(Point{p.x, p.y});
    return MouseInput{button, static_cast<std::uint32_t>(w) & kKeyStateBits, layout.x, layout.y};
  };
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      sink.mouseDown(at(buttonOf(msg)));
      return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      sink.mouseUp(at(buttonOf(msg)));
      return true;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      sink.mouseDoubleClick(at(buttonOf(msg)));
      return true;
    case WM_MOUSEMOVE:
      if (!hovering_) {
        hovering_ = true;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, from, 0};
        ::TrackMouseEvent(&track);
        sink.mouseEnter();
      }
      sink.mouseMove(at(-1));
      return true;
    case WM_MOUSELEAVE:
      hovering_ = false;
      sink.mouseLeave();
      return true;
    case WM_MOUSEWHEEL: {
      // The wheel's position is on the screen.
      POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      ::ScreenToClient(own, &p);
      const Point layout = scale.layout(Point{p.x, p.y});
      const MouseInput m{-1, static_cast<std::uint32_t>(GET_KEYSTATE_WPARAM(w)) & kKeyStateBits,
                         layout.x, layout.y};
      sink.mouseWheel(m, GET_WHEEL_DELTA_WPARAM(w));
      return true;
    }
    case WM_SETFOCUS:
      sink.focusChanged(true);
      return true;
    case WM_KILLFOCUS:
      sink.focusChanged(false);
      return true;
    default:
      return false;
  }
}

}  // namespace hi
