// The shared tooltip service of the control elements.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Helpers.h"
#include "window/ControlDriver.h"

namespace hi {

// The settings go to each control's driver with its tooltip text; a toolkit applies what it
// can (Qt, for one, keeps its own delays and shape).
class THIHintManager {
 public:
  // The one service every control element shares; made at its first use.
  static THIHintManager& instance();

  std::uint8_t Balloon = 0;
  std::uint32_t BackColor;
  std::int32_t InitialDelay = 500;
  std::int32_t AutoPopDelay = 5000;
  std::int32_t Margin = 0;
  std::uint8_t Tracking = 0;
  TFontRec Font;

  THIHintManager();

  // Tools are numbered from 0; a removed tool's number is not reused.
  int addTool(ControlDriver* control);
  void removeTool(int tool);
  void setToolText(int tool, const std::string& text);
  ControlDriver* toolControl(int tool) const;

 private:
  HintStyle style() const;

  std::vector<ControlDriver*> tools_;
};

}  // namespace hi
