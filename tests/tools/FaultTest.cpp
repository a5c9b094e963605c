#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/DevsimClient.h"

// In the namespace of the client and the fixture, which the tests use throughout.
namespace hi::devsim::test {
namespace {

using namespace std::chrono_literals;

// Each fault as the program end sees it, driven by a plain client.
class FaultTest : public SimulatorFixture {
 protected:
  Simulator& launch(const std::function<void(Faults&)>& setFault,
                    const std::function<void(DeviceOptions&)>& setDevice = {}) {
    Options options;
    setFault(options.device.faults);
    if (setDevice) setDevice(options.device);
    SimulatorFixture::launch(std::move(options));
    client_ = std::make_unique<Client>(sim_->linkPath());
    return *sim_;
  }

  void identify() {
    ASSERT_TRUE(client_->send("VERS"));
    ASSERT_EQ(client_->receive(18), "TORMISAPLEX 10 4.2");
  }

  // Sends block k and returns the CRC over the image up to its end.
  std::uint16_t sendBlock(std::size_t k) {
    const std::uint8_t* block = image_.data() + k * kBlockSize;
    EXPECT_TRUE(client_->send(block, kBlockSize));
    crc_ = referenceCrc(block, kBlockSize, crc_);
    return crc_;
  }

  void sendGoodBlocks(std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      const std::string want = blockReply(sendBlock(k), k + 1 == kBlockCount);
      ASSERT_EQ(hexBytes(client_->receive(want.size())), hexBytes(want)) << "block " << k;
    }
  }

  // Proves that nothing was sent in answer to what came so far: one more byte is fed, and the
  // simulator sends due output before it reads again.
  void expectSilenceAfter(std::size_t imageBytes) {
    ASSERT_TRUE(waitReport([&](const Report& r) { return r.device.imageBytes == imageBytes; }));
    const std::uint8_t nudge = 0x55;
    ASSERT_TRUE(client_->send(&nudge, 1));
    ASSERT_TRUE(waitReport([&](const Report& r) { return r.device.imageBytes == imageBytes + 1; }));
    EXPECT_EQ(hexBytes(client_->pending()), "");
  }

  // Closes the client; a session whose upload never began is stopped as well.
  std::string finishReason(bool stop = false) {
    client_->close();
    if (stop) sim_->requestStop();
    EXPECT_TRUE(sim_->waitFinished(kPatience));
    EXPECT_EQ(sim_->exitCode(), 1);
    return sim_->report().verdict.reason;
  }

  // The two writes of a split output and the time between them, by the simulator's clock.
  void expectSplitWrites(std::size_t skip, std::size_t first, std::size_t second) {
    ASSERT_TRUE(waitReport([&](const Report& r) { return r.writes >= skip + 2; }));
    const std::vector<WriteRecord> writes = sim_->writes();
    ASSERT_GE(writes.size(), skip + 2);
    EXPECT_EQ(writes[skip].size, first);
    EXPECT_EQ(writes[skip + 1].size, second);
    EXPECT_GE(writes[skip + 1].at - writes[skip].at, 50ms);
  }

  std::unique_ptr<Client> client_;
  std::uint16_t crc_ = 0xFFFF;
};

TEST_F(FaultTest, NoAnswerLeavesTheQueryUnanswered) {
  launch([](Faults& f) { f.noAnswer = true; });
  ASSERT_TRUE(client_->send("VERS"));
  ASSERT_TRUE(waitReport([](const Report& r) { return r.device.versQueries == 1; }));
  expectSilenceAfter(0);
  EXPECT_TRUE(sim_->writes().empty());
  EXPECT_EQ(finishReason(), "VERS not answered (fault no-answer), yet 1 image bytes arrived");
}

TEST_F(FaultTest, WrongIdentityAttachesACharacterToTheFirstWord) {
  launch([](Faults& f) { f.wrongIdentity = true; });
  ASSERT_TRUE(client_->send("VERS"));
  EXPECT_EQ(client_->receive(19), "TORMISAPLEX2 10 4.2");
  EXPECT_EQ(finishReason(true), "a wrong identity answered (fault wrong-identity)");
}

TEST_F(FaultTest, SplitAnswerComesInTwoWritesFiftyMillisecondsApart) {
  launch([](Faults& f) { f.splitAnswer = true; });
  ASSERT_TRUE(client_->send("VERS"));
  EXPECT_EQ(client_->receive(18), "TORMISAPLEX 10 4.2");
  expectSplitWrites(0, 9, 9);
}

TEST_F(FaultTest, StrayBytesFollowTheAnswerInAWriteOfTheirOwn) {
  launch([](Faults& f) { f.strayBytes = true; });
  ASSERT_TRUE(client_->send("VERS"));
  EXPECT_EQ(client_->receive(20), "TORMISAPLEX 10 4.2\r\n");
  expectSplitWrites(0, 18, 2);
}

TEST_F(FaultTest, WrongCrcSendsTheComplementAtBlockK) {
  launch([](Faults& f) { f.wrongCrcAt = 1; });
  identify();
  sendGoodBlocks(0, 1);
  const std::uint16_t crc = sendBlock(1);
  EXPECT_EQ(hexBytes(client_->receive(2)), hexBytes(blockReply(static_cast<std::uint16_t>(~crc))));
  EXPECT_EQ(finishReason(),
            "image incomplete: 512 of 260096 bytes, after the wrong reply to block 1 (fault); "
            "the program closed the port");
}

TEST_F(FaultTest, LowByteFirstSwapsTheReply) {
  launch([](Faults& f) { f.lowByteFirstAt = 0; });
  identify();
  const std::uint16_t crc = sendBlock(0);
  ASSERT_NE(crc >> 8, crc & 0xFF) << "pick an image whose first CRC has two different bytes";
  const std::string want{static_cast<char>(crc & 0xFF), static_cast<char>(crc >> 8)};
  EXPECT_EQ(hexBytes(client_->receive(2)), hexBytes(want));
}

TEST_F(FaultTest, SplitReplyIsRightButInTwoWritesAndSpoilsNothing) {
  launch([](Faults& f) { f.splitReplyAt = 2; });
  identify();
  sendGoodBlocks(0, 3);
  expectSplitWrites(1 + 2, 1, 1);
  sendGoodBlocks(3, kBlockCount);
  ASSERT_TRUE(client_->send("PUSK"));
  ASSERT_TRUE(waitReport([](const Report& r) { return r.device.pusk; }));
  client_->close();
  ASSERT_TRUE(sim_->waitFinished(kPatience));
  EXPECT_EQ(sim_->exitCode(), 0) << sim_->report().summary;
}

TEST_F(FaultTest, SilenceFromBlockKOn) {
  launch([](Faults& f) { f.silenceFrom = 2; });
  identify();
  sendGoodBlocks(0, 2);
  sendBlock(2);
  expectSilenceAfter(3 * kBlockSize);
  EXPECT_EQ(finishReason(),
            "image incomplete: 769 of 260096 bytes, the device silent from block 2 on (fault "
            "silence); the program closed the port");
}

TEST_F(FaultTest, EarlyFzEndsTheUploadAfterBlockK) {
  launch([](Faults& f) { f.earlyFzAt = 3; });
  identify();
  sendGoodBlocks(0, 3);
  EXPECT_EQ(hexBytes(client_->receive(4)), hexBytes(blockReply(sendBlock(3), true)));
  ASSERT_TRUE(client_->send("PUSK"));
  ASSERT_TRUE(waitReport([](const Report& r) { return r.device.pusk; }));
  EXPECT_EQ(finishReason(),
            "the end reply came early, after block 3 (fault early-fz); image 1024 of 260096 bytes");
}

TEST_F(FaultTest, HangUpClosesTheDeviceEndAtBlockK) {
  Simulator& sim = launch([](Faults& f) { f.hangUpAt = 1; });
  identify();
  sendGoodBlocks(0, 1);
  sendBlock(1);
  EXPECT_TRUE(client_->waitHangUp());
  ASSERT_TRUE(sim.waitFinished(kPatience));
  EXPECT_EQ(sim.exitCode(), 1);
  EXPECT_EQ(sim.report().cause, EndCause::HungUp);
  EXPECT_EQ(sim.report().verdict.reason, "hung up after block 1 (fault hang-up)");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.linkPath())));
}

TEST_F(FaultTest, PiecesComeAsSeparateWritesTheGapApart) {
  launch([](Faults&) {},
         [](DeviceOptions& d) {
           d.pieceSize = 4;
           d.pieceGap = 2ms;
         });
  identify();
  ASSERT_TRUE(waitReport([](const Report& r) { return r.writes >= 5; }));
  const std::vector<WriteRecord> writes = sim_->writes();
  ASSERT_EQ(writes.size(), 5u);  // 4 + 4 + 4 + 4 + 2 bytes
  EXPECT_EQ(writes[4].size, 2u);
  for (std::size_t i = 1; i < writes.size(); ++i) EXPECT_GE(writes[i].at - writes[i - 1].at, 2ms);
}

TEST_F(FaultTest, APauseDelaysTheRightReplyAndARepeatedEndFollowsPusk) {
  launch([](Faults& f) { f.pauseAt = 1; f.repeatEnd = true; },
         [](DeviceOptions& d) { d.pauseBefore = 100ms; });
  identify();
  sendGoodBlocks(0, 1);
  const auto sent = Clock::now();
  const std::string want = blockReply(sendBlock(1));
  EXPECT_EQ(hexBytes(client_->receive(2)), hexBytes(want));
  EXPECT_GE(Clock::now() - sent, 100ms);
  sendGoodBlocks(2, kBlockCount);
  const std::string end = blockReply(crc_, true);
  ASSERT_TRUE(client_->send("PUSK"));
  EXPECT_EQ(hexBytes(client_->receive(4)), hexBytes(end));
  // A program that answers the repeated end reply with a second "PUSK" fails the session.
  ASSERT_TRUE(client_->send("PUSK"));
  EXPECT_EQ(finishReason(), "4 unexpected bytes after PUSK");
}

// At the last block the wrong reply still carries the end marker, and a program that goes on
// to PUSK regardless is caught.
TEST_F(FaultTest, WrongCrcAtTheLastBlockKeepsTheEndMarkerAndAnIgnoringProgramIsCaught) {
  launch([](Faults& f) { f.wrongCrcAt = 1015; });
  identify();
  sendGoodBlocks(0, 1015);
  const std::uint16_t crc = sendBlock(1015);
  EXPECT_EQ(hexBytes(client_->receive(4)),
            hexBytes(blockReply(static_cast<std::uint16_t>(~crc), true)));
  ASSERT_TRUE(client_->send("PUSK"));
  ASSERT_TRUE(waitReport([](const Report& r) { return r.device.pusk; }));
  EXPECT_EQ(finishReason(),
            "the reply to block 1015 was wrong (fault), yet the program sent the whole image");
}

}  // namespace
}  // namespace hi::devsim::test
