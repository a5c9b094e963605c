// A push button.
#pragma once

#include <cstdint>
#include <string>

#include "window/Win.h"

namespace hi {

class THIButton : public THIWin {
 public:
  using THIWin::THIWin;

  std::string Caption;
  TData Data;  // sent, as a copy, with every click
  std::uint8_t DefaultButton = 0;

  EventPoint onClick;

  // The create step: makes the control from the properties (see THIWin).
  void init();

  ButtonDriver* button() const { return static_cast<ButtonDriver*>(driver()); }

  void clicked() override;
  bool pressAsDefault() override;

 protected:
  FocusMode defaultFocus() const override { return FocusMode::Tab; }
};

}  // namespace hi
