// Between the window layer's plain values and Qt's: texts (code page 1251 bytes), colours,
// fonts, pictures and key codes.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Helpers.h"
#include "window/Picture.h"

namespace hi {

// Code page 1251 bytes to Qt and back. Characters the code page lacks become '?'.
QString toQt(std::string_view cp1251Text);
std::string fromQt(const QString& text);
// A text with CR LF line breaks as Qt breaks lines, and back.
QString toQtLines(std::string_view cp1251Text);
std::string fromQtLines(const QString& text);

// System colours from the standard table (window/Colors.h), others 0x00BBGGRR.
QColor toQColor(std::uint32_t colour);

// The face "MS Sans Serif", which no free desktop carries, becomes the desktop's general
// sans-serif face. The pixel height follows fontHeightFromPoints (a negative height is the
// character height); a size of 0 keeps the base font's size. The character set needs no
// mapping: Qt draws Unicode.
QFont toQFont(const TFontRec& rec, const QFont& base);

// A picture as a Qt image sharing its pixels (valid while the picture lives), and a copy of
// a Qt image as a picture.
QImage toQImage(const Picture& picture);
Picture fromQImage(const QImage& image);

// The virtual key code of a Qt key (Qt::Key), or 0 for a key that has none.
std::int32_t virtualKeyFromQt(int qtKey);

}  // namespace hi
