// The progress bar (msctls_progress32) and the picture (a window that its element paints).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

#include "window/win32/Win32Control.h"
#include "window/win32/Win32Util.h"

namespace hi {

namespace {

class Win32Progress : public Win32Control<ProgressDriver> {
 public:
  Win32Progress(WindowDriver* parent, ControlSink& sink, const ProgressStyle& style)
      : Win32Control(sink) {
    core_.create(parent, PROGRESS_CLASSW,
                 (style.vertical ? PBS_VERTICAL : 0) | (style.smooth ? PBS_SMOOTH : 0));
    // A themed bar draws the theme's colours and ignores the graph's bar and background
    // colours; the classic bar draws them. A blank name matches no theme (Wine takes an
    // empty one as none given).
    ::SetWindowTheme(handle(), L" ", L" ");
  }
  void setRange(std::int32_t max) override {
    max_ = max;
    send(PBM_SETRANGE32, 0, std::max(max, 0));
    show();
  }
  void setPosition(std::int32_t position) override {
    position_ = position;
    show();
  }
  void setColor(std::uint32_t colour) override {
    core_.setColor(colour);
    send(PBM_SETBKCOLOR, 0, toColorRef(colour));
  }
  void setBarColor(std::uint32_t colour) override { send(PBM_SETBARCOLOR, 0, toColorRef(colour)); }

 private:
  void show() { send(PBM_SETPOS, std::clamp(position_, 0, std::max(max_, 0))); }

  std::int32_t max_ = 0;
  std::int32_t position_ = 0;
};

// Paints on a window's device context inside its edge.
class DcCanvas : public Canvas {
 public:
  DcCanvas(HDC dc, Size size) : dc_(dc), size_(size) {}
  Size size() const override { return size_; }
  void fill(const Rect& r, std::uint32_t colour) override {
    HBRUSH brush = ::CreateSolidBrush(toColorRef(colour));
    const RECT rc{r.left, r.top, r.right(), r.bottom()};
    ::FillRect(dc_, &rc, brush);
    ::DeleteObject(brush);
  }
  void drawPicture(const Rect& t, const Picture& picture, int smooth) override {
    if (picture.empty() || t.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (smooth >= 0) ::SetStretchBltMode(dc_, smooth == 1 ? HALFTONE : COLORONCOLOR);
    if (smooth == 1) ::SetBrushOrgEx(dc_, 0, 0, nullptr);
    ::StretchDIBits(dc_, t.left, t.top, t.width, t.height, 0, 0, picture.width, picture.height,
                    picture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  }

 private:
  HDC dc_;
  Size size_;
};

constexpr const wchar_t* PictureClass = L"TormisaplexPicture";

LRESULT CALLBACK pictureProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return ::DefWindowProcW(hwnd, msg, w, l);
}

const wchar_t* pictureClass() {
  static const ATOM registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &pictureProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = PictureClass;
    return ::RegisterClassExW(&wc);
  }();
  (void)registered;
  return PictureClass;
}

class Win32Picture : public Win32Control<ControlDriver> {
 public:
  Win32Picture(WindowDriver* parent, ControlSink& sink) : Win32Control(sink) {
    core_.create(parent, pictureClass(), 0);
    core_.clicksOnPress = true;
    core_.paintsItself = true;
  }

 protected:
  bool message(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(handle(), &ps);
    RECT r{};
    ::GetClientRect(handle(), &r);
    // Drawn off screen first: the element fills the background and then the picture.
    HDC memory = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, std::max<LONG>(r.right, 1), std::max<LONG>(r.bottom, 1));
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    DcCanvas canvas(memory, Size{r.right, r.bottom});
    core_.sink().paint(canvas);
    ::BitBlt(dc, 0, 0, r.right, r.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::EndPaint(handle(), &ps);
    result = 0;
    return true;
  }
};

}  // namespace

std::unique_ptr<ProgressDriver> newProgressDriver(WindowDriver* parent, ControlSink& sink,
                                                  const ProgressStyle& style) {
  return std::make_unique<Win32Progress>(parent, sink, style);
}

std::unique_ptr<ControlDriver> newPictureDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<Win32Picture>(parent, sink);
}

}  // namespace hi
