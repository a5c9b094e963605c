#include "window/LWinList.h"

#include "runtime/EventGate.h"
#include "window/Toolkit.h"

namespace hi {

void THILWinList::doAdd(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (control() == nullptr) return;
    const std::string text = readString(d, inItemText, "");
    const int index = insertItem(toQt(text));
    if (SelectAdded) setCurrentItem(index >= 0 ? index : -1);
    const TData data = readValue(d, inItemData, nullptr);
    if (index >= 0 && data.type == dtInteger) setItemData(index, data.integer);
  });
  forwardNull(d, onListChanged);
}

void THILWinList::reportPick() {
  if (!onChange.connected()) return;
  const int index = currentItem();
  TData value = ReportText ? makeString(fromQt(itemString(index))) : makeInteger(index);
  const std::int32_t data = itemData(index);
  if (data != -1) value.next = new TData(makeInteger(data));
  ChainOwner owner(value);
  fireFromGui(onChange, value);
}

}  // namespace hi
