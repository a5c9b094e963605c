#include "window/Colors.h"

#include <array>

namespace hi {

namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

// Indexes 0..30 of the desktop's standard scheme.
constexpr std::array<std::uint32_t, 31> kStandard = {
    rgb(200, 200, 200),  //  0 scroll bar
    rgb(0, 0, 0),        //  1 desktop
    rgb(153, 180, 209),  //  2 active caption
    rgb(191, 205, 219),  //  3 inactive caption
    rgb(240, 240, 240),  //  4 menu
    rgb(255, 255, 255),  //  5 window background
    rgb(100, 100, 100),  //  6 window frame
    rgb(0, 0, 0),        //  7 menu text
    rgb(0, 0, 0),        //  8 window text
    rgb(0, 0, 0),        //  9 caption text
    rgb(180, 180, 180),  // 10 active border
    rgb(244, 247, 252),  // 11 inactive border
    rgb(171, 171, 171),  // 12 application workspace
    rgb(51, 153, 255),   // 13 highlight
    rgb(255, 255, 255),  // 14 highlighted text
    rgb(240, 240, 240),  // 15 button face
    rgb(160, 160, 160),  // 16 button shadow
    rgb(109, 109, 109),  // 17 grey text
    rgb(0, 0, 0),        // 18 button text
    rgb(67, 78, 84),     // 19 inactive caption text
    rgb(255, 255, 255),  // 20 button highlight
    rgb(105, 105, 105),  // 21 3D dark shadow
    rgb(227, 227, 227),  // 22 3D light
    rgb(0, 0, 0),        // 23 tooltip text
    rgb(255, 255, 225),  // 24 tooltip background
    rgb(0, 0, 0),        // 25 unused
    rgb(0, 102, 204),    // 26 hot-tracked item
    rgb(185, 209, 234),  // 27 active caption gradient
    rgb(215, 228, 242),  // 28 inactive caption gradient
    rgb(51, 153, 255),   // 29 menu highlight
    rgb(240, 240, 240),  // 30 menu bar
};

}  // namespace

std::uint32_t standardSystemColor(std::uint8_t index) {
  return index < kStandard.size() ? kStandard[index] : kStandard[15];
}

std::uint32_t standardRgb(std::uint32_t colour) {
  return isSystemColor(colour) ? standardSystemColor(static_cast<std::uint8_t>(colour))
                               : (colour & 0x00FFFFFFu);
}

}  // namespace hi
