#include "window/qt/QtBridge.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "window/qt/QtConvert.h"

namespace hi {

namespace {

std::int32_t buttonIndex(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton:
      return 0;
    case Qt::RightButton:
      return 1;
    case Qt::MiddleButton:
      return 2;
    default:
      return -1;
  }
}

std::uint32_t keyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  std::uint32_t ks = 0;
  if (buttons & Qt::LeftButton) ks |= MkLButton;
  if (buttons & Qt::RightButton) ks |= MkRButton;
  if (buttons & Qt::MiddleButton) ks |= MkMButton;
  if (modifiers & Qt::ShiftModifier) ks |= MkShift;
  if (modifiers & Qt::ControlModifier) ks |= MkControl;
  return ks;
}

}  // namespace

void QtBridge::watch(QWidget* w, unsigned mask) {
  if (mask & (bridgeMouse | bridgeHover)) w->setMouseTracking(true);
  watched_.emplace_back(w, mask);
  w->installEventFilter(this);
  if (!origin_) origin_ = w;
}

bool QtBridge::eventFilter(QObject* object, QEvent* event) {
  for (const auto& [w, mask] : watched_) {
    if (w == object) return handle(static_cast<QWidget*>(object), event, mask);
  }
  return false;
}

MouseInput QtBridge::mouseInput(QWidget* w, QEvent* event) const {
  const auto* me = static_cast<QSinglePointEvent*>(event);
  // Coordinates of an inner widget (a combo box's edit field) are the control's.
  const QPoint pos = me->position().toPoint();
  const QPoint p = (origin_ == nullptr || w == origin_) ? pos : w->mapTo(origin_, pos);
  return MouseInput{buttonIndex(me->button()), keyStateOf(me->buttons(), me->modifiers()),
                    p.x(), p.y()};
}

bool QtBridge::key(QWidget* w, QKeyEvent* ke) {
  const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
  const bool keep = enter && w == keepEnter_;
  if (keys_->keyDown(virtualKeyFromQt(ke->key()))) return true;
  // Qt carries the typed character in the key event itself.
  const QString text = ke->text();
  if (!text.isEmpty() && text != QStringLiteral("\x7f")) {
    for (QChar c : text) {
      if (!keys_->character(fromQt(QString(c)))) return true;
    }
  }
  return keep;
}

bool QtBridge::handle(QWidget* w, QEvent* event, unsigned mask) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mask & bridgeMouse) {
        pressed_ = w;
        input_.mouseDown(mouseInput(w, event));
      }
      return false;
    case QEvent::MouseButtonRelease:
      if (mask & bridgeMouse) input_.mouseUp(mouseInput(w, event));
      return false;
    case QEvent::MouseButtonDblClick:
      if (mask & bridgeMouse) input_.mouseDoubleClick(mouseInput(w, event));
      return false;
    case QEvent::MouseMove:
      if (mask & bridgeMouse) input_.mouseMove(mouseInput(w, event));
      return false;
    case QEvent::Wheel:
      if (mask & bridgeWheel) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        input_.mouseWheel(mouseInput(w, event), delta);
      }
      return false;
    case QEvent::Enter:
      if (mask & bridgeHover) input_.mouseEnter();
      return false;
    case QEvent::Leave:
      if (mask & bridgeHover) input_.mouseLeave();
      return false;
    case QEvent::KeyPress:
      return (mask & bridgeKeys) && keys_ != nullptr && key(w, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      // X11 repeats a held key as release and press pairs; the graph sees repeated key downs.
      if ((mask & bridgeKeys) && keys_ != nullptr && !ke->isAutoRepeat()) {
        keys_->keyUp(virtualKeyFromQt(ke->key()));
      }
      return false;
    }
    case QEvent::FocusIn:
      if (mask & bridgeFocus) input_.focusChanged(true);
      return false;
    case QEvent::FocusOut:
      if (mask & bridgeFocus) input_.focusChanged(false);
      return false;
    case QEvent::Resize:
      if (mask & bridgeGeometry) input_.resized();
      return false;
    case QEvent::Move:
      if (mask & bridgeGeometry) input_.moved();
      return false;
    case QEvent::Show:
      if (mask & bridgeGeometry) input_.shown();
      return false;
    default:
      return false;
  }
}

}  // namespace hi
