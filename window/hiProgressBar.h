// A progress bar.
#pragma once

#include <cstdint>

#include "window/Win.h"

namespace hi {

class THIProgressBar : public THIWin {
 public:
  using THIWin::THIWin;

  std::int32_t Max = 0;
  std::uint8_t Vertical = 0;
  std::uint8_t Smooth = 0;
  std::uint32_t BarColor = 0;

  // The create step: makes the control from the properties (see THIWin).
  void init();

  // Sets the position from the value's integer form (NULL gives 0). Callable from any
  // thread; from another thread it reaches the bar later, without waiting.
  void doPosition(TData& d);

  // The position the bar shows (home thread).
  std::int32_t position() const { return position_; }
  // The filled part's length in pixels along the bar, of `length` pixels.
  int filledLength(int length) const { return hi::filledLength(position_, Max, length); }

 protected:
  bool defaultSunken() const override { return true; }
  bool createdSunken() const override;

 private:
  std::int32_t position_ = 0;
};

}  // namespace hi
