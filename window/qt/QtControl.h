// What every Qt control driver shares: the widget, its events, colours, font, drawn edge,
// focus, tooltip and geometry. A kind's driver is QtControl<its interface>.
#pragma once

#include <QPointer>
#include <QWidget>

#include "window/ControlDriver.h"
#include "window/WindowDriver.h"
#include "window/qt/QtBridge.h"

namespace hi {

// Lets the window driver and the tests reach the widget behind any Qt driver.
class QtWidgetHolder {
 public:
  virtual QWidget* qtWidget() const = 0;

 protected:
  ~QtWidgetHolder() = default;
};

// The widget of a Qt window or control driver; null for a driver of another toolkit.
QWidget* qtWidget(const WidgetDriver* driver);
// The client area of a Qt window driver, where its controls lie.
QWidget* qtClientArea(const WindowDriver* window);
// Whether a Qt window takes the user's input (the graph has not disabled it).
bool qtWindowTakesInput(const WindowDriver* window);

// The common part, kept out of the template.
class QtControlCore : public QObject {
 public:
  explicit QtControlCore(ControlSink& sink) : sink_(sink), bridge_(sink, &sink) {}
  ~QtControlCore() override;

  // Takes the control's widget (hidden until shown) and watches its events.
  void attach(QWidget* control, unsigned mask = bridgeAll);
  QWidget* widget() const { return control_; }
  QtBridge& bridge() { return bridge_; }
  // Qt passes the focus of a control it hides or disables on along its own chain, and a
  // line edit that gets it so selects all its text; the window picks the next control
  // itself (keepFocusInChain).
  void dropFocus();
  ControlSink& sink() { return sink_; }
  Edge edge() const { return edge_; }

  void setBounds(const Rect& r);
  void setColor(std::uint32_t colour);
  void setFont(const TFontRec& font);
  void setEdge(Edge edge);
  void setFocusMode(FocusMode mode);
  void setHint(const std::string& text, const HintStyle& style);
  void setCursor(std::int32_t cursor);
  void captureMouse(bool on);

  // Draws the edge over the control's outer pixels after the control painted itself.
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  ControlSink& sink_;
  QtBridge bridge_;
  QPointer<QWidget> control_;
  Edge edge_ = Edge::None;
};

// The parent widget for a control of this window (null without a window).
QWidget* controlParent(WindowDriver* parent);

template <class Interface>
class QtControl : public Interface, public QtWidgetHolder {
 public:
  explicit QtControl(ControlSink& sink) : core_(sink) {}
  ~QtControl() override { delete core_.widget(); }

  QWidget* qtWidget() const override { return core_.widget(); }

  void setVisible(bool visible) override {
    if (!visible) core_.dropFocus();
    core_.widget()->setVisible(visible);
  }
  void setEnabled(bool enabled) override {
    if (!enabled) core_.dropFocus();
    core_.widget()->setEnabled(enabled);
  }
  void setColor(std::uint32_t colour) override { core_.setColor(colour); }
  void setCursor(std::int32_t cursor) override { core_.setCursor(cursor); }
  void captureMouse(bool on) override { core_.captureMouse(on); }
  void setBounds(const Rect& r) override { core_.setBounds(r); }
  void setFont(const TFontRec& font) override { core_.setFont(font); }
  void setEdge(Edge edge) override { core_.setEdge(edge); }
  void setFocusMode(FocusMode mode) override { core_.setFocusMode(mode); }
  void setHint(const std::string& text, const HintStyle& style) override {
    core_.setHint(text, style);
  }
  void repaint() override { core_.widget()->update(); }

 protected:
  QtControlCore core_;
};

}  // namespace hi
