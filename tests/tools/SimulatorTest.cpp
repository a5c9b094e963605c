#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/DevsimClient.h"

// In the namespace of the client and the fixture, which the tests use throughout.
namespace hi::devsim::test {
namespace {

class SimulatorTest : public SimulatorFixture {
 protected:
  std::unique_ptr<Client> connect() { return std::make_unique<Client>(sim_->linkPath()); }

  // Sends blocks [first, last) and checks each reply; returns the running CRC.
  std::uint16_t sendBlocks(Client& client, const std::vector<std::uint8_t>& image,
                           std::size_t first, std::size_t last, std::uint16_t crc,
                           bool byteByByte = false) {
    for (std::size_t k = first; k < last; ++k) {
      const std::uint8_t* block = image.data() + k * kBlockSize;
      EXPECT_TRUE(byteByByte ? client.sendByteByByte(block, kBlockSize)
                             : client.send(block, kBlockSize));
      crc = referenceCrc(block, kBlockSize, crc);
      const std::string want = blockReply(crc, k + 1 == kBlockCount);
      const std::string got = client.receive(want.size());
      EXPECT_EQ(hexBytes(got), hexBytes(want)) << "block " << k;
      if (got != want) break;
    }
    return crc;
  }
};

TEST_F(SimulatorTest, WholeUploadByteByByteSucceedsAndCleansUp) {
  Simulator& sim = launch();
  EXPECT_EQ(sim.readyLine(), "COM1 " + sim.devicePath() + " " + dir_.path());
  EXPECT_EQ(std::filesystem::read_symlink(sim.linkPath()), sim.devicePath());
  auto client = connect();
  ASSERT_TRUE(client->isOpen());

  ASSERT_TRUE(client->send("VERS"));
  EXPECT_EQ(client->receive(18), "TORMISAPLEX 10 4.2");
  const std::uint16_t crc = sendBlocks(*client, image_, 0, kBlockCount, 0xFFFF, true);
  ASSERT_TRUE(client->send("PUSK"));
  ASSERT_TRUE(waitReport([](const Report& r) { return r.device.pusk; }));
  EXPECT_FALSE(sim.report().finished) << "a device keeps running after PUSK";
  client->close();

  ASSERT_TRUE(sim.waitFinished(kPatience));
  const Report report = sim.report();
  EXPECT_EQ(sim.exitCode(), 0) << report.summary;
  EXPECT_EQ(report.device.crc, crc);
  EXPECT_EQ(report.device.replies, kBlockCount);
  EXPECT_EQ(sim.image(), image_);
  EXPECT_EQ(report.summary.rfind("devsim COM1: OK: upload complete;", 0), 0u) << report.summary;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.linkPath())));
}

TEST_F(SimulatorTest, SetWordsFormTheAnswer) {
  Options options;
  options.device.identity = "tormisaplex";
  options.device.device = "12";
  options.device.version = "5.0b";
  launch(options);
  auto client = connect();
  ASSERT_TRUE(client->send("VERS"));
  EXPECT_EQ(client->receive(19), "tormisaplex 12 5.0b");
}

TEST_F(SimulatorTest, ToleratesThePortOpenedAndClosedRepeatedly) {
  Simulator& sim = launch();
  for (int i = 0; i < 3; ++i) {
    auto probe = connect();
    ASSERT_TRUE(probe->isOpen());
    ASSERT_TRUE(waitReport([i](const Report& r) { return r.connections >= unsigned(i) + 1; }));
    probe->close();
    ASSERT_TRUE(waitReport([](const Report& r) { return !r.connected; }));
  }
  // A program that queries, gets no further and reopens the port asks again.
  {
    auto first = connect();
    ASSERT_TRUE(first->send("VERS"));
    EXPECT_EQ(first->receive(18), "TORMISAPLEX 10 4.2");
  }
  EXPECT_FALSE(sim.report().finished);
  auto client = connect();
  ASSERT_TRUE(client->send("VERS"));
  EXPECT_EQ(client->receive(18), "TORMISAPLEX 10 4.2");
  sendBlocks(*client, image_, 0, 2, 0xFFFF);
  const Report report = sim.report();
  EXPECT_EQ(report.device.versQueries, 2u);
  EXPECT_EQ(report.device.imageBytes, 2 * kBlockSize);
}

TEST_F(SimulatorTest, ProgramClosingMidUploadEndsTheSessionAsAFailure) {
  Simulator& sim = launch();
  auto client = connect();
  ASSERT_TRUE(client->send("VERS"));
  ASSERT_EQ(client->receive(18).size(), 18u);
  sendBlocks(*client, image_, 0, 3, 0xFFFF);
  ASSERT_TRUE(client->send(image_.data() + 3 * kBlockSize, 10));
  client->close();
  ASSERT_TRUE(sim.waitFinished(kPatience));
  const Report report = sim.report();
  EXPECT_EQ(sim.exitCode(), 1);
  EXPECT_EQ(report.cause, EndCause::PortClosed);
  EXPECT_EQ(report.verdict.reason,
            "image incomplete: 778 of 260096 bytes; the program closed the port");
}

TEST_F(SimulatorTest, StopBeforeTheEndIsAFailureWithItsReason) {
  Simulator& sim = launch();
  auto client = connect();
  ASSERT_TRUE(client->send("VERS"));
  ASSERT_EQ(client->receive(18).size(), 18u);
  sim.requestStop();
  ASSERT_TRUE(sim.waitFinished(kPatience));
  EXPECT_EQ(sim.exitCode(), 1);
  EXPECT_EQ(sim.report().verdict.reason, "image incomplete: 0 of 260096 bytes; stopped");
  EXPECT_TRUE(client->waitHangUp());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.linkPath())));
}

TEST_F(SimulatorTest, OrderAndStrayTrafficDecideTheVerdict) {
  struct Case {
    const char* name;
    std::string beforeVers;
    bool pusk;
    std::string afterPusk;
    const char* reason;
  };
  const Case cases[] = {
      {"noise before VERS", "\r\nxx", true, "", "4 unexpected bytes before VERS"},
      {"no PUSK", "", false, "", "no PUSK after the image; the program closed the port"},
      {"bytes after PUSK", "", true, "VERS", "4 unexpected bytes after PUSK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Simulator& sim = launch();
    auto client = connect();
    ASSERT_TRUE(client->send(c.beforeVers + "VERS"));
    ASSERT_EQ(client->receive(18), "TORMISAPLEX 10 4.2");
    sendBlocks(*client, image_, 0, kBlockCount, 0xFFFF);
    if (c.pusk) {
      ASSERT_TRUE(client->send("PUSK" + c.afterPusk));
    }
    const std::size_t total = (c.pusk ? 4 : 0) + c.afterPusk.size();
    ASSERT_TRUE(waitReport([&](const Report& r) {
      return r.device.bytesAfterImage + r.device.bytesAfterPusk >= total;
    }));
    client->close();
    ASSERT_TRUE(sim.waitFinished(kPatience));
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_EQ(sim.report().verdict.reason, c.reason);
    sim_.reset();
  }
}

TEST_F(SimulatorTest, TakenPortIsRefusedAndAStaleLinkReplaced) {
  Simulator& sim = launch();
  Options second;
  second.portsDir = dir_.path();
  std::string error;
  EXPECT_FALSE(Simulator::create(second, error));
  EXPECT_NE(error.find("is taken"), std::string::npos) << error;
  EXPECT_EQ(std::filesystem::read_symlink(sim.linkPath()), sim.devicePath());

  const std::string stale = dir_.path() + "/COM2";
  std::filesystem::create_symlink("/dev/pts/does-not-exist", stale);
  second.com = 2;
  auto other = Simulator::create(second, error);
  ASSERT_TRUE(other) << error;
  EXPECT_EQ(std::filesystem::read_symlink(stale), other->devicePath());
}

}  // namespace
}  // namespace hi::devsim::test
