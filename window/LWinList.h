// The base of list controls with a current item: adding items with their data numbers and
// reporting the user's pick.
#pragma once

#include <cstdint>
#include <string>

#include "window/WinList.h"

namespace hi {

class THILWinList : public THIWinList {
 public:
  using THIWinList::THIWinList;

  std::uint8_t ReportText = 0;   // onChange carries the item's text (1) or its index (0)
  std::uint8_t SelectAdded = 0;  // an added item becomes the current one

  EventPoint inItemText;
  EventPoint inItemData;
  EventPoint onChange;

  // Adds ItemText (unconnected: the next value of the event's chain) as an item; an integer
  // ItemData becomes its data number. Forwards to onListChanged. Callable from any thread.
  void doAdd(TData& d);

 protected:
  // The user chose the current item: fires onChange with its text or index, chained with
  // its data.
  void reportPick();
};

}  // namespace hi
