// Colours as the graphs give them: a value whose high byte is 0xFF names a system colour by
// its low byte; any other value is 0x00BBGGRR.
#pragma once

#include <cstdint>

namespace hi {

inline constexpr std::uint32_t SystemColor = 0xFF000000u;
inline constexpr std::uint32_t clWindow = SystemColor | 5;
inline constexpr std::uint32_t clWindowText = SystemColor | 8;
inline constexpr std::uint32_t clBtnFace = SystemColor | 15;
inline constexpr std::uint32_t clBtnShadow = SystemColor | 16;
inline constexpr std::uint32_t cl3DLight = SystemColor | 22;
inline constexpr std::uint32_t clInfoText = SystemColor | 23;
inline constexpr std::uint32_t clInfoBk = SystemColor | 24;

inline constexpr bool isSystemColor(std::uint32_t colour) {
  return (colour & 0xFF000000u) == SystemColor;
}

// The system colours of the desktop scheme the graphs were drawn for, as 0x00BBGGRR, for
// toolkits that have no system colours of that kind (docs/window-layer.md says which
// values and why). Indexes past the table give the button face.
std::uint32_t standardSystemColor(std::uint8_t index);

// A colour as 0x00BBGGRR, a system colour taken from standardSystemColor.
std::uint32_t standardRgb(std::uint32_t colour);

}  // namespace hi
