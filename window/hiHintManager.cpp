#include "window/hiHintManager.h"

#include <QTextDocument>
#include <QToolTip>

#include "window/Toolkit.h"

namespace hi {

THIHintManager& THIHintManager::instance() {
  static THIHintManager service;
  return service;
}

THIHintManager::THIHintManager()
    : BackColor(clInfoBk), Font(makeFontRec("Tahoma", 8, 0, clInfoText, 1)) {}

void THIHintManager::applyLook() {
  if (lookApplied_) return;
  lookApplied_ = true;
  QToolTip::setFont(toQFont(Font, QToolTip::font()));
  QPalette pal = QToolTip::palette();
  pal.setColor(QPalette::ToolTipBase, toQColor(BackColor));
  pal.setColor(QPalette::ToolTipText, toQColor(Font.Color));
  QToolTip::setPalette(pal);
}

int THIHintManager::addTool(QWidget* control) {
  applyLook();
  control->setToolTipDuration(AutoPopDelay);
  tools_.emplace_back(control);
  return static_cast<int>(tools_.size()) - 1;
}

void THIHintManager::removeTool(int tool) {
  QWidget* w = toolControl(tool);
  if (w != nullptr) w->setToolTip(QString());
  if (tool >= 0 && tool < static_cast<int>(tools_.size())) tools_[tool] = nullptr;
}

void THIHintManager::setToolText(int tool, const std::string& text) {
  if (QWidget* w = toolControl(tool)) {
    // As rich text of a plain text, so that a hint that looks like markup shows as typed.
    w->setToolTip(Qt::convertFromPlainText(toQt(text), Qt::WhiteSpaceNormal));
  }
}

QWidget* THIHintManager::toolControl(int tool) const {
  if (tool < 0 || tool >= static_cast<int>(tools_.size())) return nullptr;
  return tools_[tool];
}

}  // namespace hi
