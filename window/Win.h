// The base of every control element: the common properties, the set-up of the control from
// them, doVisible and doEnabled, the key events and the resize negotiation.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <string>

#include "window/WinBase.h"

class QKeyEvent;

namespace hi {

class THISimpleWin;
class THIHintManager;

class THIWin : public WinBase {
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

  QWidget* control() const { return control_; }
  THISimpleWin* parentWindow() const { return parent_; }

  // Moves and sizes the control; a size change is first offered to ResizeHeight and
  // ResizeWidth.
  void setBounds(QRect proposed);
  QRect bounds() const;
  // Not hidden by the graph (the window itself may still be hidden).
  bool shownInParent() const;
  // The parent window went first and took the controls with it.
  void parentDestroyed();

  // The drawn edge of the control.
  enum class Edge : std::uint8_t {
    None,
    FlatLine,
    ClientEdge,
    StaticEdge,
    DialogFrame,
    DialogClientEdge
  };
  Edge edge() const { return edge_; }

 protected:
  void setControl(QWidget* w);
  // The base set-up, run inside each kind's create step once its control exists.
  void setupControl();

  // Kinds that default to a sunken look (edit, combo box, progress bar) say so.
  virtual bool defaultSunken() const { return false; }
  virtual bool createdSunken() const;
  virtual void applyColor(const QColor& colour);
  virtual void applyFont(const QFont& font, const QColor& colour);
  virtual Qt::FocusPolicy defaultFocusPolicy() const { return Qt::NoFocus; }
  // Hooks the control's notifications; kinds with inner widgets hook those too.
  virtual void hookControl();
  // The key-down step; true when the key was consumed.
  virtual bool keyDown(QKeyEvent* event);
  void setEdge(Edge e);

  bool keyPressed(QWidget* watched, QEvent* event) override;
  bool keyReleased(QWidget* watched, QEvent* event) override;
  bool painted(QWidget* watched, QEvent* event) override;
  QWidget* mouseWidget() const override { return control_; }

  void relayoutParent();

 private:
  THISimpleWin* parent_;
  QPointer<QWidget> control_;
  bool sunken_ = false;
  Edge edge_ = Edge::None;
  std::int32_t keyResult_ = -1;
  THIHintManager* hintService_ = nullptr;
  int hintTool_ = -1;
};

// The width of a drawn edge.
int edgeWidth(THIWin::Edge e);

}  // namespace hi
