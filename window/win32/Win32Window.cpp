#include "window/win32/Win32Window.h"

#include <dbt.h>

#include <algorithm>
#include <cstdlib>

#include "platform/PortWatch.h"
#include "window/KeyCodes.h"
#include "window/win32/Win32Util.h"

namespace hi {

namespace {

constexpr const wchar_t* FormClass = L"TormisaplexForm";
int openCount = 0;

ATOM registerFormClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Win32Window::windowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  // The program's icon until the graph sets one, and for the task switcher.
  wc.hIcon = ::LoadIconW(wc.hInstance, L"ASMA");
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = FormClass;
  return ::RegisterClassExW(&wc);
}

DWORD styleOf(const FrameStyle& s) {
  DWORD style = WS_CLIPCHILDREN;
  if (!s.caption && !s.thickFrame && !s.dialogModalFrame) style |= WS_POPUP;
  if (s.caption) style |= WS_CAPTION | WS_SYSMENU;
  if (s.thickFrame) style |= WS_THICKFRAME;
  if (s.dialogModalFrame && !s.caption) style |= WS_POPUP | WS_DLGFRAME;
  if (s.minimizeBox) style |= WS_MINIMIZEBOX;
  if (s.maximizeBox) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD exStyleOf(const FrameStyle& s) {
  DWORD ex = 0;
  if (s.toolWindow) ex |= WS_EX_TOOLWINDOW;
  if (s.windowEdge) ex |= WS_EX_WINDOWEDGE;
  if (s.dialogModalFrame) ex |= WS_EX_DLGMODALFRAME;
  if (s.clientEdge) ex |= WS_EX_CLIENTEDGE;
  return ex;
}

// The icon image for a size: the size itself, else the smallest larger one shrunk smoothly
// (an enlarged small image would be blocky), else the largest enlarged.
HICON iconOfSize(const Icon& icon, int size) {
  const Picture* best = nullptr;
  for (const Picture& p : icon.images) {
    if (p.empty()) continue;
    const bool fits = p.width >= size;
    const bool bestFits = best != nullptr && best->width >= size;
    if (best == nullptr || (fits && (!bestFits || p.width < best->width)) ||
        (!fits && !bestFits && p.width > best->width)) {
      best = &p;
    }
  }
  if (best == nullptr) return nullptr;
  if (best->width == size && best->height == size) return createIcon(*best);
  return createIcon(resampled(*best, size, size));
}

}  // namespace

const wchar_t* formClassName() {
  static const ATOM registered = registerFormClass();
  (void)registered;
  return FormClass;
}

int openWindows() {
  return openCount;
}

HCURSOR cursorFor(std::int32_t cursor) {
  // The graphs' cursor values, one more than the shape numbers the Qt realisation also takes.
  static const LPCWSTR shapes[] = {IDC_ARROW,  IDC_UPARROW, IDC_CROSS,    IDC_WAIT,   IDC_IBEAM,
                                   IDC_SIZENS, IDC_SIZEWE,  IDC_SIZENESW, IDC_SIZENWSE, IDC_SIZEALL,
                                   nullptr,    IDC_SIZENS,  IDC_SIZEWE,   IDC_HAND,   IDC_NO,
                                   IDC_HELP,   IDC_APPSTARTING};
  const auto index = static_cast<std::size_t>(cursor - 1);
  if (cursor <= 0 || index >= std::size(shapes)) return nullptr;
  return shapes[index] != nullptr ? ::LoadCursorW(nullptr, shapes[index]) : nullptr;
}

HWND controlParent(WindowDriver* parent) {
  if (auto* window = dynamic_cast<Win32Window*>(parent)) return window->handle();
  // Controls without a window live in a hidden window of the home thread.
  static HWND host = ::CreateWindowExW(0, formClassName(), L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, ::GetModuleHandleW(nullptr), nullptr);
  return host;
}

bool reflectToControl(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (l != 0) {
        if (Win32ControlCore* c = controlOf(reinterpret_cast<HWND>(l))) {
          c->command(HIWORD(w));
          result = 0;
          return true;
        }
      }
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (Win32ControlCore* c = controlOf(reinterpret_cast<HWND>(l))) {
        const HBRUSH brush = c->controlColours(reinterpret_cast<HDC>(w));
        if (brush != nullptr) {
          result = reinterpret_cast<LRESULT>(brush);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

Win32Window::Win32Window(WindowSink& sink) : sink_(sink) {
  hwnd_ = ::CreateWindowExW(0, formClassName(), L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr, nullptr,
                            ::GetModuleHandleW(nullptr), this);
  dpi_ = windowDpi(hwnd_);
  ++openCount;
}

Win32Window::~Win32Window() {
  for (Win32ControlCore* c : controls_) c->windowGone();
  if (!closing_) --openCount;
  if (hwnd_ != nullptr) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (brush_ != nullptr) ::DeleteObject(brush_);
  if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
}

void Win32Window::setVisible(bool visible) {
  ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void Win32Window::setColor(std::uint32_t colour) {
  if (brush_ != nullptr) ::DeleteObject(brush_);
  brush_ = ::CreateSolidBrush(toColorRef(colour));
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Window::captureMouse(bool on) {
  if (on) {
    ::SetCapture(hwnd_);
  } else if (::GetCapture() == hwnd_) {
    ::ReleaseCapture();
  }
}

void Win32Window::setTitle(const std::string& title) {
  setWindowText(hwnd_, title);
}

void Win32Window::setIcon(const Icon& icon) {
  icon_ = icon;
  applyIcon();
}

void Win32Window::applyIcon() {
  if (icon_.empty()) return;
  HICON nextBig = iconOfSize(icon_, systemMetricForDpi(SM_CXICON, dpi_));
  HICON nextSmall = iconOfSize(icon_, systemMetricForDpi(SM_CXSMICON, dpi_));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(nextBig));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(nextSmall));
  if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
  bigIcon_ = nextBig;
  smallIcon_ = nextSmall;
}

void Win32Window::setFrame(const FrameMetrics& frame) {
  const LONG_PTR visible = ::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE;
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(styleOf(frame.style)) | visible);
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, static_cast<LONG_PTR>(exStyleOf(frame.style)));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Window::place(Point frameTopLeft, Size inner, bool) {
  // The inner size holds the client edge, which Windows draws outside the client area.
  const DpiScale s = scale();
  const Size pixels = s.px(inner);
  const Point at = s.px(frameTopLeft);
  RECT r{0, 0, pixels.width, pixels.height};
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  adjustWindowRectForDpi(r, style, ex & ~static_cast<DWORD>(WS_EX_CLIENTEDGE), dpi_);
  ::SetWindowPos(hwnd_, nullptr, at.x, at.y, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect Win32Window::clientRect() const {
  RECT r{};
  ::GetClientRect(hwnd_, &r);
  return scale().layout(Rect{0, 0, r.right - r.left, r.bottom - r.top});
}

void Win32Window::forget(Win32ControlCore* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void Win32Window::dpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  // The controls first, so that the resize that follows lays out controls of the new size.
  for (Win32ControlCore* c : controls_) c->rescale();
  ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  applyIcon();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Window::close() {
  if (closing_) return;
  closing_ = true;
  --openCount;
  ::ShowWindow(hwnd_, SW_HIDE);
  // The message loop looks at the open windows again.
  ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void Win32Window::startSystemMove() {
  ::ReleaseCapture();
  ::SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Win32Window::setTabChain(const std::vector<ControlDriver*>& chain) {
  chain_.clear();
  for (ControlDriver* c : chain) {
    if (HWND h = win32Handle(c)) chain_.push_back(h);
  }
  navigation_ = true;
}

void Win32Window::keepFocusInChain() {
  const auto takesKeys = [this](HWND h) {
    const Win32ControlCore* c = controlOf(h);
    return ::IsWindowVisible(h) && ::IsWindowEnabled(h) &&
           (c == nullptr || c->focusMode() == FocusMode::Tab);
  };
  // The focus may be on a part of a control: the edit field of a combo box.
  const HWND now = ::GetFocus();
  for (HWND h : chain_) {
    if ((now == h || ::IsChild(h, now)) && takesKeys(h) && ::IsWindowEnabled(now)) return;
  }
  for (HWND h : chain_) {
    if (takesKeys(h)) {
      ::SetFocus(h);
      return;
    }
  }
}

bool Win32Window::moveFocus(HWND from, bool back) {
  if (!navigation_ || chain_.empty()) return false;
  const auto at = std::find(chain_.begin(), chain_.end(), from);
  const std::size_t n = chain_.size();
  std::size_t i = at != chain_.end() ? static_cast<std::size_t>(at - chain_.begin()) : n - 1;
  for (std::size_t step = 0; step < n; ++step) {
    i = back ? (i + n - 1) % n : (i + 1) % n;
    HWND next = chain_[i];
    const Win32ControlCore* c = controlOf(next);
    if (::IsWindowVisible(next) && ::IsWindowEnabled(next) &&
        (c == nullptr || c->focusMode() == FocusMode::Tab)) {
      ::SetFocus(next);
      return true;
    }
  }
  return true;
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(l);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  LRESULT result = 0;
  if (reflectToControl(msg, w, l, result)) return result;
  auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ == nullptr) return ::DefWindowProcW(hwnd, msg, w, l);
  return self->handle(msg, w, l);
}

LRESULT Win32Window::handle(UINT msg, WPARAM w, LPARAM l) {
  if (input_.handle(sink_, hwnd_, hwnd_, msg, w, l, scale())) {
    // The wheel is the window's own: not passed on to a parent.
    return msg == WM_MOUSEWHEEL ? 0 : ::DefWindowProcW(hwnd_, msg, w, l);
  }
  switch (msg) {
    case WM_CLOSE:
      // The window closes for good only when its element agrees; it is hidden, not
      // destroyed, so that its controls outlive it as the elements expect.
      if (!closing_ && sink_.closeRequested()) close();
      return 0;
    case WM_ERASEBKGND:
      if (brush_ != nullptr) {
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        ::FillRect(reinterpret_cast<HDC>(w), &r, brush_);
        return 1;
      }
      break;
    case WM_SIZE:
      sink_.clientResized();
      sink_.resized();
      break;
    case WM_MOVE:
      sink_.moved();
      break;
    case WM_SHOWWINDOW:
      if (w != FALSE) sink_.shown();
      break;
    case WM_DPICHANGED:
      dpiChanged(LOWORD(w), *reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_KEYDOWN:
      // Enter with the focus on the window itself may press its default button.
      if (w == VkReturn && sink_.enterUnhandled()) return 0;
      break;
    case WM_DEVICECHANGE: {
      // Top-level windows hear of ports that come and go without registering; some port
      // drivers announce nothing but a change of the device tree.
      const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(l);
      const bool port = (w == DBT_DEVICEARRIVAL || w == DBT_DEVICEREMOVECOMPLETE) &&
                        header != nullptr && header->dbch_devicetype == DBT_DEVTYP_PORT;
      if (port || w == DBT_DEVNODES_CHANGED) reportDevicesChanged();
      return TRUE;
    }
    case WM_SETCURSOR:
      if (cursor_ > 0 && reinterpret_cast<HWND>(w) == hwnd_ && LOWORD(l) == HTCLIENT) {
        ::SetCursor(cursorFor(cursor_));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, msg, w, l);
}

std::unique_ptr<WindowDriver> newWindowDriver(WindowSink& sink) {
  return std::make_unique<Win32Window>(sink);
}

}  // namespace hi
