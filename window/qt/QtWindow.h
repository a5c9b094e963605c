// The Qt widgets of a top-level window (private to the Qt realisation).
#pragma once

#include <QWidget>

#include "window/Sinks.h"

namespace hi {

// The client area: the parent of the controls; reports its size changes.
class ClientArea : public QWidget {
 public:
  ClientArea(WindowSink& sink, QWidget* parent);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  WindowSink& sink_;
};

// The top-level widget: asks its element before the user closes it, draws a client edge
// when the border style has one, offers Enter that no control took, and keeps Tab
// navigation off until the graph switches it on.
class FormWidget : public QWidget {
 public:
  explicit FormWidget(WindowSink& sink);

  ClientArea* client() const { return client_; }
  void setClientEdge(int width);
  // Places the client area inside the frame's edge (at once, even while hidden).
  void layoutClient();
  void setKeyboardNavigation(bool on) { navigation_ = on; }
  // The program closes the window: nothing to ask.
  void closing() { closing_ = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  WindowSink& sink_;
  ClientArea* client_;
  int clientEdge_ = 0;
  bool navigation_ = false;
  bool closing_ = false;
};

}  // namespace hi
