#include "elements/hiEditMultiEx.h"

#include "elements/hiMultiElementEx.h"

namespace hi {

void THIEditMultiEx::doEvent(TData& d, std::uint16_t index) {
  THIMultiElementEx* owner = container;
  if (owner == nullptr || index >= owner->onEvent.size()) return;
  THIMultiElementEx::InnerCall call(this, *owner);
  fireEvent(owner->onEvent[index], d);
}

void THIEditMultiEx::GetData(TData& d, std::uint16_t index) {
  THIMultiElementEx* owner = container;
  if (owner == nullptr || index >= owner->inData.size()) {
    d.type = dtBreak;
    return;
  }
  THIMultiElementEx::InnerCall call(this, *owner);
  readOrBreak(owner->inData[index], d);
}

}  // namespace hi
