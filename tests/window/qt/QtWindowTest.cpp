// What the Qt realisation draws and how it sets up Qt: frames, pictures, the bar, tooltips,
// the open list, a disabled window, the default button and Tab navigation.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/support/qt/QtTestAccess.h"
#include "tests/window/WindowTestSupport.h"
#include "runtime/Cp1251.h"
#include "window/Pictures.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/qt/QtConvert.h"

using namespace hi;
using namespace hi::test;

using QtControls = WindowTest;

TEST(QtFrame, TheWindowIsSizedInsideTheDesktopsFrameAtItsPlace) {
  THISimpleForm form;
  mainWindowProperties(form);
  form.Caption = "Tormisaplex bootloader";
  form.init();
  QWidget* w = windowWidget(form);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tormisaplex bootloader"));
  EXPECT_EQ(w->size(), QSize(610, 137));
  EXPECT_EQ(clientArea(form)->geometry(), QRect(0, 0, 610, 137));
  EXPECT_EQ(w->pos(), QPoint(200, 200));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // fixed size
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w->palette().color(QPalette::Window), toQColor(0xFF00000F));

  THISimpleForm sizing;
  mainWindowProperties(sizing);
  sizing.BorderStyle = 9;
  sizing.init();
  QWidget* s = windowWidget(sizing);
  EXPECT_LT(s->minimumWidth(), s->maximumWidth());
  EXPECT_EQ(s->width(), 608);
  EXPECT_EQ(clientArea(sizing)->geometry(), QRect(2, 2, 604, s->height() - 4));
}

TEST_F(QtControls, TheBarIsFullUpToItsEdge) {
  THIProgressBar bar(&form);
  sizeTo(bar, 600, 30);
  bar.Max = 1015;
  bar.Smooth = 1;
  bar.BarColor = 0x0000FF;
  bar.Color = 0xFFFFFF;
  bar.Frame3D = 0;
  bar.init();
  TData big = makeInteger(2000);
  bar.doPosition(big);
  const QImage shot = widget(bar)->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(596, 15)), QColor(0xFF, 0, 0));
}

TEST_F(QtControls, AHiddenEditTakesItsTextOnlyWhenShownYetReportsEachChangeAtOnce) {
  THIEdit edit(&form);
  sizeTo(edit, 85, 25);
  edit.Visible = 0;
  Probe changes;
  edit.onChange = changes.point();
  edit.init();
  auto* line = qobject_cast<QLineEdit*>(widget(edit));
  for (const char* text : {"1A2B", "C3D4", "C3D4"}) {
    TData d = makeString(text);
    edit.doText(d);
  }
  // Every replacement is a change to the graph, even with the same text.
  ASSERT_EQ(changes.count(), 3u);
  EXPECT_EQ(changes.last().text, "C3D4");
  EXPECT_TRUE(line->text().isEmpty());  // not yet shaped by Qt
  TData one = makeInteger(1);
  edit.doVisible(one);
  EXPECT_EQ(line->text(), QStringLiteral("C3D4"));
  EXPECT_EQ(line->cursorPosition(), 0);  // a new text keeps the caret where it was
  EXPECT_EQ(changes.count(), 3u);  // showing it is no change
  TData typed = makeString("EE");
  edit.doText(typed);
  EXPECT_EQ(line->text(), QStringLiteral("EE"));
  EXPECT_EQ(changes.count(), 4u);
}

TEST_F(QtControls, ANewLongTextShowsItsStart) {
  // The status line: a device with a very long version must not push "Устройство:" out of
  // sight. The caret stays where it was, within the view from the start.
  THIEdit edit(&form);
  sizeTo(edit, 320, 25);
  edit.ReadOnly = 1;
  edit.Text = cp1251("Выберите порт с подключённым устройством.");
  edit.init();
  auto* line = qobject_cast<QLineEdit*>(widget(edit));
  const QString text = QStringLiteral("Устройство: 10   Текущая версия ПО: ") + QString(300, QLatin1Char('9'));
  TData d = makeString(fromQt(text));
  edit.doText(d);
  ASSERT_EQ(line->text(), text);
  const int caretX = line->fontMetrics().horizontalAdvance(text.left(line->cursorPosition()));
  // Scrolled to the start, the caret is drawn where its text ends, plus a margin or two.
  const QRect caret = line->inputMethodQuery(Qt::ImCursorRectangle).toRect();
  EXPECT_LT(std::abs(caret.center().x() - caretX), 12) << line->cursorPosition();
}

TEST_F(QtControls, TheErrorMarkFillsItsFifteenByFourteenControl) {
  THIImage image(&form);
  place(image, 145, 3, 15, 14);
  image.SmoothStretch = 1;
  const Picture mark = bitmapResource("BITMAP0");
  ASSERT_EQ(mark.width, 290);
  ASSERT_EQ(mark.height, 290);
  image.setPicture(mark);
  image.init();
  const QImage shot = widget(image)->grab().toImage();
  const QColor centre(shot.pixel(7, 7));
  EXPECT_GT(centre.red(), 150);  // the mark, not the grey background
  const QColor side(shot.pixel(7, 1));
  EXPECT_GT(side.red(), side.green() + 60);  // the disc reaches the top edge: no band

  THIImage empty(&form);
  sizeTo(empty, 10, 10);
  empty.Color = 0x00FF00;
  empty.init();
  EXPECT_EQ(QColor(widget(empty)->grab().toImage().pixel(5, 5)), QColor(0, 0xFF, 0));
}

TEST_F(QtControls, TooltipsOnlyForAHint) {
  THIButton plain(&form);
  plain.init();
  plain.attachHint();
  EXPECT_TRUE(widget(plain)->toolTip().isEmpty());
  THIButton hinted(&form);
  hinted.Hint = cp1251("Записать <прошивку>");
  hinted.init();
  hinted.attachHint();
  EXPECT_TRUE(widget(hinted)->toolTip().contains(QString::fromUtf8("Записать")));
  EXPECT_TRUE(widget(hinted)->toolTip().contains(QStringLiteral("&lt;")));
}

TEST(QtKeyboard, EnterPressesTheDefaultButtonAndTabNeedsNavigation) {
  enableRuntime();
  THISimpleForm form;
  mainWindowProperties(form);
  form.init();
  THIEdit first(&form);
  first.Width = 50;
  first.init();
  THIButton ok(&form);
  ok.Width = 50;
  ok.DefaultButton = 1;
  ok.init();
  THIEdit last(&form);
  last.Width = 50;
  last.TabOrder = 1;  // a positive order comes first
  last.init();
  Probe clicks;
  ok.onClick = clicks.point();
  form.Start();
  QApplication::setActiveWindow(windowWidget(form));
  QWidget* firstField = widget(first);
  QWidget* lastField = widget(last);

  firstField->setFocus();
  QTest::keyClick(firstField, Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 1u);

  QTest::keyClick(firstField, Qt::Key_Tab);
  EXPECT_TRUE(firstField->hasFocus());  // navigation is still off
  form.enableKeyboardNavigation();
  lastField->setFocus();
  QTest::keyClick(lastField, Qt::Key_Tab);
  EXPECT_TRUE(firstField->hasFocus());
  QTest::keyClick(firstField, Qt::Key_Tab);
  EXPECT_TRUE(widget(ok)->hasFocus());
  QTest::keyClick(widget(ok), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(firstField->hasFocus());
  disableRuntime();
}

TEST_F(QtControls, EnterOnTheOpenListPicksTheItemUnderTheKeys) {
  THIComboBox combo(&form);
  sizeTo(combo, 85, 24);
  combo.Editable = 1;
  combo.ReportText = 1;
  Probe picks;
  combo.onChange = picks.point();
  combo.init();
  for (const char* name : {"COM1", "COM2"}) {
    TData d = makeString(name);
    combo.doAdd(d);
  }
  auto* box = widgetAs<QComboBox>(combo);
  box->showPopup();
  QAbstractItemView* list = box->view();
  list->setCurrentIndex(list->model()->index(0, 0));
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(picks.count(), 0u);
  QTest::keyClick(list, Qt::Key_Return);
  ASSERT_EQ(picks.count(), 1u);
  EXPECT_EQ(picks.last().text, "COM2");
}

TEST_F(QtControls, TheControlsOfADisabledWindowAreDrawnAsEnabled) {
  THILabel label(&form);
  sizeTo(label, 80, 20);
  label.init();
  label.setText("CRC:");
  THIButton off(&form);
  sizeTo(off, 80, 20);
  off.init();
  TData zero = makeInteger(0);
  off.doEnabled(zero);
  form.doEnabled(zero);
  // What a widget is drawn with: its own enabled state picks the palette group.
  EXPECT_TRUE(widget(label)->isEnabled());
  EXPECT_FALSE(widget(off)->isEnabled());
}
