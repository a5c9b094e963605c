#include "window/hiLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <functional>

#include "window/Docking.h"
#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

namespace {

// Takes its clicks (a click on a label does not reach the window under it).
class LabelWidget : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> clicked;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && clicked) clicked();
    event->accept();
  }
};

}  // namespace

THILabel::THILabel(THISimpleWin* parent)
    : THIWin(parent), label_(new LabelWidget(parent != nullptr ? parent->clientArea() : nullptr)) {
  label_->setTextFormat(Qt::PlainText);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setWordWrap(false);
  static_cast<LabelWidget*>(label_)->clicked = [this] { fireNullFromGui(onClick); };
  setControl(label_);
}

void THILabel::init() {
  setupControl();
  setText(Caption);
}

void THILabel::setText(const std::string& text) {
  if (control() == nullptr) return;
  QString q = toQt(text);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  label_->setText(q);
  if (AutoSize) fitText();
}

void THILabel::setAutoSize(std::uint8_t on) {
  AutoSize = on;
  if (AutoSize && control() != nullptr) fitText();
}

void THILabel::setTextAlign(std::uint8_t align) {
  TextAlign = align;
  if (control() == nullptr) return;
  Qt::Alignment h = Qt::AlignLeft;
  if (align == 1) h = Qt::AlignRight;
  if (align == 2) h = Qt::AlignHCenter;
  label_->setAlignment(h | Qt::AlignTop);
  label_->setWordWrap(true);
}

void THILabel::fitText() {
  QString text = label_->text();
  QSize size(0, 0);
  if (!text.isEmpty()) {
    // Italic glyphs lean past their advance; a blank makes room for the last one.
    if (label_->font().italic()) text += QLatin1Char(' ');
    const QFontMetrics fm(label_->font());
    size = QSize(fm.horizontalAdvance(text), fm.height());
  }
  QRect r = bounds();
  if (Align == alNone || Align == alLeft || Align == alRight) r.setWidth(size.width() + 1);
  if (Align == alNone || Align == alTop || Align == alBottom) r.setHeight(size.height() + 1);
  if (r == bounds()) return;
  setBounds(r);
  relayoutParent();
}

void THILabel::setTextColour(const QColor& colour) {
  QPalette pal = label_->palette();
  pal.setColor(QPalette::WindowText, colour);
  label_->setPalette(pal);
}

void THILabel::mouseEntered() {
  if (HoverColor != 0) setTextColour(toQColor(HoverColor));
  if (HoverUnderline && !label_->font().underline()) {
    QFont f = label_->font();
    f.setUnderline(true);
    label_->setFont(f);
  }
}

void THILabel::mouseLeft() {
  if (HoverColor != 0) setTextColour(toQColor(Font.Color));
  if (HoverUnderline) {
    QFont f = label_->font();
    f.setUnderline(false);
    label_->setFont(f);
  }
}

}  // namespace hi
