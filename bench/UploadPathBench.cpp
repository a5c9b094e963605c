// The work the upload does for every image byte and every device reply.
#include <benchmark/benchmark.h>

#include <string>

#include "elements/hiCRC16_32.h"
#include "elements/hiConvertor.h"
#include "elements/hiDataToFile.h"
#include "elements/hiMemoryStream.h"
#include "elements/hiReplyGather.h"
#include "elements/hiStrMask.h"
#include "elements/hiStream2Hex.h"
#include "platform/Resources.h"
#include "runtime/Share.h"

namespace hi {
namespace {

// Keeps the running CRC as a text, as the main graph's hidden edit does, and answers it.
struct CrcText : Element {
  std::string text = "FFFF";
  void set(TData& d) { text = toString(d); }
  void get(TData& d, std::uint16_t) { makeString(d, text); }
};

struct Live {
  Live() { enableRuntime(); }
};

void configureImageCrc(THICRC16_32& crc, CrcText& keep) {
  crc.HexInput = 1;
  crc.Mode = 0;
  crc.Polynom = "$A001";
  crc.Init = "$FFFF";
  crc.inInit = makeEventPoint<&CrcText::get>(0, &keep);
  crc.onCRC = makeEventPoint<&CrcText::set>(0, &keep);
}

// One doCRC on a one-byte hex text, with the start value read back from the kept text.
void BM_DoCrcOneByteHex(benchmark::State& state) {
  Live live;
  CrcText keep;
  THICRC16_32 crc;
  configureImageCrc(crc, keep);
  const EventPoint in = makeEventPoint<&THICRC16_32::doCRC>(0, &crc);
  const char* bytes[] = {"3F", "A", "0", "FF"};
  std::size_t i = 0;
  for (auto _ : state) {
    fireString(in, bytes[i++ & 3]);
    benchmark::DoNotOptimize(keep.text.data());
  }
}
BENCHMARK(BM_DoCrcOneByteHex);

// One image byte from the stream through the hex converter into the running CRC.
void BM_ImageByteToRunningCrc(benchmark::State& state) {
  Live live;
  installResourceLoader();
  THIMemoryStream firmware;
  firmware.Load(loadResourceStream("STREAM0"));
  THIDataToFile reader;
  reader.inStream = makeEventPoint<&THIMemoryStream::Stream>(0, &firmware);
  THIConvertor toHex;
  toHex.Mode = THIConvertor::ModeHex;
  toHex.Digits = 1;
  CrcText keep;
  THICRC16_32 crc;
  configureImageCrc(crc, keep);
  reader.onGet = makeEventPoint<&THIConvertor::doConvert>(0, &toHex);
  toHex.onResult = makeEventPoint<&THICRC16_32::doCRC>(0, &crc);
  const EventPoint get = makeEventPoint<&THIDataToFile::doGet>(1, &reader);
  for (auto _ : state) {
    if (firmware.stream().position() == firmware.stream().size()) {
      firmware.stream().seek(0, MemoryStream::Origin::Beginning);
    }
    fireNull(get);
  }
}
BENCHMARK(BM_ImageByteToRunningCrc);

// A two-byte block reply, rendered as hex, gathered against the expected reply and told from
// the end reply: whole (argument 2) or byte by byte (argument 1).
void BM_ReplyCheck(benchmark::State& state) {
  Live live;
  THIStream2Hex hex;
  THIReplyGather gather;
  THIStrMask finalAck;
  finalAck.Mask = "????465A";
  finalAck.IgnoreCase = 1;
  hex.onResult = makeEventPoint<&THIReplyGather::doAdd>(0, &gather);
  gather.onReply = makeEventPoint<&THIStrMask::doCompare>(0, &finalAck);
  const EventPoint in = makeEventPoint<&THIStream2Hex::doConvert>(0, &hex);
  const EventPoint expect = makeEventPoint<&THIReplyGather::doExpect>(1, &gather);
  const std::string reply("\x4B\x37", 2);
  const auto piece = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    fireString(expect, "4B37");
    for (std::size_t at = 0; at < reply.size(); at += piece) fireString(in, reply.substr(at, piece));
  }
}
BENCHMARK(BM_ReplyCheck)->Arg(2)->Arg(1);

}  // namespace
}  // namespace hi
