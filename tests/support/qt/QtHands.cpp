#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "tests/support/Hands.h"
#include "tests/support/qt/QtTestAccess.h"
#include "window/KeyCodes.h"
#include "window/SystemDriver.h"
#include "window/hiComboBox.h"
#include "window/hiSimpleForm.h"
#include "window/qt/QtConvert.h"

namespace hi::test {

namespace {

Qt::MouseButton qtButton(std::int32_t b) {
  return b == 0 ? Qt::LeftButton : b == 1 ? Qt::RightButton : Qt::MiddleButton;
}

Qt::MouseButtons qtHeld(std::uint32_t held) {
  Qt::MouseButtons b;
  if (held & MkLButton) b |= Qt::LeftButton;
  if (held & MkRButton) b |= Qt::RightButton;
  if (held & MkMButton) b |= Qt::MiddleButton;
  return b;
}

void send(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
          Point at) {
  const QPoint p(at.x, at.y);
  QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

class QtHands : public Hands {
 public:
  bool visible(const THIWin& c) override { return !widget(c)->isHidden(); }
  bool enabled(const THIWin& c) override { return widget(c)->isEnabled(); }
  bool focused(const THIWin& c) override {
    // The window's focus widget, whether or not the window is the active one.
    QWidget* w = widget(c);
    QWidget* f = w->window()->focusWidget();
    return f != nullptr && (f == w || w->isAncestorOf(f));
  }
  Rect bounds(const THIWin& c) override {
    const QRect r = widget(c)->geometry();
    return Rect{r.x(), r.y(), r.width(), r.height()};
  }
  std::string text(const THIWin& c) override {
    QWidget* w = widget(c);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return fromQt(combo->currentText());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      // A hidden edit gives its text to Qt only once it is shown.
      auto* driver = dynamic_cast<const TextDriver*>(c.driver());
      if (edit->isHidden() && driver != nullptr) return driver->text();
      return fromQt(edit->text());
    }
    if (auto* label = qobject_cast<QLabel*>(w)) return fromQtLines(label->text());
    if (auto* button = qobject_cast<QPushButton*>(w)) return fromQtLines(button->text());
    return {};
  }
  std::uint32_t textColour(const THIWin& c) override {
    const QColor q = widget(c)->palette().color(QPalette::WindowText);
    return static_cast<std::uint32_t>(q.red() | (q.green() << 8) | (q.blue() << 16));
  }
  bool underlined(const THIWin& c) override { return widget(c)->font().underline(); }
  bool windowVisible(const THISimpleForm& f) override { return windowWidget(f)->isVisible(); }
  bool windowEnabled(const THISimpleForm& f) override { return qtWindowTakesInput(f.driver()); }

  void click(THIWin& c) override { QTest::mouseClick(inputWidget(c), Qt::LeftButton); }
  void press(THIWin& c, std::int32_t button, Point at) override {
    send(widget(c), QEvent::MouseButtonPress, qtButton(button), qtButton(button), at);
  }
  void release(THIWin& c, std::int32_t button, Point at) override {
    send(widget(c), QEvent::MouseButtonRelease, qtButton(button), Qt::NoButton, at);
  }
  void move(THIWin& c, std::uint32_t held, Point at) override {
    send(widget(c), QEvent::MouseMove, Qt::NoButton, qtHeld(held), at);
  }
  void wheel(THIWin& c, int delta) override {
    // Qt hands a wheel turn over an edit field on to its combo box; a sent one goes only
    // where it is sent.
    QWidget* w = widget(c);
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
  }
  void hover(THIWin& c, bool enter) override {
    if (enter) {
      QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
      QApplication::sendEvent(widget(c), &e);
    } else {
      QEvent e(QEvent::Leave);
      QApplication::sendEvent(widget(c), &e);
    }
  }
  // Keys go where Qt delivers them: to the widget that takes the focus. A combo box is
  // its edit field's focus proxy, and hands the keys on to the field itself.
  void type(THIWin& c, const std::string& text) override {
    QTest::keyClicks(widget(c), toQt(text));
  }
  void key(THIWin& c, std::int32_t vk) override {
    QTest::keyClick(widget(c), qtKey(vk));
  }
  void openList(THIComboBox& combo) override {
    static_cast<QComboBox*>(widget(combo))->showPopup();
  }
  void pick(THIComboBox& combo, int index) override {
    auto* box = static_cast<QComboBox*>(widget(combo));
    if (!box->view()->isVisible()) box->showPopup();
    QAbstractItemView* view = box->view();
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
  }
  bool closeBox(THISimpleForm& f) override {
    QCloseEvent e;
    QApplication::sendEvent(windowWidget(f), &e);
    return e.isAccepted();
  }

 private:
  static Qt::Key qtKey(std::int32_t vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return static_cast<Qt::Key>(vk);
    switch (vk) {
      case VkReturn:
        return Qt::Key_Return;
      case VkUp:
        return Qt::Key_Up;
      case VkDown:
        return Qt::Key_Down;
      case VkPrior:
        return Qt::Key_PageUp;
      case VkNext:
        return Qt::Key_PageDown;
      case VkHome:
        return Qt::Key_Home;
      case VkEnd:
        return Qt::Key_End;
      case VkLeft:
        return Qt::Key_Left;
      case VkRight:
        return Qt::Key_Right;
      case VkTab:
        return Qt::Key_Tab;
      case VkSpace:
        return Qt::Key_Space;
      case VkBack:
        return Qt::Key_Backspace;
      default:
        return Qt::Key_unknown;
    }
  }
};

}  // namespace

Hands& hands() {
  static QtHands h;
  return h;
}

}  // namespace hi::test

namespace hi::test {

QWidget* inputWidget(const THIWin& c) {
  QWidget* w = widget(c);
  if (auto* combo = qobject_cast<QComboBox*>(w); combo != nullptr && combo->lineEdit() != nullptr) {
    return combo->lineEdit();
  }
  return w;
}

}  // namespace hi::test
