#include "window/hiImage.h"

#include <cmath>

namespace hi {

Rect pictureRect(int width, int height, int pictureWidth, int pictureHeight) {
  const double r = static_cast<double>(pictureHeight) / pictureWidth;
  // nearbyint rounds in the default mode: halves to the even neighbour.
  if (height >= width * r) {
    const int top = static_cast<int>(std::nearbyint((height - width * r) / 2));
    return Rect{0, top, width, height - 2 * top};
  }
  const int left = static_cast<int>(std::nearbyint((width - height / r) / 2));
  return Rect{left, 0, width - 2 * left, height};
}

void THIImage::setPicture(hi::Picture picture) {
  if (picture.empty()) return;
  Picture = std::move(picture);
  if (driver() != nullptr) driver()->repaint();
}

void THIImage::init() {
  adopt(newPictureDriver(parentDriver(), *this));
  setupControl();
  if (AutoSize && !Picture.empty()) {
    setBounds(Rect{bounds().left, bounds().top, Picture.width, Picture.height});
  }
}

void THIImage::clicked() {
  fireNullFromGui(onClick);
}

void THIImage::paint(Canvas& canvas) {
  const Size area = canvas.size();
  if (Picture.empty()) {
    canvas.fill(Rect{0, 0, area.width, area.height}, Color);
    return;
  }
  const Rect target = pictureRect(area.width, area.height, Picture.width, Picture.height);
  // The bands beside the picture take the background colour.
  if (target.top > 0) {
    canvas.fill(Rect{0, 0, area.width, target.top}, Color);
    canvas.fill(Rect{0, target.bottom(), area.width, area.height - target.bottom()}, Color);
  }
  if (target.left > 0) {
    canvas.fill(Rect{0, 0, target.left, area.height}, Color);
    canvas.fill(Rect{target.right(), 0, area.width - target.right(), area.height}, Color);
  }
  canvas.drawPicture(target, Picture, SmoothStretch);
}

}  // namespace hi
