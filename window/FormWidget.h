// The Qt widgets of a top-level window element (private to the window layer).
#pragma once

#include <QWidget>

namespace hi {

class THISimpleWin;

// The client area: the parent of the controls; it re-docks them when its size changes.
class ClientArea : public QWidget {
 public:
  ClientArea(THISimpleWin* owner, QWidget* parent);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  THISimpleWin* owner_;
};

// The top-level widget: asks its element before it closes, draws a client edge when the
// border style has one, presses the default button on Enter and keeps Tab navigation off
// until the graph switches it on.
class FormWidget : public QWidget {
 public:
  explicit FormWidget(THISimpleWin* owner);

  ClientArea* client() const { return client_; }
  void setClientEdge(int width);
  void setKeyboardNavigation(bool on) { navigation_ = on; }
  void detach() { owner_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  THISimpleWin* owner_;
  ClientArea* client_;
  int clientEdge_ = 0;
  bool navigation_ = false;
};

}  // namespace hi
