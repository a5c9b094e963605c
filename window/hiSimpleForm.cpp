#include "window/hiSimpleForm.h"

#include <algorithm>
#include <vector>

#include "runtime/EventGate.h"
#include "window/FrameMetrics.h"
#include "window/Win.h"

namespace hi {

THISimpleForm::THISimpleForm() {
  addStartupHandler(&THISimpleForm::startup, this);
}

THISimpleForm::~THISimpleForm() {
  removeStartupHandlers(this);
}

void THISimpleForm::init() {
  const FrameMetrics frame = frameMetrics(borderStyleValid(BorderStyle) ? BorderStyle : 255);
  driver()->setFrame(frame);
  driver()->setTitle(Caption);
  if (!Icon.empty()) driver()->setIcon(Icon);
  // Width and Height are the outer size; the toolkit sizes the window inside the desktop's
  // frame, and the client edge, when there is one, is drawn inside that.
  const Size inner{std::max(Width - frame.left - frame.right + 2 * frame.clientEdge, 0),
                   std::max(Height - frame.top - frame.bottom + 2 * frame.clientEdge, 0)};
  setupWindow(Point{Left, Top}, inner, frame.resizable());
}

void THISimpleForm::Start() {
  enableRuntime();
  EventScope scope;
  runStartupHandlers();
}

void THISimpleForm::startup(void* self) {
  auto* form = static_cast<THISimpleForm*>(self);
  fireNullFromGui(form->onCreate);
  if (form->closed_) return;
  form->driver()->setVisible(form->Visible != 0);
  form->keepFocus();
}

void THISimpleForm::enableKeyboardNavigation() {
  std::vector<THIWin*> chain;
  for (THIWin* c : children()) {
    if (c->driver() != nullptr && c->focusMode() == FocusMode::Tab) chain.push_back(c);
  }
  std::stable_sort(chain.begin(), chain.end(), [](const THIWin* a, const THIWin* b) {
    const bool ap = a->TabOrder > 0;
    const bool bp = b->TabOrder > 0;
    if (ap != bp) return ap;
    return ap && a->TabOrder < b->TabOrder;
  });
  std::vector<ControlDriver*> drivers;
  for (THIWin* c : chain) drivers.push_back(c->driver());
  driver()->setTabChain(drivers);
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
  if (!enabled()) return false;
  if (keepOpen()) return false;
  acceptClose();
  return true;
}

void THISimpleForm::doClose(TData&) {
  EventGate::instance().callOnHome([&] {
    if (closed_) return;
    acceptClose();
    driver()->close();
  });
}

void THISimpleForm::doEnabled(TData& d) {
  EventGate::instance().callOnHome([&] { setEnabledNow(!(d.type == dtInteger && d.integer == 0)); });
}

void THISimpleForm::mousePressed() {
  if (DragAnywhere) driver()->startSystemMove();
}

}  // namespace hi
