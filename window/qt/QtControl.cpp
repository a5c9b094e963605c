#include "window/qt/QtControl.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>

#include "window/qt/QtConvert.h"

namespace hi {

QWidget* qtWidget(const WidgetDriver* driver) {
  const auto* holder = dynamic_cast<const QtWidgetHolder*>(driver);
  return holder != nullptr ? holder->qtWidget() : nullptr;
}

QtControlCore::~QtControlCore() = default;

void QtControlCore::attach(QWidget* control, unsigned mask) {
  control_ = control;
  control->hide();
  control->installEventFilter(this);
  if (mask != 0) bridge_.watch(control, mask);
  bridge_.setOrigin(control);
}

void QtControlCore::dropFocus() {
  QWidget* f = control_->window()->focusWidget();
  if (f != nullptr && (f == control_ || control_->isAncestorOf(f))) f->clearFocus();
}

void QtControlCore::setBounds(const Rect& r) {
  control_->setGeometry(r.left, r.top, r.width, r.height);
}

void QtControlCore::setColor(std::uint32_t colour) {
  const QColor c = toQColor(colour);
  QPalette pal = control_->palette();
  pal.setColor(QPalette::Window, c);
  pal.setColor(QPalette::Base, c);
  pal.setColor(QPalette::Button, c);
  control_->setPalette(pal);
  control_->setAutoFillBackground(true);
}

void QtControlCore::setFont(const TFontRec& font) {
  control_->setFont(toQFont(font, QApplication::font()));
  const QColor colour = toQColor(font.Color);
  QPalette pal = control_->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    pal.setColor(QPalette::Active, role, colour);
    pal.setColor(QPalette::Inactive, role, colour);
  }
  control_->setPalette(pal);
}

void QtControlCore::setEdge(Edge e) {
  edge_ = e;
  const int w = edgeWidth(e);
  control_->setContentsMargins(w, w, w, w);
  control_->update();
}

void QtControlCore::setFocusMode(FocusMode mode) {
  switch (mode) {
    case FocusMode::None:
      control_->setFocusPolicy(Qt::NoFocus);
      break;
    case FocusMode::Click:
      control_->setFocusPolicy(Qt::ClickFocus);
      break;
    case FocusMode::Tab:
      control_->setFocusPolicy(Qt::StrongFocus);
      break;
  }
}

void QtControlCore::setHint(const std::string& text, const HintStyle& style) {
  if (text.empty()) {
    control_->setToolTip(QString());
    return;
  }
  // Qt's tooltips share one look; the first hint sets it.
  static bool lookApplied = false;
  if (!lookApplied) {
    lookApplied = true;
    QToolTip::setFont(toQFont(style.font, QToolTip::font()));
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, toQColor(style.backColor));
    pal.setColor(QPalette::ToolTipText, toQColor(style.font.Color));
    QToolTip::setPalette(pal);
  }
  control_->setToolTipDuration(style.autoPopDelay);
  // As rich text of a plain text, so that a hint that looks like markup shows as typed.
  control_->setToolTip(Qt::convertFromPlainText(toQt(text), Qt::WhiteSpaceNormal));
}

void QtControlCore::setCursor(std::int32_t cursor) {
  if (cursor > 0) control_->setCursor(QCursor(static_cast<Qt::CursorShape>(cursor - 1)));
}

void QtControlCore::captureMouse(bool on) {
  QWidget* w = bridge_.pressedWidget() != nullptr ? bridge_.pressedWidget() : control_.data();
  if (on) {
    w->grabMouse();
  } else {
    w->releaseMouse();
  }
}

bool QtControlCore::eventFilter(QObject* object, QEvent* event) {
  if (object != control_ || event->type() != QEvent::Paint || edge_ == Edge::None) return false;
  // The control paints itself first; the edge goes over its outer pixels.
  QWidget* w = control_;
  static_cast<QObject*>(w)->event(event);
  QPainter p(w);
  const QRect r = w->rect();
  const QPalette& pal = w->palette();
  switch (edge_) {
    case Edge::None:
      break;
    case Edge::FlatLine:
      p.setPen(toQColor(0xFF000006));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      break;
    case Edge::ClientEdge:
      qDrawWinPanel(&p, r, pal, true);
      break;
    case Edge::StaticEdge:
      qDrawShadePanel(&p, r, pal, true, 1);
      break;
    case Edge::DialogFrame:
    case Edge::DialogClientEdge:
      qDrawWinPanel(&p, r, pal, false);
      p.setPen(pal.color(QPalette::Button));
      p.drawRect(r.adjusted(2, 2, -3, -3));
      if (edge_ == Edge::DialogClientEdge) qDrawWinPanel(&p, r.adjusted(3, 3, -3, -3), pal, true);
      break;
  }
  return true;
}

}  // namespace hi
