#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/tools/DevsimClient.h"
#include "tools/devsim/Simulator.h"

namespace hi::devsim {
namespace {

using test::blockReply;
using test::Client;
using test::referenceCrc;

// At 38462 baud a block and its reply take (256 + 2) * 10 / 38462 s on an 8N1 line. Each
// block is timed from its write (all 256 bytes at once) to the last reply byte. A busy
// machine can only add time, so a round whose median lands within 5 % of the line time
// passes; a simulator that paces wrongly misses in every round.
TEST(AlonePacing, BlockAndReplyTakeTheirLineTime) {
  test::TempDir dir;
  Options options;
  options.portsDir = dir.path();
  options.baud = 38462;
  std::string error;
  auto sim = Simulator::create(options, error);
  ASSERT_TRUE(sim) << error;
  sim->start();
  Client client(sim->linkPath());
  ASSERT_TRUE(client.send("VERS"));
  ASSERT_EQ(client.receive(18), "TORMISAPLEX 10 4.2");

  const double line = (256.0 + 2.0) * 10.0 / 38462.0;
  const std::vector<std::uint8_t> image = test::testImage();
  std::uint16_t crc = 0xFFFF;
  std::size_t k = 0;
  std::vector<double> medians;
  for (int round = 0; round < 4; ++round) {
    std::vector<double> seconds;
    for (int i = 0; i < 9; ++i, ++k) {
      const std::uint8_t* block = image.data() + k * kBlockSize;
      crc = referenceCrc(block, kBlockSize, crc);
      const auto start = std::chrono::steady_clock::now();
      ASSERT_TRUE(client.send(block, kBlockSize));
      ASSERT_EQ(client.receive(2), blockReply(crc));
      seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    medians.push_back(seconds[seconds.size() / 2]);
    if (std::abs(medians.back() - line) <= line * 0.05) break;
  }
  std::string all;
  for (double m : medians) all += std::to_string(m * 1000.0) + " ms ";
  RecordProperty("median_block_ms", std::to_string(medians.back() * 1000.0));
  EXPECT_NEAR(medians.back(), line, line * 0.05) << "round medians: " << all;
}

}  // namespace
}  // namespace hi::devsim
