// The main window: its frame and geometry, Start with the runtime switch, and the close.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "window/hiButton.h"
#include "window/hiEdit.h"
#include "window/hiLabel.h"

using namespace hi;
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

bool userClose(QWidget* w) {
  QCloseEvent e;
  QApplication::sendEvent(w, &e);
  return e.isAccepted();
}

}  // namespace

TEST_F(FormTest, OuterSizeIsTheFramedSizeAtItsPlace) {
  form.init();
  QWidget* w = form.window();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Tormisaplex bootloader"));
  EXPECT_EQ(w->size(), QSize(610, 137));
  EXPECT_EQ(form.clientArea()->geometry(), QRect(0, 0, 610, 137));
  EXPECT_EQ(w->pos(), QPoint(200, 200));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // fixed size
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
  EXPECT_TRUE(w->isHidden());  // until Start
}

TEST_F(FormTest, ResizableStylesAndClientEdge) {
  form.BorderStyle = 9;
  form.init();
  EXPECT_LT(form.window()->minimumWidth(), form.window()->maximumWidth());
  // 616 less a sizing frame of 4 on each side gives the window 608 wide, of which the
  // drawn client edge takes 2 on each side.
  EXPECT_EQ(form.window()->width(), 608);
  EXPECT_EQ(form.clientArea()->geometry(), QRect(2, 2, 604, form.window()->height() - 4));
}

TEST_F(FormTest, StartRunsOnCreateFirstThenShowsTheWindow) {
  Probe created;
  bool visibleAtCreate = true;
  bool liveAtCreate = false;
  created.action = [&](TData&) {
    visibleAtCreate = form.window()->isVisible();
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
  EXPECT_TRUE(form.window()->isVisible());
  EXPECT_EQ(GraphReady, 1);
}

TEST_F(FormTest, KeepOpenRefusesAUserCloseButNotDoClose) {
  Probe closed;
  Source keep;
  keep.value = makeInteger(1);
  form.onClose = closed.point();
  form.inKeepOpen = keep.point();
  start();

  EXPECT_FALSE(userClose(form.window()));
  EXPECT_EQ(keep.reads, 1);
  EXPECT_EQ(closed.count(), 0u);
  EXPECT_TRUE(runtimeEnabled());
  EXPECT_TRUE(form.window()->isVisible());

  keep.value = makeString("1");  // only an integer keeps it open
  TData d;
  fireEvent(makeEventPoint<&THISimpleForm::doClose>(0, &form), d);
  EXPECT_EQ(keep.reads, 1);  // doClose does not ask
  EXPECT_EQ(closed.count(), 1u);
  EXPECT_FALSE(runtimeEnabled());
  EXPECT_FALSE(form.window()->isVisible());
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
  EXPECT_FALSE(form.window()->isEnabled());
  EXPECT_FALSE(userClose(form.window()));
  EXPECT_EQ(closed.count(), 0u);

  TData one = makeInteger(1);
  form.doEnabled(one);
  EXPECT_TRUE(userClose(form.window()));
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

  button.button()->click();
  EXPECT_EQ(clicks.count(), 1u);
  TData d;
  form.doClose(d);
  ASSERT_FALSE(runtimeEnabled());

  button.button()->click();
  EXPECT_EQ(clicks.count(), 1u);
  fireInteger(toLabel, 0);
  EXPECT_FALSE(label.control()->isHidden());
  // A second close has nothing more to do.
  form.doClose(d);
  EXPECT_TRUE(form.closed());
}

TEST_F(FormTest, EnterPressesTheDefaultButtonAndTabNeedsNavigation) {
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
  QApplication::setActiveWindow(form.window());

  first.lineEdit()->setFocus();
  QTest::keyClick(first.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(clicks.count(), 1u);

  QTest::keyClick(first.lineEdit(), Qt::Key_Tab);
  EXPECT_TRUE(first.lineEdit()->hasFocus());  // navigation is still off
  form.enableKeyboardNavigation();
  last.lineEdit()->setFocus();
  QTest::keyClick(last.lineEdit(), Qt::Key_Tab);
  EXPECT_TRUE(first.lineEdit()->hasFocus());
  QTest::keyClick(first.lineEdit(), Qt::Key_Tab);
  EXPECT_TRUE(ok.button()->hasFocus());
  QTest::keyClick(ok.button(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(first.lineEdit()->hasFocus());
}

TEST(FormLifetime, ControlsOutliveTheirWindowSafely) {
  enableRuntime();
  auto form = std::make_unique<THISimpleForm>();
  form->init();
  THIEdit edit(form.get());
  edit.init();
  THILabel label(form.get());
  label.init();
  form.reset();  // takes the controls' widgets with it
  EXPECT_EQ(edit.control(), nullptr);
  EXPECT_EQ(edit.parentWindow(), nullptr);
  TData text = makeString("x");
  edit.doText(text);
  TData out = makeString("unchanged");
  edit.TextOut(out, 0);
  EXPECT_EQ(out.text, "unchanged");
  label.doVisible(text);
  disableRuntime();
}
