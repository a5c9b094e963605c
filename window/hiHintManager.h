// The shared tooltip service of the control elements.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Helpers.h"

namespace hi {

// Qt shows a tooltip after its own delay and in its own shape: InitialDelay, Margin, Balloon
// and Tracking are kept as settings only. The font, the colours and AutoPopDelay apply.
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
  int addTool(QWidget* control);
  void removeTool(int tool);
  void setToolText(int tool, const std::string& text);
  QWidget* toolControl(int tool) const;

 private:
  void applyLook();

  std::vector<QPointer<QWidget>> tools_;
  bool lookApplied_ = false;
};

}  // namespace hi
