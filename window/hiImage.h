// A picture, drawn scaled into its control with the picture's proportions kept.
#pragma once

#include <cstdint>

#include "window/Picture.h"
#include "window/Win.h"

namespace hi {

class THIImage : public THIWin {
 public:
  using THIWin::THIWin;

  hi::Picture Picture;             // set through setPicture; owned by the element
  std::uint8_t AutoSize = 0;       // the control takes the picture's size at creation
  std::int8_t SmoothStretch = -1;  // 1 smooth, 0 pixel dropping; -1 (never set) the default

  EventPoint onClick;

  // Takes the picture over; an empty picture changes nothing.
  void setPicture(hi::Picture picture);

  // The create step: makes the control from the properties (see THIWin).
  void init();

  void clicked() override;
  void paint(Canvas& canvas) override;
};

// Where a picture of pw x ph goes in a W x H area: centred, proportions kept, the margins
// rounded half to even, and symmetric (so it may be a pixel larger than exact).
Rect pictureRect(int width, int height, int pictureWidth, int pictureHeight);

}  // namespace hi
