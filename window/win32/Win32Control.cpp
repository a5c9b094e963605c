#include "window/win32/Win32Control.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WideText.h"
#include "window/KeyCodes.h"
#include "window/SystemDriver.h"
#include "window/win32/Win32Util.h"
#include "window/win32/Win32Window.h"

namespace hi {

namespace {

constexpr const wchar_t* ControlProperty = L"TormisaplexControl";
constexpr UINT_PTR SubclassId = 1;

// The one tooltip window of the home thread, made with the first hint's look.
HWND tooltipWindow(const HintStyle& style) {
  static HWND tip = nullptr;
  if (tip != nullptr) return tip;
  DWORD s = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;
  if (style.balloon) s |= TTS_BALLOON;
  tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, s, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                          ::GetModuleHandleW(nullptr), nullptr);
  if (tip == nullptr) return nullptr;
  // Hints break lines at CR LF only when the tip has a width to wrap in.
  ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 600);
  ::SendMessageW(tip, TTM_SETTIPBKCOLOR, toColorRef(style.backColor), 0);
  ::SendMessageW(tip, TTM_SETTIPTEXTCOLOR, toColorRef(style.font.Color), 0);
  if (style.initialDelay > 0) {
    ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(style.initialDelay, 0));
  }
  if (style.autoPopDelay > 0) {
    ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(style.autoPopDelay, 0));
  }
  RECT margin{style.margin, style.margin, style.margin, style.margin};
  ::SendMessageW(tip, TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  static HFONT font = createFont(style.font);
  ::SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return tip;
}

TOOLINFOW toolFor(HWND control) {
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = ::GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  return ti;
}

}  // namespace

HWND win32Handle(const WidgetDriver* driver) {
  const auto* holder = dynamic_cast<const Win32HandleHolder*>(driver);
  return holder != nullptr ? holder->handle() : nullptr;
}

Win32ControlCore* controlOf(HWND hwnd) {
  return static_cast<Win32ControlCore*>(::GetPropW(hwnd, ControlProperty));
}

Win32ControlCore::~Win32ControlCore() {
  if (hwnd_ != nullptr) {
    if (hinted_) {
      TOOLINFOW ti = toolFor(hwnd_);
      ::SendMessageW(tooltipWindow(HintStyle{}), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::DestroyWindow(hwnd_);
  }
  if (window_ != nullptr) window_->forget(this);
  if (font_ != nullptr) ::DeleteObject(font_);
  if (brush_ != nullptr) ::DeleteObject(brush_);
}

void Win32ControlCore::create(WindowDriver* parent, const wchar_t* className, DWORD style,
                              DWORD exStyle) {
  window_ = dynamic_cast<Win32Window*>(parent);
  hwnd_ = ::CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0,
                            0, controlParent(parent), nullptr, ::GetModuleHandleW(nullptr),
                            nullptr);
  if (hwnd_ == nullptr) return;
  // A later control lies over an earlier one, as on the other toolkits; Windows would put
  // it beneath its siblings, and the failure display's picture beneath its text.
  ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  watch(hwnd_);
  if (window_ != nullptr) window_->adopt(this);
  fontRec_ = systemDriver().defaultFont();
  applyFont();
}

DpiScale Win32ControlCore::scale() const {
  if (window_ != nullptr) return window_->scale();
  return DpiScale(dpi_ > 0 ? dpi_ : systemDpi());
}

void Win32ControlCore::windowGone() {
  dpi_ = scale().dpi();
  window_ = nullptr;
}

void Win32ControlCore::applyFont() {
  const int dpi = scale().dpi();
  // The shared default serves every control that keeps it at the system's DPI.
  HFONT next = nullptr;
  if (customFont_ || dpi != systemDpi()) {
    next = createFont(fontRec_, dpi);
    if (next == nullptr) return;
  }
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(next != nullptr ? next : defaultControlFont()),
                 TRUE);
  if (font_ != nullptr) ::DeleteObject(font_);
  font_ = next;
  fitComboField();  // a new font sets the field's height anew
}

void Win32ControlCore::rescale() {
  if (hwnd_ == nullptr) return;
  applyFont();
  setBounds(bounds_);
}

void Win32ControlCore::watch(HWND child) {
  ::SetPropW(child, ControlProperty, this);
  ::SetWindowSubclass(child, &Win32ControlCore::subclassProc, SubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

void Win32ControlCore::setVisible(bool visible) {
  const bool showing = visible && !::IsWindowVisible(hwnd_) &&
                       (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) == 0;
  ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  if (showing) sink_.shown();
}

void Win32ControlCore::setColor(std::uint32_t colour) {
  if (brush_ != nullptr) ::DeleteObject(brush_);
  brush_ = ::CreateSolidBrush(toColorRef(colour));
  colour_ = toColorRef(colour);
  hasColour_ = true;
  repaint();
}

void Win32ControlCore::captureMouse(bool on) {
  if (on) {
    ::SetCapture(hwnd_);
  } else if (::GetCapture() == hwnd_) {
    ::ReleaseCapture();
  }
}

void Win32ControlCore::setBounds(const Rect& r) {
  bounds_ = r;
  const Rect p = scale().px(Rect{r.left, r.top, r.width, r.height + extraHeight});
  ::SetWindowPos(hwnd_, nullptr, p.left, p.top, p.width, p.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  fitComboField();
}

void Win32ControlCore::fitComboField() {
  if (comboFieldFrame <= 0 || bounds_.height <= 0) return;
  // The frame is not the same everywhere (Wine keeps it at 4 px at every DPI, Windows draws
  // about 6 at 96 DPI and scales it), so the closed box is measured and its field corrected
  // once. A field cannot become lower than its font needs.
  const int closed = scale().px(bounds_).height;
  int field = std::max(closed - scale().px(comboFieldFrame), 1);
  for (int pass = 0; pass < 2; ++pass) {
    ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(hwnd_, &info)) return;
    const int shown = info.rcButton.bottom + info.rcButton.top;  // the arrow sits centred
    if (shown == closed) return;
    field = std::max(field + closed - shown, 1);
  }
}

void Win32ControlCore::setFont(const TFontRec& font) {
  fontRec_ = font;
  customFont_ = true;
  applyFont();
  textColour_ = toColorRef(font.Color);
  hasTextColour_ = true;
  repaint();
}

void Win32ControlCore::setEdge(Edge edge) {
  LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
  LONG_PTR ex = ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) &
                ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME);
  switch (edge) {
    case Edge::None:
      break;
    case Edge::FlatLine:
      style |= WS_BORDER;
      break;
    case Edge::ClientEdge:
      ex |= WS_EX_CLIENTEDGE;
      break;
    case Edge::StaticEdge:
      ex |= WS_EX_STATICEDGE;
      break;
    case Edge::DialogFrame:
      ex |= WS_EX_DLGMODALFRAME;
      break;
    case Edge::DialogClientEdge:
      ex |= WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE;
      break;
  }
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32ControlCore::setHint(const std::string& text, const HintStyle& style) {
  HWND tip = tooltipWindow(style);
  if (tip == nullptr) return;
  TOOLINFOW ti = toolFor(hwnd_);
  if (text.empty()) {
    if (hinted_) ::SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    hinted_ = false;
    return;
  }
  std::wstring wide = widenCp1251(text);
  ti.lpszText = wide.data();
  ::SendMessageW(tip, hinted_ ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                 reinterpret_cast<LPARAM>(&ti));
  hinted_ = true;
}

HBRUSH Win32ControlCore::controlColours(HDC dc) {
  if (hasTextColour_) ::SetTextColor(dc, textColour_);
  if (!hasColour_) return nullptr;
  ::SetBkColor(dc, colour_);
  return brush_;
}

LRESULT CALLBACK Win32ControlCore::subclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l,
                                                UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Win32ControlCore*>(data);
  if (msg == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &Win32ControlCore::subclassProc, SubclassId);
    ::RemovePropW(hwnd, ControlProperty);
    if (hwnd == self->hwnd_) self->hwnd_ = nullptr;
    return ::DefSubclassProc(hwnd, msg, w, l);
  }
  return self->handle(hwnd, msg, w, l);
}

LRESULT Win32ControlCore::handle(HWND from, UINT msg, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (kind_.message(from, msg, w, l, result)) return result;
  if (input_.handle(sink_, hwnd_, from, msg, w, l, scale())) {
    if (msg == WM_LBUTTONDOWN && clicksOnPress) sink_.clicked();
    return ::DefSubclassProc(from, msg, w, l);
  }
  switch (msg) {
    case WM_KEYDOWN: {
      if (kind_.keysOnTop()) break;
      const auto vk = static_cast<std::int32_t>(w);
      swallowChar_ = false;
      dropChar_ = false;
      if (sink_.keyDown(vk)) {
        swallowChar_ = true;
        return 0;
      }
      if (vk == VkTab && window_ != nullptr &&
          window_->moveFocus(hwnd_, (::GetKeyState(VK_SHIFT) & 0x8000) != 0)) {
        dropChar_ = true;
        return 0;
      }
      if (kind_.dropKey(vk)) {
        dropChar_ = true;
        return 0;
      }
      if (vk == VkReturn && window_ != nullptr && window_->sink().enterUnhandled()) {
        swallowChar_ = true;
        return 0;
      }
      break;
    }
    case WM_KEYUP:
      if (kind_.keysOnTop()) break;
      sink_.keyUp(static_cast<std::int32_t>(w));
      break;
    case WM_CHAR: {
      if (kind_.keysOnTop()) break;
      if (swallowChar_) {
        swallowChar_ = false;
        return 0;
      }
      const wchar_t ch = static_cast<wchar_t>(w);
      if (!sink_.character(narrowCp1251(std::wstring_view(&ch, 1)))) return 0;
      // Enter, Tab and Escape are no text for these controls; passed on they only beep.
      if (dropChar_ || ch == L'\r' || ch == L'\t' || ch == L'\x1b') {
        dropChar_ = false;
        return 0;
      }
      break;
    }
    case WM_SIZE:
      if (from == hwnd_) sink_.resized();
      break;
    case WM_MOVE:
      if (from == hwnd_) sink_.moved();
      break;
    case WM_SETCURSOR:
      if (cursor_ > 0 && LOWORD(l) == HTCLIENT) {
        ::SetCursor(cursorFor(cursor_));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      if (paintsItself) return 1;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(from, msg, w, l);
}

}  // namespace hi
