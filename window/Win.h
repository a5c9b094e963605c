// The base of every control element: the common properties, the set-up of the control from
// them, doVisible and doEnabled, the key events and the resize negotiation.
//
// A control is made in two phases, as every window element is: the scheme constructs the
// element, sets its properties and only then runs the kind's create step (init), because
// what a toolkit fixes when it creates a control (an edit's password style, a combo box's
// edit field, a bar's direction, the sunken or flat look) comes from those properties.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "window/Geometry.h"
#include "window/WinBase.h"

namespace hi {

class THISimpleWin;
class THIHintManager;

class THIWin : public WinBase, public ControlSink {
 public:
  // The control's colour starts as the parent window's.
  explicit THIWin(THISimpleWin* parent);
  ~THIWin() override;

  std::string Hint;
  TFontRec Font;
  std::uint8_t ParentFont = 0;
  std::uint8_t EdgeStyle = 0;

  EventPoint onKeyDown;
  EventPoint onKeyUp;
  EventPoint onKeyPress;
  EventPoint inResizeWidth;
  EventPoint inResizeHeight;

  // Only an integer 0 hides or disables; any other value, a text or NULL too, shows or
  // enables. Callable from any thread.
  void doVisible(TData& d);
  void doEnabled(TData& d);

  // Gives the control its tooltip: with no service, the shared one, and only for a Hint.
  void attachHint(THIHintManager* service = nullptr);

  // The control's driver; null before the create step and after the parent window went.
  ControlDriver* driver() const { return driver_.get(); }
  THISimpleWin* parentWindow() const { return parent_; }

  // Moves and sizes the control; a size change is first offered to ResizeHeight and
  // ResizeWidth.
  void setBounds(Rect proposed);
  Rect bounds() const { return bounds_; }
  // Not hidden by the graph (the window itself may still be hidden).
  bool shownInParent() const { return driver_ != nullptr && shown_; }
  bool enabled() const { return enabled_; }
  Edge edge() const { return edge_; }
  FocusMode focusMode() const { return focusMode_; }
  // The font the control shows its text in (Font, or with ParentFont the window's).
  const TFontRec& font() const { return font_; }

  // The parent window went first and took the controls with it.
  void parentDestroyed();
  // Enter that no control of the window took; a default button answers it.
  virtual bool pressAsDefault() { return false; }

  bool keyDown(std::int32_t vk) override;
  void keyUp(std::int32_t vk) override;
  bool character(const std::string& ch) override;
  void clicked() override {}
  void textChanged() override {}
  void picked() override {}
  void listOpening() override {}
  void paint(Canvas&) override {}

 protected:
  // The kind's driver, made in its create step (the label's in its constructor).
  template <class D>
  D* adopt(std::unique_ptr<D> d) {
    D* raw = d.get();
    driver_ = std::move(d);
    return raw;
  }
  WindowDriver* parentDriver() const;
  // The base set-up, run inside each kind's create step once its control exists.
  void setupControl();

  // Kinds that default to a sunken look (edit, combo box, progress bar) say so.
  virtual bool defaultSunken() const { return false; }
  virtual bool createdSunken() const;
  virtual FocusMode defaultFocus() const { return FocusMode::None; }
  // The key-down step; true when the key was consumed.
  virtual bool keyStep(std::int32_t vk);
  // The control is about to go (its parent took it).
  virtual void controlGone() {}

  void applyFont(const TFontRec& font);
  void relayoutParent();
  // Carries a change of what the control shows to the home thread without waiting for it
  // (EventGate::postToHome): a newer change of the same slot replaces one still queued.
  // Only for changes that fire nothing into the graph and that the graph does not read back
  // from the control; fn runs on the home thread, outside the caller's event.
  void showLater(int slot, std::function<void()> fn);
  WidgetDriver* widget() const override { return driver_.get(); }

 private:
  void applyVisible(bool show);
  void removeHint();

  THISimpleWin* parent_;
  std::unique_ptr<ControlDriver> driver_;
  Rect bounds_;
  bool shown_ = false;  // drivers make their controls hidden
  bool enabled_ = true;
  Edge edge_ = Edge::None;
  FocusMode focusMode_ = FocusMode::None;
  TFontRec font_;
  std::int32_t keyResult_ = -1;
  THIHintManager* hintService_ = nullptr;
  int hintTool_ = -1;
};

// The look a control gets from its kind's creation look, Frame3D and EdgeStyle.
Edge controlEdge(bool createdSunken, std::uint8_t frame3D, std::uint8_t edgeStyle);
// How a control of a kind takes the focus under a TabOrder.
FocusMode focusModeFor(std::int32_t tabOrder, FocusMode kindDefault);

}  // namespace hi
