#include "window/hiHintManager.h"

#include "window/Colors.h"

namespace hi {

THIHintManager& THIHintManager::instance() {
  static THIHintManager service;
  return service;
}

THIHintManager::THIHintManager()
    : BackColor(clInfoBk), Font(makeFontRec("Tahoma", 8, 0, clInfoText, 1)) {}

HintStyle THIHintManager::style() const {
  HintStyle s;
  s.backColor = BackColor;
  s.font = Font;
  s.initialDelay = InitialDelay;
  s.autoPopDelay = AutoPopDelay;
  s.margin = Margin;
  s.balloon = Balloon != 0;
  s.tracking = Tracking != 0;
  return s;
}

int THIHintManager::addTool(ControlDriver* control) {
  tools_.push_back(control);
  return static_cast<int>(tools_.size()) - 1;
}

void THIHintManager::removeTool(int tool) {
  if (ControlDriver* c = toolControl(tool)) {
    c->setHint(std::string(), style());
    tools_[static_cast<std::size_t>(tool)] = nullptr;
  }
}

void THIHintManager::setToolText(int tool, const std::string& text) {
  if (ControlDriver* c = toolControl(tool)) c->setHint(text, style());
}

ControlDriver* THIHintManager::toolControl(int tool) const {
  if (tool < 0 || tool >= static_cast<int>(tools_.size())) return nullptr;
  return tools_[static_cast<std::size_t>(tool)];
}

}  // namespace hi
