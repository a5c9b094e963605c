// Labels (STATIC), buttons (BUTTON) and edit fields (EDIT).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include "window/win32/Win32Control.h"
#include "window/win32/Win32Util.h"

namespace hi {

namespace {

class Win32Label : public Win32Control<LabelDriver> {
 public:
  Win32Label(WindowDriver* parent, ControlSink& sink) : Win32Control(sink) {
    // SS_NOPREFIX: ampersands show as typed. SS_NOTIFY: the label takes its clicks.
    core_.create(parent, WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY);
    core_.clicksOnPress = true;
  }
  void setText(const std::string& text) override { setWindowText(handle(), text); }
  std::string text() const override { return windowText(handle()); }
  void setAlignment(Alignment align, bool wrap) override {
    DWORD kind = SS_LEFTNOWORDWRAP;
    if (align == Alignment::Right) {
      kind = SS_RIGHT;
    } else if (align == Alignment::Centre) {
      kind = SS_CENTER;
    } else if (wrap) {
      kind = SS_LEFT;
    }
    // Right and centred texts always wrap in a STATIC; that is the closest it comes.
    LONG_PTR style = ::GetWindowLongPtrW(handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
    ::SetWindowLongPtrW(handle(), GWL_STYLE, style | static_cast<LONG_PTR>(kind));
    core_.repaint();
  }
};

class Win32Button : public Win32Control<ButtonDriver> {
 public:
  Win32Button(WindowDriver* parent, ControlSink& sink, const ButtonStyle& style)
      : Win32Control(sink) {
    // BS_MULTILINE: a caption that does not fit wraps onto more lines.
    core_.create(parent, WC_BUTTONW,
                 WS_TABSTOP | BS_MULTILINE | (style.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
  }
  void setText(const std::string& text) override { setWindowText(handle(), text); }
  std::string text() const override { return windowText(handle()); }

 protected:
  void command(WORD code) override {
    if (code == BN_CLICKED) core_.sink().clicked();
  }
};

class Win32Edit : public Win32Control<EditDriver> {
 public:
  Win32Edit(WindowDriver* parent, ControlSink& sink, const EditStyle& style) : Win32Control(sink) {
    DWORD s = WS_TABSTOP | ES_AUTOHSCROLL;
    if (style.password) s |= ES_PASSWORD;
    if (style.readOnly) s |= ES_READONLY;
    if (style.align == Alignment::Right) s |= ES_RIGHT;
    if (style.align == Alignment::Centre) s |= ES_CENTER;
    core_.create(parent, WC_EDITW, s);
  }
  void setText(const std::string& text) override {
    // EN_CHANGE comes for any WM_SETTEXT; a text that stays the same is no change.
    if (text == windowText(handle())) return;
    setWindowText(handle(), text);
  }
  std::string text() const override { return windowText(handle()); }
  int caret() const override {
    DWORD start = 0;
    DWORD end = 0;
    send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
  }
  void setCaret(int position) override { send(EM_SETSEL, position, position); }

 protected:
  void command(WORD code) override {
    if (code == EN_CHANGE) core_.sink().textChanged();
  }
};

}  // namespace

std::unique_ptr<LabelDriver> newLabelDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<Win32Label>(parent, sink);
}

std::unique_ptr<ButtonDriver> newButtonDriver(WindowDriver* parent, ControlSink& sink,
                                              const ButtonStyle& style) {
  return std::make_unique<Win32Button>(parent, sink, style);
}

std::unique_ptr<EditDriver> newEditDriver(WindowDriver* parent, ControlSink& sink,
                                          const EditStyle& style) {
  return std::make_unique<Win32Edit>(parent, sink, style);
}

}  // namespace hi
