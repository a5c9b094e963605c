// The resources that windres put into this test program, against the files they came from.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/Resources.h"

namespace {

std::vector<std::uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void expectSameBytes(std::span<const std::uint8_t> resource, const std::string& path) {
  const std::vector<std::uint8_t> file = fileBytes(path);
  ASSERT_FALSE(file.empty()) << path;
  EXPECT_EQ(resource.size(), file.size()) << path;
  EXPECT_TRUE(std::equal(resource.begin(), resource.end(), file.begin(), file.end())) << path;
}

}  // namespace

TEST(ResourceFiles, TheIconAndTheBitmapComeBackAsTheFilesTheyWereMadeFrom) {
  const auto icon = hi::findResource("ASMA", hi::ResourceTypeGroupIcon);
  ASSERT_TRUE(icon.has_value());
  expectSameBytes(*icon, TORMISAPLEX_RESOURCE_DIR "/asma.ico");
  const auto bitmap = hi::findResource("BITMAP0", hi::ResourceTypeBitmap);
  ASSERT_TRUE(bitmap.has_value());
  expectSameBytes(*bitmap, TORMISAPLEX_RESOURCE_DIR "/bitmap0.bmp");
  // Put together once: the bytes stay where they are.
  EXPECT_EQ(hi::findResource("ASMA", hi::ResourceTypeGroupIcon)->data(), icon->data());

  // Real resources too, as the window layer loads them.
  HINSTANCE self = ::GetModuleHandleW(nullptr);
  EXPECT_NE(::LoadIconW(self, L"ASMA"), nullptr);
  HBITMAP picture = ::LoadBitmapW(self, L"BITMAP0");
  EXPECT_NE(picture, nullptr);
  ::DeleteObject(picture);
}

TEST(ResourceFiles, Stream0IsTheFirmwareImageTheBuildWasGiven) {
  const auto image = hi::findResource("STREAM0", hi::ResourceTypeStream);
  ASSERT_TRUE(image.has_value());
  expectSameBytes(*image, TORMISAPLEX_FIRMWARE_IMAGE);
}

TEST(ResourceFiles, NamesAreNotFoldedToCapitals) {
  // Windows would find these under ASMA and STREAM0; the table of other systems would not.
  EXPECT_FALSE(hi::findResource("asma", hi::ResourceTypeGroupIcon).has_value());
  EXPECT_FALSE(hi::findResource("Stream0", hi::ResourceTypeStream).has_value());
}
