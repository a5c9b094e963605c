// What only the Win32 realisation does: the real frame around the client area, the window
// class's styles, fonts and colours handed to the controls, the list-only combo box's own
// keys, and device changes from the window's messages.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <atomic>

#include "platform/PortWatch.h"
#include "runtime/Cp1251.h"
#include "tests/window/WindowTestSupport.h"
#include "window/Colors.h"
#include "window/KeyCodes.h"
#include "window/SystemDriver.h"
#include "window/hiComboBox.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/win32/Win32Control.h"

using namespace hi;
using namespace hi::test;

using Win32Controls = WindowTest;

namespace {

HWND handleOf(const THIWin& c) {
  return win32Handle(c.driver());
}
HWND handleOf(const THISimpleForm& f) {
  return win32Handle(f.driver());
}

// What the control draws in the middle of its client area.
COLORREF pixelInTheMiddle(HWND h) {
  RECT r{};
  ::GetClientRect(h, &r);
  HDC screen = ::GetDC(h);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  ::SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF c = ::GetPixel(dc, r.right / 2, r.bottom / 2);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(h, screen);
  return c;
}

}  // namespace

TEST(Win32Frame, TheClientAreaIsTheGraphsAndTheFrameIsTheDesktops) {
  THISimpleForm form;
  mainWindowProperties(form);
  form.Caption = cp1251("Загрузчик");
  form.init();
  HWND w = handleOf(form);
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 610);
  EXPECT_EQ(client.bottom, 137);
  RECT outer{};
  ::GetWindowRect(w, &outer);
  EXPECT_EQ(outer.left, 200);
  EXPECT_EQ(outer.top, 200);
  const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);  // a fixed single frame
  wchar_t title[32] = {};
  ::GetWindowTextW(w, title, 32);
  EXPECT_STREQ(title, L"\u0417\u0430\u0433\u0440\u0443\u0437\u0447\u0438\u043a");

  // A sizing frame with a client edge: Windows draws the edge outside the client area.
  THISimpleForm sizing;
  mainWindowProperties(sizing);
  sizing.BorderStyle = 9;
  sizing.init();
  HWND s = handleOf(sizing);
  EXPECT_NE(::GetWindowLongPtrW(s, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_NE(::GetWindowLongPtrW(s, GWL_STYLE) & WS_THICKFRAME, 0);
  EXPECT_EQ(sizing.driver()->clientRect().width, 604);
}

TEST_F(Win32Controls, FontsAndColoursReachTheControls) {
  EXPECT_EQ(systemDriver().systemColor(15), ::GetSysColor(COLOR_BTNFACE));
  THILabel label(&form);
  sizeTo(label, 100, 20);
  label.Color = clBtnFace;
  label.Font = makeFontRec("MS Sans Serif", 10, FontBold, 0x0000FF, 1);
  label.init();
  HWND h = handleOf(label);
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0));
  ASSERT_NE(::GetObjectW(font, sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -13);  // 10 points at 96 pixels per inch
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);  // the texts are code page 1251
  EXPECT_EQ(hands().textColour(label), 0x0000FFu);

  // The label's background is the desktop's button face, whatever the desktop's scheme.
  HDC dc = ::GetDC(h);
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(h), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(h)));
  ::ReleaseDC(h, dc);
  LOGBRUSH lb{};
  ASSERT_NE(::GetObjectW(brush, sizeof lb, &lb), 0);
  EXPECT_EQ(lb.lbColor, ::GetSysColor(COLOR_BTNFACE));

  // The bar in the graph's colours, not the theme's: empty, then full (the nearer end).
  THIProgressBar bar(&form);
  sizeTo(bar, 600, 30);
  bar.Max = 10;
  bar.Smooth = 1;
  bar.Color = clBtnFace;
  bar.BarColor = 0x00FF00;
  bar.init();
  EXPECT_EQ(pixelInTheMiddle(handleOf(bar)), ::GetSysColor(COLOR_BTNFACE));
  TData beyond = makeInteger(25);
  bar.doPosition(beyond);
  EXPECT_EQ(::SendMessageW(handleOf(bar), PBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(pixelInTheMiddle(handleOf(bar)), 0x00FF00u);
}

TEST_F(Win32Controls, AListOnlyBoxTakesEnterInItsOpenListAsAChoiceAndEscapeAsNone) {
  THIComboBox combo(&form);
  sizeTo(combo, 85, 24);
  Probe picks;
  combo.ReportText = 1;
  combo.onChange = picks.point();
  combo.init();
  for (const char* name : {"COM1", "COM2", "COM3"}) {
    TData d = makeString(name);
    ChainOwner owner(d);
    fireEvent(makeEventPoint<&THIComboBox::doAdd>(0, &combo), d);
  }
  HWND h = handleOf(combo);
  EXPECT_LT(::SendMessageW(h, CB_GETCURSEL, 0, 0), 0);  // adding chose nothing

  hands().openList(combo);
  ASSERT_NE(::SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0), 0);
  hands().key(combo, VkDown);
  hands().key(combo, VkDown);
  EXPECT_EQ(picks.count(), 0u);  // moving in the open list chooses nothing yet
  hands().key(combo, VkReturn);
  ASSERT_EQ(picks.count(), 1u);
  EXPECT_EQ(picks.last().text, "COM2");
  EXPECT_EQ(::SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0), 0);

  hands().openList(combo);
  hands().key(combo, VkDown);
  hands().key(combo, VkEscape);
  EXPECT_EQ(picks.count(), 1u);
  // Browsing the closed box afterwards is no choice either, though Windows confirms it.
  hands().key(combo, VkDown);
  EXPECT_EQ(picks.count(), 1u);
}

TEST_F(Win32Controls, AnEditableBoxsOpenListTakesEndAndHomeAndEnterChoosesTheItem) {
  // The edit field keeps the keys while the list is open; End would move its caret only.
  THIComboBox combo(&form);
  sizeTo(combo, 85, 24);
  Probe picks;
  combo.Editable = 1;
  combo.ReportText = 1;
  combo.onChange = picks.point();
  combo.init();
  for (const char* name : {"COM1", "COM2", "COM3"}) {
    TData d = makeString(name);
    ChainOwner owner(d);
    fireEvent(makeEventPoint<&THIComboBox::doAdd>(0, &combo), d);
  }
  HWND h = handleOf(combo);
  hands().openList(combo);
  ASSERT_NE(::SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0), 0);
  hands().key(combo, VkEnd);
  EXPECT_EQ(::SendMessageW(h, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(picks.count(), 0u);
  hands().key(combo, VkReturn);
  ASSERT_EQ(picks.count(), 1u);
  EXPECT_EQ(picks.last().text, "COM3");

  hands().openList(combo);
  hands().key(combo, VkHome);
  hands().key(combo, VkReturn);
  ASSERT_EQ(picks.count(), 2u);
  EXPECT_EQ(picks.last().text, "COM1");

  // A page moves as far as the list goes.
  hands().openList(combo);
  hands().key(combo, VkNext);
  EXPECT_EQ(::SendMessageW(h, CB_GETCURSEL, 0, 0), 2);
  hands().key(combo, VkPrior);
  hands().key(combo, VkReturn);
  ASSERT_EQ(picks.count(), 3u);
  EXPECT_EQ(picks.last().text, "COM1");

  // On the closed box End stays the field's: it chooses nothing.
  const auto shown = ::SendMessageW(h, CB_GETCURSEL, 0, 0);
  hands().key(combo, VkHome);
  hands().key(combo, VkEnd);
  EXPECT_EQ(::SendMessageW(h, CB_GETCURSEL, 0, 0), shown);
  EXPECT_EQ(picks.count(), 3u);
}

TEST_F(Win32Controls, TheWindowHandsPortChangesToThePortWatch) {
  std::atomic<int> reports{0};
  const auto watch = PortWatch::start([&] { ++reports; });
  HWND w = handleOf(form);
  ::SendMessageW(w, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  EXPECT_EQ(reports.load(), 1);
  DEV_BROADCAST_HDR port{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_PORT, 0};
  ::SendMessageW(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
  EXPECT_EQ(reports.load(), 2);
  DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME, 0};
  ::SendMessageW(w, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&volume));
  EXPECT_EQ(reports.load(), 2);  // not a port
}
