#include "window/SimpleWin.h"

#include <algorithm>

#include "window/Docking.h"
#include "window/Win.h"

namespace hi {

THISimpleWin::THISimpleWin() : window_(newWindowDriver(*this)) {}

THISimpleWin::~THISimpleWin() {
  for (THIWin* child : children_) child->parentDestroyed();
  window_->setVisible(false);
}

void THISimpleWin::addChild(THIWin* child) {
  children_.push_back(child);
}

void THISimpleWin::removeChild(THIWin* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void THISimpleWin::layoutDocked() {
  // Docking moves controls, which may resize labels and dock again; one pass at a time.
  if (layingOut_) return;
  layingOut_ = true;
  std::vector<DockItem> items;
  std::vector<THIWin*> docked;
  for (THIWin* child : children_) {
    if (child->Align == alNone || child->driver() == nullptr) continue;
    items.push_back(DockItem{child->Align, child->shownInParent(), child->bounds()});
    docked.push_back(child);
  }
  dockLayout(clientRect(), DockMargin, items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].visible && items[i].bounds != docked[i]->bounds()) {
      docked[i]->setBounds(items[i].bounds);
    }
  }
  layingOut_ = false;
}

bool THISimpleWin::enterUnhandled() {
  for (THIWin* child : children_) {
    if (child->pressAsDefault()) return true;
  }
  return false;
}

void THISimpleWin::setEnabledNow(bool on) {
  enabled_ = on;
  window_->setEnabled(on);
  keepFocus();
}

void THISimpleWin::keepFocus() {
  if (enabled_ && window_) window_->keepFocusInChain();
}

void THISimpleWin::setupWindow(Point frameTopLeft, Size inner, bool resizable) {
  window_->setColor(Color);
  window_->place(frameTopLeft, inner, resizable);
  setEnabledNow(Enabled != 0);
  window_->setCursor(Cursor);
  window_->setVisible(false);
}

}  // namespace hi
