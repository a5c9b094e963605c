// The whole program against a simulated device: the way through, and every way out.
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
  startProgram(1000000);
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
  // ...and while it waits for the device to settle after "PUSK".
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.pusk; }));
  EXPECT_FALSE(successShown());
  EXPECT_FALSE(windowEnabled());

  ASSERT_TRUE(waitFor([&] { return successShown(); }, kLong));

  const devsim::Report r = report();
  const std::string image = embeddedImage();
  EXPECT_TRUE(r.device.pusk);
  EXPECT_EQ(r.device.imageBytes, image.size());
  EXPECT_FALSE(r.device.wrongReplyBlock.has_value());
  const std::vector<std::uint8_t> received = device->image();
  EXPECT_TRUE(std::string(received.begin(), received.end()) == image);
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

TEST_F(EndToEnd, NoAnswerChangesNothing) {
  devsim::DeviceOptions silent;
  silent.faults.noAnswer = true;
  startDevice(silent);
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.versQueries > 0; }));
  idle(300ms);
  EXPECT_EQ(status(), utf8(kChoose));
  EXPECT_TRUE(portListEnabled());
  EXPECT_FALSE(writeEnabled());

  // Choosing again, the same port too, closes the open port, opens it and asks again.
  choosePort("COM1");
  EXPECT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.versQueries > 1; }));
  EXPECT_TRUE(scheme->SerialPort->isOpen());
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

TEST_F(EndToEnd, AnAnswerSplitInTwoSendsTheRestToTheUpload) {
  devsim::DeviceOptions options = answering("TORMISAPLEX 10 4.2 and some more text");
  options.faults.splitAnswer = true;  // split in the middle
  startDevice(options);
  startProgram();
  choosePort("COM1");
  // The first part identifies the device; the second fails the upload before it started.
  ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
  expectFinalState(false);
  EXPECT_EQ(status(), utf8("Устройство: 10   Текущая версия ПО: 4.2"));
}

TEST_F(EndToEnd, StrayBytesBeforeTheUploadShowTheFailure) {
  devsim::DeviceOptions options;
  options.faults.strayBytes = true;
  startDevice(options);
  startProgram();
  choosePort("COM1");
  ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
  expectFinalState(false);
  EXPECT_EQ(report().device.imageBytes, 0u);
}

TEST_F(EndToEnd, WrongBlockRepliesShowTheFailure) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> devsim::Faults::*fault;
  };
  for (const Case& c : {Case{"wrong CRC", &devsim::Faults::wrongCrcAt},
                        Case{"low byte first", &devsim::Faults::lowByteFirstAt},
                        Case{"reply split in two", &devsim::Faults::splitReplyAt}}) {
    SCOPED_TRACE(c.name);
    devsim::DeviceOptions options;
    options.faults.*c.fault = 7;
    startUpload(options);
    ASSERT_TRUE(waitFor([&] { return failureShown(); }, kLong));
    expectFinalState(false);
    EXPECT_EQ(scheme->UploadProgress->position(), 7);  // blocks 0..6 were acknowledged
    EXPECT_FALSE(report().device.pusk);
    TearDown();
  }
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

TEST_F(EndToEnd, AnEarlyEndReplyCountsAsTheEnd) {
  devsim::DeviceOptions options;
  options.faults.earlyFzAt = 4;
  startUpload(options);
  ASSERT_TRUE(waitFor([&] { return successShown(); }, kLong));
  expectFinalState(true);
  EXPECT_TRUE(report().device.pusk);
  EXPECT_EQ(report().device.imageBytes, 5 * 256u);
}

TEST_F(EndToEnd, AfterASuccessFailuresAreIgnoredAndASecondEndRepliesAgain) {
  startUpload();
  ASSERT_TRUE(waitFor([&] { return successShown(); }, kLong));
  ASSERT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.pusk; }));
  const std::uint16_t crc = report().device.crc;

  // A stray chunk after the success: the upload reports a failure; nothing shows it.
  {
    EventScope received;
    TData chunk = makeString("??");
    scheme->UploadBox->doWork(chunk, 0);
  }
  expectFinalState(true);

  // A second end reply sends "PUSK" again and runs the success display once more.
  {
    EventScope received;
    TData chunk =
        makeString(std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)} + "FZ");
    scheme->UploadBox->doWork(chunk, 0);
  }
  expectFinalState(true);
  EXPECT_TRUE(waitForDevice([](const devsim::Report& r) { return r.device.bytesAfterPusk >= 4; }));
}
