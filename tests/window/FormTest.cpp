// The main window: its client area, Start with the runtime switch, and the close.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "window/hiButton.h"
#include "window/hiEdit.h"
#include "window/hiLabel.h"

using namespace hi;
using hi::test::hands;
using hi::test::Probe;
using hi::test::Source;

namespace {

// A window built as the program builds its main window, before Start.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disableRuntime();
    hi::test::mainWindowProperties(form);
    form.Caption = "Tormisaplex bootloader";
    form.DragAnywhere = 1;
  }
  void TearDown() override { disableRuntime(); }

  void start() {
    form.init();
    form.Start();
  }

  THISimpleForm form;
};

}  // namespace

TEST_F(FormTest, TheClientAreaIsTheOuterSizeLessTheFrame) {
  form.init();
  EXPECT_EQ(form.clientRect(), (Rect{0, 0, 610, 137}));
  EXPECT_FALSE(hands().windowVisible(form));  // until Start

  // 616 less a sizing frame of 4 on each side leaves 608, of which the drawn client edge
  // takes 2 on each side.
  THISimpleForm sizing;
  hi::test::mainWindowProperties(sizing);
  sizing.BorderStyle = 9;
  sizing.init();
  EXPECT_EQ(sizing.clientRect().width, 604);
}

TEST_F(FormTest, StartRunsOnCreateFirstThenShowsTheWindow) {
  Probe created;
  bool visibleAtCreate = true;
  bool liveAtCreate = false;
  created.action = [&](TData&) {
    visibleAtCreate = hands().windowVisible(form);
    liveAtCreate = runtimeEnabled();
  };
  form.onCreate = created.point();
  // Firing before Start does nothing.
  fireNull(form.onCreate);
  EXPECT_EQ(created.count(), 0u);
  start();
  ASSERT_EQ(created.count(), 1u);
  EXPECT_FALSE(visibleAtCreate);
  EXPECT_TRUE(liveAtCreate);
  EXPECT_TRUE(hands().windowVisible(form));
  EXPECT_EQ(GraphReady, 1);
}

TEST_F(FormTest, KeepOpenRefusesAUserCloseButNotDoClose) {
  Probe closed;
  Source keep;
  keep.value = makeInteger(1);
  form.onClose = closed.point();
  form.inKeepOpen = keep.point();
  start();

  EXPECT_FALSE(hands().closeBox(form));
  EXPECT_EQ(keep.reads, 1);
  EXPECT_EQ(closed.count(), 0u);
  EXPECT_TRUE(runtimeEnabled());
  EXPECT_TRUE(hands().windowVisible(form));

  keep.value = makeString("1");  // only an integer keeps it open
  TData d;
  fireEvent(makeEventPoint<&THISimpleForm::doClose>(0, &form), d);
  EXPECT_EQ(keep.reads, 1);  // doClose does not ask
  EXPECT_EQ(closed.count(), 1u);
  EXPECT_FALSE(runtimeEnabled());
  EXPECT_FALSE(hands().windowVisible(form));
  EXPECT_TRUE(form.closed());
}

TEST_F(FormTest, AUserCloseIsRefusedWhileDisabledThenFiresOnCloseAndStopsTheRuntime) {
  Probe closed;
  bool liveInOnClose = false;
  closed.action = [&](TData&) { liveInOnClose = runtimeEnabled(); };
  form.onClose = closed.point();
  Source keep;
  keep.value = makeInteger(0);
  form.inKeepOpen = keep.point();
  start();

  TData zero = makeInteger(0);
  form.doEnabled(zero);
  EXPECT_FALSE(form.enabled());
  EXPECT_FALSE(hands().closeBox(form));
  EXPECT_EQ(closed.count(), 0u);

  TData one = makeInteger(1);
  form.doEnabled(one);
  EXPECT_TRUE(hands().closeBox(form));
  EXPECT_EQ(closed.count(), 1u);
  EXPECT_TRUE(liveInOnClose);
  EXPECT_FALSE(runtimeEnabled());
}

TEST_F(FormTest, NothingFiresAfterOnClose) {
  form.init();
  THIButton button(&form);
  hi::test::sizeTo(button, 85, 30);
  button.init();
  THILabel label(&form);
  label.init();
  Probe clicks;
  button.onClick = clicks.point();
  // A graph point that still leads somewhere after the close.
  const EventPoint toLabel = makeEventPoint<&THILabel::doVisible>(0, &label);
  form.Start();

  hands().click(button);
  EXPECT_EQ(clicks.count(), 1u);
  TData d;
  form.doClose(d);
  ASSERT_FALSE(runtimeEnabled());

  button.clicked();  // as the toolkit reports a click
  EXPECT_EQ(clicks.count(), 1u);
  fireInteger(toLabel, 0);
  EXPECT_TRUE(hands().visible(label));
  // A second close has nothing more to do.
  form.doClose(d);
  EXPECT_TRUE(form.closed());
}

TEST_F(FormTest, EnterThatNoControlTookPressesAShownEnabledDefaultButton) {
  form.init();
  THIButton plain(&form);
  plain.init();
  THIButton ok(&form);
  ok.DefaultButton = 1;
  ok.init();
  Probe plainClicks, okClicks;
  plain.onClick = plainClicks.point();
  ok.onClick = okClicks.point();
  form.Start();
  EXPECT_TRUE(form.enterUnhandled());
  EXPECT_EQ(okClicks.count(), 1u);
  EXPECT_EQ(plainClicks.count(), 0u);
  TData zero = makeInteger(0);
  ok.doEnabled(zero);
  EXPECT_FALSE(form.enterUnhandled());
  EXPECT_EQ(okClicks.count(), 1u);
}

TEST(FormLifetime, ControlsOutliveTheirWindowSafely) {
  enableRuntime();
  auto form = std::make_unique<THISimpleForm>();
  form->init();
  THIEdit edit(form.get());
  edit.init();
  THILabel label(form.get());
  label.init();
  form.reset();  // takes the controls with it
  EXPECT_EQ(edit.driver(), nullptr);
  EXPECT_EQ(edit.parentWindow(), nullptr);
  TData text = makeString("x");
  edit.doText(text);
  TData out = makeString("unchanged");
  edit.TextOut(out, 0);
  EXPECT_EQ(out.text, "unchanged");
  label.doVisible(text);
  disableRuntime();
}

TEST_F(FormTest, TheFocusStaysOnTheFirstControlOfTheTabChainThatTakesKeys) {
  // As the main window: the port box first, then «Записать» (disabled until a device is
  // known), then «OK» (hidden until the result).
  THIEdit box(&form);
  THIButton write(&form);
  THIButton ok(&form);
  hi::test::place(box, 10, 10, 85, 24);
  hi::test::place(write, 5, 50, 85, 30);
  hi::test::place(ok, 245, 60, 115, 30);
  box.TabOrder = 1;
  write.TabOrder = 2;
  write.Enabled = 0;
  ok.TabOrder = 3;
  ok.Visible = 0;
  form.init();
  box.init();
  write.init();
  ok.init();
  form.enableKeyboardNavigation();
  form.Start();
  EXPECT_TRUE(hands().focused(box));  // at start, with no click

  TData on = makeInteger(1), off = makeInteger(0);
  write.doEnabled(on);
  EXPECT_TRUE(hands().focused(box));  // a control that has it keeps it
  box.doEnabled(off);
  EXPECT_TRUE(hands().focused(write));

  // The result display: the window was disabled meanwhile, the working controls go.
  form.doEnabled(off);
  write.doVisible(off);
  box.doVisible(off);
  form.doEnabled(on);
  ok.doVisible(on);
  EXPECT_TRUE(hands().focused(ok));
}
