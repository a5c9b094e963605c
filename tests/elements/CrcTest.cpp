#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "elements/hiCRC16_32.h"
#include "tests/support/BitwiseCrc.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::bitwiseReflected;
using hi::test::Probe;

namespace {

class Crc : public hi::test::LiveRuntime {
 protected:
  std::string run(std::uint8_t mode, const std::string& poly, const std::string& init,
                  const std::string& data, std::uint8_t hexInput = 0, std::uint8_t swap = 0) {
    THICRC16_32 crc;
    crc.Mode = mode;
    crc.Polynom = poly;
    crc.Init = init;
    crc.HexInput = hexInput;
    crc.SwapResult = swap;
    Probe out;
    crc.onCRC = out.point();
    TData d = makeString(data);
    fireEvent(makeEventPoint<&THICRC16_32::doCRC>(0, &crc), d);
    EXPECT_EQ(out.seen.size(), 1u);
    return out.seen.empty() ? std::string("<none>") : toString(out.seen.back());
  }
};

std::string hex4(std::uint32_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFFu);
  return buf;
}

TEST_F(Crc, PublishedCheckValuesOfEveryMode) {
  EXPECT_EQ(run(0, "$A001", "$FFFF", "123456789"), "4B37");  // CRC-16/MODBUS
  EXPECT_EQ(run(1, "$A001", "$FFFF", "123456789"), "374B");
  EXPECT_EQ(run(0, "$A001", "0", "123456789"), "BB3D");    // CRC-16/ARC
  EXPECT_EQ(run(3, "1021", "FFFF", "123456789"), "29B1");  // CRC-16/CCITT-FALSE
  EXPECT_EQ(run(3, "1021", "0", "123456789"), "31C3");     // CRC-16/XMODEM
  EXPECT_EQ(run(4, "EDB88320", "FFFFFFFF", "123456789"), "CBF43926");
  EXPECT_EQ(run(2, "8408", "FFFF", "123456789"), "6E90");  // X-25 906E, bytes exchanged
}

TEST_F(Crc, EmptyDataSkipsTheFinalStep) {
  EXPECT_EQ(run(0, "$A001", "$FFFF", ""), "FFFF");
  EXPECT_EQ(run(4, "EDB88320", "FFFFFFFF", ""), "FFFFFFFF");
  EXPECT_EQ(run(1, "$A001", "1234", ""), "1234");  // no exchange
  EXPECT_EQ(run(2, "8408", "1234", ""), "1234");   // no inversion
  // Blanks and dollars only: nothing is left to feed once they are removed.
  EXPECT_EQ(run(2, "8408", "1234", " $ ", 1), "1234");
}

TEST_F(Crc, HexInputRules) {
  EXPECT_EQ(run(0, "$A001", "$FFFF", "31 32 33 34 35 36 37 38 39", 1), "4B37");
  EXPECT_EQ(run(0, "$A001", "$FFFF", "$31$32$33$34$35$36$37$38$39", 1), "4B37");
  // Odd digit count: the last digit is a byte of its own.
  EXPECT_EQ(run(0, "$A001", "$FFFF", "313", 1), hex4(bitwiseReflected(0xA001, 0xFFFF, "1\x03")));
  // A pair that is not hex reads as far as its digits go.
  const std::string zero(1, '\0');
  EXPECT_EQ(run(0, "$A001", "$FFFF", "G1", 1), hex4(bitwiseReflected(0xA001, 0xFFFF, zero)));
  EXPECT_EQ(run(0, "$A001", "$FFFF", "1G", 1), hex4(bitwiseReflected(0xA001, 0xFFFF, "\x01")));
  EXPECT_EQ(run(0, "$A001", "$FFFF", "ff", 1), hex4(bitwiseReflected(0xA001, 0xFFFF, "\xff")));
  // Any other non-zero rule removes nothing: "$1" is a pair whose "$" is skipped when read,
  // and a blank ends a pair's digits.
  EXPECT_EQ(run(0, "$A001", "$FFFF", "$1$2", 2),
            hex4(bitwiseReflected(0xA001, 0xFFFF, "\x01\x02")));
  EXPECT_EQ(run(0, "$A001", "$FFFF", "$1$2", 1), hex4(bitwiseReflected(0xA001, 0xFFFF, "\x12")));
  EXPECT_EQ(run(0, "$A001", "$FFFF", "1 2 ", 2),
            hex4(bitwiseReflected(0xA001, 0xFFFF, "\x01\x02")));
  // Byte-wise input keeps every byte, zero bytes too.
  EXPECT_EQ(run(0, "$A001", "$FFFF", std::string("a\0b", 3)),
            hex4(bitwiseReflected(0xA001, 0xFFFF, std::string("a\0b", 3))));
}

TEST_F(Crc, SwapResultAndModesBeyondFour) {
  EXPECT_EQ(run(0, "$A001", "$FFFF", "123456789", 0, 1), "374B");
  EXPECT_EQ(run(1, "$A001", "$FFFF", "123456789", 0, 1), "4B37");
  EXPECT_EQ(run(4, "EDB88320", "FFFFFFFF", "123456789", 0, 1), "CBF43926");  // 16-bit only
  EXPECT_EQ(run(5, "$A001", "$1234", "123456789"), "1234");
  EXPECT_EQ(run(200, "$A001", "$ABCD1234", "123456789", 0, 1), "3412");
}

TEST_F(Crc, HexNumbersTakeLowerCaseAndKeepTheLastEightDigits) {
  EXPECT_EQ(run(0, "$a001", "$ffff", "123456789"), "4B37");
  EXPECT_EQ(run(4, "EDB88320", "12FFFFFFFF", "123456789"), "CBF43926");
  EXPECT_EQ(run(0, "A001xyz", "FFFF.", "123456789"), "4B37");
  EXPECT_EQ(run(0, "$A001", "xFFFF", "123456789"), "BB3D");  // not hex at the start: 0
}

TEST_F(Crc, ReadsDataThenPolynomThenInitFromTheEventChain) {
  THICRC16_32 crc;  // empty properties: each unconnected input takes the next chain value
  Probe out;
  crc.onCRC = out.point();
  TData init = makeString("$FFFF");
  TData poly = makeString("$A001");
  poly.next = &init;
  TData d = makeString("123456789");
  d.next = &poly;
  fireEvent(makeEventPoint<&THICRC16_32::doCRC>(0, &crc), d);
  ASSERT_EQ(out.seen.size(), 1u);
  EXPECT_EQ(toString(out.seen[0]), "4B37");
}

TEST_F(Crc, ManyPolynomialsStayRightPastTheSharedCache) {
  // More distinct polynomials than the shared cache holds: later ones build their own table.
  for (std::uint32_t poly = 0x8001; poly < 0x8001 + 2 * 40; poly += 2) {
    char polyText[16];
    std::snprintf(polyText, sizeof polyText, "%X", poly);
    ASSERT_EQ(run(0, polyText, "FFFF", "tormisaplex"),
              hex4(bitwiseReflected(poly, 0xFFFF, "tormisaplex")))
        << polyText;
  }
}

TEST_F(Crc, TwoThreadsComputeAtOnce) {
  struct Variant {
    std::uint8_t mode;
    const char* poly;
    const char* init;
    const char* expected;
  };
  static const Variant variants[] = {{0, "$A001", "$FFFF", "4B37"},
                                     {3, "1021", "FFFF", "29B1"},
                                     {4, "EDB88320", "FFFFFFFF", "CBF43926"},
                                     {2, "8408", "FFFF", "6E90"}};
  // Each thread switches variant at every computation, so both keep looking up and
  // publishing shared tables while the other reads them.
  auto work = [](int offset, int* wrong) {
    THICRC16_32 crc;
    Probe out;
    crc.onCRC = out.point();
    const EventPoint in = makeEventPoint<&THICRC16_32::doCRC>(0, &crc);
    for (int i = 0; i < 4000; ++i) {
      const Variant& v = variants[(i + offset) % 4];
      crc.Mode = v.mode;
      crc.Polynom = v.poly;
      crc.Init = v.init;
      fireString(in, "123456789");
      if (toString(out.seen.back()) != v.expected) ++*wrong;
      out.seen.clear();
    }
  };
  int wrong1 = 0, wrong2 = 0;
  std::thread a(work, 0, &wrong1);
  std::thread b(work, 1, &wrong2);
  a.join();
  b.join();
  EXPECT_EQ(wrong1, 0);
  EXPECT_EQ(wrong2, 0);
}

}  // namespace
