// Events from all three threads at once: replies on the serial reader, watchdog ticks on the
// timer thread, graph events on the GUI thread, and the window calls all of them make.
#include "app/hiMultiElementEx_228A260.h"
#include "tests/app/EndToEndSupport.h"

using namespace hi;
using namespace hi::test;

namespace {

// Each tick shows a control from the timer thread, then goes on to the silence count.
struct TickShow : Element {
  EventPoint onPass;
  THIWin* control = nullptr;
  std::atomic<int> count{0};
  void doPass(TData& d) {
    ++count;
    TData shown = makeInteger(1);
    control->doVisible(shown);
    fireEvent(onPass, d);
  }
};

}  // namespace

TEST_F(EndToEnd, RepliesTicksAndWindowCallsInterleaveWithoutDeadlock) {
  // At 57600 baud a block takes the device longer than the program takes to send it, so
  // the line is silent for some milliseconds before every reply.
  startDevice({}, 57600);
  startProgram();
  choosePortAndWaitForIdentification();

  // A 1 ms watchdog that never gives up: in those silences it ticks again and again, each
  // tick a window call from the timer thread, between the replies the reader thread handles.
  auto* upload = scheme->UploadBox->currentGraph<TClassMultiElementEx_228A260>();
  upload->Watchdog->Interval = 1;
  upload->SilenceLimit->Op2 = makeInteger(-1);
  TickShow ticks;
  ticks.control = scheme->CrcLabel;
  ticks.onPass = upload->Watchdog->onTimer;
  upload->Watchdog->onTimer = makeEventPoint<&TickShow::doPass>(0, &ticks);

  // Meanwhile the GUI thread runs graph events of its own, on every pass of its loop.
  std::size_t guiEvents = 0;
  auto guiEvent = [&] {
    EventScope event;
    TData text;
    scheme->CrcEdit->TextOut(text, 0);
    scheme->StatusEdit->doText(text);
    TData shown = makeInteger(1);
    scheme->CrcLabel->doVisible(shown);
    ++guiEvents;
  };

  pressWrite();
  const bool going = waitFor(
      [&] {
        guiEvent();
        return failureShown() || scheme->UploadProgress->position() >= 150;
      },
      kUpload);
  ASSERT_TRUE(going) << "stuck at block " << report().device.replies;

  settle();
  EXPECT_FALSE(failureShown());
  EXPECT_FALSE(report().device.wrongReplyBlock.has_value());
  EXPECT_GT(ticks.count.load(), 10);
  EXPECT_GT(guiEvents, 10u);
  TData close;
  scheme->MainForm->doClose(close);  // mid-upload, with ticks still coming
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(scheme->SerialPort->isOpen());
}
