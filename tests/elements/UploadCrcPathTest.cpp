// The upload's own data path for the running CRC: image bytes read one at a time from the
// embedded firmware, rendered as hex by the converter, and fed to the CRC element whose
// start value is the previous result read back through its Init input.
#include <gtest/gtest.h>

#include <cstdio>

#include "elements/hiCRC16_32.h"
#include "elements/hiConvertor.h"
#include "elements/hiDataToFile.h"
#include "elements/hiMemoryStream.h"
#include "platform/Resources.h"
#include "tests/elements/ElementProbes.h"

using namespace hi;
using hi::test::Action;
using hi::test::Source;

namespace {

class UploadCrcPath : public hi::test::LiveRuntime {};

std::uint16_t bitwiseModbus(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) {
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
  }
  return crc;
}

TEST_F(UploadCrcPath, RunningCrcOverTheEmbeddedImageEqualsABitwiseModbusCrc) {
  const auto image = findResource("STREAM0", ResourceTypeStream);
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->size(), 260096u);

  installResourceLoader();
  THIMemoryStream firmware;
  firmware.Load(loadResourceStream("STREAM0"));
  THIDataToFile reader;
  reader.inStream = makeEventPoint<&THIMemoryStream::Stream>(0, &firmware);
  THIConvertor toHex;
  toHex.Mode = THIConvertor::ModeHex;
  toHex.Digits = 1;
  THICRC16_32 crc;
  crc.HexInput = 1;
  crc.Mode = 0;
  crc.Polynom = "$A001";
  crc.Init = "$FFFF";
  Source running(makeString("FFFF"));  // the main graph keeps the CRC as a text
  crc.inInit = running.point();
  int updates = 0;
  Action keep;
  keep.run = [&](TData& d) {
    running.value = makeString(toString(d));
    ++updates;
  };
  reader.onGet = makeEventPoint<&THIConvertor::doConvert>(0, &toHex);
  toHex.onResult = makeEventPoint<&THICRC16_32::doCRC>(0, &crc);
  crc.onCRC = keep.point();

  const EventPoint get = makeEventPoint<&THIDataToFile::doGet>(1, &reader);
  for (std::size_t i = 0; i < image->size(); ++i) fireNull(get);

  char expected[8];
  std::snprintf(expected, sizeof expected, "%04X", bitwiseModbus(*image));
  EXPECT_EQ(toString(running.value), expected);
  EXPECT_EQ(updates, 260096);
  EXPECT_EQ(firmware.stream().position(), 260096u);
}

}  // namespace
