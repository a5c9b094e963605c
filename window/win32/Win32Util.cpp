#include "window/win32/Win32Util.h"

#include <cstring>
#include <vector>

#include "platform/win32/WideText.h"
#include "window/Colors.h"
#include "window/SystemDriver.h"

namespace hi {

COLORREF toColorRef(std::uint32_t colour) {
  if (isSystemColor(colour)) return ::GetSysColor(static_cast<int>(colour & 0xFF));
  return colour & 0x00FFFFFFu;
}

namespace {

// Windows 10's per-DPI calls; Windows 7 and 8 lack them, so they are looked up, not linked.
template <class Fn>
Fn user32Call(const char* name) {
  static const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                           : nullptr;
}

}  // namespace

int systemDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int windowDpi(HWND hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn getDpiForWindow = user32Call<Fn>("GetDpiForWindow");
  const UINT dpi = getDpiForWindow != nullptr && hwnd != nullptr ? getDpiForWindow(hwnd) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : systemDpi();
}

void adjustWindowRectForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi) {
  using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const Fn adjustForDpi = user32Call<Fn>("AdjustWindowRectExForDpi");
  if (adjustForDpi == nullptr || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  }
}

int systemMetricForDpi(int index, int dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const Fn metricForDpi = user32Call<Fn>("GetSystemMetricsForDpi");
  if (metricForDpi != nullptr) return metricForDpi(index, static_cast<UINT>(dpi));
  return ::MulDiv(::GetSystemMetrics(index), dpi, systemDpi());
}

HFONT createFont(const TFontRec& font, int dpi) {
  LOGFONTW lf{};
  const int points = font.Size != 0 ? font.Size : 8;
  // The same rounding as the elements' point sizes at the system's density.
  lf.lfHeight = dpi > 0 ? (points * dpi + 36) / -72 : fontHeightFromPoints(points);
  lf.lfWeight = (font.Style & FontBold) != 0 ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style & FontItalic) != 0 ? TRUE : FALSE;
  lf.lfUnderline = (font.Style & FontUnderline) != 0 ? TRUE : FALSE;
  lf.lfStrikeOut = (font.Style & FontStrikeOut) != 0 ? TRUE : FALSE;
  // The texts are code page 1251: a font picked for the Western or default set may have no
  // Cyrillic letters (the bitmap "MS Sans Serif" of a Western Windows has none).
  lf.lfCharSet = font.Charset <= DEFAULT_CHARSET ? RUSSIAN_CHARSET : font.Charset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  const std::wstring face = widenCp1251(font.Name.empty() ? "MS Sans Serif" : font.Name);
  std::wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return ::CreateFontIndirectW(&lf);
}

HFONT defaultControlFont() {
  static const HFONT font = createFont(systemDriver().defaultFont());
  return font;
}

std::string windowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return narrowCp1251(text);
}

void setWindowText(HWND hwnd, std::string_view cp1251Text) {
  ::SetWindowTextW(hwnd, widenCp1251(cp1251Text).c_str());
}

HICON createIcon(const Picture& picture) {
  if (picture.empty()) return nullptr;
  BITMAPV5HEADER h{};
  h.bV5Size = sizeof h;
  h.bV5Width = picture.width;
  h.bV5Height = -picture.height;  // top-down, as the picture's rows
  h.bV5Planes = 1;
  h.bV5BitCount = 32;
  h.bV5Compression = BI_BITFIELDS;
  h.bV5RedMask = 0x00FF0000;
  h.bV5GreenMask = 0x0000FF00;
  h.bV5BlueMask = 0x000000FF;
  h.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HBITMAP colour = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  if (colour == nullptr) return nullptr;
  std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof(std::uint32_t));
  // The alpha channel masks; the monochrome mask only has to exist.
  HBITMAP mask = ::CreateBitmap(picture.width, picture.height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(colour);
  ::DeleteObject(mask);
  return icon;
}

}  // namespace hi
