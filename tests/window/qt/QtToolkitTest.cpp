// The conversions to Qt: texts, colours, fonts, caption wrapping, and the notice box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>

#include "runtime/Cp1251.h"
#include "runtime/Seams.h"
#include "window/qt/QtConvert.h"
#include "window/qt/QtTextControls.h"

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

TEST(Colours, SystemColoursComeFromTheStandardTableOthersAreBgr) {
  // The status field's 3D light is a grey a shade darker than the button face, not white.
  const QColor light = toQColor(0xFF000016);
  EXPECT_LT(light.lightness(), toQColor(0xFF00000F).lightness());
  EXPECT_GT(light.lightness(), 200);
  EXPECT_EQ(toQColor(0x00336699), QColor(0x99, 0x66, 0x33));
  // Only a high byte of exactly 0xFF names a system colour.
  EXPECT_EQ(toQColor(0x7F0000FF), QColor(0xFF, 0, 0));
}

TEST(Fonts, FontRecordsBecomeQtFonts) {
  ASSERT_EQ(screenPixelsPerInch(), 96);  // the offscreen screen's
  const QFont base;
  const QFont f = toQFont(makeFontRec("MS Sans Serif", 8, 0, 0, 1), base);
  EXPECT_EQ(f.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  EXPECT_EQ(f.pixelSize(), 11);  // 8 points at 96 pixels per inch
  EXPECT_FALSE(f.bold());

  const QFont b = toQFont(makeFontRec("MS Sans Serif", 10, FontBold | FontUnderline, 0, 1), base);
  EXPECT_EQ(b.pixelSize(), 13);
  EXPECT_TRUE(b.bold());
  EXPECT_TRUE(b.underline());
  EXPECT_FALSE(b.italic());

  // Size 0 keeps the base size.
  QFont sized;
  sized.setPixelSize(17);
  EXPECT_EQ(toQFont(makeFontRec("", 0, FontItalic, 0, 1), sized).pixelSize(), 17);
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
