#include "window/FrameMetrics.h"

namespace hi {

namespace {

FrameMetrics framed(int border, int caption, bool resizable, Qt::WindowFlags flags) {
  FrameMetrics m;
  m.left = m.right = m.bottom = border;
  m.top = border + caption;
  m.resizable = resizable;
  m.flags = flags;
  return m;
}

FrameMetrics withClientEdge(FrameMetrics m) {
  m.left += ClientEdgeWidth;
  m.top += ClientEdgeWidth;
  m.right += ClientEdgeWidth;
  m.bottom += ClientEdgeWidth;
  m.clientEdge = ClientEdgeWidth;
  return m;
}

}  // namespace

bool borderStyleValid(std::uint8_t borderStyle) {
  return borderStyle <= 9;
}

FrameMetrics frameMetrics(std::uint8_t borderStyle) {
  // The system menu is kept whatever the frame; a window with a title bar has a close box.
  constexpr Qt::WindowFlags titled = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  constexpr Qt::WindowFlags untitled = Qt::Window | Qt::CustomizeWindowHint;
  constexpr Qt::WindowFlags tool = Qt::Tool | Qt::CustomizeWindowHint;
  switch (borderStyle) {
    case 0:
      return framed(0, 0, false, Qt::Window | Qt::FramelessWindowHint);
    case 1:
      return framed(FixedFrameWidth, CaptionHeight, false, titled | Qt::WindowMinimizeButtonHint);
    case 2:
      return framed(SizingFrameWidth, CaptionHeight, true,
                    titled | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    case 3:
      return framed(FixedFrameWidth, CaptionHeight, false, titled);
    case 4:
      return framed(FixedFrameWidth, ToolCaptionHeight, false,
                    tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    case 5:
      return framed(SizingFrameWidth, ToolCaptionHeight, true,
                    tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    case 6:
      return framed(FixedFrameWidth, 0, false, untitled);
    case 7:
      return framed(SizingFrameWidth, 0, true, tool);
    case 8:
      return withClientEdge(framed(FixedFrameWidth, 0, false, untitled));
    case 9:
      return withClientEdge(framed(SizingFrameWidth, 0, true, untitled));
    default:
      return framed(SizingFrameWidth, CaptionHeight, true, Qt::Window);
  }
}

}  // namespace hi
