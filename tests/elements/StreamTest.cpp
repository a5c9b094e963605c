#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "elements/hiBlockGuard.h"
#include "elements/hiDataToFile.h"
#include "elements/hiMemoryStream.h"
#include "elements/hiStream2Hex.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Probe;
using hi::test::Source;

namespace {

class Streams : public hi::test::LiveRuntime {};

std::unique_ptr<MemoryStream> streamOf(std::initializer_list<std::uint8_t> bytes) {
  const std::vector<std::uint8_t> v(bytes);
  return std::make_unique<MemoryStream>(std::span<const std::uint8_t>(v));
}

TEST_F(Streams, MemoryStreamOffersTheSameStreamUntilLoadReplacesIt) {
  THIMemoryStream holder;
  TData a;
  holder.Stream(a, 0);
  ASSERT_EQ(a.type, dtStream);
  ASSERT_NE(a.stream, nullptr);
  EXPECT_EQ(a.stream->size(), 0u);
  TData again;
  holder.Stream(again, 0);
  EXPECT_EQ(again.stream, a.stream);

  holder.Load(streamOf({1, 2, 3}));
  TData b;
  holder.Stream(b, 0);
  EXPECT_EQ(b.stream->size(), 3u);
  EXPECT_EQ(b.stream->position(), 0u);

  holder.Load(nullptr);  // an absent resource: an empty stream, never none
  TData c;
  holder.Stream(c, 0);
  ASSERT_NE(c.stream, nullptr);
  EXPECT_EQ(c.stream->size(), 0u);
}

TEST_F(Streams, DataToFileGivesEachByteThenZeroAtTheEnd) {
  THIMemoryStream holder;
  holder.Load(streamOf({0x00, 0x7F, 0xFF}));
  THIDataToFile reader;
  reader.inStream = makeEventPoint<&THIMemoryStream::Stream>(0, &holder);
  Probe out;
  reader.onGet = out.point();
  const EventPoint get = makeEventPoint<&THIDataToFile::doGet>(1, &reader);
  for (int i = 0; i < 5; ++i) fireString(get, "ignored");
  ASSERT_EQ(out.seen.size(), 5u);
  const std::array<std::int32_t, 5> expected = {0, 127, 255, 0, 0};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(out.seen[i].type, dtInteger);
    EXPECT_EQ(out.seen[i].integer, expected[i]) << i;
  }
  EXPECT_EQ(holder.stream().position(), 3u);
}

TEST_F(Streams, DataToFileWithoutAStreamFiresNothing) {
  THIDataToFile reader;
  Probe out;
  reader.onGet = out.point();
  const EventPoint get = makeEventPoint<&THIDataToFile::doGet>(1, &reader);
  fireInteger(get, 5);  // unconnected: the event's value is not a stream either
  Source notAStream(makeString("stream?"));
  reader.inStream = notAStream.point();
  fireNull(get);
  EXPECT_TRUE(out.seen.empty());
  EXPECT_EQ(notAStream.reads, 1);
}

TEST_F(Streams, BlockGuardSaysMoreOnlyWhileAWholeBlockIsLeft) {
  THIMemoryStream holder;
  holder.Load(std::make_unique<MemoryStream>(std::vector<std::uint8_t>(512, 0x55)));
  THIBlockGuard guard;
  Probe more("more");
  Probe end("end");
  guard.onMore = more.point();
  guard.onEnd = end.point();
  const EventPoint check = makeEventPoint<&THIBlockGuard::doCheck>(0, &guard);
  fireInteger(check, 1);  // no image at all: nothing is owed but the end
  guard.inStream = makeEventPoint<&THIMemoryStream::Stream>(0, &holder);
  for (std::int64_t at : {0, 256, 257, 511, 512}) {
    holder.stream().seek(at, MemoryStream::Origin::Beginning);
    fireInteger(check, static_cast<std::int32_t>(at));
  }
  // The event goes on unchanged, to one side only.
  ASSERT_EQ(more.seen.size(), 2u);
  EXPECT_EQ(toInteger(more.seen[0]), 0);
  EXPECT_EQ(toInteger(more.seen[1]), 256);
  ASSERT_EQ(end.seen.size(), 4u);
  EXPECT_EQ(toInteger(end.seen[1]), 257);
  EXPECT_EQ(toInteger(end.seen[3]), 512);
}

TEST_F(Streams, Stream2HexRendersEveryByteAsTwoUpperCaseDigits) {
  THIStream2Hex hex;
  Probe out;
  hex.onResult = out.point();
  const EventPoint convert = makeEventPoint<&THIStream2Hex::doConvert>(0, &hex);
  fireString(convert, "ABC");
  fireString(convert, std::string("\x00\xFF", 2));
  fireString(convert, "\n");
  fireString(convert, "");
  ASSERT_EQ(out.seen.size(), 4u);
  EXPECT_EQ(toString(out.seen[0]), "414243");
  EXPECT_EQ(toString(out.seen[1]), "00FF");
  EXPECT_EQ(toString(out.seen[2]), "0A");
  EXPECT_EQ(out.seen[3].type, dtString);
  EXPECT_EQ(toString(out.seen[3]), "");

  Source data(makeString("Z"));  // a connected input wins over the event's value
  hex.inData = data.point();
  fireString(convert, "ABC");
  EXPECT_EQ(toString(out.seen[4]), "5A");
}

}  // namespace
