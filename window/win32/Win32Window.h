// The top-level window of the Win32 realisation (private to it and its tests).
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "window/DpiScale.h"
#include "window/WindowDriver.h"
#include "window/win32/Win32Control.h"
#include "window/win32/Win32Input.h"

namespace hi {

class Win32Window : public WindowDriver, public Win32HandleHolder {
 public:
  explicit Win32Window(WindowSink& sink);
  ~Win32Window() override;

  HWND handle() const override { return hwnd_; }
  WindowSink& sink() { return sink_; }
  // Tab and Shift+Tab from `from` along the chain; false when navigation is off.
  bool moveFocus(HWND from, bool back);
  bool takesInput() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
  // The window's DPI against the elements' 96: what its controls scale their layout by.
  DpiScale scale() const { return DpiScale(dpi_); }
  // The controls that follow the window to another DPI.
  void adopt(Win32ControlCore* control) { controls_.push_back(control); }
  void forget(Win32ControlCore* control);

  void setVisible(bool visible) override;
  void setEnabled(bool enabled) override { ::EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
  void setColor(std::uint32_t colour) override;
  void setCursor(std::int32_t cursor) override { cursor_ = cursor; }
  void captureMouse(bool on) override;
  void setTitle(const std::string& title) override;
  void setIcon(const Icon& icon) override;
  void setFrame(const FrameMetrics& frame) override;
  void place(Point frameTopLeft, Size inner, bool resizable) override;
  Rect clientRect() const override;
  void close() override;
  void startSystemMove() override;
  void setTabChain(const std::vector<ControlDriver*>& chain) override;
  void keepFocusInChain() override;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

 private:
  LRESULT handle(UINT msg, WPARAM w, LPARAM l);
  // The window moved to a monitor of another DPI: the system's suggested frame, then every
  // control, font and the icon again at the new density.
  void dpiChanged(int dpi, const RECT& suggested);
  void applyIcon();

  WindowSink& sink_;
  HWND hwnd_ = nullptr;
  HBRUSH brush_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::int32_t cursor_ = 0;
  bool closing_ = false;
  Win32Input input_;
  bool navigation_ = false;
  std::vector<HWND> chain_;
  int dpi_ = 96;
  Icon icon_;
  std::vector<Win32ControlCore*> controls_;
};

// The parent window for controls of this window; a hidden host window without one.
HWND controlParent(WindowDriver* parent);
// WM_COMMAND and WM_CTLCOLOR* of controls, answered for their parent. True: handled.
bool reflectToControl(UINT msg, WPARAM w, LPARAM l, LRESULT& result);
// The class both the windows and the control host are made of.
const wchar_t* formClassName();
// The cursor handle for a cursor value of the graph; null for the class's own.
HCURSOR cursorFor(std::int32_t cursor);
// Windows of the program still open (the message loop ends when none remain).
int openWindows();

}  // namespace hi
