#include "window/qt/QtConvert.h"

#include <QFontDatabase>
#include <cmath>

#include "runtime/Cp1251.h"
#include "window/Colors.h"

namespace hi {

QString toQt(std::string_view cp1251Text) {
  QString out;
  out.reserve(static_cast<qsizetype>(cp1251Text.size()));
  for (char ch : cp1251Text) {
    // Every code page 1251 character lies in the Basic Multilingual Plane.
    out.append(QChar(static_cast<char16_t>(cp1251ToUnicode(static_cast<unsigned char>(ch)))));
  }
  return out;
}

std::string fromQt(const QString& text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) {
    const int b = unicodeToCp1251(c.unicode());
    out += b >= 0 ? static_cast<char>(b) : '?';
  }
  return out;
}

QString toQtLines(std::string_view cp1251Text) {
  QString q = toQt(cp1251Text);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return q;
}

std::string fromQtLines(const QString& text) {
  QString q = text;
  q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return fromQt(q);
}

QColor toQColor(std::uint32_t colour) {
  const std::uint32_t rgb = standardRgb(colour);
  return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>((rgb >> 16) & 0xFF));
}

QFont toQFont(const TFontRec& rec, const QFont& base) {
  QFont font = base;
  if (rec.Name == "MS Sans Serif") {
    font.setFamilies({QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
  } else if (!rec.Name.empty()) {
    font.setFamilies({toQt(rec.Name)});
  }
  const int height = fontHeightFromPoints(rec.Size);
  if (height != 0) font.setPixelSize(std::abs(height));
  font.setBold((rec.Style & FontBold) != 0);
  font.setItalic((rec.Style & FontItalic) != 0);
  font.setUnderline((rec.Style & FontUnderline) != 0);
  font.setStrikeOut((rec.Style & FontStrikeOut) != 0);
  return font;
}

QImage toQImage(const Picture& picture) {
  if (picture.empty()) return {};
  return QImage(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                picture.height, picture.width * 4, QImage::Format_ARGB32);
}

Picture fromQImage(const QImage& image) {
  Picture p;
  if (image.isNull()) return p;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  p.width = argb.width();
  p.height = argb.height();
  p.pixels.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
  for (int y = 0; y < p.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
    std::copy(row, row + p.width, p.pixels.begin() + static_cast<std::ptrdiff_t>(y) * p.width);
  }
  return p;
}

}  // namespace hi
