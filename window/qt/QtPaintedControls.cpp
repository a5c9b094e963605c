// The progress bar and the picture: widgets that Qt draws as the window layer says.
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "window/qt/QtControl.h"
#include "window/qt/QtConvert.h"

namespace hi {

namespace {

// The gap between the blocks of a bar drawn in separate blocks, as the platform draws them.
constexpr int BlockGap = 2;

class BarWidget : public QWidget {
 public:
  BarWidget(const ProgressStyle& style, QWidget* parent) : QWidget(parent), style_(style) {
    // paintEvent covers every pixel, so Qt need not paint the form beneath it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  std::int32_t max = 0;
  std::int32_t position = 0;
  QColor bar;

  // How far the bar is filled, in pixels along it.
  int filled() const {
    const QRect area = contentsRect();
    return filledLength(position, max, style_.vertical ? area.height() : area.width());
  }
  // Repaints what a change of the filled length from `from` to `to` pixels changes: the
  // upload moves the bar about a thousand times, mostly by less than a pixel.
  void updateFill(int from, int to) {
    if (from == to) return;
    const QRect area = contentsRect();
    const int low = std::min(from, to);
    const int span = std::max(from, to) - low;
    update(style_.vertical ? QRect(area.left(), area.bottom() + 1 - low - span, area.width(), span)
                           : QRect(area.left() + low, area.top(), span, area.height()));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect area = contentsRect();
    p.fillRect(rect(), palette().color(QPalette::Window));
    const int length = filled();
    if (style_.vertical) {
      drawFill(p, QRect(area.left(), area.bottom() + 1 - length, area.width(), length),
               area.width());
    } else {
      drawFill(p, QRect(area.left(), area.top(), length, area.height()), area.height());
    }
  }

 private:
  void drawFill(QPainter& p, const QRect& r, int across) {
    if (r.isEmpty()) return;
    if (style_.smooth) {
      p.fillRect(r, bar);
      return;
    }
    // Blocks about two thirds as long as the bar is thick, with a gap between them.
    const int block = std::max(across * 2 / 3, 2);
    if (style_.vertical) {
      for (int y = r.bottom() + 1; y > r.top(); y -= block + BlockGap) {
        const int top = std::max(y - block, r.top());
        p.fillRect(QRect(r.left(), top, r.width(), y - top), bar);
      }
    } else {
      for (int x = r.left(); x <= r.right(); x += block + BlockGap) {
        p.fillRect(QRect(x, r.top(), std::min(block, r.right() + 1 - x), r.height()), bar);
      }
    }
  }

  ProgressStyle style_;
};

class QtProgress : public QtControl<ProgressDriver> {
 public:
  QtProgress(WindowDriver* parent, ControlSink& sink, const ProgressStyle& style)
      : QtControl(sink) {
    bar_ = new BarWidget(style, controlParent(parent));
    core_.attach(bar_);
  }
  void setRange(std::int32_t max) override {
    bar_->max = max;
    bar_->update();
  }
  void setPosition(std::int32_t position) override {
    const int before = bar_->filled();
    bar_->position = position;
    bar_->updateFill(before, bar_->filled());
  }
  void setBarColor(std::uint32_t colour) override {
    bar_->bar = toQColor(colour);
    bar_->update();
  }

 private:
  BarWidget* bar_;
};

// Draws into the picture control's area inside its edge.
class QtCanvas : public Canvas {
 public:
  QtCanvas(QPainter& painter, const QRect& area) : p_(painter), area_(area) {}
  Size size() const override { return Size{area_.width(), area_.height()}; }
  void fill(const Rect& r, std::uint32_t colour) override {
    p_.fillRect(QRect(r.left, r.top, r.width, r.height).translated(area_.topLeft()),
                toQColor(colour));
  }
  void drawPicture(const Rect& target, const Picture& picture, int smooth) override {
    if (smooth >= 0) p_.setRenderHint(QPainter::SmoothPixmapTransform, smooth == 1);
    p_.drawImage(QRect(target.left, target.top, target.width, target.height)
                     .translated(area_.topLeft()),
                 toQImage(picture));
  }

 private:
  QPainter& p_;
  QRect area_;
};

class PictureWidget : public QWidget {
 public:
  PictureWidget(ControlSink& sink, QWidget* parent) : QWidget(parent), sink_(sink) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QtCanvas canvas(p, contentsRect());
    sink_.paint(canvas);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) sink_.clicked();
    event->accept();
  }

 private:
  ControlSink& sink_;
};

class QtPicture : public QtControl<ControlDriver> {
 public:
  QtPicture(WindowDriver* parent, ControlSink& sink) : QtControl(sink) {
    core_.attach(new PictureWidget(sink, controlParent(parent)));
  }
};

}  // namespace

std::unique_ptr<ProgressDriver> newProgressDriver(WindowDriver* parent, ControlSink& sink,
                                                  const ProgressStyle& style) {
  return std::make_unique<QtProgress>(parent, sink, style);
}

std::unique_ptr<ControlDriver> newPictureDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<QtPicture>(parent, sink);
}

}  // namespace hi
