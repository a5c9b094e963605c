#include "window/WinBase.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <utility>
#include <vector>

#include "runtime/EventGate.h"

namespace hi {

namespace {

// Routes the notifications of the hooked widgets to their element.
class WinHook : public QObject {
 public:
  explicit WinHook(WinBase* owner) : owner_(owner) {}

  void watch(QWidget* w, unsigned mask) {
    watched_.emplace_back(w, mask);
    w->installEventFilter(this);
  }

  bool eventFilter(QObject* object, QEvent* event) override {
    for (const auto& [w, mask] : watched_) {
      if (w == object) return owner_->handleEvent(static_cast<QWidget*>(object), event, mask);
    }
    return false;
  }

 private:
  WinBase* owner_;
  std::vector<std::pair<QObject*, unsigned>> watched_;
};

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

std::int32_t heldButton(std::uint32_t keyState) {
  if (keyState & MkLButton) return 0;
  if (keyState & MkRButton) return 1;
  if (keyState & MkMButton) return 2;
  return -1;
}

}  // namespace

WinBase::WinBase() : hook_(std::make_unique<WinHook>(this)) {}

WinBase::~WinBase() = default;

void WinBase::hook(QWidget* w, unsigned mask) {
  if (mask & (hookMouse | hookHover)) w->setMouseTracking(true);
  static_cast<WinHook*>(hook_.get())->watch(w, mask);
}

void WinBase::fireFromGui(const EventPoint& point, TData& value) {
  if (!point.connected()) return;
  EventScope scope;
  fireEvent(point, value);
}

void WinBase::fireIntegerFromGui(const EventPoint& point, std::int32_t n) {
  if (!point.connected()) return;
  TData d = makeInteger(n);
  fireFromGui(point, d);
}

void WinBase::fireNullFromGui(const EventPoint& point) {
  if (!point.connected()) return;
  TData d;
  fireFromGui(point, d);
}

void WinBase::fireMouseEnter() {
  fireNullFromGui(onMouseEnter);
  mouseEntered();
}

void WinBase::storeMouse(QWidget* watched, QEvent* event, std::uint32_t extraKeyState) {
  const auto* me = static_cast<QSinglePointEvent*>(event);
  // Coordinates of a hooked inner widget (a combo box's edit field) are the control's.
  QWidget* control = mouseWidget();
  const QPoint pos = me->position().toPoint();
  const QPoint p = watched == control ? pos : watched->mapTo(control, pos);
  mouse_.button = buttonIndex(me->button());
  mouse_.keyState = keyStateOf(me->buttons(), me->modifiers()) | extraKeyState;
  mouse_.x = static_cast<std::int16_t>(p.x());
  mouse_.y = static_cast<std::int16_t>(p.y());
}

void WinBase::applyCursor(QWidget* w) const {
  if (Cursor > 0) w->setCursor(QCursor(static_cast<Qt::CursorShape>(Cursor - 1)));
}

bool WinBase::keyPressed(QWidget*, QEvent*) {
  return false;
}

bool WinBase::keyReleased(QWidget*, QEvent*) {
  return false;
}

void WinBase::mousePressed(QWidget*, QEvent*) {}

bool WinBase::painted(QWidget*, QEvent*) {
  return false;
}

bool WinBase::handleEvent(QWidget* watched, QEvent* event, unsigned mask) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      if (!(mask & hookMouse)) return false;
      const auto* me = static_cast<QMouseEvent*>(event);
      const std::int32_t b = buttonIndex(me->button());
      if (b < 0) return false;
      fireMouseEnter();
      if (MouseCapture) watched->grabMouse();
      storeMouse(watched, event, 0);
      mousePressed(watched, event);
      fireIntegerFromGui(onMouseDown, b);
      return false;
    }
    case QEvent::MouseButtonRelease: {
      if (!(mask & hookMouse)) return false;
      const auto* me = static_cast<QMouseEvent*>(event);
      const std::int32_t b = buttonIndex(me->button());
      if (b < 0) return false;
      fireMouseEnter();
      if (MouseCapture) watched->releaseMouse();
      storeMouse(watched, event, 0);
      fireIntegerFromGui(onMouseUp, b);
      return false;
    }
    case QEvent::MouseButtonDblClick: {
      if (!(mask & hookMouse)) return false;
      const std::int32_t b = buttonIndex(static_cast<QMouseEvent*>(event)->button());
      if (b < 0) return false;
      fireMouseEnter();
      fireIntegerFromGui(onDblClick, b);
      return false;
    }
    case QEvent::MouseMove: {
      if (!(mask & hookMouse)) return false;
      fireMouseEnter();
      // The value comes from the record of the previous mouse event, then this one is kept.
      const std::int32_t held = heldButton(mouse_.keyState);
      storeMouse(watched, event, 0);
      fireIntegerFromGui(onMouseMove, held);
      return false;
    }
    case QEvent::Wheel: {
      if (!(mask & hookWheel)) return false;
      const auto* we = static_cast<QWheelEvent*>(event);
      const auto delta = static_cast<std::int16_t>(we->angleDelta().y());
      fireMouseEnter();
      storeMouse(watched, event,
                 static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16);
      fireIntegerFromGui(onMouseWheel, delta);
      return false;
    }
    case QEvent::Enter:
      if (mask & hookHover) fireMouseEnter();
      return false;
    case QEvent::Leave:
      if (mask & hookHover) {
        fireNullFromGui(onMouseLeave);
        mouseLeft();
      }
      return false;
    case QEvent::KeyPress:
      return (mask & hookKeys) ? keyPressed(watched, event) : false;
    case QEvent::KeyRelease:
      return (mask & hookKeys) ? keyReleased(watched, event) : false;
    case QEvent::FocusIn:
      if (mask & hookFocus) fireNullFromGui(onSetFocus);
      return false;
    case QEvent::FocusOut:
      if (mask & hookFocus) fireNullFromGui(onKillFocus);
      return false;
    case QEvent::Resize:
      if (mask & hookGeometry) {
        resized();
        fireNullFromGui(onResize);
      }
      return false;
    case QEvent::Move:
      if (mask & hookGeometry) fireNullFromGui(onMove);
      return false;
    case QEvent::Show:
      if (mask & hookGeometry) fireNullFromGui(onShow);
      return false;
    case QEvent::Paint:
      return (mask & hookPaint) ? painted(watched, event) : false;
    default:
      return false;
  }
}

}  // namespace hi
