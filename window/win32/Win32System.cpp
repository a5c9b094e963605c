// The Win32 realisation of the system driver: common controls, the home thread's wake-ups,
// the message loop, message boxes, text metrics and the embedded pictures.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "platform/Resources.h"
#include "platform/win32/HomeWake.h"
#include "platform/win32/WideText.h"
#include "runtime/EventGate.h"
#include "window/DibImages.h"
#include "window/DpiScale.h"
#include "window/SystemDriver.h"
#include "window/win32/Win32Util.h"
#include "window/win32/Win32Window.h"

namespace hi {

namespace {

// Dispatches what is queued; false when there was nothing.
bool pumpMessages() {
  bool any = false;
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (m.message == WM_QUIT) continue;
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
  return any;
}

class Win32System : public SystemDriver {
 public:
  int pixelsPerInch() override { return systemDpi(); }

  std::uint32_t systemColor(std::uint8_t index) override { return ::GetSysColor(index); }

  TFontRec defaultFont() override { return makeFontRec("MS Sans Serif", 8, 0, 0, 1); }

  // In the elements' 96-DPI units, measured at the system's DPI and rounded up, so that a
  // control sized to it holds the text once the window scales it.
  Size textExtent(const std::string& text, const TFontRec& font) override {
    const int dpi = systemDpi();
    HDC screen = ::GetDC(nullptr);
    HFONT f = createFont(font, dpi);
    HGDIOBJ old = ::SelectObject(screen, f);
    const std::wstring wide = widenCp1251(text);
    SIZE size{};
    ::GetTextExtentPoint32W(screen, wide.c_str(), static_cast<int>(wide.size()), &size);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(screen, &tm);
    ::SelectObject(screen, old);
    ::DeleteObject(f);
    ::ReleaseDC(nullptr, screen);
    return DpiScale(dpi).layoutCovering(
        Size{static_cast<int>(size.cx), static_cast<int>(std::max<LONG>(size.cy, tm.tmHeight))});
  }

  void showNotice(const std::string& text) override {
    // Called from whichever thread the graph runs on; the box belongs to the GUI thread.
    EventGate::instance().callOnHome([&] {
      ::MessageBoxW(::GetActiveWindow(), widenCp1251(text).c_str(), L"String-Debug", MB_OK);
    });
  }

  void showInformation(const std::string& caption, const std::string& text) override {
    ::MessageBoxW(nullptr, widenCp1251(text).c_str(), widenCp1251(caption).c_str(),
                  MB_OK | MB_ICONINFORMATION);
  }

  Picture loadBitmap(std::string_view name) override {
    const auto bytes = findResource(name, ResourceTypeBitmap);
    return bytes ? decodeBmp(*bytes) : Picture{};
  }

  Icon loadIcon(std::string_view name) override {
    const auto bytes = findResource(name, ResourceTypeGroupIcon);
    return bytes ? decodeIco(*bytes) : Icon{};
  }

  void becomeHomeThread() override {
    wake_ = std::make_unique<HomeWake>([] { EventGate::instance().runHomeCalls(); });
    HomeWake* wake = wake_.get();
    // Other threads only post a message; every message loop of this thread, the modal ones
    // of message boxes and window moves included, runs the calls.
    EventGate::instance().setHomeThread([wake] { wake->raise(); });
  }

  void leaveHomeThread() override {
    EventGate::instance().clearHomeThread();
    wake_.reset();
  }

  void runMessageLoop() override {
    while (openWindows() > 0) {
      MSG m;
      const BOOL got = ::GetMessageW(&m, nullptr, 0, 0);
      if (got == 0 || got == -1) break;
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }

  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) override {
    const auto until = std::chrono::steady_clock::now() + timeout;
    pumpMessages();
    while (!done()) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= until) return false;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
      // Woken by any message; the check of done() runs at least every few milliseconds.
      ::MsgWaitForMultipleObjectsEx(0, nullptr,
                                    static_cast<DWORD>(std::min<long long>(left.count(), 5)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      pumpMessages();
    }
    return true;
  }

 private:
  std::unique_ptr<HomeWake> wake_;
};

class Win32Session : public ToolkitSession {};

}  // namespace

SystemDriver& systemDriver() {
  static Win32System system;
  return system;
}

std::unique_ptr<ToolkitSession> openToolkit(int&, char**, std::string& error) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  if (!::InitCommonControlsEx(&icc)) {
    error = "the common controls of Windows could not be loaded";
    return nullptr;
  }
  return std::make_unique<Win32Session>();
}

}  // namespace hi
