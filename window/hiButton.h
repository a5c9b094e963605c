// A push button.
#pragma once

#include <QPushButton>
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

  // The create step.
  void init();

  QPushButton* button() const { return button_; }

 protected:
  Qt::FocusPolicy defaultFocusPolicy() const override { return Qt::StrongFocus; }
  void resized() override;

 private:
  void wrapCaption();

  QPushButton* button_ = nullptr;
};

// Breaks a text at blanks into lines no wider than `width` in the font's metrics; a word
// wider than that stays whole on its own line.
QString wrapText(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace hi
