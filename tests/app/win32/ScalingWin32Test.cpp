// The program's window at 100 % to 200 % display scaling on the Win32 controls: the window
// moves to a monitor of each DPI (WM_DPICHANGED, as Windows sends it to a per-monitor aware
// window), and every control must come out at its 96-DPI rectangle times the factor, with
// every text that fits at 96 DPI still fitting.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "runtime/Cp1251.h"
#include "window/Win.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiSimpleForm.h"
#include "window/win32/Win32Control.h"

using namespace hi;

namespace {

HWND handleOf(const THIWin& c) {
  return win32Handle(c.driver());
}
HWND handleOf(const THISimpleForm& f) {
  return win32Handle(f.driver());
}

RECT rectInClient(HWND control, HWND form) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring className(HWND h) {
  wchar_t name[64] = {};
  ::GetClassNameW(h, name, 64);
  return name;
}

// The widest line and the height of all lines of the control's text in its own font.
SIZE textExtent(HWND h) {
  const int length = ::GetWindowTextLengthW(h);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(h, text.data(), length + 1)));
  HDC dc = ::GetDC(h);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  SIZE extent{0, 0};
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(L"\r\n", start), text.size());
    SIZE line{};
    ::GetTextExtentPoint32W(dc, text.c_str() + start, static_cast<int>(end - start), &line);
    extent.cx = std::max(extent.cx, line.cx);
    extent.cy += tm.tmHeight;
    start = end + 2;
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  return extent;
}

// The room a control gives its text: an edit field less its margins, a button less the
// edge it draws around its caption.
SIZE textRoom(HWND h, int dpi) {
  RECT client{};
  ::GetClientRect(h, &client);
  SIZE room{client.right, client.bottom};
  const std::wstring kind = className(h);
  if (kind == L"Edit") {
    const auto margins = static_cast<DWORD>(::SendMessageW(h, EM_GETMARGINS, 0, 0));
    room.cx -= LOWORD(margins) + HIWORD(margins);
  } else if (kind == L"Button") {
    const int edge = ::MulDiv(3, dpi, 96);
    room.cx -= 2 * edge;
    room.cy -= 2 * edge;
  }
  return room;
}

bool holdsText(HWND h, int dpi) {
  const SIZE text = textExtent(h);
  const SIZE room = textRoom(h, dpi);
  return text.cx <= room.cx && text.cy <= room.cy;
}

bool showsText(HWND h) {
  const std::wstring kind = className(h);
  return kind == L"Static" || kind == L"Button" || kind == L"Edit";
}

// Moves the window to a monitor of that DPI, as Windows does: the message, with the frame
// it suggests for the new density.
void moveToDpi(HWND form, int dpi) {
  RECT frame{};
  ::GetWindowRect(form, &frame);
  RECT suggested{0, 0, ::MulDiv(610, dpi, 96), ::MulDiv(137, dpi, 96)};
  ::AdjustWindowRectEx(&suggested, static_cast<DWORD>(::GetWindowLongPtrW(form, GWL_STYLE)), FALSE,
                       0);
  ::OffsetRect(&suggested, frame.left - suggested.left, frame.top - suggested.top);
  ::SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// The status line's texts, the longest the program shows among them.
std::vector<std::string> statusTexts() {
  return {cp1251("Выберите порт с подключённым устройством."),
          cp1251("Устройство: 10   Текущая версия ПО: 4.2"),
          cp1251("На этом порту устройств не найдено."),
          cp1251("COM12: нет прав на порт, нужен администратор."),
          cp1251("COM12: устройство отключено от компьютера.")};
}

class Win32Scaling : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { scheme = startUploader(); }
  void TearDown() override {
    scheme.reset();
    disableRuntime();
  }
  void setStatus(const std::string& text) {
    TData d = makeString(text);
    scheme->StatusEdit->doText(d);
  }
  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

TEST_P(Win32Scaling, EveryControlScalesAndEveryTextThatFitsAt96StillFits) {
  const int dpi = GetParam();
  const double f = dpi / 96.0;
  HWND form = handleOf(*scheme->MainForm);
  const std::vector<THIWin*>& controls = scheme->MainForm->children();

  // What fits at 96 DPI, each status text in turn.
  const std::vector<std::string> statuses = statusTexts();
  std::vector<bool> fitAt96;
  for (const THIWin* c : controls) fitAt96.push_back(holdsText(handleOf(*c), 96));
  std::vector<bool> statusFitAt96;
  for (const std::string& s : statuses) {
    setStatus(s);
    statusFitAt96.push_back(holdsText(handleOf(*scheme->StatusEdit), 96));
  }
  EXPECT_TRUE(statusFitAt96[0]) << "the first status text fits at 96 DPI";

  moveToDpi(form, dpi);

  RECT client{};
  ::GetClientRect(form, &client);
  EXPECT_NEAR(client.right, 610 * f, 1);
  EXPECT_NEAR(client.bottom, 137 * f, 1);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const THIWin& c = *controls[i];
    HWND h = handleOf(c);
    const Rect b = c.bounds();
    const RECT r = rectInClient(h, form);
    SCOPED_TRACE(::testing::Message() << "control " << i << " at " << b.left << "," << b.top);
    EXPECT_NEAR(r.left, b.left * f, 1);
    EXPECT_NEAR(r.top, b.top * f, 1);
    EXPECT_NEAR(r.right, b.right() * f, 1);
    // A combo box's window reaches further, over its list; the closed box is as high as
    // its bounds, its field no lower than its font.
    if (className(h) == L"ComboBox") {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      ASSERT_TRUE(::GetComboBoxInfo(h, &info));
      EXPECT_GE(info.rcItem.bottom - info.rcItem.top, textExtent(h).cy);
      EXPECT_NEAR(info.rcButton.bottom + info.rcButton.top, b.height * f, 1);
    } else {
      EXPECT_NEAR(r.bottom, b.bottom() * f, 1);
    }
    if (showsText(h) && fitAt96[i]) {
      const SIZE text = textExtent(h);
      const SIZE room = textRoom(h, dpi);
      EXPECT_LE(text.cx, room.cx) << "too wide at " << dpi << " DPI";
      EXPECT_LE(text.cy, room.cy) << "too high at " << dpi << " DPI";
    }
  }
  for (std::size_t i = 0; i < statuses.size(); ++i) {
    setStatus(statuses[i]);
    if (statusFitAt96[i]) {
      EXPECT_TRUE(holdsText(handleOf(*scheme->StatusEdit), dpi)) << "status text " << i;
    }
  }
  // The fonts grew with the density: the status line's text is about f times as wide.
  setStatus(statuses[0]);
  HWND status = handleOf(*scheme->StatusEdit);
  const LONG scaled = textExtent(status).cx;
  moveToDpi(form, 96);
  EXPECT_NEAR(scaled, textExtent(status).cx * f, 0.15 * scaled);
}

INSTANTIATE_TEST_SUITE_P(Scalings, Win32Scaling, ::testing::Values(96, 120, 144, 192),
                         [](const auto& p) { return "dpi" + std::to_string(p.param); });

}  // namespace

namespace {

// Controls made later lie over those made before, as on Qt: the failure display's picture
// over its text.
TEST(Win32Window, TheFailurePictureLiesOverTheFailureText) {
  auto scheme = startUploader();
  TData show = makeInteger(1);
  scheme->ErrorLabel->doVisible(show);
  scheme->ErrorImage->doVisible(show);
  HWND form = handleOf(*scheme->MainForm);
  const RECT r = rectInClient(handleOf(*scheme->ErrorImage), form);
  const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  EXPECT_EQ(::ChildWindowFromPointEx(form, middle, CWP_SKIPINVISIBLE),
            handleOf(*scheme->ErrorImage));
  scheme.reset();
  disableRuntime();
}

}  // namespace
