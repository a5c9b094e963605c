#include "window/hiComboBox.h"

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

}  // namespace hi
