// The first-shown main window against its layout, the command line, and the close.
#include <gtest/gtest.h>

#include <thread>

#include "app/Uploader.h"
#include "app/hiSimpleForm_221F170.h"
#include "runtime/Cp1251.h"
#include "tests/support/Hands.h"
#include "tests/window/WindowTestSupport.h"
#include "window/SystemDriver.h"
#include "window/hiButton.h"
#include "window/hiComboBox.h"
#include "window/hiEdit.h"
#include "window/hiImage.h"
#include "window/hiLabel.h"
#include "window/hiProgressBar.h"
#include "window/hiSimpleForm.h"

using namespace hi;
using hi::test::hands;

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override { scheme = startUploader(); }
  void TearDown() override {
    scheme.reset();
    disableRuntime();
  }

  // What a label with AutoSize takes for its text.
  static Rect fitted(const THILabel* label, Point at) {
    const Size s = systemDriver().textExtent(hands().text(*label), label->font());
    return Rect{at.x, at.y, s.width + 1, s.height + 1};
  }

  std::unique_ptr<TClassSimpleForm_221F170> scheme;
};

}  // namespace

TEST_F(MainWindow, TheWindowItselfAsFirstShown) {
  EXPECT_EQ(scheme->elementCount(), 46u);  // with the gate on what the port says, and the settle hub
  EXPECT_TRUE(runtimeEnabled());
  EXPECT_TRUE(hands().windowVisible(*scheme->MainForm));
  EXPECT_EQ(scheme->MainForm->clientRect(), (Rect{0, 0, 610, 137}));
  EXPECT_FALSE(scheme->MainForm->Icon.empty());
}

TEST_F(MainWindow, EveryControlAtItsPlaceWithItsTextAndLook) {
  const TClassSimpleForm_221F170& s = *scheme;

  EXPECT_EQ(hands().bounds(*s.WriteButton), (Rect{5, 50, 85, 30}));
  EXPECT_EQ(hands().text(*s.WriteButton), cp1251("Записать"));
  EXPECT_FALSE(hands().enabled(*s.WriteButton));
  EXPECT_TRUE(hands().visible(*s.WriteButton));

  EXPECT_EQ(hands().bounds(*s.StatusEdit), (Rect{110, 10, 320, 25}));
  EXPECT_EQ(hands().text(*s.StatusEdit), cp1251("Выберите порт с подключённым устройством."));
  EXPECT_EQ(s.StatusEdit->edge(), Edge::ClientEdge);

  EXPECT_EQ(hands().bounds(*s.PortBox), (Rect{10, 10, 85, 24}));
  EXPECT_EQ(hands().text(*s.PortBox), "");

  EXPECT_EQ(hands().bounds(*s.UploadProgress), (Rect{5, 90, 600, 30}));
  EXPECT_EQ(s.UploadProgress->position(), 0);
  EXPECT_EQ(s.UploadProgress->edge(), Edge::ClientEdge);

  EXPECT_EQ(hands().text(*s.VersionLabel), cp1251("Версия ПО для обновления:4.2 (KLM7/VLM7)"));
  EXPECT_EQ(hands().bounds(*s.VersionLabel), fitted(s.VersionLabel, Point{110, 55}));

  // Below the client area's lower edge, laid out there all the same.
  const int clientBottom = s.MainForm->clientRect().height;
  EXPECT_EQ(hands().bounds(*s.CrcEdit), (Rect{45, 145, 85, 25}));
  EXPECT_EQ(hands().text(*s.CrcEdit), "FFFF");
  EXPECT_FALSE(hands().visible(*s.CrcEdit));
  EXPECT_EQ(hands().bounds(*s.CrcRxLabel), fitted(s.CrcRxLabel, Point{140, 150}));
  EXPECT_EQ(hands().text(*s.CrcRxLabel), cp1251("CRC принятый:"));
  EXPECT_EQ(hands().bounds(*s.CrcLabel), fitted(s.CrcLabel, Point{10, 150}));
  EXPECT_EQ(hands().text(*s.CrcLabel), "CRC:");
  for (const THIWin* c :
       {static_cast<const THIWin*>(s.CrcEdit), static_cast<const THIWin*>(s.CrcRxLabel),
        static_cast<const THIWin*>(s.CrcLabel)}) {
    EXPECT_GE(hands().bounds(*c).top, clientBottom);
  }

  EXPECT_EQ(hands().bounds(*s.OkButton), (Rect{245, 60, 115, 30}));
  EXPECT_EQ(hands().text(*s.OkButton), "OK");

  EXPECT_EQ(hands().bounds(*s.DoneLabel), (Rect{5, 0, 492, 54}));
  EXPECT_EQ(hands().text(*s.DoneLabel),
            std::string(29, ' ') + cp1251("ПО успешно обновлено!\r\n") + std::string(24, ' ') +
                cp1251("Сбросте настройки по умолчанию!"));

  EXPECT_EQ(hands().bounds(*s.ErrorImage), (Rect{145, 3, 15, 14}));
  EXPECT_EQ(s.ErrorImage->Picture.width, 290);
  EXPECT_EQ(s.ErrorImage->Picture.height, 290);

  EXPECT_EQ(hands().text(*s.ErrorLabel), cp1251("Ошибка при передаче данных!"));
  EXPECT_EQ(hands().text(*s.CheckLabel), cp1251("Проверьте все соединения и попробуйте ещё раз."));
}

TEST_F(MainWindow, HiddenControlsAreHiddenAndTheErrorLinesStackWhenShown) {
  const TClassSimpleForm_221F170& s = *scheme;
  for (const THIWin* c : std::initializer_list<const THIWin*>{
           s.ErrorLabel, s.CheckLabel, s.CrcEdit, s.OkButton, s.DoneLabel, s.ErrorImage}) {
    EXPECT_FALSE(hands().visible(*c));
  }
  for (const THIWin* c : std::initializer_list<const THIWin*>{
           s.WriteButton, s.StatusEdit, s.PortBox, s.UploadProgress, s.VersionLabel, s.CrcRxLabel,
           s.CrcLabel}) {
    EXPECT_TRUE(hands().visible(*c));
  }
  // The failure display shows them in this order, with NULL.
  TData null;
  s.CheckLabel->doVisible(null);
  s.ErrorLabel->doVisible(null);
  s.ErrorImage->doVisible(null);
  const int h = fitted(s.ErrorLabel, Point{}).height;
  EXPECT_EQ(hands().bounds(*s.ErrorLabel), (Rect{0, 0, 610, h}));
  EXPECT_EQ(hands().bounds(*s.CheckLabel), (Rect{0, h, 610, fitted(s.CheckLabel, Point{}).height}));
  EXPECT_TRUE(hands().visible(*s.ErrorImage));
}

TEST_F(MainWindow, AUserCloseEndsTheRunWithTheRuntimeOff) {
  EXPECT_TRUE(hands().closeBox(*scheme->MainForm));
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(runtimeEnabled());
}

TEST_F(MainWindow, TheMessageLoopEndsWhenTheWindowCloses) {
  // Closed from another thread, as the graph would from the reader's: the loop serves it.
  std::thread closer([this] {
    TData d;
    scheme->MainForm->doClose(d);
  });
  runMessageLoop(*scheme);
  closer.join();
  EXPECT_TRUE(scheme->MainForm->closed());
}

TEST(CommandLine, OnlyTheExactInfoSwitchCounts) {
  auto first = [](std::vector<const char*> args) {
    args.insert(args.begin(), "tormisaplex-uploader");
    return firstArgument(static_cast<int>(args.size()), const_cast<char**>(args.data()));
  };
  EXPECT_TRUE(isInfoSwitch(first({"/ih"})));
  EXPECT_TRUE(isInfoSwitch(first({"\"/ih\""})));
  EXPECT_TRUE(isInfoSwitch(first({"/ih", "more"})));
  EXPECT_FALSE(isInfoSwitch(first({"/IH"})));
  EXPECT_FALSE(isInfoSwitch(first({"/ihx"})));
  EXPECT_FALSE(isInfoSwitch(first({"\"\"/ih\"\""})));  // one pair only
  EXPECT_FALSE(isInfoSwitch(first({"x", "/ih"})));     // only the first argument
  EXPECT_FALSE(isInfoSwitch(first({})));
  EXPECT_EQ(first({"\""}), "\"");  // a lone quote is not a pair
  EXPECT_EQ(first({"\"\""}), "");
}
