#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/hiMultiElementEx_228A260.h"
#include "platform/Resources.h"
#include "runtime/EventGate.h"
#include "tests/app/GraphProbes.h"

using namespace hi;
using namespace hi::test;

namespace {

constexpr std::size_t kBlock = 256;
constexpr std::size_t kImageSize = 260096;

std::string embeddedImage() {
  const auto bytes = findResource("STREAM0", ResourceTypeStream);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::string hex4(std::uint16_t crc) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", crc);
  return text;
}

// The upload container wired to a fake port, progress bar and CRC edit.
class UploadGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    installResourceLoader();
    image = embeddedImage();
    ASSERT_EQ(image.size(), kImageSize);
    crcEdit.text = "FFFF";
    box.onEvent.resize(TClassMultiElementEx_228A260::EventCount);
    box.inData.resize(TClassMultiElementEx_228A260::DataCount);
    box.onEvent[0] = progress.point();
    box.onEvent[1] = makeEventPoint<&Wire::doWrite>(0, &wire);
    box.onEvent[2] = success.point();
    box.onEvent[3] = failure.point();
    box.onEvent[4] = makeEventPoint<&TextHolder::doText>(0, &crcEdit);
    box.inData[0] = makeEventPoint<&TextHolder::Text>(0, &crcEdit);
    box.setCreator(&TClassMultiElementEx_228A260::createInstance);
    graph = box.currentGraph<TClassMultiElementEx_228A260>();
    enableRuntime();
  }
  void TearDown() override { disableRuntime(); }

  // Events hold the gate, as they do in the program: the watchdog ticks on its own thread.
  void start() {
    EventScope event;
    TData d = makeInteger(0);
    box.doWork(d, 1);
  }
  void reply(const std::string& chunk) {
    EventScope event;
    TData d = makeString(chunk);
    box.doWork(d, 0);
  }
  std::uint16_t crcSoFar() const { return wire.crc; }
  void acknowledgeBlocks(std::size_t blocks) {
    for (std::size_t k = 0; k < blocks; ++k) reply(crcReply(crcSoFar()));
  }

  // The right CRC of the third block with `tail` attached fails at once.
  void expectFailureAfterTwoBlocks(const std::string& tail) {
    start();
    acknowledgeBlocks(2);
    const std::size_t sent = wire.bytes.size();
    reply(crcReply(crcSoFar()) + tail);
    EXPECT_EQ(failure.count(), 1u);
    EXPECT_EQ(success.count(), 0u);
    EXPECT_EQ(wire.bytes.size(), sent);
  }

  std::string image;
  Recorder progress, success, failure;
  Wire wire;
  TextHolder crcEdit;
  THIMultiElementEx box;
  TClassMultiElementEx_228A260* graph = nullptr;
};

}  // namespace

TEST_F(UploadGraph, AWholeUploadSendsTheImageThenPuskOnce) {
  start();
  ASSERT_EQ(wire.bytes, image.substr(0, kBlock));
  EXPECT_EQ(wire.writes, kBlock);  // one write per byte
  EXPECT_EQ(crcEdit.text, hex4(crcSoFar()));

  acknowledgeBlocks(1015);
  ASSERT_EQ(wire.bytes.size(), kImageSize);
  EXPECT_EQ(toInteger(progress.last()), 1015);
  EXPECT_EQ(progress.count(), 1015u);
  EXPECT_EQ(success.count(), 0u);

  const std::string end = crcReply(crcSoFar()) + "FZ";
  reply(end);
  EXPECT_EQ(wire.bytes, image + "PUSK");
  EXPECT_EQ(success.count(), 1u);
  EXPECT_EQ(crcEdit.text, hex4(modbusCrc(image)));
  EXPECT_FALSE(graph->Watchdog->running());

  // Whatever comes after "PUSK" is not judged: no second "PUSK", no failure.
  reply(end);
  reply("??");
  EXPECT_EQ(wire.bytes, image + "PUSK");
  EXPECT_EQ(success.count(), 1u);
  EXPECT_EQ(failure.count(), 0u);
}

TEST_F(UploadGraph, RepliesInPiecesAreGatheredHoweverTheyAreSplit) {
  start();
  const auto inPieces = [&](const std::string& whole, std::initializer_list<std::size_t> cuts) {
    std::size_t at = 0;
    for (std::size_t n : cuts) {
      reply(whole.substr(at, n));
      at += n;
    }
  };
  const std::string block = crcReply(crcSoFar());
  inPieces(block, {1, 1});
  EXPECT_EQ(wire.bytes.size(), 2 * kBlock);
  inPieces(crcReply(crcSoFar()), {0, 2, 0});  // empty reads change nothing
  EXPECT_EQ(wire.bytes.size(), 3 * kBlock);
  acknowledgeBlocks(1013);
  ASSERT_EQ(wire.bytes.size(), kImageSize);

  // The end reply split 2+2: the CRC alone after the last block waits for its "FZ".
  const std::string end = crcReply(crcSoFar()) + "FZ";
  inPieces(end, {2});
  EXPECT_EQ(wire.bytes.size(), kImageSize);  // not one byte from past the end
  EXPECT_EQ(success.count(), 0u);
  inPieces(end.substr(2), {1, 1});
  EXPECT_EQ(success.count(), 1u);
  EXPECT_EQ(failure.count(), 0u);
  EXPECT_EQ(wire.bytes, image + "PUSK");
}

TEST_F(UploadGraph, AWrongReplyFailsAtOnceAndTheFailureIsFinal) {
  start();
  acknowledgeBlocks(3);
  while ((crcSoFar() >> 8) == (crcSoFar() & 0xFF)) acknowledgeBlocks(1);
  const std::uint16_t crc = crcSoFar();
  const std::size_t sent = wire.bytes.size();

  // Low byte first: the first byte already cannot begin the right reply.
  reply(std::string{static_cast<char>(crc & 0xFF)});
  ASSERT_EQ(failure.count(), 1u);
  EXPECT_EQ(toString(failure.last()), hex4(static_cast<std::uint16_t>(crc << 8)).substr(0, 2));
  EXPECT_FALSE(graph->Watchdog->running());

  // The right reply, late: ignored, like everything after the failure.
  reply(crcReply(crc));
  reply(crcReply(crc) + "FZ");
  EXPECT_EQ(wire.bytes.size(), sent);
  EXPECT_EQ(failure.count(), 1u);
  EXPECT_EQ(success.count(), 0u);
}

TEST_F(UploadGraph, AReplyWithAByteTooManyFails) {
  expectFailureAfterTwoBlocks("X");
}

TEST_F(UploadGraph, AnEndReplyBeforeTheLastBlockFails) {
  expectFailureAfterTwoBlocks("FZ");
}

TEST_F(UploadGraph, DataBeforeTheStartIsDropped) {
  reply("\x46\x5A");
  EXPECT_EQ(failure.count(), 0u);
  EXPECT_TRUE(wire.bytes.empty());
  start();
  reply(crcReply(crcSoFar()));
  EXPECT_EQ(wire.bytes.size(), 2 * kBlock);
}

TEST_F(UploadGraph, SilenceFailsOnceOnTheThirdTickAndStopsTheWatchdog) {
  graph->Watchdog->Interval = 20;  // takes effect at the start
  start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (failure.count() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(failure.count(), 1u);
  EXPECT_EQ(toInteger(failure.last()), 3);
  EXPECT_FALSE(graph->Watchdog->running());

  reply(crcReply(crcSoFar()));  // too late
  EXPECT_EQ(wire.bytes.size(), kBlock);
  EXPECT_EQ(failure.count(), 1u);
}

TEST_F(UploadGraph, AnInstantReplyWaitsUntilTheBlockIsWhollySent) {
  // A device that answers the moment the 256th byte is written, on a thread of its own (as
  // the serial reader would), while the CRC of that byte and the expected reply are still
  // to be set.
  struct InstantDevice : Element {
    const Wire* wire = nullptr;
    std::function<void(const std::string&)> answer;
    EventPoint onWrite;
    std::thread replier;
    std::atomic<bool> handled{false};
    void doWrite(TData& d) {
      fireEvent(onWrite, d);
      if (wire->bytes.size() != kBlock) return;
      replier = std::thread([this, reply = crcReply(wire->crc)] {
        answer(reply);
        handled = true;
      });
      // Give the reply every chance to overtake the rest of this byte's event; it must not.
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
      while (!handled && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  } device;
  device.wire = &wire;
  device.answer = [this](const std::string& chunk) { reply(chunk); };
  device.onWrite = box.onEvent[1];
  box.onEvent[1] = makeEventPoint<&InstantDevice::doWrite>(0, &device);

  start();
  device.replier.join();
  EXPECT_EQ(failure.count(), 0u);
  EXPECT_EQ(progress.count(), 1u);
  EXPECT_EQ(wire.bytes.size(), 2 * kBlock);  // the reply matched: the next block went out
}
