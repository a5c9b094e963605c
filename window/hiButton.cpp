#include "window/hiButton.h"

#include <QFontMetrics>
#include <QStringList>

#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

namespace {

// Room the button's own frame and padding take from its width.
constexpr int ButtonTextPadding = 8;

}  // namespace

QString wrapText(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
      const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
        lines << line;
        line = word;
      } else {
        line = candidate;
      }
    }
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

void THIButton::init() {
  button_ = new QPushButton(parentWindow() != nullptr ? parentWindow()->clientArea() : nullptr);
  setControl(button_);
  QObject::connect(button_, &QPushButton::clicked, button_, [this] {
    // A copy: a receiver that changes its value must not change the next click's.
    TData copy = Data;
    fireFromGui(onClick, copy);
  });
  button_->setAutoDefault(false);
  button_->setDefault(DefaultButton != 0);
  setupControl();
  wrapCaption();
}

void THIButton::resized() {
  wrapCaption();
}

void THIButton::wrapCaption() {
  if (control() == nullptr) return;
  QString caption = toQt(Caption);
  caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QString wrapped =
      wrapText(caption, QFontMetrics(button_->font()), button_->width() - ButtonTextPadding);
  if (wrapped != button_->text()) button_->setText(wrapped);
}

}  // namespace hi
