// The adapter to Qt and the pure layout rules: texts, colours, fonts, docking, the picture
// rectangle, the frame rule.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>

#include "runtime/Cp1251.h"
#include "runtime/Seams.h"
#include "window/Docking.h"
#include "window/Toolkit.h"
#include "window/WinList.h"
#include "window/hiButton.h"
#include "window/hiImage.h"

using namespace hi;

TEST(Text, RussianTextsCrossTheBoundaryExactly) {
  const std::string write = cp1251("Записать");
  EXPECT_EQ(toQt(write), QString::fromUtf8("Записать"));
  EXPECT_EQ(fromQt(QString::fromUtf8("Проверьте все соединения и попробуйте ещё раз.")),
            cp1251("Проверьте все соединения и попробуйте ещё раз."));
  // Every byte survives a round trip, zero bytes included.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(fromQt(toQt(all)), all);
  // What the code page lacks becomes '?'.
  EXPECT_EQ(fromQt(QString::fromUtf8("a€中")), std::string("a\x88?"));
}

TEST(Colours, SystemColoursComeFromThePaletteOthersAreBgr) {
  const QPalette pal = QApplication::palette();
  EXPECT_EQ(toQColor(0xFF000005), pal.color(QPalette::Base));
  EXPECT_EQ(toQColor(0xFF00000F), pal.color(QPalette::Button));
  EXPECT_EQ(toQColor(0xFF000010), pal.color(QPalette::Dark));
  EXPECT_EQ(toQColor(0xFF000016), pal.color(QPalette::Light));
  EXPECT_EQ(toQColor(0xFF000017), pal.color(QPalette::ToolTipText));
  EXPECT_EQ(toQColor(0xFF000018), pal.color(QPalette::ToolTipBase));
  EXPECT_EQ(toQColor(0x00336699), QColor(0x99, 0x66, 0x33));
  // Only a high byte of exactly 0xFF names a system colour.
  EXPECT_EQ(toQColor(0x7F0000FF), QColor(0xFF, 0, 0));
}

TEST(Fonts, FontRecordsBecomeQtFonts) {
  const QFont base;
  const QFont f = toQFont(makeFontRec("MS Sans Serif", 8, 0, 0, 1), base);
  EXPECT_EQ(f.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  EXPECT_EQ(f.pixelSize(), -fontHeightFromPoints(8));
  EXPECT_FALSE(f.bold());

  const QFont b = toQFont(makeFontRec("MS Sans Serif", 10, FontBold | FontUnderline, 0, 1), base);
  EXPECT_EQ(b.pixelSize(), -fontHeightFromPoints(10));
  EXPECT_TRUE(b.bold());
  EXPECT_TRUE(b.underline());
  EXPECT_FALSE(b.italic());

  // Size 0 keeps the base size.
  QFont sized;
  sized.setPixelSize(17);
  EXPECT_EQ(toQFont(makeFontRec("", 0, FontItalic, 0, 1), sized).pixelSize(), 17);
}

TEST(Docking, TopAndBottomFirstThenSidesThenClient) {
  std::vector<DockItem> items = {
      {alLeft, true, QRect(0, 0, 50, 10)}, {alTop, true, QRect(7, 7, 30, 20)},
      {alClient, true, QRect(0, 0, 1, 1)}, {alBottom, true, QRect(0, 0, 30, 15)},
      {alTop, false, QRect(3, 3, 30, 40)}, {alRight, true, QRect(0, 0, 60, 10)},
      {alTop, true, QRect(0, 0, 30, 25)},
  };
  dockLayout(QRect(0, 0, 610, 137), 0, items);
  EXPECT_EQ(items[1].bounds, QRect(0, 0, 610, 20));
  EXPECT_EQ(items[6].bounds, QRect(0, 20, 610, 25));  // under the first top item
  EXPECT_EQ(items[3].bounds, QRect(0, 122, 610, 15));
  EXPECT_EQ(items[4].bounds, QRect(3, 3, 30, 40));  // hidden: untouched
  EXPECT_EQ(items[0].bounds, QRect(0, 45, 50, 77));
  EXPECT_EQ(items[5].bounds, QRect(550, 45, 60, 77));
  EXPECT_EQ(items[2].bounds, QRect(50, 45, 500, 77));
}

TEST(Docking, MarginsAndSizesThatWouldBeNegative) {
  std::vector<DockItem> items = {{alTop, true, QRect(0, 0, 10, 8)}, {alClient, true, QRect()}};
  dockLayout(QRect(0, 0, 100, 50), 4, items);
  EXPECT_EQ(items[0].bounds, QRect(4, 4, 92, 8));
  EXPECT_EQ(items[1].bounds, QRect(4, 16, 92, 30));

  std::vector<DockItem> tight = {{alTop, true, QRect(0, 0, 10, 30)}, {alClient, true, QRect()}};
  dockLayout(QRect(0, 0, 20, 20), 0, tight);
  EXPECT_EQ(tight[1].bounds.size(), QSize(20, 0));
}

TEST(PictureRect, AspectKeptWithMarginsRoundedHalfToEven) {
  // The error mark: H = 14 < W x r = 15, left = round(0.5) = 0, the whole control.
  EXPECT_EQ(pictureRect(15, 14, 290, 290), QRect(0, 0, 15, 14));
  EXPECT_EQ(pictureRect(20, 10, 10, 10), QRect(5, 0, 10, 10));
  // round(1.5) = 2: the symmetric rectangle is a pixel narrower than exact.
  EXPECT_EQ(pictureRect(13, 10, 10, 10), QRect(2, 0, 9, 10));
  EXPECT_EQ(pictureRect(17, 10, 10, 10), QRect(4, 0, 9, 10));  // round(3.5) = 4
  EXPECT_EQ(pictureRect(10, 13, 10, 10), QRect(0, 2, 10, 9));
  EXPECT_EQ(pictureRect(10, 10, 20, 10), QRect(0, 2, 10, 6));  // round(2.5) = 2
}

TEST(ListText, StringsSplitAtCrLf) {
  EXPECT_EQ(splitLines(""), std::vector<std::string>{});
  EXPECT_EQ(splitLines("COM1\r\nCOM2"), (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(splitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(ButtonCaption, WrapsAtBlanksWhenItDoesNotFit) {
  const QFontMetrics fm{QFont()};
  const int w = fm.horizontalAdvance(QStringLiteral("one two"));
  EXPECT_EQ(wrapText(QStringLiteral("one two three"), fm, w), QStringLiteral("one two\nthree"));
  EXPECT_EQ(wrapText(QStringLiteral("OK"), fm, 1), QStringLiteral("OK"));
}

TEST(Notices, ShowAModalBoxCaptionedStringDebug) {
  QString caption;
  QString text;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    if (auto* message = qobject_cast<QMessageBox*>(box)) text = message->text();
    box->close();
  });
  showNotice(cp1251("Самоуничтожение запрещено"));
  EXPECT_EQ(caption, QStringLiteral("String-Debug"));
  EXPECT_EQ(text, QString::fromUtf8("Самоуничтожение запрещено"));
}
