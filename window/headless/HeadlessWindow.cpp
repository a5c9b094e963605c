#include <algorithm>

#include "window/Colors.h"
#include "window/headless/Headless.h"

namespace hi::headless {

namespace {

// Paints into a picture the size of the control's inside.
class PictureCanvas : public Canvas {
 public:
  explicit PictureCanvas(Size size) {
    out.width = size.width;
    out.height = size.height;
    out.pixels.assign(static_cast<std::size_t>(std::max(size.width, 0)) *
                          static_cast<std::size_t>(std::max(size.height, 0)),
                      0xFF000000u);
  }
  Size size() const override { return Size{out.width, out.height}; }
  void fill(const Rect& r, std::uint32_t colour) override {
    const std::uint32_t bgr = standardRgb(colour);
    const std::uint32_t argb =
        0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    for (int y = std::max(r.top, 0); y < std::min(r.bottom(), out.height); ++y) {
      for (int x = std::max(r.left, 0); x < std::min(r.right(), out.width); ++x) at(x, y) = argb;
    }
  }
  void drawPicture(const Rect& t, const Picture& picture, int) override {
    if (picture.empty() || t.empty()) return;
    for (int y = std::max(t.top, 0); y < std::min(t.bottom(), out.height); ++y) {
      for (int x = std::max(t.left, 0); x < std::min(t.right(), out.width); ++x) {
        at(x, y) = picture.pixel((x - t.left) * picture.width / t.width,
                                 (y - t.top) * picture.height / t.height);
      }
    }
  }
  Picture out;

 private:
  std::uint32_t& at(int x, int y) {
    return out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                      static_cast<std::size_t>(x)];
  }
};

}  // namespace

Picture PictureBox::render() {
  const int e = edgeWidth(edge);
  PictureCanvas canvas(Size{std::max(bounds.width - 2 * e, 0), std::max(bounds.height - 2 * e, 0)});
  sink.paint(canvas);
  return std::move(canvas.out);
}

Window::Window(WindowSink& s) : sink(s) {}

Window::~Window() {
  // Controls that outlive their window stand alone.
  for (Control* c : controls) c->parent = nullptr;
}

void Window::place(Point frameTopLeft, Size innerSize, bool canResize) {
  position = frameTopLeft;
  resizable = canResize;
  resize(innerSize);
}

Rect Window::clientRect() const {
  const int e = frame.clientEdge;
  return Rect{0, 0, std::max(inner.width - 2 * e, 0), std::max(inner.height - 2 * e, 0)};
}

void Window::resize(Size newInner) {
  if (newInner == inner) return;
  inner = newInner;
  sink.clientResized();
}

bool Window::shut() {
  if (closed) return false;
  closed = true;
  visible = false;
  system().windowClosed();
  return true;
}

void Window::keepFocusInChain() {
  const auto takesKeys = [](const Control* c) {
    return c != nullptr && c->reachable() && c->focus != FocusMode::None;
  };
  if (takesKeys(focused)) return;
  for (ControlDriver* d : tabChain) {
    auto* c = dynamic_cast<Control*>(d);
    if (takesKeys(c)) {
      focused = c;
      return;
    }
  }
}

void Window::close() {
  shut();
}

bool Window::requestClose() {
  if (closed) return true;
  if (!visible || !sink.closeRequested()) return false;
  shut();
  return true;
}

Control* control(const WidgetDriver* driver) {
  return dynamic_cast<Control*>(const_cast<WidgetDriver*>(driver));
}

Window* window(const WidgetDriver* driver) {
  return dynamic_cast<Window*>(const_cast<WidgetDriver*>(driver));
}

}  // namespace hi::headless

namespace hi {

using namespace headless;

std::unique_ptr<LabelDriver> newLabelDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<Label>(parent, sink);
}

std::unique_ptr<ButtonDriver> newButtonDriver(WindowDriver* parent, ControlSink& sink,
                                              const ButtonStyle& style) {
  return std::make_unique<Button>(parent, sink, style);
}

std::unique_ptr<EditDriver> newEditDriver(WindowDriver* parent, ControlSink& sink,
                                          const EditStyle& style) {
  return std::make_unique<Edit>(parent, sink, style);
}

std::unique_ptr<ComboDriver> newComboDriver(WindowDriver* parent, ControlSink& sink,
                                            const ComboStyle& style) {
  return std::make_unique<Combo>(parent, sink, style);
}

std::unique_ptr<ProgressDriver> newProgressDriver(WindowDriver* parent, ControlSink& sink,
                                                  const ProgressStyle& style) {
  return std::make_unique<Progress>(parent, sink, style);
}

std::unique_ptr<ControlDriver> newPictureDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<PictureBox>(parent, sink);
}

std::unique_ptr<WindowDriver> newWindowDriver(WindowSink& sink) {
  return std::make_unique<Window>(sink);
}

}  // namespace hi
