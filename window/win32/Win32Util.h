// Between the window layer's plain values and Win32's: colours, fonts and texts.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Helpers.h"
#include "window/Picture.h"

namespace hi {

// A colour as the graphs give it, system colours through GetSysColor.
COLORREF toColorRef(std::uint32_t colour);

// A font of the record for a display of `dpi` pixels per inch (0: the system's); the caller
// deletes it. Size 0 takes the default font's size.
HFONT createFont(const TFontRec& font, int dpi = 0);
// The font controls start with (the system driver's default font) at the system's DPI.
HFONT defaultControlFont();

// The system's pixels per inch (what a window on the primary monitor starts with).
int systemDpi();
// A window's pixels per inch: its monitor's under per-monitor awareness (Windows 10 and
// later), else the system's.
int windowDpi(HWND hwnd);
// AdjustWindowRectEx for a DPI: the frame and caption grow with it on Windows 10 and later.
void adjustWindowRectForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi);
// A system metric (icon sizes) at a DPI.
int systemMetricForDpi(int index, int dpi);

// A window's text as code page 1251, and code page 1251 text into a window.
std::string windowText(HWND hwnd);
void setWindowText(HWND hwnd, std::string_view cp1251Text);

// An icon of the picture's size; null when the picture is empty.
HICON createIcon(const Picture& picture);

}  // namespace hi
