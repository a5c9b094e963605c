// The top-level window on a QWidget with a client area inside it.
#include <qdrawutil.h>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QWindow>

#include "window/qt/QtControl.h"
#include "window/qt/QtConvert.h"
#include "window/qt/QtWindow.h"

namespace hi {

ClientArea::ClientArea(WindowSink& sink, QWidget* parent) : QWidget(parent), sink_(sink) {}

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  sink_.clientResized();
}

FormWidget::FormWidget(WindowSink& sink) : sink_(sink), client_(new ClientArea(sink, this)) {}

void FormWidget::setClientEdge(int width) {
  clientEdge_ = width;
  layoutClient();
  update();
}

void FormWidget::layoutClient() {
  client_->setGeometry(rect().adjusted(clientEdge_, clientEdge_, -clientEdge_, -clientEdge_));
}

void FormWidget::closeEvent(QCloseEvent* event) {
  event->setAccepted(closing_ || sink_.closeRequested());
}

void FormWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutClient();
}

void FormWidget::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (clientEdge_ > 0) {
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), true);
  }
}

void FormWidget::keyPressEvent(QKeyEvent* event) {
  // Enter that no control took may press the window's default button.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      sink_.enterUnhandled()) {
    return;
  }
  QWidget::keyPressEvent(event);
}

bool FormWidget::focusNextPrevChild(bool next) {
  return navigation_ && QWidget::focusNextPrevChild(next);
}

namespace {

Qt::WindowFlags windowFlags(const FrameStyle& s) {
  if (!s.caption && !s.thickFrame && !s.dialogModalFrame && !s.clientEdge) {
    return Qt::Window | Qt::FramelessWindowHint;
  }
  Qt::WindowFlags f = (s.toolWindow ? Qt::Tool : Qt::Window) | Qt::CustomizeWindowHint;
  if (s.caption) {
    // The system menu is kept whatever the frame; a window with a title bar has a close box.
    f |= Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (!s.toolWindow) f |= Qt::WindowSystemMenuHint;
  }
  if (s.minimizeBox) f |= Qt::WindowMinimizeButtonHint;
  if (s.maximizeBox) f |= Qt::WindowMaximizeButtonHint;
  return f;
}

// Keeps the user's input from a window and everything in it while the graph has disabled
// it. Qt's own disabled state would grey every control of the window; the desktop the graphs
// were drawn for leaves them as they are, and only a control disabled itself looks so.
class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }

  bool eventFilter(QObject* object, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
        break;
      default:
        return false;
    }
    auto* w = qobject_cast<QWidget*>(object);
    return w != nullptr && window_ != nullptr && (w == window_ || window_->isAncestorOf(w));
  }

 private:
  QPointer<QWidget> window_;
};

class QtWindow : public WindowDriver, public QtWidgetHolder {
 public:
  explicit QtWindow(WindowSink& sink) : form_(new FormWidget(sink)), bridge_(sink, nullptr) {
    bridge_.watch(form_, bridgeFocus | bridgeGeometry);
    bridge_.watch(form_->client(), bridgeMouse | bridgeWheel | bridgeHover);
    bridge_.setOrigin(form_->client());
    form_->setAutoFillBackground(true);
    form_->client()->setAutoFillBackground(true);
  }
  ~QtWindow() override {
    blocker_.reset();
    delete form_.data();
  }

  QWidget* qtWidget() const override { return form_; }
  FormWidget* form() const { return form_; }

  void setVisible(bool visible) override { form_->setVisible(visible); }
  void setEnabled(bool enabled) override {
    if (enabled) {
      blocker_.reset();
    } else if (!blocker_) {
      blocker_ = std::make_unique<InputBlocker>(form_);
    }
  }
  bool takesInput() const { return !blocker_; }
  void setColor(std::uint32_t colour) override {
    QPalette pal = form_->palette();
    pal.setColor(QPalette::Window, toQColor(colour));
    form_->setPalette(pal);
  }
  void setCursor(std::int32_t cursor) override {
    if (cursor > 0) form_->client()->setCursor(QCursor(static_cast<Qt::CursorShape>(cursor - 1)));
  }
  void captureMouse(bool on) override {
    if (on) {
      form_->client()->grabMouse();
    } else {
      form_->client()->releaseMouse();
    }
  }
  void setTitle(const std::string& title) override { form_->setWindowTitle(toQt(title)); }
  void setIcon(const Icon& icon) override {
    QIcon q;
    for (const Picture& p : icon.images) q.addPixmap(QPixmap::fromImage(toQImage(p).copy()));
    form_->setWindowIcon(q);
    QApplication::setWindowIcon(q);  // the taskbar entry
  }
  void setFrame(const FrameMetrics& frame) override {
    form_->setWindowFlags(windowFlags(frame.style));
    form_->setClientEdge(frame.clientEdge);
  }
  void place(Point frameTopLeft, Size inner, bool resizable) override {
    // Qt places a window's frame at its position.
    form_->move(frameTopLeft.x, frameTopLeft.y);
    if (resizable) {
      form_->setMinimumSize(0, 0);
      form_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
      form_->resize(inner.width, inner.height);
    } else {
      form_->setFixedSize(inner.width, inner.height);
    }
    form_->layoutClient();
  }
  Rect clientRect() const override {
    const QRect r = form_->client()->rect();
    return Rect{0, 0, r.width(), r.height()};
  }
  void close() override {
    form_->closing();
    form_->close();
  }
  void startSystemMove() override {
    if (form_->windowHandle() != nullptr) form_->windowHandle()->startSystemMove();
  }
  void setTabChain(const std::vector<ControlDriver*>& chain) override {
    chain_.clear();
    for (ControlDriver* c : chain) chain_.emplace_back(hi::qtWidget(c));
    for (std::size_t i = 1; i < chain.size(); ++i) {
      QWidget::setTabOrder(hi::qtWidget(chain[i - 1]), hi::qtWidget(chain[i]));
    }
    form_->setKeyboardNavigation(true);
  }
  void keepFocusInChain() override {
    // The window's focus widget, even while the window is not the active one (no window
    // manager, or another program in front): Qt hands it the keys once it is.
    const auto takesKeys = [](const QWidget* w) {
      return w != nullptr && w->isVisible() && w->isEnabled();
    };
    const QWidget* now = form_->focusWidget();
    for (const QPointer<QWidget>& w : chain_) {
      if (w != nullptr && (w.data() == now || w->isAncestorOf(now)) && takesKeys(now)) return;
    }
    for (const QPointer<QWidget>& w : chain_) {
      if (takesKeys(w)) {
        w->setFocus(Qt::OtherFocusReason);
        return;
      }
    }
  }

 private:
  QPointer<FormWidget> form_;
  std::vector<QPointer<QWidget>> chain_;
  QtBridge bridge_;
  std::unique_ptr<InputBlocker> blocker_;
};

}  // namespace

QWidget* controlParent(WindowDriver* parent) {
  auto* window = dynamic_cast<QtWindow*>(parent);
  return window != nullptr ? window->form()->client() : nullptr;
}

bool qtWindowTakesInput(const WindowDriver* parent) {
  const auto* window = dynamic_cast<const QtWindow*>(parent);
  return window != nullptr && window->takesInput();
}

QWidget* qtClientArea(const WindowDriver* parent) {
  const auto* window = dynamic_cast<const QtWindow*>(parent);
  return window != nullptr ? window->form()->client() : nullptr;
}

std::unique_ptr<WindowDriver> newWindowDriver(WindowSink& sink) {
  return std::make_unique<QtWindow>(sink);
}

}  // namespace hi
