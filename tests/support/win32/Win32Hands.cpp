// The user's hands on the Win32 controls: the messages that the user's mouse and keyboard
// would bring, sent to the control's window, and what its window shows.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <stdexcept>

#include "platform/win32/WideText.h"
#include "tests/support/Hands.h"
#include "window/KeyCodes.h"
#include "window/SystemDriver.h"
#include "window/hiComboBox.h"
#include "window/hiSimpleForm.h"
#include "window/win32/Win32Control.h"
#include "window/win32/Win32Util.h"
#include "window/win32/Win32Window.h"

namespace hi::test {

namespace {

HWND the(const THIWin& c) {
  HWND h = win32Handle(c.driver());
  if (h == nullptr) throw std::logic_error("the control has no window");
  return h;
}

HWND the(const THISimpleForm& f) {
  HWND h = win32Handle(f.driver());
  if (h == nullptr) throw std::logic_error("the form has no window");
  return h;
}

// Where the keys go: a combo box with an edit field types into the field.
HWND keyTarget(HWND h) {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (::GetComboBoxInfo(h, &info) && info.hwndItem != nullptr && info.hwndItem != h) {
    return info.hwndItem;
  }
  return h;
}

// The user reaches a control that shows and takes input, in a window that does too.
bool reachable(HWND h) {
  if (!::IsWindowVisible(h)) return false;
  for (HWND w = h; w != nullptr; w = ::GetParent(w)) {
    if (!::IsWindowEnabled(w)) return false;
  }
  return true;
}

LPARAM at(Point p) {
  return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

UINT downMessage(std::int32_t b) {
  return b == 0 ? WM_LBUTTONDOWN : b == 1 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
}
UINT upMessage(std::int32_t b) {
  return b == 0 ? WM_LBUTTONUP : b == 1 ? WM_RBUTTONUP : WM_MBUTTONUP;
}
WPARAM heldFor(std::int32_t b) {
  return b == 0 ? MK_LBUTTON : b == 1 ? MK_RBUTTON : MK_MBUTTON;
}

void pump() {
  systemDriver().runUntil([] { return false; }, std::chrono::milliseconds(0));
}

class Win32Hands : public Hands {
 public:
  bool visible(const THIWin& c) override {
    return (::GetWindowLongPtrW(the(c), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  bool enabled(const THIWin& c) override { return ::IsWindowEnabled(the(c)) != FALSE; }
  Rect bounds(const THIWin& c) override {
    HWND h = the(c);
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  std::string text(const THIWin& c) override {
    if (dynamic_cast<const TextDriver*>(c.driver()) == nullptr &&
        dynamic_cast<const ComboDriver*>(c.driver()) == nullptr) {
      return {};
    }
    return windowText(the(c));
  }
  std::uint32_t textColour(const THIWin& c) override {
    HWND h = the(c);
    HDC dc = ::GetDC(h);
    const UINT msg = dynamic_cast<const EditDriver*>(c.driver()) != nullptr ? WM_CTLCOLOREDIT
                                                                             : WM_CTLCOLORSTATIC;
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SendMessageW(::GetParent(h), msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
    const COLORREF colour = ::GetTextColor(dc);
    ::ReleaseDC(h, dc);
    return colour;
  }
  bool underlined(const THIWin& c) override {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(the(c), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    return font != nullptr && ::GetObjectW(font, sizeof lf, &lf) != 0 && lf.lfUnderline != 0;
  }
  bool windowVisible(const THISimpleForm& f) override {
    return ::IsWindowVisible(the(f)) != FALSE;
  }
  bool windowEnabled(const THISimpleForm& f) override {
    return ::IsWindowEnabled(the(f)) != FALSE;
  }
  bool focused(const THIWin& c) override {
    const HWND f = ::GetFocus();
    return f != nullptr && (f == the(c) || ::IsChild(the(c), f));
  }

  void click(THIWin& c) override {
    HWND h = the(c);
    if (!reachable(h)) return;
    RECT r{};
    ::GetClientRect(h, &r);
    const Point middle{r.right / 2, r.bottom / 2};
    ::SendMessageW(h, WM_MOUSEMOVE, 0, at(middle));
    ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at(middle));
    ::SendMessageW(h, WM_LBUTTONUP, 0, at(middle));
    pump();
  }
  void press(THIWin& c, std::int32_t button, Point p) override {
    HWND h = the(c);
    if (reachable(h)) ::SendMessageW(h, downMessage(button), heldFor(button), at(p));
  }
  void release(THIWin& c, std::int32_t button, Point p) override {
    HWND h = the(c);
    if (reachable(h)) ::SendMessageW(h, upMessage(button), 0, at(p));
  }
  void move(THIWin& c, std::uint32_t held, Point p) override {
    HWND h = the(c);
    if (reachable(h)) ::SendMessageW(h, WM_MOUSEMOVE, held, at(p));
  }
  void wheel(THIWin& c, int delta) override {
    HWND h = the(c);
    if (!reachable(h)) return;
    RECT r{};
    ::GetWindowRect(h, &r);
    const Point middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                   at(middle));
  }
  void hover(THIWin& c, bool enter) override {
    HWND h = the(c);
    if (enter) {
      ::SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    } else {
      ::SendMessageW(h, WM_MOUSELEAVE, 0, 0);
    }
  }
  void type(THIWin& c, const std::string& text) override {
    HWND h = keyTarget(the(c));
    if (!reachable(h)) return;
    for (char ch : text) {
      const auto u = static_cast<unsigned char>(ch);
      // Latin letters and digits have their own key; others come without one.
      WPARAM vk = 0;
      if (std::isalnum(u) != 0 && u < 0x80) vk = static_cast<WPARAM>(std::toupper(u));
      if (ch == ' ') vk = VK_SPACE;
      const std::wstring wide = widenCp1251(std::string(1, ch));
      ::SendMessageW(h, WM_KEYDOWN, vk, 1);
      ::SendMessageW(h, WM_CHAR, wide.empty() ? 0 : wide[0], 1);
      ::SendMessageW(h, WM_KEYUP, vk, 0xC0000001);
    }
    pump();
  }
  void key(THIWin& c, std::int32_t vk) override {
    HWND h = keyTarget(the(c));
    if (!reachable(h)) return;
    ::SendMessageW(h, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    if (vk == VkReturn) ::SendMessageW(h, WM_CHAR, L'\r', 1);
    ::SendMessageW(h, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
    pump();
  }
  void openList(THIComboBox& combo) override {
    HWND h = the(combo);
    if (reachable(h)) ::SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
  }
  void pick(THIComboBox& combo, int index) override {
    HWND h = the(combo);
    if (!reachable(h)) return;
    if (::SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) == 0) ::SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ::GetComboBoxInfo(h, &info);
    RECT item{};
    ::SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&item));
    const Point middle{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ::SendMessageW(info.hwndList, WM_MOUSEMOVE, 0, at(middle));
    ::SendMessageW(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at(middle));
    ::SendMessageW(info.hwndList, WM_LBUTTONUP, 0, at(middle));
    pump();
  }
  bool closeBox(THISimpleForm& f) override {
    HWND h = the(f);
    ::SendMessageW(h, WM_CLOSE, 0, 0);
    return !::IsWindowVisible(h);
  }
};

}  // namespace

Hands& hands() {
  static Win32Hands h;
  return h;
}

}  // namespace hi::test
