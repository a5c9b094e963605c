// What every Win32 control driver shares: the control's window, its subclass procedure
// (mouse, keys, focus and geometry become sink notifications), colours, font, drawn edge,
// tooltip and cursor. A kind's driver is Win32Control<its interface>.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "window/ControlDriver.h"
#include "window/DpiScale.h"
#include "window/WindowDriver.h"
#include "window/win32/Win32Input.h"

namespace hi {

class Win32Window;

// Lets the window driver and the tests reach the HWND behind any Win32 driver.
class Win32HandleHolder {
 public:
  virtual HWND handle() const = 0;

 protected:
  ~Win32HandleHolder() = default;
};

// The window of a Win32 window or control driver; null for a driver of another toolkit.
HWND win32Handle(const WidgetDriver* driver);

class Win32ControlCore;
// The control a window belongs to (itself or an inner window of it), or null.
Win32ControlCore* controlOf(HWND hwnd);

// What a kind of control adds to the shared handling of its messages.
class Win32Kind {
 public:
  // The kind's own handling of a message before the shared one; true: handled, `result`.
  virtual bool message(HWND from, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    (void)from, (void)msg, (void)w, (void)l, (void)result;
    return false;
  }
  // Whether keys go to the control itself before the element (a combo box's open list).
  virtual bool keysOnTop() const { return false; }
  // A key that the element let through and that the control should not see (Enter on a
  // closed combo box); true: dropped.
  virtual bool dropKey(std::int32_t vk) {
    (void)vk;
    return false;
  }
  // WM_COMMAND from the control to its parent.
  virtual void command(WORD code) { (void)code; }

 protected:
  ~Win32Kind() = default;
};

class Win32ControlCore {
 public:
  Win32ControlCore(ControlSink& sink, Win32Kind& kind) : sink_(sink), kind_(kind) {}
  ~Win32ControlCore();
  Win32ControlCore(const Win32ControlCore&) = delete;
  Win32ControlCore& operator=(const Win32ControlCore&) = delete;

  // Creates the control (hidden) as a child of the window's client area, or of a hidden
  // host window when there is none, and starts watching its messages.
  void create(WindowDriver* parent, const wchar_t* className, DWORD style, DWORD exStyle = 0);
  HWND hwnd() const { return hwnd_; }
  ControlSink& sink() { return sink_; }
  Win32Window* window() const { return window_; }

  void setVisible(bool visible);
  void setEnabled(bool enabled) { ::EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
  void setColor(std::uint32_t colour);
  void setCursor(std::int32_t cursor) { cursor_ = cursor; }
  void captureMouse(bool on);
  void setBounds(const Rect& r);
  void setFont(const TFontRec& font);
  // Bounds and font again at the window's current DPI (it moved to another monitor).
  void rescale();
  // The window went before its control (the control keeps the DPI it had).
  void windowGone();
  // The window's DPI scale, or the system's for a control without a window.
  DpiScale scale() const;
  void setEdge(Edge edge);
  void setFocusMode(FocusMode mode) { focusMode_ = mode; }
  FocusMode focusMode() const { return focusMode_; }
  void setHint(const std::string& text, const HintStyle& style);
  void repaint() { ::InvalidateRect(hwnd_, nullptr, TRUE); }

  // From the parent's procedure: WM_COMMAND for this control, and its colours.
  void command(WORD code) { kind_.command(code); }
  HBRUSH controlColours(HDC dc);

  // Extra height, at 96 DPI, the control's window takes beyond its bounds (a combo box's
  // list).
  int extraHeight = 0;
  // A combo box: what its frame adds, at 96 DPI, to the height of its field, which is set
  // so that the closed box is as high as its bounds; 0 for other controls. A first guess:
  // the field is measured and corrected once (fitComboField).
  int comboFieldFrame = 0;
  // A left press is a click (a label, a picture).
  bool clicksOnPress = false;
  // The control draws its whole area itself (WM_ERASEBKGND is skipped).
  bool paintsItself = false;
  // Another window whose messages come through the same procedure (a combo box's edit).
  void watch(HWND child);

 private:
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id,
                                       DWORD_PTR data);
  LRESULT handle(HWND from, UINT msg, WPARAM w, LPARAM l);
  void applyFont();
  void fitComboField();

  ControlSink& sink_;
  Win32Kind& kind_;
  HWND hwnd_ = nullptr;
  Win32Window* window_ = nullptr;
  int dpi_ = 0;  // the DPI of a control whose window went
  HFONT font_ = nullptr;      // this control's own; null: the shared default
  Rect bounds_;               // at 96 DPI, as the element gave them
  TFontRec fontRec_;          // the font the element gave, or the default one
  bool customFont_ = false;   // the element gave a font
  HBRUSH brush_ = nullptr;
  COLORREF colour_ = 0;
  bool hasColour_ = false;
  COLORREF textColour_ = 0;
  bool hasTextColour_ = false;
  std::int32_t cursor_ = 0;
  FocusMode focusMode_ = FocusMode::Tab;
  Win32Input input_;
  bool swallowChar_ = false;  // the element consumed the key
  bool dropChar_ = false;     // the element saw the character; the control must not
  bool hinted_ = false;
};

template <class Interface>
class Win32Control : public Interface, public Win32HandleHolder, protected Win32Kind {
 public:
  explicit Win32Control(ControlSink& sink) : core_(sink, *this) {}
  HWND handle() const override { return core_.hwnd(); }

  void setVisible(bool visible) override { core_.setVisible(visible); }
  void setEnabled(bool enabled) override { core_.setEnabled(enabled); }
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
  void repaint() override { core_.repaint(); }

 protected:
  LRESULT send(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
    return ::SendMessageW(core_.hwnd(), msg, w, l);
  }
  Win32ControlCore core_;
};

}  // namespace hi
