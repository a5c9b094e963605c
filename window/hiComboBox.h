// A drop-down list, with or without an edit field. Only a deliberate choice is reported: an
// item picked from the open list, or Enter on the closed box. Turning the wheel or moving
// the selection with keys on the closed box only changes what it shows, so that browsing a
// port list opens no port.
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

  // The create step: makes the control from the properties (see THIWin).
  void init();

  ComboDriver* combo() const { return static_cast<ComboDriver*>(driver()); }

  // A deliberate choice: an item picked from the open list.
  void picked() override;

 protected:
  bool defaultSunken() const override { return true; }
  FocusMode defaultFocus() const override { return FocusMode::Tab; }
  // Enter on the closed box confirms the item shown, after the base key-down step.
  bool keyStep(std::int32_t vk) override;

 private:
  void confirmChoice();
};

}  // namespace hi
