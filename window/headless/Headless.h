// The headless realisation: windows and controls as plain state, with no display. Tests and
// command-line hosts read that state and act as the user through it. Everything here
// belongs to the home thread (other threads reach it through EventGate::callOnHome).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "window/ControlDriver.h"
#include "window/SystemDriver.h"
#include "window/WindowDriver.h"

namespace hi::headless {

class Window;

// What every headless control shows, and the user's hands on it. The actions answer false,
// doing nothing, when the control is out of the user's reach.
class Control {
 public:
  Control(WindowDriver* parent, ControlSink& sink);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Window* parent;
  ControlSink& sink;
  Rect bounds;
  bool visible = false;
  bool enabled = true;
  std::uint32_t color = 0;
  std::int32_t cursor = 0;
  bool captured = false;
  TFontRec font;
  Edge edge = Edge::None;
  FocusMode focus = FocusMode::None;
  std::string hint;
  HintStyle hintStyle;

  // Shown and enabled, in a shown and enabled window (or in none).
  bool reachable() const;

  // A left click in the middle of the control.
  bool click();
  // Mouse messages at (x, y) in the control; keyState holds the buttons still held.
  bool mouseDown(std::int32_t button, std::uint32_t keyState, int x, int y);
  bool mouseUp(std::int32_t button, std::uint32_t keyState, int x, int y);
  bool mouseMove(std::uint32_t keyState, int x, int y);
  bool wheel(int delta);
  void hover(bool enter);
  // A key pressed and released, with the character it types (empty for none).
  bool key(std::int32_t vk, const std::string& ch = std::string());
  // Types each character of a code page 1251 text.
  bool type(const std::string& text);

 protected:
  // A key that a part of the control above it takes first (an open list); true: taken.
  virtual bool keyOnTop(std::int32_t) { return false; }
  // What the control itself does with a key or character its element let through, a click
  // and a wheel turn.
  virtual void ownKey(std::int32_t) {}
  virtual void ownCharacter(const std::string&) {}
  virtual void ownClick() {}
  virtual void ownWheel(int) {}
};

// The driver calls every kind shares, kept in Control's fields.
template <class Interface>
class Driven : public Control, public Interface {
 public:
  using Control::Control;
  void setVisible(bool v) override {
    const bool showing = v && !visible;
    visible = v;
    if (showing) sink.shown();
  }
  void setEnabled(bool e) override { enabled = e; }
  void setColor(std::uint32_t c) override { color = c; }
  void setCursor(std::int32_t c) override { cursor = c; }
  void captureMouse(bool on) override { captured = on; }
  void setBounds(const Rect& r) override {
    const bool resized = r.size() != bounds.size();
    const bool moved = r.topLeft() != bounds.topLeft();
    bounds = r;
    if (resized) sink.resized();
    if (moved) sink.moved();
  }
  void setFont(const TFontRec& f) override { font = f; }
  void setEdge(Edge e) override { edge = e; }
  void setFocusMode(FocusMode m) override { focus = m; }
  void setHint(const std::string& text, const HintStyle& style) override {
    hint = text;
    hintStyle = style;
  }
  void repaint() override {}
};

class Label : public Driven<LabelDriver> {
 public:
  using Driven::Driven;
  std::string caption;
  Alignment align = Alignment::Left;
  bool wrap = false;

  void setText(const std::string& t) override { caption = t; }
  std::string text() const override { return caption; }
  void setAlignment(Alignment a, bool w) override {
    align = a;
    wrap = w;
  }

 protected:
  void ownClick() override { sink.clicked(); }
};

class Button : public Driven<ButtonDriver> {
 public:
  Button(WindowDriver* window, ControlSink& events, const ButtonStyle& style)
      : Driven(window, events), defaultButton(style.defaultButton) {}
  std::string caption;
  const bool defaultButton;

  void setText(const std::string& t) override { caption = t; }
  std::string text() const override { return caption; }

 protected:
  void ownClick() override { sink.clicked(); }
  void ownKey(std::int32_t vk) override;
};

class Edit : public Driven<EditDriver> {
 public:
  Edit(WindowDriver* window, ControlSink& events, const EditStyle& editStyle)
      : Driven(window, events), style(editStyle) {}
  const EditStyle style;
  std::string value;
  int caretAt = 0;

  void setText(const std::string& t) override;
  std::string text() const override { return value; }
  int caret() const override { return caretAt; }
  void setCaret(int position) override;

 protected:
  void ownKey(std::int32_t vk) override;
  void ownCharacter(const std::string& ch) override;

 private:
  void edited(std::string next, int caret);
};

class Combo : public Driven<ComboDriver> {
 public:
  Combo(WindowDriver* window, ControlSink& events, const ComboStyle& style)
      : Driven(window, events), editable(style.editable) {}
  struct Item {
    std::string text;
    std::int32_t data = 0;
  };
  const bool editable;
  std::vector<Item> items;
  int currentIndex = -1;
  std::string field;  // the edit field's text
  bool dropped = false;
  bool redraw = true;

  // The user picks an item of the list with the mouse, opening it first if it is closed.
  bool pick(int index);
  // The user opens the list (then keys move in it, and Enter picks); the element hears of it
  // before the list shows.
  bool open();
  int highlighted = -1;  // the item under the keys in the open list

  int insertItem(int index, const std::string& text) override;
  void removeItem(int index) override;
  void clearItems() override;
  int count() const override { return static_cast<int>(items.size()); }
  std::string itemText(int index) const override;
  void setCurrent(int index) override;
  int current() const override { return currentIndex; }
  std::int32_t itemData(int index) const override;
  void setItemData(int index, std::int32_t data) override;
  std::string fieldText() const override;
  void setFieldText(const std::string& text) override { field = text; }
  void setRedraw(bool on) override { redraw = on; }

 protected:
  bool keyOnTop(std::int32_t vk) override;
  void ownKey(std::int32_t vk) override;
  void ownCharacter(const std::string& ch) override;
  void ownWheel(int delta) override;

 private:
  // The selection of the closed box moves, as arrows and the wheel move it; that chooses
  // nothing.
  void browse(int index);
};

class Progress : public Driven<ProgressDriver> {
 public:
  Progress(WindowDriver* window, ControlSink& events, const ProgressStyle& barStyle)
      : Driven(window, events), style(barStyle) {}
  const ProgressStyle style;
  std::int32_t max = 0;
  std::int32_t position = 0;
  std::uint32_t barColor = 0;

  void setRange(std::int32_t m) override { max = m; }
  void setPosition(std::int32_t p) override { position = p; }
  void setBarColor(std::uint32_t c) override { barColor = c; }
};

class PictureBox : public Driven<ControlDriver> {
 public:
  using Driven::Driven;
  // What the control shows inside its edge, as its element paints it (colours resolved
  // from the standard table, stretching by nearest pixel).
  Picture render();

 protected:
  void ownClick() override { sink.clicked(); }
};

class Window : public WindowDriver {
 public:
  explicit Window(WindowSink& sink);
  ~Window() override;

  WindowSink& sink;
  std::string title;
  Icon icon;
  FrameMetrics frame;
  Point position;
  Size inner;
  bool resizable = false;
  bool visible = false;
  bool enabled = true;
  bool closed = false;
  std::uint32_t color = 0;
  std::int32_t cursor = 0;
  bool captured = false;
  int systemMoves = 0;
  bool navigation = false;
  std::vector<ControlDriver*> tabChain;
  Control* focused = nullptr;  // set by keepFocusInChain only
  std::vector<Control*> controls;  // in creation order

  // The user's hands on the window: the close box (true when the window closed) and
  // dragging the frame to a new inner size.
  bool requestClose();
  void resize(Size newInner);

  void setVisible(bool v) override { visible = v; }
  void setEnabled(bool e) override { enabled = e; }
  void setColor(std::uint32_t c) override { color = c; }
  void setCursor(std::int32_t c) override { cursor = c; }
  void captureMouse(bool on) override { captured = on; }
  void setTitle(const std::string& t) override { title = t; }
  void setIcon(const Icon& i) override { icon = i; }
  void setFrame(const FrameMetrics& f) override { frame = f; }
  void place(Point frameTopLeft, Size innerSize, bool canResize) override;
  Rect clientRect() const override;
  void close() override;
  void startSystemMove() override { ++systemMoves; }
  void setTabChain(const std::vector<ControlDriver*>& chain) override {
    tabChain = chain;
    navigation = true;
  }
  void keepFocusInChain() override;

 private:
  bool shut();
};

class System final : public SystemDriver {
 public:
  int pixelsPerInch() override { return 96; }
  std::uint32_t systemColor(std::uint8_t index) override;
  TFontRec defaultFont() override;
  // Fixed metrics: each character is (h + 1) / 2 pixels wide (one more when bold) and a
  // line h + (h + 3) / 4 high, h being the font's character height (size 0: 8 points).
  Size textExtent(const std::string& text, const TFontRec& font) override;
  // Kept (notices() gives them) and written to standard error; nothing waits for a click.
  void showNotice(const std::string& text) override;
  void showInformation(const std::string& caption, const std::string& text) override;
  Picture loadBitmap(std::string_view name) override;
  Icon loadIcon(std::string_view name) override;
  void becomeHomeThread() override;
  void leaveHomeThread() override;
  // Serves the calls other threads carry to the home thread until a window closes.
  void runMessageLoop() override;
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override;

  std::vector<std::string> notices() const;
  void windowClosed();

 private:
  // Waits until woken or the time is up, then serves the calls; false once quit.
  void serveFor(std::chrono::milliseconds span);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool quit_ = false;
  std::vector<std::string> notices_;
};

// The realisation's own objects behind the drivers the elements hold.
System& system();
Control* control(const WidgetDriver* driver);
Window* window(const WidgetDriver* driver);
template <class Kind>
Kind* as(const WidgetDriver* driver) {
  return dynamic_cast<Kind*>(const_cast<WidgetDriver*>(driver));
}

}  // namespace hi::headless
