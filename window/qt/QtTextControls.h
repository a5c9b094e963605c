// Helpers of the Qt text controls that tests look at.
#pragma once

#include <QFontMetrics>
#include <QString>

#include "window/ControlDriver.h"

namespace hi {

Qt::Alignment qtAlignment(Alignment align);

// Breaks a text at blanks into lines no wider than `width` in the font's metrics; a word
// wider than that stays whole on its own line.
QString wrapText(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace hi
