#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Resources.h"
#include "runtime/MemoryStream.h"
#include "runtime/Seams.h"

using namespace hi;

namespace {

TEST(Resources, TheFirmwareImageIsEmbeddedAsStream0) {
  const auto image = findResource("STREAM0", ResourceTypeStream);
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->size(), 260096u);  // 1016 blocks of 256
  EXPECT_EQ(image->back(), 0xFF);
  EXPECT_NE(std::count(image->begin(), image->end(), image->front()),
            static_cast<std::ptrdiff_t>(image->size()));
}

TEST(Resources, LookupNeedsTheExactNameAndType) {
  EXPECT_FALSE(findResource("STREAM1", ResourceTypeStream).has_value());
  EXPECT_FALSE(findResource("stream0", ResourceTypeStream).has_value());
  EXPECT_FALSE(findResource("STREAM", ResourceTypeStream).has_value());
  EXPECT_FALSE(findResource("", ResourceTypeStream).has_value());
  EXPECT_FALSE(findResource("STREAM0", ResourceTypeBitmap).has_value());
}

TEST(Resources, LoadResourceStreamGivesAFreshStreamOrNullForAnAbsentName) {
  installResourceLoader();
  auto first = loadResourceStream("STREAM0");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->size(), 260096u);
  EXPECT_EQ(first->position(), 0u);
  const auto image = findResource("STREAM0", ResourceTypeStream);
  EXPECT_TRUE(std::equal(first->bytes().begin(), first->bytes().end(), image->begin()));

  std::uint8_t byte = 0;
  ASSERT_TRUE(first->readByte(byte));
  auto second = loadResourceStream("STREAM0");  // its own copy, at its own position
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second.get(), first.get());
  EXPECT_EQ(second->position(), 0u);

  EXPECT_EQ(loadResourceStream("NO_SUCH_RESOURCE"), nullptr);
}

}  // namespace
