#include <gtest/gtest.h>

#include <array>

#include "runtime/MemoryStream.h"

using hi::MemoryStream;

TEST(MemoryStream, ReadWriteSeekAndGrowth) {
  MemoryStream s;
  const std::array<std::uint8_t, 3> in = {1, 2, 3};
  EXPECT_EQ(s.write(in.data(), 3), 3u);
  EXPECT_EQ(s.size(), 3u);
  EXPECT_EQ(s.position(), 3u);
  std::array<std::uint8_t, 4> out{};
  EXPECT_EQ(s.read(out.data(), 4), 0u);
  s.seek(0, MemoryStream::Origin::Beginning);
  EXPECT_EQ(s.read(out.data(), 4), 3u);
  EXPECT_EQ(out[2], 3);
  s.seek(2, MemoryStream::Origin::End);  // beyond the size: grows with zeros
  EXPECT_EQ(s.size(), 5u);
  s.seek(-1, MemoryStream::Origin::Current);
  std::uint8_t b = 9;
  EXPECT_TRUE(s.readByte(b));
  EXPECT_EQ(b, 0);
  EXPECT_FALSE(s.readByte(b));
  EXPECT_EQ(s.seek(-10, MemoryStream::Origin::Beginning), 5u);  // refused, unchanged
}
