// A drop-down list, with or without an edit field. Only a deliberate choice is reported: an
// item picked from the open list, or Enter on the closed box. Turning the wheel or moving
// the selection with keys on the closed box only changes what it shows, so that browsing a
// port list opens no port.
//
// A list that changes while the program runs (the serial ports) is refilled as the user
// opens it: onDropDown asks for the items, doSetItems gives them, and the list opens with
// them.
#pragma once

#include <cstdint>
#include <string>

#include "window/LWinList.h"

namespace hi {

class THIComboBox : public THILWinList {
 public:
  using THILWinList::THILWinList;

  std::string Text;           // initial text of the edit field
  std::uint8_t Editable = 0;  // 1: the user may type into an edit field

  // The user opens the list, by the mouse or the keyboard: fired (NULL) before the list
  // shows, so that a handler can refill it; not by a box that is disabled meanwhile.
  EventPoint onDropDown;

  // Makes the items the lines of the value (CR LF separated, as Strings; the empty text
  // leaves none), in that order or sorted with Sorted. Items that stay keep their data
  // number, the current item stays current and the edit field keeps its text. When the
  // current item goes, none is current and a field that showed it is emptied; typed text
  // stays. Fires no onChange; forwards to onListChanged. Callable from any thread.
  void doSetItems(TData& d);

  // The create step: makes the control from the properties (see THIWin).
  void init();

  ComboDriver* combo() const { return static_cast<ComboDriver*>(driver()); }

  // A deliberate choice: an item picked from the open list.
  void picked() override;
  void listOpening() override;

 protected:
  bool defaultSunken() const override { return true; }
  FocusMode defaultFocus() const override { return FocusMode::Tab; }
  // Enter on the closed box confirms the item shown, after the base key-down step.
  bool keyStep(std::int32_t vk) override;

 private:
  void confirmChoice();
};

}  // namespace hi
