#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tools/DevsimClient.h"
#include "tools/devsim/Simulator.h"

namespace hi::devsim {
namespace {

using test::blockReply;
using test::Client;
using test::referenceCrc;

// At 38462 baud a block and its reply take (256 + 2) * 10 / 38462 s on an 8N1 line. The
// median of several blocks, each timed from its write to the last reply byte, must be
// within 5 % of that.
TEST(PacingTest, BlockAndReplyTakeTheirLineTime) {
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

  const std::vector<std::uint8_t> image = test::testImage();
  std::uint16_t crc = 0xFFFF;
  std::vector<double> seconds;
  for (std::size_t k = 0; k < 9; ++k) {
    const std::uint8_t* block = image.data() + k * kBlockSize;
    crc = referenceCrc(block, kBlockSize, crc);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.send(block, kBlockSize));
    ASSERT_EQ(client.receive(2), blockReply(crc));
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  const double line = (256.0 + 2.0) * 10.0 / 38462.0;
  RecordProperty("median_block_ms", std::to_string(median * 1000.0));
  EXPECT_NEAR(median, line, line * 0.05) << "all: " << seconds.front() << " .. " << seconds.back();
}

}  // namespace
}  // namespace hi::devsim
