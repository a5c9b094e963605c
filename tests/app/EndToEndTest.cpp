// The whole program against a simulated device: the way through, and every way out.
#include "app/hiMultiElementEx_228A260.h"
#include "tests/app/EndToEndSupport.h"

using namespace hi;
using namespace hi::test;

namespace {

const char* const kChoose = "Выберите порт с подключённым устройством.";
const char* const kNoDevice = "На этом порту устройств не найдено.";

// A device that answers "VERS" with exactly this text.
devsim::DeviceOptions answering(const std::string& text) {
  devsim::DeviceOptions options;
  options.answer = text;
  return options;
}

}  // namespace

TEST_F(EndToEnd, AWholeUploadFromThePortChoiceToOk) {
  startDevice();
  startProgram(1000);
  ASSERT_GE(listed("COM1"), 0);
  EXPECT_FALSE(writeEnabled());

  choosePort("COM1");
  ASSERT_TRUE(waitFor([&] { return identified(); }, kLong));
  EXPECT_EQ(report().device.versQueries, 1u);
  EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));

  pressWrite();
  EXPECT_FALSE(windowEnabled());  // no input, not even a close, until the end

  // The window takes its calls while the reader thread runs the upload...
  ASSERT_TRUE(waitFor([&] { return scheme->UploadProgress->position() >= 100; }, kLong));
  // ...and while it waits for the device to settle after "PUSK", when it may be closed.
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.pusk; }, kUpload));
  EXPECT_FALSE(successShown());
  EXPECT_TRUE(windowEnabled());

  ASSERT_TRUE(waitFor([&] { return successShown(); }, kLong));

  const devsim::Report r = report();
  const std::string image = embeddedImage();
  EXPECT_TRUE(r.device.pusk);
  EXPECT_EQ(r.device.imageBytes, image.size());
  EXPECT_FALSE(r.device.wrongReplyBlock.has_value());
  const std::vector<std::uint8_t> deviceImage = device->image();
  EXPECT_TRUE(std::string(deviceImage.begin(), deviceImage.end()) == image);
  EXPECT_EQ(scheme->UploadProgress->position(), 1015);
  EXPECT_EQ(crcText(), hex4(r.device.crc));
  expectFinalState(true);

  pressOk();
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(scheme->SerialPort->isOpen());
  EXPECT_TRUE(device->waitFinished(10s));
  EXPECT_EQ(device->exitCode(), 0) << report().summary;
  EXPECT_FALSE(runtimeEnabled());
}

TEST_F(EndToEnd, APortGoneFromTheMapAfterTheListingSaysSo) {
  startDevice();
  startProgram();
  ASSERT_GE(listed("COM1"), 0);
  // Taken out of the map while the list is open, before the choice.
  pickFromOpenList("COM1",
                   [&] { ASSERT_EQ(std::remove((device->portsDir() + "/COM1").c_str()), 0); });
  EXPECT_EQ(status(), utf8("COM1: такого порта нет в системе."));
  EXPECT_FALSE(scheme->SerialPort->isOpen());
  EXPECT_TRUE(portListEnabled());
}

TEST_F(EndToEnd, NoAnswerShowsNoDeviceAndALateAnswerStillIdentifies) {
  devsim::DeviceOptions late;
  late.answerDelay = 3s;  // a device that takes its time to wake up
  startDevice(late);
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitFor([&] { return status() == utf8(kNoDevice); }, kLong));
  EXPECT_EQ(report().device.answers, 1u);  // the answer is still on its way
  EXPECT_TRUE(portListEnabled());
  ASSERT_TRUE(waitFor([&] { return identified(); }, kLong));
  EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));
}

TEST_F(EndToEnd, ChoosingThePortAgainAsksAgain) {
  devsim::DeviceOptions silent;
  silent.faults.noAnswer = true;
  startDevice(silent);
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.versQueries > 0; }));
  EXPECT_EQ(status(), utf8(kChoose));
  // Choosing again, the same port too, closes the open port, opens it and asks again.
  choosePort("COM1");
  EXPECT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.versQueries > 1; }));
  EXPECT_TRUE(scheme->SerialPort->isOpen());
  EXPECT_FALSE(writeEnabled());
}

TEST_F(EndToEnd, AnswersThatDoNotIdentifyTheDevice) {
  for (bool withBlank : {true, false}) {
    SCOPED_TRACE(withBlank ? "wrong identity" : "identity alone");
    devsim::DeviceOptions wrongWord;
    wrongWord.faults.wrongIdentity = true;
    startDevice(withBlank ? wrongWord : answering("TORMISAPLEX"));
    startProgram();
    choosePort("COM1");
    ASSERT_TRUE(waitFor([&] { return status() == utf8(kNoDevice); }, kLong));
    EXPECT_TRUE(portListEnabled());
    EXPECT_FALSE(writeEnabled());
    TearDown();
  }
}

TEST_F(EndToEnd, WholeUploadsWithEveryAnswerAndReplyInPieces) {
  struct Case {
    std::size_t piece;
    std::chrono::microseconds gap;
  };
  // Byte by byte, and in the pieces an adapter at its default latency timer hands over.
  for (const Case& c : {Case{1, 1000us}, Case{3, 16000us}}) {
    SCOPED_TRACE(c.piece);
    devsim::DeviceOptions pieces;
    pieces.pieceSize = c.piece;
    pieces.pieceGap = c.gap;
    startUpload(pieces);
    EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));
    ASSERT_TRUE(waitFor([&] { return successShown() || failureShown(); }, kUpload));
    expectFinalState(true);
    EXPECT_GT(received.count(), 1016u);  // replies really came in pieces
    pressOk();
    ASSERT_TRUE(device->waitFinished(kLong));
    EXPECT_EQ(device->exitCode(), 0) << report().summary;
    TearDown();
  }
}

TEST_F(EndToEnd, AnAnswerInTwoPartsIdentifiesAndLaterStrayBytesAreDropped) {
  devsim::DeviceOptions options = answering("TORMISAPLEX 10 4.2 and some more text");
  options.faults.splitAnswer = true;  // split in the middle, 50 ms apart
  options.faults.strayBytes = true;   // "\r\n" 300 ms after the answer
  startDevice(options);
  startProgram();
  choosePortAndWaitForIdentification();
  EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));
  ASSERT_TRUE(waitForReceived("\r\n"));
  settle();
  EXPECT_FALSE(failureShown());
  EXPECT_TRUE(identified());

  pressWrite();
  ASSERT_TRUE(waitFor([&] { return scheme->UploadProgress->position() >= 2; }, kLong));
  EXPECT_FALSE(failureShown());
}

TEST_F(EndToEnd, AnAnswerThatPausesInsideItselfIdentifiesWithoutANoDeviceFlash) {
  devsim::DeviceOptions halting;
  halting.pieceSize = 7;
  halting.pieceGap = 200ms;
  startDevice(halting);
  startProgram();
  choosePort("COM1");
  bool noDeviceShown = false;
  ASSERT_TRUE(waitFor(
      [&] {
        noDeviceShown = noDeviceShown || status() == utf8(kNoDevice);
        return identified();
      },
      kLong));
  EXPECT_FALSE(noDeviceShown);
  EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));
}

TEST_F(EndToEnd, WrongRepliesShowTheFailureAndNothingIsSentAfterIt) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> devsim::Faults::*fault;
    std::uint32_t block;
  };
  for (const Case& c : {Case{"wrong CRC", &devsim::Faults::wrongCrcAt, 7},
                        Case{"low byte first", &devsim::Faults::lowByteFirstAt, 7},
                        Case{"end reply too early", &devsim::Faults::earlyFzAt, 4}}) {
    SCOPED_TRACE(c.name);
    devsim::DeviceOptions options;
    options.faults.*c.fault = c.block;
    startUpload(options);
    ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
    expectFinalState(false);
    EXPECT_EQ(scheme->UploadProgress->position(), static_cast<int>(c.block));
    EXPECT_EQ(writesSoFar(), 1 + (c.block + 1) * 256u);  // "VERS" and the blocks up to it
    EXPECT_FALSE(report().device.pusk);
    TearDown();
  }
}

TEST_F(EndToEnd, AReplySplitInTwoIsGatheredAndTheUploadGoesOn) {
  devsim::DeviceOptions options;
  options.faults.splitReplyAt = 7;  // its first byte, the other 50 ms later
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return scheme->UploadProgress->position() >= 9; }, kLong));
  EXPECT_FALSE(failureShown());
}

TEST_F(EndToEnd, SilenceShowsTheFailureTwoToThreeSecondsAfterTheLastReply) {
  devsim::DeviceOptions options;
  options.faults.silenceFrom = 3;
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
  const auto shownAt = devsim::Clock::now();
  const std::vector<devsim::WriteRecord> writes = device->writes();
  ASSERT_FALSE(writes.empty());
  const double seconds = std::chrono::duration<double>(shownAt - writes.back().at).count();
  // Three one-second ticks after the last reply was handled, never fewer than two whole
  // silent seconds; the upper bound is loose for a loaded machine.
  EXPECT_GE(seconds, 2.0);
  EXPECT_LT(seconds, 10.0);
  expectFinalState(false);
  EXPECT_EQ(scheme->UploadProgress->position(), 3);
}

TEST_F(EndToEnd, ALateRightReplyAfterTheFailureIsIgnored) {
  devsim::DeviceOptions options;
  options.faults.pauseAt = 5;  // 4.5 s, as during a flash erase
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
  const std::size_t writes = writesSoFar();
  EXPECT_EQ(writes, 1 + 6 * 256u);
  auto* upload = scheme->UploadBox->currentGraph<TClassMultiElementEx_228A260>();
  EXPECT_FALSE(upload->Watchdog->running());

  // The reply to block 5 comes after all; it would match.
  ASSERT_TRUE(waitFor([&] { return received.joined().size() >= 6 * 2; }, kLong));
  EXPECT_EQ(writesSoFar(), writes);
  expectFinalState(false);
  EXPECT_EQ(scheme->UploadProgress->position(), 5);
}

TEST_F(EndToEnd, AHangUpMidUploadShowsTheFailure) {
  devsim::DeviceOptions options;
  options.faults.hangUpAt = 20;
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
  expectFinalState(false);
  EXPECT_EQ(scheme->UploadProgress->position(), 20);
  pressOk();
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(scheme->SerialPort->isOpen());
}

TEST_F(EndToEnd, ASuccessIsFinalAndPuskGoesOnce) {
  devsim::DeviceOptions options;
  options.faults.repeatEnd = true;  // the end reply once more after "PUSK"
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return successShown() || failureShown(); }, kUpload));
  ASSERT_TRUE(successShown()) << "failed at block " << scheme->UploadProgress->position();
  const std::size_t writes = writesSoFar();
  ASSERT_EQ(written.values.back(), "PUSK");

  // The repeated end reply, and a stray chunk after it, change nothing.
  ASSERT_TRUE(waitFor([&] { return received.joined().size() >= 1015 * 2 + 4 + 4; }, kLong));
  {
    EventScope chunk;
    TData stray = makeString("??");
    scheme->UploadBox->doWork(stray, 0);
  }
  EXPECT_EQ(writesSoFar(), writes);
  expectFinalState(true);
  pressOk();
  ASSERT_TRUE(device->waitFinished(kLong));
  EXPECT_EQ(device->exitCode(), 0) << report().summary;  // one "PUSK", nothing after it
}

TEST_F(EndToEnd, AClosedWindowDoesNotWaitForTheSettleTime) {
  startDevice();
  startProgram(15000);
  choosePortAndWaitForIdentification();
  pressWrite();
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.pusk; }, kUpload));
  const std::size_t writes = writesSoFar();
  // As when the display goes away during the settle time: the close is done at once.
  TData d;
  scheme->MainForm->doClose(d);
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(scheme->SerialPort->isOpen());
  EXPECT_FALSE(successShown());
  EXPECT_EQ(written.count(), writes);
}

TEST_F(EndToEnd, ADeviceThatTalksOrDropsItsLineWhileItStartsStillShowsTheSuccess) {
  // A boot banner, telemetry: a byte every 50 ms through the settle time, for far longer
  // than it lasts; then, with the second device, the line dropped as it restarts.
  for (bool hangUp : {false, true}) {
    SCOPED_TRACE(hangUp ? "hang-up after PUSK" : "talk after PUSK");
    devsim::DeviceOptions options;
    options.faults.chatterAfterPusk = hangUp ? 2 : 400;
    options.faults.hangUpAfterPusk = hangUp;
    startDevice(options);
    startProgram(1000);
    choosePortAndWaitForIdentification();
    const std::string identified = status();
    pressWrite();
    ASSERT_TRUE(waitFor([&] { return successShown() || failureShown(); }, kUpload));
    ASSERT_TRUE(successShown());
    if (!hangUp) {
      EXPECT_EQ(report().device.bytesAfterPusk, 0u);  // nothing is sent after "PUSK"
      EXPECT_LT(device->writes().size(), 1016u + 1 + 400) << "the success waited for quiet";
    }
    // Nothing alarming was shown meanwhile.
    EXPECT_EQ(status(), identified);
    expectFinalState(true);
    closeProgram();
    device->requestStop();
    device->waitFinished(10s);
    device.reset();
  }
}

TEST_F(EndToEnd, TheWindowClosesDuringTheSettleTimeButNotDuringTheUpload) {
  startDevice();
  startProgram(15000);
  choosePortAndWaitForIdentification();
  pressWrite();
  EXPECT_FALSE(hands().closeBox(*scheme->MainForm));  // the upload goes on
  EXPECT_FALSE(scheme->MainForm->closed());
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.pusk; }, kUpload));
  settle();
  const std::size_t writes = writesSoFar();
  EXPECT_TRUE(hands().closeBox(*scheme->MainForm));
  EXPECT_TRUE(scheme->MainForm->closed());
  EXPECT_FALSE(scheme->SerialPort->isOpen());
  EXPECT_EQ(written.count(), writes);
}
