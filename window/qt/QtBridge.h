// Turns the Qt events of a window's or control's widgets into sink notifications.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

#include "window/Sinks.h"

class QKeyEvent;

namespace hi {

// Which events of a widget are reported.
enum BridgeMask : unsigned {
  bridgeMouse = 1,  // buttons, moves, double clicks
  bridgeWheel = 2,
  bridgeKeys = 4,
  bridgeHover = 8,  // enter and leave
  bridgeFocus = 16,
  bridgeGeometry = 32,  // size, position, shown
  bridgeAll = 63,
};

class QtBridge : public QObject {
 public:
  // keys: the control's sink, for key events; null for a window.
  QtBridge(InputSink& input, ControlSink* keys) : input_(input), keys_(keys) {}

  // Mouse coordinates are given in `origin`'s coordinates.
  void setOrigin(QWidget* origin) { origin_ = origin; }
  void watch(QWidget* w, unsigned mask);
  // The widget that got the last mouse press (where a capture goes).
  QWidget* pressedWidget() const { return pressed_; }
  // Enter and Return on this widget go no further than the sink (a combo box's own Enter
  // handling would pick the item of the field's text).
  void keepEnter(QWidget* w) { keepEnter_ = w; }

  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  bool handle(QWidget* w, QEvent* event, unsigned mask);
  bool key(QWidget* w, QKeyEvent* event);
  MouseInput mouseInput(QWidget* w, QEvent* event) const;

  InputSink& input_;
  ControlSink* keys_;
  QPointer<QWidget> origin_;
  QPointer<QWidget> pressed_;
  QPointer<QWidget> keepEnter_;
  std::vector<std::pair<QObject*, unsigned>> watched_;
};

}  // namespace hi
