#include "window/hiSimpleForm.h"

#include <QApplication>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "runtime/EventGate.h"
#include "window/FormWidget.h"
#include "window/FrameMetrics.h"
#include "window/Toolkit.h"
#include "window/Win.h"

namespace hi {

THISimpleForm::THISimpleForm() {
  addStartupHandler(&THISimpleForm::startup, this);
}

THISimpleForm::~THISimpleForm() {
  removeStartupHandlers(this);
}

void THISimpleForm::init() {
  QWidget* w = window();
  const FrameMetrics frame = frameMetrics(borderStyleValid(BorderStyle) ? BorderStyle : 255);
  w->setWindowFlags(frame.flags);
  w->setWindowTitle(toQt(Caption));
  if (!Icon.isNull()) {
    w->setWindowIcon(Icon);
    QApplication::setWindowIcon(Icon);  // the taskbar entry
  }
  // Width and Height are the outer size; Qt sizes the window inside the desktop's frame,
  // and the client edge, when there is one, is drawn inside that.
  const QSize size(std::max(Width - frame.left - frame.right + 2 * frame.clientEdge, 0),
                   std::max(Height - frame.top - frame.bottom + 2 * frame.clientEdge, 0));
  setupWindow(size, frame.resizable);
  static_cast<FormWidget*>(w)->setClientEdge(frame.clientEdge);
}

void THISimpleForm::Start() {
  enableRuntime();
  EventScope scope;
  runStartupHandlers();
}

void THISimpleForm::startup(void* self) {
  auto* form = static_cast<THISimpleForm*>(self);
  fireNullFromGui(form->onCreate);
  if (form->window() != nullptr && !form->closed_) form->window()->setVisible(form->Visible != 0);
}

void THISimpleForm::enableKeyboardNavigation() {
  std::vector<THIWin*> chain;
  for (THIWin* c : children()) {
    if (c->control() != nullptr && c->control()->focusPolicy() & Qt::TabFocus) chain.push_back(c);
  }
  std::stable_sort(chain.begin(), chain.end(), [](const THIWin* a, const THIWin* b) {
    const bool ap = a->TabOrder > 0;
    const bool bp = b->TabOrder > 0;
    if (ap != bp) return ap;
    return ap && a->TabOrder < b->TabOrder;
  });
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QWidget::setTabOrder(chain[i - 1]->control(), chain[i]->control());
  }
  static_cast<FormWidget*>(window())->setKeyboardNavigation(true);
}

bool THISimpleForm::keepOpen() {
  if (!inKeepOpen.connected()) return false;
  EventScope scope;
  TData answer;
  readPoint(inKeepOpen, answer);
  return answer.type == dtInteger && answer.integer != 0;
}

void THISimpleForm::acceptClose() {
  closed_ = true;
  fireNullFromGui(onClose);
  // From here on nothing fires, from any thread, while the graph is torn down.
  disableRuntime();
}

bool THISimpleForm::allowClose() {
  if (closed_) return true;
  // A disabled window takes no input, its close box included.
  if (!window()->isEnabled()) return false;
  if (keepOpen()) return false;
  acceptClose();
  return true;
}

void THISimpleForm::doClose(TData&) {
  EventGate::instance().callOnHome([&] {
    if (closed_) return;
    acceptClose();
    window()->close();
  });
}

void THISimpleForm::doEnabled(TData& d) {
  EventGate::instance().callOnHome(
      [&] { window()->setEnabled(!(d.type == dtInteger && d.integer == 0)); });
}

void THISimpleForm::mousePressed(QWidget* watched, QEvent*) {
  if (DragAnywhere && watched == clientArea() && window()->windowHandle() != nullptr) {
    window()->windowHandle()->startSystemMove();
  }
}

}  // namespace hi
