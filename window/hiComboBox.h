// A drop-down list, with or without an edit field.
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

  // The create step.
  void init();

  ComboDriver* combo() const { return static_cast<ComboDriver*>(driver()); }

  void picked() override;

 protected:
  bool defaultSunken() const override { return true; }
  FocusMode defaultFocus() const override { return FocusMode::Tab; }
};

}  // namespace hi
