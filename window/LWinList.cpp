#include "window/LWinList.h"

#include "runtime/EventGate.h"

namespace hi {

void THILWinList::doAdd(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (list() == nullptr) return;
    const std::string text = readString(d, inItemText, "");
    const int index = insertItem(text);
    if (SelectAdded) list()->setCurrent(index >= 0 ? index : -1);
    const TData data = readValue(d, inItemData, nullptr);
    if (index >= 0 && data.type == dtInteger) list()->setItemData(index, data.integer);
  });
  forwardNull(d, onListChanged);
}

void THILWinList::reportPick() {
  if (!onChange.connected() || list() == nullptr) return;
  const int index = list()->current();
  TData value = ReportText ? makeString(list()->itemText(index)) : makeInteger(index);
  const std::int32_t data = list()->itemData(index);
  if (data != -1) value.next = new TData(makeInteger(data));
  ChainOwner owner(value);
  fireFromGui(onChange, value);
}

}  // namespace hi
