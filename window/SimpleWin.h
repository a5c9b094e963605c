// The base of a top-level window element: the window with its client area, the controls
// placed in it, and their docking.
#pragma once

#include <memory>
#include <vector>

#include "window/WinBase.h"
#include "window/WindowDriver.h"

namespace hi {

class THIWin;

class THISimpleWin : public WinBase, public WindowSink {
 public:
  // Makes the window, hidden.
  THISimpleWin();
  ~THISimpleWin() override;

  WindowDriver* driver() const { return window_.get(); }
  // The client area, where the controls lie, in its own coordinates.
  Rect clientRect() const { return window_->clientRect(); }
  bool enabled() const { return enabled_; }
  // After a control or the window was shown, hidden, enabled or disabled: the focus stays on
  // a control that takes keys.
  void keepFocus();

  // Controls register themselves, in creation order, which is also the docking order.
  void addChild(THIWin* child);
  void removeChild(THIWin* child);
  const std::vector<THIWin*>& children() const { return children_; }

  // Lays the docked controls out again (after a control was docked, shown, hidden or resized
  // itself to its text, and after the client area changed its size).
  void layoutDocked();
  static constexpr int DockMargin = 0;

  // Controls of a sunken kind start sunken unless this window's Frame3D made it flat.
  bool passesSunkenLook() const { return Frame3D != 1; }

  bool closeRequested() override { return allowClose(); }
  void clientResized() override { layoutDocked(); }
  bool enterUnhandled() override;

 protected:
  // Applies the common properties to the window, with Visible forced off.
  void setupWindow(Point frameTopLeft, Size inner, bool resizable);
  void setEnabledNow(bool on);

  // Asked when the user asks to close; false keeps the window open.
  virtual bool allowClose() { return true; }

  WidgetDriver* widget() const override { return window_.get(); }

 private:
  std::unique_ptr<WindowDriver> window_;
  std::vector<THIWin*> children_;
  bool layingOut_ = false;
  bool enabled_ = true;
};

}  // namespace hi
