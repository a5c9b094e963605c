// The base of list controls: the initial items and clearing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "window/Win.h"

namespace hi {

class THIWinList : public THIWin {
 public:
  using THIWin::THIWin;

  std::string Strings;  // initial items, one per line (CR LF separated)
  std::uint8_t Sorted = 0;

  EventPoint onListChanged;

  // Removes every item, then forwards to onListChanged. Callable from any thread.
  void doClear(TData& d);

 protected:
  ListDriver* list() const { return static_cast<ListDriver*>(driver()); }
  // Adds at the end, or at the sorted place (letter case aside) with Sorted; answers the new
  // index, or -1.
  int insertItem(const std::string& text);
  // The create step's loading of Strings.
  void loadStrings();
  // Makes the items `wanted` (in that order, or sorted with Sorted) with the fewest changes:
  // items that stay keep their data number and, for the current one, being current. Home
  // thread.
  void replaceItems(std::vector<std::string> wanted);
};

// The lines of a Strings text: split at CR LF; a final CR LF ends the last line.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace hi
