#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/Share.h"

using namespace hi;

namespace {

TData real(double x) {
  return makeReal(x);
}

TData withTag(std::uint8_t tag) {
  TData d;
  d.type = tag;
  return d;
}

}  // namespace

TEST(DataConversions, IntegerStringRealAndOtherTags) {
  EXPECT_EQ(toInteger(makeString("3.7")), 3);
  EXPECT_EQ(toReal(makeInteger(3)), 3.0);
  EXPECT_EQ(toInteger(real(2.5)), 2);
  EXPECT_EQ(toInteger(real(3.5)), 4);
  EXPECT_EQ(toInteger(real(-2.5)), -2);
  EXPECT_EQ(toInteger(makeString("2147483648")), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(toInteger(makeNull()), 0);
  EXPECT_EQ(toInteger(withTag(dtBreak)), 0);
  EXPECT_EQ(toReal(withTag(dtFont)), 0.0);

  EXPECT_EQ(toString(makeInteger(-42)), "-42");
  EXPECT_EQ(toString(makeInteger(0)), "0");
  EXPECT_EQ(toString(makeNull()), "");
  EXPECT_EQ(toString(withTag(dtBreak)), "");
  MemoryStream stream;
  EXPECT_EQ(toString(makeStream(&stream)), "");
  EXPECT_EQ(toStream(makeStream(&stream)), &stream);
  EXPECT_EQ(toStream(makeInteger(1)), nullptr);

  const std::string bytes("a\0b\xff", 4);  // text keeps every byte, zero bytes too
  EXPECT_EQ(toString(makeString(bytes)), bytes);
}

TEST(DataConversions, RealsOutsideTheIntegerRangeAreDefined) {
  // These would be undefined behaviour with a plain cast; the sanitizer build checks it.
  EXPECT_EQ(toInteger(real(std::nan(""))), 0);
  EXPECT_EQ(toInteger(real(std::numeric_limits<double>::infinity())), 0);
  EXPECT_EQ(toInteger(real(-std::numeric_limits<double>::infinity())), 0);
  EXPECT_EQ(toInteger(real(1e300)), 0);
  EXPECT_EQ(toInteger(real(9223372036854775808.0)), 0);
  // Within 64 bits the value is cut to its low 32 bits.
  EXPECT_EQ(toInteger(real(4294967296.0 + 5)), 5);
  EXPECT_EQ(toInteger(real(2147483648.0)), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(toInteger(real(-9223372036854775808.0)), 0);
}

TEST(ParseInteger, SignsDigitsAndWrapAround) {
  EXPECT_EQ(parseInteger(""), 0);
  EXPECT_EQ(parseInteger("12abc"), 12);
  EXPECT_EQ(parseInteger("-"), 0);
  EXPECT_EQ(parseInteger("+7"), 7);
  EXPECT_EQ(parseInteger("0x1F"), 0);
  EXPECT_EQ(parseInteger(" 5"), 0);
  EXPECT_EQ(parseInteger("-15"), -15);
  EXPECT_EQ(parseInteger("--1"), 0);
  EXPECT_EQ(parseInteger("4294967297"), 1);
  EXPECT_EQ(parseInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(parseInteger("99999999999999999999"), static_cast<std::int32_t>(1661992959u));
}

TEST(ParseReal, ScanRules) {
  EXPECT_EQ(parseReal(""), 0.0);
  EXPECT_EQ(parseReal("-1e2"), -100.0);
  EXPECT_EQ(parseReal("1e"), 1.0);
  EXPECT_EQ(parseReal("1e-3"), 0.001);
  EXPECT_EQ(parseReal("1E+3"), 1000.0);
  EXPECT_EQ(parseReal("1,5"), 15.0);
  EXPECT_EQ(parseReal("1 234"), 1234.0);
  EXPECT_EQ(parseReal("2.5.7"), 2.5);
  EXPECT_EQ(parseReal("abc"), 0.0);
  EXPECT_EQ(parseReal("+3"), 3.0);
  EXPECT_DOUBLE_EQ(parseReal("0.125"), 0.125);
}

TEST(FormatReal, Examples) {
  EXPECT_EQ(formatReal(0.0), "0");
  EXPECT_EQ(formatReal(1.5), "1.5");
  EXPECT_EQ(formatReal(100.0), "100");
  EXPECT_EQ(formatReal(0.1), "0.1");
  EXPECT_EQ(formatReal(-2.25), "-2.25");
  EXPECT_EQ(formatReal(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(formatReal(1e20), "1" + std::string(20, '0'));
  EXPECT_EQ(formatReal(1e15), "1" + std::string(15, '0'));
  EXPECT_EQ(formatReal(123456789.123456789), "123456789.123457");
  EXPECT_EQ(formatReal(0.000001), "0.000001");
  EXPECT_EQ(formatReal(5e12), "5000000000000");
  EXPECT_EQ(formatReal(-7.0), "-7");
  EXPECT_EQ(toString(real(2.5)), "2.5");
}

TEST(Chains, PopAdvancesTheHolderAndStopsAtNull) {
  TData one = makeInteger(1);
  TData first = popValue(one);
  EXPECT_EQ(first.type, dtInteger);
  EXPECT_EQ(first.integer, 1);
  EXPECT_EQ(one.type, dtNull);
  EXPECT_EQ(popValue(one).type, dtNull);

  TData head = makeString("a");
  head.next = new TData(makeInteger(2));
  head.next->next = new TData(makeString("c"));
  ChainOwner owner(head);
  EXPECT_EQ(popValue(head).text, "a");
  EXPECT_EQ(head.integer, 2);
  const TData second = popValue(head);
  EXPECT_EQ(second.integer, 2);
  EXPECT_EQ(second.next, nullptr);
  EXPECT_EQ(popValue(head).text, "c");
  EXPECT_EQ(head.type, dtNull);

  TData nullHead;
  TData tail = makeInteger(9);
  nullHead.next = &tail;  // ignored: whatever follows a NULL record is not part of the chain
  EXPECT_EQ(popValue(nullHead).type, dtNull);
  EXPECT_EQ(nullHead.next, nullptr);
}

TEST(Chains, CopyIsIndependentOfTheSourceAndStopsAtNull) {
  TData src = makeInteger(1);
  src.next = new TData(makeString("two"));
  src.next->next = new TData(makeInteger(3));

  TData copy;
  copyChain(copy, src);
  EXPECT_NE(copy.next, src.next);
  ASSERT_NE(copy.next, nullptr);
  EXPECT_EQ(copy.next->text, "two");
  ASSERT_NE(copy.next->next, nullptr);
  EXPECT_EQ(copy.next->next->integer, 3);
  EXPECT_EQ(copy.next->next->next, nullptr);

  freeChain(copy);
  EXPECT_EQ(copy.next, nullptr);
  EXPECT_EQ(copy.integer, 1);
  EXPECT_EQ(src.next->text, "two");  // the source is intact
  freeChain(src);

  // The copy stops at a NULL record.
  TData head = makeInteger(1);
  TData nullRecord;
  TData after = makeInteger(3);
  nullRecord.next = &after;
  head.next = &nullRecord;
  copyChain(copy, head);
  ASSERT_NE(copy.next, nullptr);
  EXPECT_EQ(copy.next->type, dtNull);
  EXPECT_EQ(copy.next->next, nullptr);
  freeChain(copy);
}
