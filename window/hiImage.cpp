#include "window/hiImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

QRect pictureRect(int width, int height, int pictureWidth, int pictureHeight) {
  const double r = static_cast<double>(pictureHeight) / pictureWidth;
  // nearbyint rounds in the default mode: halves to the even neighbour.
  if (height >= width * r) {
    const int top = static_cast<int>(std::nearbyint((height - width * r) / 2));
    return QRect(QPoint(0, top), QPoint(width - 1, height - top - 1));
  }
  const int left = static_cast<int>(std::nearbyint((width - height / r) / 2));
  return QRect(QPoint(left, 0), QPoint(width - left - 1, height - 1));
}

namespace {

class PictureWidget : public QWidget {
 public:
  PictureWidget(THIImage* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect area = contentsRect();
    const QColor background = palette().color(QPalette::Window);
    const QImage& picture = owner_->Picture;
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
      p.fillRect(area, background);
      return;
    }
    const QRect target = pictureRect(area.width(), area.height(), picture.width(), picture.height())
                             .translated(area.topLeft());
    p.fillRect(area, background);
    if (owner_->SmoothStretch >= 0) {
      p.setRenderHint(QPainter::SmoothPixmapTransform, owner_->SmoothStretch == 1);
    }
    p.drawImage(target, picture);
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_->clickedByUser();
    event->accept();
  }

 private:
  THIImage* owner_;
};

}  // namespace

void THIImage::setPicture(QImage picture) {
  if (picture.isNull()) return;
  Picture = std::move(picture);
  if (control() != nullptr) view_->update();
}

void THIImage::init() {
  view_ =
      new PictureWidget(this, parentWindow() != nullptr ? parentWindow()->clientArea() : nullptr);
  setControl(view_);
  setupControl();
  if (AutoSize && !Picture.isNull()) {
    setBounds(QRect(bounds().topLeft(), Picture.size()));
  }
}

void THIImage::clickedByUser() {
  fireNullFromGui(onClick);
}

}  // namespace hi
