// The frame of a top-level window. A graph gives a main window's Width and Height as its
// outer size, frame included, as the platform the graphs were drawn for measured it. The
// rule: the client area is the outer size less the frame of a Windows window of that border
// style at 96 pixels per inch, whatever frame the desktop really draws, so the controls get
// exactly the client area they were placed in (616 x 162 with caption and fixed frame gives
// 610 x 137). Left and Top place the frame's top-left corner. This file is the one place
// where that frame is measured.
#pragma once

#include <cstdint>

namespace hi {

inline constexpr int CaptionHeight = 19;      // title bar, with its lower border line
inline constexpr int ToolCaptionHeight = 16;  // title bar of a tool window
inline constexpr int FixedFrameWidth = 3;     // frame of a window that cannot be resized
inline constexpr int SizingFrameWidth = 4;    // frame of a resizable window
inline constexpr int ClientEdgeWidth = 2;     // sunken edge inside the frame

// The frame bits of a border style, named after the Win32 style bits they stand for
// (WS_CAPTION, WS_THICKFRAME, ..., WS_EX_CLIENTEDGE). The system menu, and with a title bar
// the close box, are kept whatever the style.
struct FrameStyle {
  bool caption = false;
  bool thickFrame = false;  // resizable
  bool minimizeBox = false;
  bool maximizeBox = false;
  bool dialogModalFrame = false;
  bool toolWindow = false;
  bool windowEdge = false;
  bool clientEdge = false;
  bool operator==(const FrameStyle&) const = default;
};

struct FrameMetrics {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int clientEdge = 0;  // part of the margins above, drawn by the window itself
  FrameStyle style;
  bool resizable() const { return style.thickFrame; }
};

// Values above 9 are not border styles; frameMetrics gives them an ordinary resizable
// window with a title bar, the look a window has before any style is applied.
bool borderStyleValid(std::uint8_t borderStyle);
FrameMetrics frameMetrics(std::uint8_t borderStyle);

}  // namespace hi
