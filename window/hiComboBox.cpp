#include "window/hiComboBox.h"

#include "runtime/EventGate.h"
#include "window/KeyCodes.h"

namespace hi {

void THIComboBox::init() {
  ComboDriver* c = adopt(newComboDriver(parentDriver(), *this, ComboStyle{Editable != 0}));
  setupControl();
  loadStrings();
  if (Editable) {
    c->setFieldText(Text);
  } else if (!Text.empty()) {
    int index = 0;
    while (index < c->count() && c->itemText(index) != Text) ++index;
    c->setCurrent(index < c->count() ? index : -1);
  }
}

void THIComboBox::picked() {
  reportPick();
}

void THIComboBox::listOpening() {
  if (!onDropDown.connected()) return;
  EventScope scope;
  // While this waited for another thread's event, the graph may have locked the choice.
  if (!enabled()) return;
  TData d;
  fireEvent(onDropDown, d);
}

void THIComboBox::doSetItems(TData& d) {
  const std::vector<std::string> lines = splitLines(toString(d));
  EventGate::instance().callOnHome([&] {
    ComboDriver* c = combo();
    if (c == nullptr) return;
    const int current = c->current();
    const std::string chosen = c->itemText(current);
    const std::string shown = c->fieldText();
    replaceItems(lines);
    if (!Editable) return;
    if (current >= 0 && c->current() < 0 && shown == chosen) {
      c->setFieldText("");
    } else if (c->fieldText() != shown) {
      c->setFieldText(shown);
    }
  });
  forwardNull(d, onListChanged);
}

bool THIComboBox::keyStep(std::int32_t vk) {
  const bool consumed = THILWinList::keyStep(vk);
  if (vk == VkReturn && !consumed) confirmChoice();
  return consumed;
}

void THIComboBox::confirmChoice() {
  ComboDriver* c = combo();
  if (c == nullptr) return;
  int index = c->current();
  // In an edit field the user may have typed a name; only an item of exactly that text is
  // a choice.
  const std::string shown = c->fieldText();
  if (index < 0 || c->itemText(index) != shown) {
    index = 0;
    while (index < c->count() && c->itemText(index) != shown) ++index;
    if (index == c->count()) return;
    c->setCurrent(index);
  }
  reportPick();
}

}  // namespace hi
