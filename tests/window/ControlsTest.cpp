// The controls in a main window: visibility, docking and sizing, clicks, the edit's change
// reports and Enter, the combo box's items and picks, the bar, keys and mouse.
#include <gtest/gtest.h>

#include <thread>

#include "WindowTestSupport.h"
#include "runtime/Cp1251.h"
#include "window/Docking.h"
#include "window/KeyCodes.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"

using namespace hi;
using hi::test::hands;
using hi::test::place;
using hi::test::Probe;
using hi::test::sizeTo;
using hi::test::Source;
using hi::test::WindowTest;

namespace {

TFontRec sans(std::uint8_t size, std::uint8_t style = 0) {
  return makeFontRec("MS Sans Serif", size, style, 0, 1);
}

// The size a label with AutoSize takes for a text, in its font.
Size fitted(const THILabel& label, const std::string& text) {
  const Size s = systemDriver().textExtent(text, label.font());
  return Size{s.width + 1, s.height + 1};
}

}  // namespace

using Controls = WindowTest;

TEST_F(Controls, OnlyIntegerZeroHidesOrDisables) {
  THIButton button(&form);
  sizeTo(button, 85, 30);
  button.init();

  TData zero = makeInteger(0);
  button.doVisible(zero);
  EXPECT_FALSE(hands().visible(button));
  TData textZero = makeString("0");
  button.doVisible(textZero);
  EXPECT_TRUE(hands().visible(button));
  button.doVisible(zero);
  TData null;
  button.doVisible(null);
  EXPECT_TRUE(hands().visible(button));

  button.doEnabled(zero);
  EXPECT_FALSE(hands().enabled(button));
  button.doEnabled(textZero);
  EXPECT_TRUE(hands().enabled(button));
  button.doEnabled(zero);
  button.doEnabled(null);
  EXPECT_TRUE(hands().enabled(button));
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
  EXPECT_EQ(hands().bounds(label), (Rect{0, 0, 610, fitted(label, label.Caption).height}));
  EXPECT_EQ(hands().text(label), label.Caption);
}

TEST_F(Controls, AutoSizeLabelWithoutDockingTakesTheTextSizePlusOne) {
  THILabel label(&form);
  place(label, 110, 55, 272, 20);
  label.Font = sans(8);
  label.setAutoSize(1);
  label.Caption = "CRC:";
  label.init();
  const Size size = fitted(label, "CRC:");
  EXPECT_EQ(hands().bounds(label), (Rect{110, 55, size.width, size.height}));

  THILabel empty(&form);
  sizeTo(empty, 50, 50);
  empty.setAutoSize(1);
  empty.init();
  EXPECT_EQ(hands().bounds(empty).size(), (Size{1, 1}));
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
  const int h = fitted(first, first.Caption).height;

  // Shown in the order the failure display shows them: the second first.
  TData one = makeInteger(1);
  second.doVisible(one);
  EXPECT_EQ(hands().bounds(second), (Rect{0, 0, 610, h}));
  first.doVisible(one);
  EXPECT_EQ(hands().bounds(first), (Rect{0, 0, 610, h}));
  EXPECT_EQ(hands().bounds(second), (Rect{0, h, 610, h}));

  TData zero = makeInteger(0);
  first.doVisible(zero);
  EXPECT_EQ(hands().bounds(second).top, 0);
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
  hands().click(label);
  ASSERT_EQ(click.count(), 1u);
  EXPECT_EQ(down.count(), 1u);
  EXPECT_GE(enter.count(), 1u);
  EXPECT_EQ(hands().textColour(label), 0x0000FFu);
  EXPECT_TRUE(hands().underlined(label));
  hands().hover(label, false);
  EXPECT_EQ(hands().textColour(label), 0u);
  EXPECT_FALSE(hands().underlined(label));
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
  hands().click(button);
  hands().click(button);
  ASSERT_EQ(probe.count(), 2u);
  EXPECT_EQ(probe.chains[0][0].integer, 5);
  EXPECT_EQ(probe.chains[1][0].integer, 5);
  EXPECT_EQ(button.Data.integer, 5);
  EXPECT_EQ(hands().text(button), cp1251("Записать"));

  // A disabled button takes no click.
  TData zero = makeInteger(0);
  button.doEnabled(zero);
  hands().click(button);
  EXPECT_EQ(probe.count(), 2u);
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
  void type(const char* keys) { hands().type(edit, keys); }
  void enter() { hands().key(edit, VkReturn); }

  THIEdit edit{&form};
  Probe changes;
};

TEST_F(EditTest, InitialTextIsNotReportedTheFirstKeystrokeIs) {
  EXPECT_EQ(changes.count(), 0u);
  EXPECT_EQ(hands().text(edit), "FFFF");
  edit.edit()->setCaret(4);
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
  EXPECT_EQ(hands().text(edit), "");
  EXPECT_EQ(changes.count(), 0u);
  EXPECT_EQ(keys.count(), 0u);  // consumed: no key down, and its character swallowed
  type("7");                    // re-armed
  ASSERT_EQ(changes.count(), 1u);
  EXPECT_EQ(changes.last().text, "7");

  // An empty field emptied again still re-arms the reports.
  edit.edit()->setText("");
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
  EXPECT_EQ(hands().text(edit), "1234");
  ASSERT_EQ(changes.count(), 1u);
  EXPECT_EQ(changes.last().text, "1234");
}

TEST_F(EditTest, EnterIsAnOrdinaryKeyWhileOnEnterIsNotConnected) {
  Probe keys;
  edit.onKeyDown = keys.point();
  enter();
  ASSERT_EQ(keys.count(), 1u);
  EXPECT_EQ(keys.last().integer, 13);
  EXPECT_EQ(hands().text(edit), "FFFF");
}

TEST_F(EditTest, DoTextReadsTextInKeepsTheCaretAndReportsEveryReplacement) {
  edit.edit()->setCaret(2);
  TData v = makeString("ABCDEF");
  edit.doText(v);
  EXPECT_EQ(edit.edit()->caret(), 2);
  EXPECT_EQ(changes.count(), 1u);
  TData same = makeString("ABCDEF");
  edit.doText(same);
  EXPECT_EQ(changes.count(), 2u);

  Source source;
  source.value = makeString(cp1251("Выберите порт"));
  edit.inTextIn = source.point();
  TData ignored = makeString("x");
  edit.doText(ignored);
  EXPECT_EQ(hands().text(edit), cp1251("Выберите порт"));
  TData out;
  edit.TextOut(out, 0);
  EXPECT_EQ(out.type, dtString);
  EXPECT_EQ(out.text, cp1251("Выберите порт"));

  edit.inTextIn = EventPoint{};
  TData null;
  edit.doText(null);
  EXPECT_EQ(hands().text(edit), "");
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
  std::string item(int i) const { return combo.combo()->itemText(i); }
  std::vector<std::string> items() const {
    std::vector<std::string> all;
    for (int i = 0; i < combo.combo()->count(); ++i) all.push_back(item(i));
    return all;
  }
  void setItems(const std::string& lines) {
    TData d = makeString(lines);
    fireEvent(makeEventPoint<&THIComboBox::doSetItems>(0, &combo), d);
  }

  THIComboBox combo{&form};
  Probe picks;
  Probe listChanged;
};

TEST_F(ComboTest, AddedItemsKeepArrivalOrderOrSortAndSelectOnlyWhenAsked) {
  for (const char* name : {"COM3", "COM1", "COM2"}) add(makeString(name));
  ASSERT_EQ(combo.combo()->count(), 3);
  EXPECT_EQ(item(0), "COM3");
  EXPECT_EQ(item(2), "COM2");
  EXPECT_EQ(combo.combo()->current(), -1);
  EXPECT_EQ(hands().text(combo), "");
  EXPECT_EQ(listChanged.count(), 3u);

  fireNull(makeEventPoint<&THIComboBox::doClear>(0, &combo));
  EXPECT_EQ(combo.combo()->count(), 0);
  EXPECT_EQ(listChanged.count(), 4u);

  combo.Sorted = 1;
  combo.SelectAdded = 1;
  for (const char* name : {"COM3", "com1", "COM2"}) add(makeString(name));
  EXPECT_EQ(item(0), "com1");
  EXPECT_EQ(item(1), "COM2");
  EXPECT_EQ(item(2), "COM3");
  EXPECT_EQ(combo.combo()->current(), 1);  // the last added
  EXPECT_EQ(picks.count(), 0u);
}

TEST_F(ComboTest, PickingAnItemFiresItsTextChainedWithItsData) {
  add(makeString("COM3"));
  TData chained = makeString("COM5");
  chained.next = new TData(makeInteger(7));
  add(chained);

  hands().pick(combo, 0);
  ASSERT_EQ(picks.count(), 1u);
  ASSERT_EQ(picks.chains[0].size(), 2u);
  EXPECT_EQ(picks.chains[0][0].type, dtString);
  EXPECT_EQ(picks.chains[0][0].text, "COM3");
  EXPECT_EQ(picks.chains[0][1].type, dtInteger);
  EXPECT_EQ(picks.chains[0][1].integer, 0);

  hands().pick(combo, 1);
  ASSERT_EQ(picks.count(), 2u);
  EXPECT_EQ(picks.chains[1][0].text, "COM5");
  EXPECT_EQ(picks.chains[1][1].integer, 7);
  EXPECT_EQ(hands().text(combo), "COM5");

  // The same item again is a choice again.
  combo.ReportText = 0;
  hands().pick(combo, 1);
  ASSERT_EQ(picks.count(), 3u);
  EXPECT_EQ(picks.chains[2][0].type, dtInteger);
  EXPECT_EQ(picks.chains[2][0].integer, 1);
}

TEST_F(ComboTest, TypingIntoTheFieldFiresNothing) {
  add(makeString("COM3"));
  hands().type(combo, "COM");
  EXPECT_EQ(hands().text(combo), "COM");
  EXPECT_EQ(picks.count(), 0u);
  EXPECT_EQ(combo.combo()->count(), 1);
}

TEST_F(ComboTest, NewItemsComeInListOrderGoneOnesGoAndTheChoiceStaysWhileListed) {
  add(makeString("COM1"));
  TData chained = makeString("COM3");
  chained.next = new TData(makeInteger(7));
  add(chained);
  add(makeString("COM5"));
  hands().pick(combo, 1);
  const std::size_t changes = listChanged.count();

  setItems("COM1\r\nCOM2\r\nCOM3\r\nCOM4");
  EXPECT_EQ(items(), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
  EXPECT_EQ(combo.combo()->current(), 2);
  EXPECT_EQ(hands().text(combo), "COM3");
  EXPECT_EQ(combo.combo()->itemData(2), 7);
  EXPECT_EQ(listChanged.count(), changes + 1);

  setItems("COM2\r\nCOM4");  // the chosen port went
  EXPECT_EQ(items(), (std::vector<std::string>{"COM2", "COM4"}));
  EXPECT_EQ(combo.combo()->current(), -1);
  EXPECT_EQ(hands().text(combo), "");
  hands().type(combo, "COM9");  // typed, not chosen: it stays
  setItems("COM4");
  EXPECT_EQ(hands().text(combo), "COM9");
  EXPECT_EQ(picks.count(), 1u);  // only the pick

  combo.Sorted = 1;
  setItems("b\r\nA\r\nc");
  EXPECT_EQ(items(), (std::vector<std::string>{"A", "b", "c"}));
  setItems("");
  EXPECT_EQ(combo.combo()->count(), 0);
}

TEST_F(ComboTest, OpeningTheListAsksForItsItemsFirstALockedBoxDoesNotAsk) {
  add(makeString("COM1"));
  Probe drops;
  drops.action = [&](TData&) { setItems("COM1\r\nCOM7"); };
  combo.onDropDown = drops.point();

  hands().openList(combo);
  EXPECT_EQ(drops.count(), 1u);
  hands().pick(combo, 1);  // from the list as it opened
  ASSERT_EQ(picks.count(), 1u);
  EXPECT_EQ(picks.last().text, "COM7");

  TData zero = makeInteger(0);
  combo.doEnabled(zero);
  hands().openList(combo);
  EXPECT_EQ(drops.count(), 1u);
}

TEST_F(Controls, ComboStringsAreLoadedAtCreation) {
  THIComboBox combo(&form);
  combo.Strings = "a\r\nb";
  combo.Text = "typed";
  combo.Editable = 1;
  combo.init();
  EXPECT_EQ(combo.combo()->count(), 2);
  EXPECT_EQ(hands().text(combo), "typed");

  THIComboBox list(&form);
  list.Strings = "a\r\nb\r\nb";
  list.Text = "b";
  list.init();
  EXPECT_EQ(list.combo()->current(), 1);  // the first item of that text
}

TEST_F(Controls, ProgressPositionsOutsideTheRangeShowAsTheNearerEnd) {
  THIProgressBar bar(&form);
  sizeTo(bar, 600, 30);
  bar.Max = 1015;
  bar.init();
  TData big = makeInteger(2000);
  bar.doPosition(big);
  EXPECT_EQ(bar.position(), 2000);
  EXPECT_EQ(bar.filledLength(596), 596);
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

TEST_F(Controls, PictureAutoSizeOnlyWithAPicture) {
  THIImage image(&form);
  sizeTo(image, 10, 10);
  image.AutoSize = 1;
  image.init();
  EXPECT_EQ(hands().bounds(image).size(), (Size{10, 10}));

  THIImage sized(&form);
  sized.AutoSize = 1;
  Picture p;
  p.width = 30;
  p.height = 20;
  p.pixels.assign(600, 0xFF000000u);
  sized.setPicture(p);
  sized.setPicture(Picture{});  // an empty picture changes nothing
  sized.init();
  EXPECT_EQ(hands().bounds(sized).size(), (Size{30, 20}));
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

  hands().press(button, 0, Point{3, 3});
  hands().move(button, MkLButton, Point{5, 6});
  EXPECT_EQ(button.mouseRecord().x, 5);
  EXPECT_EQ(button.mouseRecord().y, 6);
  hands().release(button, 0, Point{3, 3});
  hands().move(button, 0, Point{3, 3});
  hands().press(button, 1, Point{3, 3});
  hands().move(button, MkRButton, Point{3, 3});
  ASSERT_EQ(moves.count(), 3u);
  EXPECT_EQ(moves.chains[0][0].integer, 0);
  EXPECT_EQ(moves.chains[1][0].integer, -1);
  EXPECT_EQ(moves.chains[2][0].integer, 1);
  ASSERT_EQ(down.count(), 2u);
  EXPECT_EQ(down.chains[1][0].integer, 1);
  EXPECT_EQ(up.last().integer, 0);
  hands().release(button, 1, Point{3, 3});

  hands().wheel(button, -120);  // towards the user
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
  hands().type(edit, "a");
  ASSERT_EQ(downs.count(), 1u);
  EXPECT_EQ(downs.last().integer, 65);
  ASSERT_EQ(presses.count(), 1u);
  EXPECT_EQ(presses.last().text, "a");
  EXPECT_EQ(ups.last().integer, 65);
  EXPECT_EQ(hands().text(edit), "a");

  downs.action = [](TData& d) { makeInteger(d, 0); };
  hands().type(edit, "b");
  EXPECT_EQ(downs.count(), 2u);
  EXPECT_EQ(presses.count(), 1u);
  EXPECT_EQ(hands().text(edit), "a");  // the key went nowhere
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

  button.setBounds(Rect{0, 0, 80, 30});
  ASSERT_EQ(offers.count(), 1u);
  EXPECT_EQ(offers.last().integer, 30);
  EXPECT_EQ(hands().bounds(button).size(), (Size{55, 30}));

  widthAnswer.reply = makeString("7");  // not an integer: the proposal stands
  button.setBounds(Rect{0, 0, 90, 30});
  EXPECT_EQ(hands().bounds(button).width, 90);
  button.setBounds(Rect{10, 10, 90, 30});  // a move alone asks nothing
  EXPECT_EQ(offers.count(), 2u);
}

TEST_F(Controls, FrameLooksFollowFrame3DTheParentAndEdgeStyle) {
  // The window's Frame3D 1 makes a sunken kind start flat; Frame3D 2 keeps that.
  THIEdit flat(&form);
  flat.init();
  EXPECT_EQ(flat.edge(), Edge::None);
  // In a window that passes the sunken look on, Frame3D 1 trades it for a line.
  THISimpleForm other;
  other.Frame3D = 2;
  other.init();
  THIEdit lined(&other);
  lined.Frame3D = 1;
  lined.init();
  EXPECT_EQ(lined.edge(), Edge::FlatLine);
  THIEdit kept(&other);
  kept.init();
  EXPECT_EQ(kept.edge(), Edge::ClientEdge);
  THIEdit sunken(&form);
  sunken.Frame3D = 0;
  sunken.init();
  EXPECT_EQ(sunken.edge(), Edge::ClientEdge);
  THIEdit thin(&form);
  thin.Frame3D = 0;
  thin.EdgeStyle = 2;
  thin.init();
  EXPECT_EQ(thin.edge(), Edge::StaticEdge);
  THILabel label(&form);
  label.Frame3D = 1;
  label.init();
  EXPECT_EQ(label.edge(), Edge::None);
  THIProgressBar bar(&form);
  bar.init();
  EXPECT_EQ(bar.edge(), Edge::None);
}

TEST_F(ComboTest, OnTheClosedBoxTheWheelAndArrowsOnlyBrowseAndEnterChooses) {
  for (const char* name : {"COM1", "COM2", "COM3"}) add(makeString(name));
  hands().pick(combo, 0);
  ASSERT_EQ(picks.count(), 1u);

  hands().wheel(combo, -120);  // towards the user: the next item
  EXPECT_EQ(hands().text(combo), "COM2");
  hands().key(combo, VkDown);
  EXPECT_EQ(hands().text(combo), "COM3");
  hands().key(combo, VkUp);
  EXPECT_EQ(hands().text(combo), "COM2");
  EXPECT_EQ(picks.count(), 1u);  // nothing chosen yet

  hands().key(combo, VkReturn);
  ASSERT_EQ(picks.count(), 2u);
  EXPECT_EQ(picks.last().text, "COM2");

  // A typed name is chosen only when an item has exactly that text.
  hands().type(combo, "X");
  hands().key(combo, VkReturn);
  EXPECT_EQ(picks.count(), 2u);
}

TEST_F(Controls, ADisabledWindowTakesNoInputAndItsControlsKeepTheirLook) {
  THIButton button(&form);
  sizeTo(button, 85, 30);
  button.init();
  THIEdit edit(&form);
  sizeTo(edit, 85, 25);
  edit.init();
  Probe clicks;
  button.onClick = clicks.point();
  TData zero = makeInteger(0);
  form.doEnabled(zero);
  hands().click(button);
  hands().type(edit, "x");
  EXPECT_EQ(clicks.count(), 0u);
  EXPECT_EQ(hands().text(edit), "");
  EXPECT_FALSE(hands().windowEnabled(form));
  EXPECT_TRUE(hands().enabled(button));  // not greyed: only a control disabled itself is
  EXPECT_TRUE(hands().enabled(edit));

  TData one = makeInteger(1);
  form.doEnabled(one);
  hands().click(button);
  EXPECT_EQ(clicks.count(), 1u);
}
