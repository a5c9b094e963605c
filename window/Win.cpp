#include "window/Win.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QPainter>

#include "runtime/EventGate.h"
#include "window/Docking.h"
#include "window/KeyCodes.h"
#include "window/SimpleWin.h"
#include "window/Toolkit.h"
#include "window/hiHintManager.h"

namespace hi {

int edgeWidth(THIWin::Edge e) {
  switch (e) {
    case THIWin::Edge::None:
      return 0;
    case THIWin::Edge::FlatLine:
    case THIWin::Edge::StaticEdge:
      return 1;
    case THIWin::Edge::ClientEdge:
      return 2;
    case THIWin::Edge::DialogFrame:
      return 3;
    case THIWin::Edge::DialogClientEdge:
      return 5;
  }
  return 0;
}

THIWin::THIWin(THISimpleWin* parent) : parent_(parent) {
  if (parent_ != nullptr) {
    Color = parent_->Color;
    parent_->addChild(this);
  }
}

THIWin::~THIWin() {
  if (control_) {
    control_->hide();
    delete control_.data();
  }
  if (hintService_ != nullptr) hintService_->removeTool(hintTool_);
  if (parent_ != nullptr) parent_->removeChild(this);
}

void THIWin::parentDestroyed() {
  parent_ = nullptr;
}

void THIWin::setControl(QWidget* w) {
  control_ = w;
}

bool THIWin::createdSunken() const {
  return defaultSunken() && (parent_ == nullptr || parent_->passesSunkenLook());
}

void THIWin::applyColor(const QColor& colour) {
  QPalette pal = control_->palette();
  pal.setColor(QPalette::Window, colour);
  pal.setColor(QPalette::Base, colour);
  pal.setColor(QPalette::Button, colour);
  control_->setPalette(pal);
  control_->setAutoFillBackground(true);
}

void THIWin::applyFont(const QFont& font, const QColor& colour) {
  control_->setFont(font);
  QPalette pal = control_->palette();
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    pal.setColor(QPalette::Active, role, colour);
    pal.setColor(QPalette::Inactive, role, colour);
  }
  control_->setPalette(pal);
}

void THIWin::hookControl() {
  hook(control_, hookAll);
}

void THIWin::setEdge(Edge e) {
  edge_ = e;
  const int w = edgeWidth(e);
  control_->setContentsMargins(w, w, w, w);
  control_->update();
}

void THIWin::setupControl() {
  QWidget* w = control_;
  sunken_ = createdSunken();

  applyColor(toQColor(Color));
  setBounds(QRect(Left, Top, Width, Height));

  if (Frame3D == 0) {
    sunken_ = true;
  } else if (Frame3D == 1 && sunken_) {
    sunken_ = false;
    setEdge(Edge::FlatLine);
  }
  if (sunken_) setEdge(Edge::ClientEdge);

  w->setEnabled(Enabled != 0);
  applyCursor(w);

  if (ParentFont && parent_ != nullptr) {
    const QWidget* from = parent_->clientArea();
    applyFont(from->font(), from->palette().color(QPalette::WindowText));
  } else {
    applyFont(toQFont(Font, w->font()), toQColor(Font.Color));
  }

  const Qt::FocusPolicy kind = defaultFocusPolicy();
  if (TabOrder > 0) {
    w->setFocusPolicy(Qt::StrongFocus);
  } else if (TabOrder == 0) {
    w->setFocusPolicy(kind);
  } else {
    w->setFocusPolicy(kind == Qt::NoFocus ? Qt::NoFocus : Qt::ClickFocus);
  }

  hookControl();

  if (Align != alNone) relayoutParent();
  w->setVisible(Visible != 0);
  if (Align != alNone && !Visible) relayoutParent();

  if (Frame3D == 0) {
    switch (EdgeStyle) {
      case 1:
        setEdge(Edge::None);
        break;
      case 2:
        setEdge(Edge::StaticEdge);
        break;
      case 3:
        setEdge(Edge::DialogFrame);
        break;
      case 4:
        setEdge(Edge::DialogClientEdge);
        break;
      default:
        break;
    }
  }
}

void THIWin::relayoutParent() {
  if (parent_ != nullptr) parent_->layoutDocked();
}

QRect THIWin::bounds() const {
  return control_ ? control_->geometry() : QRect();
}

bool THIWin::shownInParent() const {
  return control_ && !control_->isHidden();
}

void THIWin::setBounds(QRect r) {
  if (!control_) return;
  const QSize current = control_->size();
  if (r.size() != current) {
    // The change is offered to the graph as a difference; an integer answer replaces it.
    if (r.height() != current.height() && inResizeHeight.connected()) {
      EventScope scope;
      TData d = makeInteger(r.height() - current.height());
      readPoint(inResizeHeight, d);
      if (d.type == dtInteger) r.setHeight(current.height() + d.integer);
    }
    if (r.width() != current.width() && inResizeWidth.connected()) {
      EventScope scope;
      TData d = makeInteger(r.width() - current.width());
      readPoint(inResizeWidth, d);
      if (d.type == dtInteger) r.setWidth(current.width() + d.integer);
    }
  }
  r.setWidth(std::max(r.width(), 0));
  r.setHeight(std::max(r.height(), 0));
  control_->setGeometry(r);
}

void THIWin::doVisible(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (!control_) return;
    const bool show = !(d.type == dtInteger && d.integer == 0);
    if (show == !control_->isHidden()) return;
    control_->setVisible(show);
    relayoutParent();
  });
}

void THIWin::doEnabled(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (control_) control_->setEnabled(!(d.type == dtInteger && d.integer == 0));
  });
}

void THIWin::attachHint(THIHintManager* service) {
  if (!control_ || (service == nullptr && Hint.empty())) return;
  THIHintManager* s = service != nullptr ? service : &THIHintManager::instance();
  hintTool_ = s->addTool(control_);
  s->setToolText(hintTool_, Hint);
  hintService_ = s;
}

bool THIWin::keyDown(QKeyEvent* event) {
  const std::int32_t vk = virtualKeyFromQt(event->key());
  if (!onKeyDown.connected()) return false;
  TData d = makeInteger(vk);
  fireFromGui(onKeyDown, d);
  // A handler consumes the key by setting the code to 0.
  return vk != 0 && toInteger(d) == 0;
}

bool THIWin::keyPressed(QWidget*, QEvent* event) {
  auto* ke = static_cast<QKeyEvent*>(event);
  keyResult_ = -1;
  const bool consumed = keyDown(ke);
  if (consumed) keyResult_ = 0;
  // Qt carries the typed character in the key event itself.
  const QString text = ke->text();
  if (text.isEmpty() || text == QStringLiteral("\x7f")) return consumed;
  if (keyResult_ == 0) return true;  // a consumed key swallows its character
  for (QChar c : text) {
    TData d = makeString(fromQt(QString(c)));
    fireFromGui(onKeyPress, d);
  }
  return false;
}

bool THIWin::keyReleased(QWidget*, QEvent* event) {
  auto* ke = static_cast<QKeyEvent*>(event);
  keyResult_ = -1;
  // X11 repeats a held key as release and press pairs; the graph sees repeated key downs.
  if (!ke->isAutoRepeat()) fireIntegerFromGui(onKeyUp, virtualKeyFromQt(ke->key()));
  return false;
}

bool THIWin::painted(QWidget* watched, QEvent* event) {
  if (watched != control_ || edge_ == Edge::None) return false;
  // The control paints itself first; the edge goes over its outer pixels.
  static_cast<QObject*>(watched)->event(event);
  QPainter p(watched);
  const QRect r = watched->rect();
  const QPalette& pal = watched->palette();
  switch (edge_) {
    case Edge::None:
      break;
    case Edge::FlatLine:
      p.setPen(toQColor(SystemColor | 6));
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
