// The controls in a main window: visibility, docking and sizing, clicks, the edit's change
// reports and Enter, the combo box's items and picks, the bar, the picture, keys and mouse.
#include <gtest/gtest.h>

#include <thread>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "WindowTestSupport.h"
#include "runtime/Cp1251.h"
#include "window/Docking.h"
#include "window/Pictures.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"

using namespace hi;
using hi::test::place;
using hi::test::Probe;
using hi::test::sizeTo;
using hi::test::Source;
using hi::test::WindowTest;

namespace {

TFontRec sans(std::uint8_t size, std::uint8_t style = 0) {
  return makeFontRec("MS Sans Serif", size, style, 0, 1);
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               QPoint at = QPoint(3, 3)) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

using Controls = WindowTest;

TEST_F(Controls, OnlyIntegerZeroHidesOrDisables) {
  THIButton button(&form);
  sizeTo(button, 85, 30);
  button.init();
  QWidget* w = button.control();

  TData zero = makeInteger(0);
  button.doVisible(zero);
  EXPECT_TRUE(w->isHidden());
  TData textZero = makeString("0");
  button.doVisible(textZero);
  EXPECT_FALSE(w->isHidden());
  button.doVisible(zero);
  TData null;
  button.doVisible(null);
  EXPECT_FALSE(w->isHidden());

  button.doEnabled(zero);
  EXPECT_FALSE(w->isEnabled());
  button.doEnabled(textZero);
  EXPECT_TRUE(w->isEnabled());
  button.doEnabled(zero);
  button.doEnabled(null);
  EXPECT_TRUE(w->isEnabled());
}

TEST_F(Controls, AutoSizeLabelDockedAtTopKeepsTheClientWidthAndTakesTheTextHeight) {
  THILabel label(&form);
  sizeTo(label, 300, 24);
  label.Align = alTop;
  label.Font = sans(10);
  label.setAutoSize(1);
  label.setTextAlign(2);
  label.Caption = cp1251("Ошибка при передаче данных!");
  label.init();
  const QFontMetrics fm(label.control()->font());
  EXPECT_EQ(label.bounds(), QRect(0, 0, 610, fm.height() + 1));
  EXPECT_EQ(label.label()->text(), QString::fromUtf8("Ошибка при передаче данных!"));
}

TEST_F(Controls, AutoSizeLabelWithoutDockingTakesTheTextSizePlusOne) {
  THILabel label(&form);
  place(label, 110, 55, 272, 20);
  label.Font = sans(8);
  label.setAutoSize(1);
  label.Caption = "CRC:";
  label.init();
  const QFontMetrics fm(label.control()->font());
  EXPECT_EQ(label.bounds(), QRect(110, 55, fm.horizontalAdvance("CRC:") + 1, fm.height() + 1));

  THILabel empty(&form);
  sizeTo(empty, 50, 50);
  empty.setAutoSize(1);
  empty.init();
  EXPECT_EQ(empty.bounds().size(), QSize(1, 1));
}

TEST_F(Controls, HiddenDockedLabelsStackWhenShownAndCloseUpWhenHidden) {
  THILabel first(&form);
  THILabel second(&form);
  for (THILabel* l : {&first, &second}) {
    sizeTo(*l, 610, 24);
    l->Align = alTop;
    l->Visible = 0;
    l->Font = sans(10);
    l->setAutoSize(1);
    l->setTextAlign(2);
  }
  first.Caption = cp1251("Ошибка при передаче данных!");
  second.Top = 24;
  second.Caption = cp1251("Проверьте все соединения и попробуйте ещё раз.");
  first.init();
  second.init();
  const int h = QFontMetrics(first.control()->font()).height() + 1;

  // Shown in the order the failure display shows them: the second first.
  TData one = makeInteger(1);
  second.doVisible(one);
  EXPECT_EQ(second.bounds(), QRect(0, 0, 610, h));
  first.doVisible(one);
  EXPECT_EQ(first.bounds(), QRect(0, 0, 610, h));
  EXPECT_EQ(second.bounds(), QRect(0, h, 610, h));

  TData zero = makeInteger(0);
  first.doVisible(zero);
  EXPECT_EQ(second.bounds().top(), 0);
}

TEST_F(Controls, LabelClickAndHover) {
  THILabel label(&form);
  sizeTo(label, 50, 20);
  label.HoverColor = 0x0000FF;
  label.HoverUnderline = 1;
  label.Font = sans(8);
  label.init();
  Probe down, click, enter;
  label.onMouseDown = down.point();
  label.onClick = click.point();
  label.onMouseEnter = enter.point();
  sendMouse(label.control(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  ASSERT_EQ(click.count(), 1u);
  EXPECT_EQ(down.count(), 1u);
  EXPECT_EQ(enter.count(), 1u);
  EXPECT_EQ(label.control()->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  EXPECT_TRUE(label.control()->font().underline());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(label.control(), &leave);
  EXPECT_EQ(label.control()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_FALSE(label.control()->font().underline());
}

TEST_F(Controls, ButtonClicksCarryACopyOfData) {
  THIButton button(&form);
  sizeTo(button, 85, 30);
  button.Caption = cp1251("Записать");
  button.Data = makeInteger(5);
  button.init();
  Probe probe;
  probe.action = [](TData& d) { makeInteger(d, 99); };
  button.onClick = probe.point();
  QTest::mouseClick(button.button(), Qt::LeftButton);
  button.button()->click();
  ASSERT_EQ(probe.count(), 2u);
  EXPECT_EQ(probe.chains[0][0].integer, 5);
  EXPECT_EQ(probe.chains[1][0].integer, 5);
  EXPECT_EQ(button.Data.integer, 5);
  EXPECT_EQ(button.button()->text(), QString::fromUtf8("Записать"));
}

class EditTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    sizeTo(edit, 85, 25);
    edit.Text = "FFFF";
    edit.onChange = changes.point();
    edit.init();
  }
  void type(const char* keys) { QTest::keyClicks(edit.lineEdit(), QString::fromLatin1(keys)); }
  void enter() { QTest::keyClick(edit.lineEdit(), Qt::Key_Return); }

  THIEdit edit{&form};
  Probe changes;
};

TEST_F(EditTest, InitialTextIsNotReportedTheFirstKeystrokeIs) {
  EXPECT_EQ(changes.count(), 0u);
  EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("FFFF"));
  edit.lineEdit()->setCursorPosition(4);
  type("0");
  ASSERT_EQ(changes.count(), 1u);
  EXPECT_EQ(changes.last().text, "FFFF0");
  // What the user typed is what the Text output gives, from any thread.
  TData out;
  std::thread([&] { edit.TextOut(out, 0); }).join();
  EXPECT_EQ(out.text, "FFFF0");
}

TEST_F(EditTest, EnterWithoutDoTextEmptiesTheFieldSilently) {
  Probe entered, keys;
  edit.onEnter = entered.point();
  edit.onKeyDown = keys.point();
  edit.onKeyPress = keys.point();
  enter();
  ASSERT_EQ(entered.count(), 1u);
  EXPECT_EQ(entered.last().text, "FFFF");
  EXPECT_EQ(edit.lineEdit()->text(), QString());
  EXPECT_EQ(changes.count(), 0u);
  EXPECT_EQ(keys.count(), 0u);  // consumed: no key down, and its character swallowed
  type("7");                    // re-armed
  ASSERT_EQ(changes.count(), 1u);
  EXPECT_EQ(changes.last().text, "7");

  // An empty field emptied again still re-arms the reports.
  edit.lineEdit()->clear();
  const std::size_t before = changes.count();
  enter();
  type("8");
  EXPECT_EQ(changes.count(), before + 1);
}

TEST_F(EditTest, EnterWithDoTextKeepsTheNewText) {
  Probe entered;
  entered.action = [this](TData&) {
    TData text = makeString("1234");
    edit.doText(text);
  };
  edit.onEnter = entered.point();
  enter();
  EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("1234"));
  ASSERT_EQ(changes.count(), 1u);
  EXPECT_EQ(changes.last().text, "1234");
}

TEST_F(EditTest, EnterIsAnOrdinaryKeyWhileOnEnterIsNotConnected) {
  Probe keys;
  edit.onKeyDown = keys.point();
  enter();
  ASSERT_EQ(keys.count(), 1u);
  EXPECT_EQ(keys.last().integer, 13);
  EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("FFFF"));
}

TEST_F(EditTest, DoTextReadsTextInKeepsTheCaretAndReportsEveryReplacement) {
  edit.lineEdit()->setCursorPosition(2);
  TData v = makeString("ABCDEF");
  edit.doText(v);
  EXPECT_EQ(edit.lineEdit()->cursorPosition(), 2);
  EXPECT_EQ(changes.count(), 1u);
  TData same = makeString("ABCDEF");
  edit.doText(same);
  EXPECT_EQ(changes.count(), 2u);

  Source source;
  source.value = makeString(cp1251("Выберите порт"));
  edit.inTextIn = source.point();
  TData ignored = makeString("x");
  edit.doText(ignored);
  EXPECT_EQ(edit.lineEdit()->text(), QString::fromUtf8("Выберите порт"));
  TData out;
  edit.TextOut(out, 0);
  EXPECT_EQ(out.type, dtString);
  EXPECT_EQ(out.text, cp1251("Выберите порт"));

  edit.inTextIn = EventPoint{};
  TData null;
  edit.doText(null);
  EXPECT_EQ(edit.lineEdit()->text(), QString());
}

class ComboTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    sizeTo(combo, 85, 24);
    combo.Editable = 1;
    combo.ReportText = 1;
    combo.onChange = picks.point();
    combo.onListChanged = listChanged.point();
    combo.init();
  }
  void add(TData d) {
    ChainOwner owner(d);
    fireEvent(makeEventPoint<&THIComboBox::doAdd>(0, &combo), d);
  }

  THIComboBox combo{&form};
  Probe picks;
  Probe listChanged;
};

TEST_F(ComboTest, AddedItemsKeepArrivalOrderOrSortAndSelectOnlyWhenAsked) {
  for (const char* name : {"COM3", "COM1", "COM2"}) add(makeString(name));
  QComboBox* c = combo.comboBox();
  ASSERT_EQ(c->count(), 3);
  EXPECT_EQ(c->itemText(0), QStringLiteral("COM3"));
  EXPECT_EQ(c->itemText(2), QStringLiteral("COM2"));
  EXPECT_EQ(c->currentIndex(), -1);
  EXPECT_EQ(c->currentText(), QString());
  EXPECT_EQ(listChanged.count(), 3u);

  fireNull(makeEventPoint<&THIComboBox::doClear>(0, &combo));
  EXPECT_EQ(c->count(), 0);
  EXPECT_EQ(listChanged.count(), 4u);

  combo.Sorted = 1;
  combo.SelectAdded = 1;
  for (const char* name : {"COM3", "com1", "COM2"}) add(makeString(name));
  EXPECT_EQ(c->itemText(0), QStringLiteral("com1"));
  EXPECT_EQ(c->itemText(1), QStringLiteral("COM2"));
  EXPECT_EQ(c->itemText(2), QStringLiteral("COM3"));
  EXPECT_EQ(c->currentIndex(), 1);  // the last added
  EXPECT_EQ(picks.count(), 0u);
}

TEST_F(ComboTest, PickingAnItemFiresItsTextChainedWithItsData) {
  add(makeString("COM3"));
  TData chained = makeString("COM5");
  chained.next = new TData(makeInteger(7));
  add(chained);

  QTest::keyClick(combo.comboBox(), Qt::Key_Down);
  ASSERT_EQ(picks.count(), 1u);
  ASSERT_EQ(picks.chains[0].size(), 2u);
  EXPECT_EQ(picks.chains[0][0].type, dtString);
  EXPECT_EQ(picks.chains[0][0].text, "COM3");
  EXPECT_EQ(picks.chains[0][1].type, dtInteger);
  EXPECT_EQ(picks.chains[0][1].integer, 0);

  QTest::keyClick(combo.comboBox(), Qt::Key_Down);
  ASSERT_EQ(picks.count(), 2u);
  EXPECT_EQ(picks.chains[1][0].text, "COM5");
  EXPECT_EQ(picks.chains[1][1].integer, 7);

  combo.ReportText = 0;
  QTest::keyClick(combo.comboBox(), Qt::Key_Up);
  ASSERT_EQ(picks.count(), 3u);
  EXPECT_EQ(picks.chains[2][0].type, dtInteger);
  EXPECT_EQ(picks.chains[2][0].integer, 0);
}

TEST_F(ComboTest, TypingIntoTheFieldFiresNothing) {
  add(makeString("COM3"));
  QLineEdit* field = combo.comboBox()->lineEdit();
  ASSERT_NE(field, nullptr);
  QTest::keyClicks(field, QStringLiteral("COM3"));
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(field->text(), QStringLiteral("COM3"));
  EXPECT_EQ(picks.count(), 0u);
  EXPECT_EQ(combo.comboBox()->count(), 1);
}

TEST_F(Controls, ComboStringsAreLoadedAtCreation) {
  THIComboBox combo(&form);
  combo.Strings = "a\r\nb";
  combo.Text = "typed";
  combo.Editable = 1;
  combo.init();
  EXPECT_EQ(combo.comboBox()->count(), 2);
  EXPECT_EQ(combo.comboBox()->lineEdit()->text(), QStringLiteral("typed"));
}

TEST_F(Controls, ProgressPositionsOutsideTheRangeShowAsTheNearerEnd) {
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
  EXPECT_EQ(bar.position(), 2000);
  EXPECT_EQ(bar.filledLength(596), 596);
  const QImage shot = bar.control()->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(596, 15)), QColor(0xFF, 0, 0));  // full up to the edge

  TData half = makeString("507abc");
  bar.doPosition(half);
  EXPECT_EQ(bar.filledLength(1015), 507);
  TData null;
  bar.doPosition(null);
  EXPECT_EQ(bar.filledLength(596), 0);
  TData negative = makeInteger(-5);
  bar.doPosition(negative);
  EXPECT_EQ(bar.filledLength(596), 0);
}

TEST_F(Controls, TheErrorMarkFillsItsFifteenByFourteenControl) {
  THIImage image(&form);
  place(image, 145, 3, 15, 14);
  image.SmoothStretch = 1;
  const QImage mark = bitmapResource("BITMAP0");
  ASSERT_FALSE(mark.isNull());
  EXPECT_EQ(mark.size(), QSize(290, 290));
  EXPECT_EQ(mark.depth(), 32);
  image.setPicture(mark);
  image.setPicture(QImage());  // a null picture changes nothing
  image.init();
  EXPECT_EQ(image.bounds(), QRect(145, 3, 15, 14));
  const QImage shot = image.control()->grab().toImage();
  const QColor centre(shot.pixel(7, 7));
  EXPECT_GT(centre.red(), 150);  // the mark, not the grey background
  const QColor side(shot.pixel(7, 1));
  EXPECT_GT(side.red(), side.green() + 60);  // the disc reaches the top edge: no band
}

TEST_F(Controls, PictureAutoSizeAndEmptyPicture) {
  THIImage image(&form);
  sizeTo(image, 10, 10);
  image.Color = 0x00FF00;
  image.AutoSize = 1;
  image.init();
  EXPECT_EQ(image.bounds().size(), QSize(10, 10));  // empty picture: no auto size
  EXPECT_EQ(QColor(image.control()->grab().toImage().pixel(5, 5)), QColor(0, 0xFF, 0));

  THIImage sized(&form);
  sized.AutoSize = 1;
  sized.setPicture(QImage(30, 20, QImage::Format_RGB32));
  sized.init();
  EXPECT_EQ(sized.bounds().size(), QSize(30, 20));
}

TEST_F(Controls, MouseMovesReportTheButtonOfThePreviousMouseEvent) {
  THIButton button(&form);
  sizeTo(button, 85, 30);
  button.init();
  Probe down, moves, up, wheel;
  button.onMouseDown = down.point();
  button.onMouseMove = moves.point();
  button.onMouseUp = up.point();
  button.onMouseWheel = wheel.point();
  QWidget* w = button.control();

  sendMouse(w, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
  sendMouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(5, 6));
  EXPECT_EQ(button.mouseRecord().x, 5);
  EXPECT_EQ(button.mouseRecord().y, 6);
  sendMouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
  sendMouse(w, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
  sendMouse(w, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
  sendMouse(w, QEvent::MouseMove, Qt::NoButton, Qt::RightButton);
  ASSERT_EQ(moves.count(), 3u);
  EXPECT_EQ(moves.chains[0][0].integer, 0);
  EXPECT_EQ(moves.chains[1][0].integer, -1);
  EXPECT_EQ(moves.chains[2][0].integer, 1);
  ASSERT_EQ(down.count(), 2u);
  EXPECT_EQ(down.chains[1][0].integer, 1);
  EXPECT_EQ(up.last().integer, 0);

  QWheelEvent towardsUser(QPointF(3, 3), QPointF(w->mapToGlobal(QPoint(3, 3))), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &towardsUser);
  ASSERT_EQ(wheel.count(), 1u);
  EXPECT_EQ(wheel.last().integer, -120);
  EXPECT_EQ(static_cast<std::int16_t>(button.mouseRecord().keyState >> 16), -120);
}

TEST_F(Controls, AConsumedKeyDownSwallowsItsCharacter) {
  THIEdit edit(&form);
  sizeTo(edit, 85, 25);
  edit.init();
  Probe downs, presses, ups;
  edit.onKeyDown = downs.point();
  edit.onKeyPress = presses.point();
  edit.onKeyUp = ups.point();
  QTest::keyClick(edit.lineEdit(), Qt::Key_A);
  ASSERT_EQ(downs.count(), 1u);
  EXPECT_EQ(downs.last().integer, 65);
  ASSERT_EQ(presses.count(), 1u);
  EXPECT_EQ(presses.last().text, "a");
  EXPECT_EQ(ups.last().integer, 65);
  EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("a"));

  downs.action = [](TData& d) { makeInteger(d, 0); };
  QTest::keyClick(edit.lineEdit(), Qt::Key_B);
  EXPECT_EQ(downs.count(), 2u);
  EXPECT_EQ(presses.count(), 1u);
  EXPECT_EQ(edit.lineEdit()->text(), QStringLiteral("a"));  // the key went nowhere
}

TEST_F(Controls, ResizeNegotiationOffersTheDifferenceAndTakesIntegerAnswers) {
  THIButton button(&form);
  sizeTo(button, 50, 20);
  button.init();
  Probe offers;
  struct Answer : Element {
    Probe* seen;
    TData reply;
    void get(TData& d) {
      seen->doIn(d);
      d = reply;
    }
  } widthAnswer{};
  widthAnswer.seen = &offers;
  widthAnswer.reply = makeInteger(5);
  button.inResizeWidth = makeEventPoint<&Answer::get>(0, &widthAnswer);

  button.setBounds(QRect(0, 0, 80, 30));
  ASSERT_EQ(offers.count(), 1u);
  EXPECT_EQ(offers.last().integer, 30);
  EXPECT_EQ(button.bounds().size(), QSize(55, 30));

  widthAnswer.reply = makeString("7");  // not an integer: the proposal stands
  button.setBounds(QRect(0, 0, 90, 30));
  EXPECT_EQ(button.bounds().width(), 90);
  button.setBounds(QRect(10, 10, 90, 30));  // a move alone asks nothing
  EXPECT_EQ(offers.count(), 2u);
}

TEST_F(Controls, FrameLooksFollowFrame3DTheParentAndEdgeStyle) {
  // The window's Frame3D 1 makes a sunken kind start flat; Frame3D 2 keeps that.
  THIEdit flat(&form);
  flat.init();
  EXPECT_EQ(flat.edge(), THIWin::Edge::None);
  // In a window that passes the sunken look on, Frame3D 1 trades it for a line.
  THISimpleForm other;
  other.Frame3D = 2;
  other.init();
  THIEdit lined(&other);
  lined.Frame3D = 1;
  lined.init();
  EXPECT_EQ(lined.edge(), THIWin::Edge::FlatLine);
  THIEdit kept(&other);
  kept.init();
  EXPECT_EQ(kept.edge(), THIWin::Edge::ClientEdge);
  THIEdit sunken(&form);
  sunken.Frame3D = 0;
  sunken.init();
  EXPECT_EQ(sunken.edge(), THIWin::Edge::ClientEdge);
  THIEdit thin(&form);
  thin.Frame3D = 0;
  thin.EdgeStyle = 2;
  thin.init();
  EXPECT_EQ(thin.edge(), THIWin::Edge::StaticEdge);
  THILabel label(&form);
  label.Frame3D = 1;
  label.init();
  EXPECT_EQ(label.edge(), THIWin::Edge::None);
  THIProgressBar bar(&form);
  bar.init();
  EXPECT_EQ(bar.edge(), THIWin::Edge::None);
}

TEST_F(Controls, TooltipsOnlyForAHint) {
  THIButton plain(&form);
  plain.init();
  plain.attachHint();
  EXPECT_TRUE(plain.control()->toolTip().isEmpty());
  THIButton hinted(&form);
  hinted.Hint = cp1251("Записать <прошивку>");
  hinted.init();
  hinted.attachHint();
  EXPECT_TRUE(hinted.control()->toolTip().contains(QString::fromUtf8("Записать")));
  EXPECT_TRUE(hinted.control()->toolTip().contains(QStringLiteral("&lt;")));
}
