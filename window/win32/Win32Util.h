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

// A font of the record; the caller deletes it. Size 0 takes the default font's size.
HFONT createFont(const TFontRec& font);
// The font controls start with (the system driver's default font).
HFONT defaultControlFont();

// A window's text as code page 1251, and code page 1251 text into a window.
std::string windowText(HWND hwnd);
void setWindowText(HWND hwnd, std::string_view cp1251Text);

// An icon of the picture's size; null when the picture is empty.
HICON createIcon(const Picture& picture);

}  // namespace hi
