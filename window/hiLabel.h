// A static text control.
#pragma once

#include <cstdint>
#include <string>

#include "window/Win.h"

namespace hi {

class THILabel : public THIWin {
 public:
  // The label's control exists from construction on, so AutoSize and TextAlign act at once.
  explicit THILabel(THISimpleWin* parent);

  std::string Caption;
  std::uint8_t AutoSize = 0;   // set through setAutoSize
  std::uint8_t TextAlign = 0;  // set through setTextAlign: 0 left, 1 right, 2 centre
  std::uint32_t HoverColor = 0;
  std::uint8_t HoverUnderline = 0;

  EventPoint onClick;

  void setAutoSize(std::uint8_t on);
  void setTextAlign(std::uint8_t align);

  // The create step: the base set-up, then the text.
  void init();

  // Changes the text (and the size, with AutoSize).
  void setText(const std::string& text);
  LabelDriver* label() const { return static_cast<LabelDriver*>(driver()); }

  void clicked() override;

 protected:
  void mouseEntered() override;
  void mouseLeft() override;

 private:
  void fitText();
};

}  // namespace hi
