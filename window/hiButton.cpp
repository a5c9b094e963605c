#include "window/hiButton.h"

namespace hi {

void THIButton::init() {
  ButtonDriver* b = adopt(newButtonDriver(parentDriver(), *this, ButtonStyle{DefaultButton != 0}));
  setupControl();
  b->setText(Caption);
}

void THIButton::clicked() {
  // A copy: a receiver that changes its value must not change the next click's.
  TData copy = Data;
  fireFromGui(onClick, copy);
}

bool THIButton::pressAsDefault() {
  if (!DefaultButton || !shownInParent() || !enabled()) return false;
  clicked();
  return true;
}

}  // namespace hi
