// Events from all three threads at once: replies on the serial reader, watchdog ticks on the
// timer thread, graph events on the GUI thread, and the window calls all of them make.
#include "app/hiMultiElementEx_228A260.h"
#include "tests/app/EndToEndSupport.h"

using namespace hi;
using namespace hi::test;

namespace {

// Counts the events that pass through it on their way to where they were going.
struct Tap : Element {
  EventPoint onPass;
  std::atomic<int> count{0};
  void doPass(TData& d) {
    ++count;
    fireEvent(onPass, d);
  }
};

}  // namespace

TEST_F(EndToEnd, RepliesTicksAndWindowCallsInterleaveWithoutDeadlock) {
  // At 57600 baud a block takes the device longer than the program takes to send it, so
  // the line is silent for some milliseconds before every reply.
  devsim::DeviceOptions options;
  options.faults.earlyFzAt = 150;
  startDevice(options, 57600);
  startProgram();
  choosePortAndWaitForIdentification();

  // A 1 ms watchdog: in those silences the failure (hiding and showing controls from the
  // timer thread) fires again and again between the replies the reader thread handles.
  auto* upload = static_cast<TClassMultiElementEx_228A260*>(scheme->UploadBox->current->innerGraph);
  upload->Watchdog->Interval = 1;
  Tap failures;
  failures.onPass = scheme->UploadBox->onEvent[3];
  scheme->UploadBox->onEvent[3] = makeEventPoint<&Tap::doPass>(0, &failures);

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
  // A failure does not stop the upload: every later matching reply goes on.
  const bool finished = waitFor(
      [&] {
        guiEvent();
        const devsim::Report r = report();
        return r.device.pusk && shown(scheme->DoneLabel);
      },
      kLong);
  ASSERT_TRUE(finished) << "stuck at block " << report().device.replies;

  const devsim::Report r = report();
  EXPECT_EQ(r.device.imageBytes, 151 * 256u);
  EXPECT_FALSE(r.device.wrongReplyBlock.has_value());
  EXPECT_GT(failures.count.load(), 10);
  EXPECT_TRUE(failureShown());  // the failures were shown, the success text too
  EXPECT_GT(guiEvents, 10u);
  pressOk();
  EXPECT_TRUE(scheme->MainForm->closed());
}
