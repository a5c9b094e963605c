#include <gtest/gtest.h>

#include <string_view>

#include "tests/tools/DevsimClient.h"
#include "tools/devsim/Crc16.h"

namespace hi::devsim {
namespace {

TEST(Crc16Test, KnownValues) {
  const std::string_view check = "123456789";
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(check.data());
  EXPECT_EQ(crc16Modbus(bytes, check.size()), 0x4B37);
  EXPECT_EQ(crc16Modbus(bytes, 0), 0xFFFF);
}

TEST(Crc16Test, MatchesATableDrivenCrcOverAWholeImageInAnySteps) {
  const std::vector<std::uint8_t> image = test::testImage();
  std::uint16_t stepwise = 0xFFFF;
  for (std::uint8_t b : image) stepwise = crc16ModbusUpdate(stepwise, b);
  const std::uint16_t reference = test::referenceCrc(image.data(), image.size(), 0xFFFF);
  EXPECT_EQ(stepwise, reference);
  const std::uint16_t half = crc16Modbus(image.data(), 1000);
  EXPECT_EQ(crc16Modbus(image.data() + 1000, image.size() - 1000, half), reference);
}

}  // namespace
}  // namespace hi::devsim
