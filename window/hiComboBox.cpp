#include "window/hiComboBox.h"

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
