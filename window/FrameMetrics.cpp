#include "window/FrameMetrics.h"

#include "window/ControlDriver.h"

namespace hi {

namespace {

FrameMetrics framed(int border, int caption, FrameStyle style) {
  FrameMetrics m;
  m.left = m.right = m.bottom = border;
  m.top = border + caption;
  m.style = style;
  if (style.clientEdge) {
    m.left += ClientEdgeWidth;
    m.top += ClientEdgeWidth;
    m.right += ClientEdgeWidth;
    m.bottom += ClientEdgeWidth;
    m.clientEdge = ClientEdgeWidth;
  }
  return m;
}

}  // namespace

bool borderStyleValid(std::uint8_t borderStyle) {
  return borderStyle <= 9;
}

FrameMetrics frameMetrics(std::uint8_t borderStyle) {
  const int fixed = FixedFrameWidth;
  const int sizing = SizingFrameWidth;
  switch (borderStyle) {
    case 0:
      return framed(0, 0, {});
    case 1:
      return framed(fixed, CaptionHeight, {.caption = true, .minimizeBox = true});
    case 2:
      return framed(sizing, CaptionHeight,
                    {.caption = true, .thickFrame = true, .minimizeBox = true,
                     .maximizeBox = true});
    case 3:
      return framed(fixed, CaptionHeight, {.caption = true, .windowEdge = true});
    case 4:
      return framed(fixed, ToolCaptionHeight, {.caption = true, .toolWindow = true});
    case 5:
      return framed(sizing, ToolCaptionHeight,
                    {.caption = true, .thickFrame = true, .toolWindow = true});
    case 6:
      return framed(fixed, 0, {.dialogModalFrame = true});
    case 7:
      return framed(sizing, 0, {.thickFrame = true, .toolWindow = true});
    case 8:
      return framed(fixed, 0, {.dialogModalFrame = true, .clientEdge = true});
    case 9:
      return framed(sizing, 0, {.thickFrame = true, .clientEdge = true});
    default:
      return framed(sizing, CaptionHeight,
                    {.caption = true, .thickFrame = true, .minimizeBox = true,
                     .maximizeBox = true});
  }
}

int edgeWidth(Edge e) {
  switch (e) {
    case Edge::None:
      return 0;
    case Edge::FlatLine:
    case Edge::StaticEdge:
      return 1;
    case Edge::ClientEdge:
      return 2;
    case Edge::DialogFrame:
      return 3;
    case Edge::DialogClientEdge:
      return 5;
  }
  return 0;
}

}  // namespace hi
