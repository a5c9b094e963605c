#include "window/Pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPixmap>
#include <algorithm>

#include "platform/Resources.h"

namespace hi {

namespace {

QByteArray resourceBytes(std::string_view name, std::uint16_t type) {
  const auto bytes = findResource(name, type);
  if (!bytes) return {};
  // The bytes live as long as the program; no copy is needed.
  return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                 static_cast<qsizetype>(bytes->size()));
}

}  // namespace

QImage bitmapResource(std::string_view name) {
  const QByteArray data = resourceBytes(name, ResourceTypeBitmap);
  if (data.isEmpty()) return {};
  // A copy that owns its pixels, independent of the raw resource bytes.
  return QImage::fromData(data, "BMP").copy();
}

QIcon iconResource(std::string_view name) {
  QByteArray data = resourceBytes(name, ResourceTypeGroupIcon);
  if (data.isEmpty()) return {};
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ICO");
  QIcon icon;
  for (int i = 0; i < std::max(reader.imageCount(), 1); ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}

}  // namespace hi
