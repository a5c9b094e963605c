#include "platform/win32/HomeWake.h"

#include <utility>

namespace hi {

namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr const wchar_t* kClassName = L"TormisaplexHomeWake";

ATOM registerClass(WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  return ::RegisterClassExW(&wc);
}

}  // namespace

HomeWake::HomeWake(std::function<void()> onWake) : onWake_(std::move(onWake)) {
  static const ATOM registered = registerClass(&HomeWake::windowProc);
  if (registered == 0) return;
  window_ = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

HomeWake::~HomeWake() {
  if (window_ != nullptr) ::DestroyWindow(window_);
}

void HomeWake::raise() {
  if (window_ == nullptr || pending_.exchange(true)) return;
  if (!::PostMessageW(window_, kWakeMessage, 0, 0)) pending_ = false;
}

LRESULT CALLBACK HomeWake::windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == kWakeMessage) {
    auto* self = reinterpret_cast<HomeWake*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
      // Cleared before the run: a raise during it posts again rather than being lost.
      self->pending_ = false;
      if (self->onWake_) self->onWake_();
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, w, l);
}

}  // namespace hi
