// What the headless realisation keeps and does: pictures, tooltips, the Tab chain, the open
// list, and a message loop that serves other threads' window calls.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/Cp1251.h"
#include "runtime/EventGate.h"
#include "tests/window/WindowTestSupport.h"
#include "window/Pictures.h"
#include "window/SystemDriver.h"
#include "window/headless/Headless.h"
#include "window/KeyCodes.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"

using namespace hi;
using namespace hi::test;

using Headless = WindowTest;

TEST_F(Headless, TheErrorMarkIsDecodedAndFillsItsControl) {
  THIImage image(&form);
  place(image, 145, 3, 15, 14);
  image.setPicture(bitmapResource("BITMAP0"));
  ASSERT_EQ(image.Picture.width, 290);
  ASSERT_EQ(image.Picture.height, 290);
  image.init();
  const Picture shot = headless::as<headless::PictureBox>(image.driver())->render();
  ASSERT_EQ(shot.width, 15);
  EXPECT_GT((shot.pixel(7, 7) >> 16) & 0xFF, 150u);  // red: the mark, not the background
  EXPECT_EQ(iconResource("ASMA").images.size(), 3u);

  THIImage empty(&form);
  sizeTo(empty, 10, 10);
  empty.Color = 0x00FF00;
  empty.init();
  EXPECT_EQ(headless::as<headless::PictureBox>(empty.driver())->render().pixel(5, 5),
            0xFF00FF00u);
}

TEST_F(Headless, TooltipsOnlyForAHintAndTheTabChainInItsOrder) {
  THIButton plain(&form);
  plain.init();
  plain.attachHint();
  THIEdit hinted(&form);
  hinted.Hint = cp1251("Записать");
  hinted.TabOrder = 2;
  hinted.init();
  hinted.attachHint();
  THIEdit first(&form);
  first.TabOrder = 1;
  first.init();
  EXPECT_TRUE(headless::control(plain.driver())->hint.empty());
  EXPECT_EQ(headless::control(hinted.driver())->hint, cp1251("Записать"));

  form.enableKeyboardNavigation();
  const headless::Window* w = headless::window(form.driver());
  ASSERT_EQ(w->tabChain.size(), 3u);
  EXPECT_EQ(w->tabChain[0], first.driver());
  EXPECT_EQ(w->tabChain[1], hinted.driver());
  EXPECT_EQ(w->tabChain[2], plain.driver());
}

TEST(HeadlessLoop, ServesOtherThreadsCallsUntilTheWindowCloses) {
  THISimpleForm form;
  mainWindowProperties(form);
  form.init();
  THIEdit edit(&form);
  edit.init();
  form.Start();
  std::atomic<bool> done{false};
  std::thread reader([&] {
    EventScope event;
    TData text = makeString("1F2E");
    edit.doText(text);  // carried to the home thread, which runs the loop
    TData none;
    form.doClose(none);
    done = true;
  });
  systemDriver().runMessageLoop();
  reader.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(headless::as<headless::Edit>(edit.driver())->value, "1F2E");
  EXPECT_TRUE(form.closed());
  disableRuntime();
}

TEST_F(Headless, EnterOnTheOpenListPicksTheItemUnderTheKeys) {
  THIComboBox combo(&form);
  combo.ReportText = 1;
  Probe picks;
  combo.onChange = picks.point();
  combo.init();
  for (const char* name : {"COM1", "COM2"}) {
    TData d = makeString(name);
    combo.doAdd(d);
  }
  auto* box = headless::as<headless::Combo>(combo.driver());
  ASSERT_TRUE(box->open());
  box->key(VkDown);
  box->key(VkDown);
  EXPECT_EQ(picks.count(), 0u);
  box->key(VkReturn);
  ASSERT_EQ(picks.count(), 1u);
  EXPECT_EQ(picks.last().text, "COM2");
  EXPECT_FALSE(box->dropped);
}
