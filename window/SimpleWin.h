// The base of a top-level window element: the window with its client area, the controls
// placed in it, and their docking.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "window/WinBase.h"

namespace hi {

class THIWin;
class FormWidget;
class ClientArea;

class THISimpleWin : public WinBase {
 public:
  THISimpleWin();
  ~THISimpleWin() override;

  // The top-level widget (its frame is the desktop's) and the client area inside it, which
  // is the parent of the controls.
  QWidget* window() const;
  QWidget* clientArea() const;

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

 protected:
  // Applies the common properties to the window, with Visible forced off.
  void setupWindow(const QSize& clientSize, bool resizable);

  // Asked when the window is about to close; false keeps it open.
  virtual bool allowClose() { return true; }

  QWidget* mouseWidget() const override;

 private:
  friend class FormWidget;
  friend class ClientArea;

  QPointer<FormWidget> window_;
  ClientArea* client_ = nullptr;  // a child of window_
  std::vector<THIWin*> children_;
  bool layingOut_ = false;
};

}  // namespace hi
