#include "window/Win.h"

#include <algorithm>
#include <utility>

#include "runtime/EventGate.h"
#include "window/Docking.h"
#include "window/SimpleWin.h"
#include "window/SystemDriver.h"
#include "window/hiHintManager.h"

namespace hi {

Edge controlEdge(bool createdSunken, std::uint8_t frame3D, std::uint8_t edgeStyle) {
  if (frame3D == 1) return createdSunken ? Edge::FlatLine : Edge::None;
  if (frame3D != 0) return createdSunken ? Edge::ClientEdge : Edge::None;
  switch (edgeStyle) {
    case 1:
      return Edge::None;
    case 2:
      return Edge::StaticEdge;
    case 3:
      return Edge::DialogFrame;
    case 4:
      return Edge::DialogClientEdge;
    default:
      return Edge::ClientEdge;
  }
}

FocusMode focusModeFor(std::int32_t tabOrder, FocusMode kindDefault) {
  if (tabOrder > 0) return FocusMode::Tab;
  if (tabOrder == 0) return kindDefault;
  return kindDefault == FocusMode::None ? FocusMode::None : FocusMode::Click;
}

THIWin::THIWin(THISimpleWin* parent) : parent_(parent) {
  if (parent_ != nullptr) {
    Color = parent_->Color;
    parent_->addChild(this);
  }
}

THIWin::~THIWin() {
  EventGate::instance().dropPosted(this);
  removeHint();
  if (driver_) driver_->setVisible(false);
  driver_.reset();
  if (parent_ != nullptr) parent_->removeChild(this);
}

WindowDriver* THIWin::parentDriver() const {
  return parent_ != nullptr ? parent_->driver() : nullptr;
}

void THIWin::removeHint() {
  if (hintService_ != nullptr) hintService_->removeTool(hintTool_);
  hintService_ = nullptr;
}

void THIWin::parentDestroyed() {
  removeHint();
  controlGone();
  driver_.reset();
  parent_ = nullptr;
}

bool THIWin::createdSunken() const {
  return defaultSunken() && (parent_ == nullptr || parent_->passesSunkenLook());
}

void THIWin::applyFont(const TFontRec& font) {
  font_ = font;
  if (driver_) driver_->setFont(font_);
}

void THIWin::setupControl() {
  ControlDriver& d = *driver_;
  d.setColor(Color);
  setBounds(Rect{Left, Top, Width, Height});
  edge_ = controlEdge(createdSunken(), Frame3D, EdgeStyle);
  d.setEdge(edge_);
  enabled_ = Enabled != 0;
  d.setEnabled(enabled_);
  d.setCursor(Cursor);
  applyFont(ParentFont && parent_ != nullptr ? systemDriver().defaultFont() : Font);
  focusMode_ = focusModeFor(TabOrder, defaultFocus());
  d.setFocusMode(focusMode_);
  applyVisible(Visible != 0);
}

void THIWin::applyVisible(bool show) {
  shown_ = show;
  driver_->setVisible(show);
  relayoutParent();
}

void THIWin::relayoutParent() {
  if (parent_ != nullptr) parent_->layoutDocked();
}

void THIWin::setBounds(Rect r) {
  if (!driver_) return;
  // A size change is offered to the graph as a difference; an integer answer replaces it.
  if (r.height != bounds_.height && inResizeHeight.connected()) {
    EventScope scope;
    TData d = makeInteger(r.height - bounds_.height);
    readPoint(inResizeHeight, d);
    if (d.type == dtInteger) r.height = bounds_.height + d.integer;
  }
  if (r.width != bounds_.width && inResizeWidth.connected()) {
    EventScope scope;
    TData d = makeInteger(r.width - bounds_.width);
    readPoint(inResizeWidth, d);
    if (d.type == dtInteger) r.width = bounds_.width + d.integer;
  }
  r.width = std::max(r.width, 0);
  r.height = std::max(r.height, 0);
  bounds_ = r;
  driver_->setBounds(r);
}

void THIWin::showLater(int slot, std::function<void()> fn) {
  EventGate::instance().postToHome(this, slot, std::move(fn));
}

void THIWin::doVisible(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (!driver_) return;
    const bool show = !(d.type == dtInteger && d.integer == 0);
    if (show != shown_) applyVisible(show);
    if (parent_ != nullptr) parent_->keepFocus();
  });
}

void THIWin::doEnabled(TData& d) {
  EventGate::instance().callOnHome([&] {
    if (!driver_) return;
    enabled_ = !(d.type == dtInteger && d.integer == 0);
    driver_->setEnabled(enabled_);
    if (parent_ != nullptr) parent_->keepFocus();
  });
}

void THIWin::attachHint(THIHintManager* service) {
  if (!driver_ || (service == nullptr && Hint.empty())) return;
  THIHintManager* s = service != nullptr ? service : &THIHintManager::instance();
  hintTool_ = s->addTool(driver_.get());
  s->setToolText(hintTool_, Hint);
  hintService_ = s;
}

bool THIWin::keyStep(std::int32_t vk) {
  if (!onKeyDown.connected()) return false;
  TData d = makeInteger(vk);
  fireFromGui(onKeyDown, d);
  // A handler consumes the key by setting the code to 0.
  return vk != 0 && toInteger(d) == 0;
}

bool THIWin::keyDown(std::int32_t vk) {
  keyResult_ = -1;
  const bool consumed = keyStep(vk);
  if (consumed) keyResult_ = 0;
  return consumed;
}

bool THIWin::character(const std::string& ch) {
  if (keyResult_ == 0) return false;  // a consumed key swallows its character
  TData d = makeString(ch);
  fireFromGui(onKeyPress, d);
  return true;
}

void THIWin::keyUp(std::int32_t vk) {
  keyResult_ = -1;
  fireIntegerFromGui(onKeyUp, vk);
}

}  // namespace hi
