#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "elements/hiConvertor.h"
#include "elements/hiFormatStr.h"
#include "elements/hiMultiStrPart.h"
#include "elements/hiStrCat.h"
#include "elements/hiStrMask.h"
#include "runtime/Cp1251.h"
#include "tests/support/Probes.h"

using namespace hi;
using hi::test::Probe;
using hi::test::Source;

namespace {

class Strings : public hi::test::LiveRuntime {};

// Fires two texts chained, the way one event carries several values.
void fireTextChain(const EventPoint& point, const std::string& first, const std::string& second) {
  TData tail = makeString(second);
  TData d = makeString(first);
  d.next = &tail;
  fireEvent(point, d);
}

// ---- FormatStr ----

std::string format(const std::string& mask, const std::vector<std::string>& values) {
  THIFormatStr f(static_cast<std::int32_t>(values.size()));
  f.Mask = mask;
  std::deque<Source> sources;
  for (std::size_t i = 0; i < values.size(); ++i) {
    sources.emplace_back(makeString(values[i]));
    f.inStr[i] = sources.back().point();
  }
  Probe out;
  f.onFString = out.point();
  fireNull(makeEventPoint<&THIFormatStr::doString>(0, &f));
  return toString(out.seen.at(0));
}

TEST_F(Strings, FormatStrPlaceholdersAndPercentSigns) {
  EXPECT_EQ(format("%1%%%2", {"a", "b"}), "a%b");
  EXPECT_EQ(format("100%% of %1", {"x"}), "100% of x");
  EXPECT_EQ(format("%10", {"z", "y"}), "%10");  // %1 followed by a digit is not %1
  EXPECT_EQ(format("%1 %1!", {"z"}), "z z!");
  EXPECT_EQ(format("%2%1", {"5", "x"}), "x5");  // a value's leading digit does not extend %2
  EXPECT_EQ(format("%3", {"a", "b"}), "%3");    // beyond Count: left alone
  EXPECT_EQ(format("[%1]", {""}), "[]");
}

TEST_F(Strings, FormatStrValuesAreNotProtectedAndLoseTheirMarkerBytes) {
  EXPECT_EQ(format("%1", {"%2", "x"}), "x");  // an inserted %2 is replaced in its turn
  EXPECT_EQ(format("%1", {std::string("a\x01"
                                      "b",
                                      3)}),
            "ab");
  EXPECT_EQ(format("%1", {std::string("a\0b", 3)}), "a%b");
}

TEST_F(Strings, FormatStrTakesUnconnectedValuesFromTheEventChainInOrder) {
  THIFormatStr f(2);
  f.Mask = "%2-%1";
  Probe out;
  f.onFString = out.point();
  fireTextChain(makeEventPoint<&THIFormatStr::doString>(0, &f), "one", "two");
  EXPECT_EQ(toString(out.seen.at(0)), "two-one");
}

// ---- StrMask ----

// The matching rule written out as recursion over both positions, with both texts already
// carrying their end marker; the element must agree with it everywhere.
bool referenceMatch(const std::string& t, std::size_t i, const std::string& m, std::size_t j) {
  while (j < m.size() || i < t.size()) {
    if (j >= m.size()) return false;
    if (m[j] == '*') {
      if (referenceMatch(t, i, m, j + 1)) return true;
      if (i + 1 >= t.size()) return false;
      for (std::size_t k = i + 1; k < t.size(); ++k) {
        if (referenceMatch(t, k, m, j + 1)) return true;
      }
      return false;
    }
    if (i >= t.size()) return false;
    const char c = t[i];
    if (m[j] == '#' ? (c < '0' || c > '9') : m[j] == '?' ? c == '\0' : m[j] != c) return false;
    ++i;
    ++j;
  }
  return true;
}

// A StrMask whose two outcomes are recorded.
struct MaskRig {
  MaskRig(const std::string& mask, std::uint8_t ignoreCase) {
    m.Mask = mask;
    m.IgnoreCase = ignoreCase;
    m.onTrue = yes.point();
    m.onFalse = no.point();
  }
  THIStrMask m;
  Probe yes, no;
};

bool compare(const std::string& mask, const std::string& text, std::uint8_t ignoreCase = 1) {
  MaskRig rig(mask, ignoreCase);
  fireString(makeEventPoint<&THIStrMask::doCompare>(0, &rig.m), text);
  EXPECT_EQ(rig.yes.seen.size() + rig.no.seen.size(), 1u);
  const auto& seen = rig.yes.seen.empty() ? rig.no.seen : rig.yes.seen;
  EXPECT_EQ(toString(seen.at(0)), text);  // the text as read, not lowered
  return !rig.yes.seen.empty();
}

TEST_F(Strings, StrMaskWholeTextMatches) {
  EXPECT_TRUE(compare("SZ", "sz"));
  EXPECT_FALSE(compare("SZ", "SZ1"));
  EXPECT_FALSE(compare("SZ", "S"));
  EXPECT_FALSE(compare("S?", "S"));  // "?" cannot take the end of the text
  EXPECT_TRUE(compare("S?", "SA"));
  EXPECT_TRUE(compare("#", "7"));
  EXPECT_FALSE(compare("#", "x"));
  EXPECT_FALSE(compare("##", "7"));
  EXPECT_TRUE(compare("A*", "A"));
  EXPECT_TRUE(compare("A*", "ABC"));
  EXPECT_TRUE(compare("*", ""));
  EXPECT_FALSE(compare("", "A"));
  EXPECT_TRUE(compare("", ""));
}

TEST_F(Strings, StrMaskStarBacktracks) {
  EXPECT_TRUE(compare("*AB", "AAB"));
  EXPECT_TRUE(compare("A*B*C", "AXBYBZC"));
  EXPECT_TRUE(compare("*B*B", "ABBAB"));
  EXPECT_FALSE(compare("*X", "ABC"));
  EXPECT_FALSE(compare("A*B", "ABC"));
  EXPECT_TRUE(compare("*#?", "ab12"));
  EXPECT_TRUE(compare("A*", std::string("A\0B", 3)));    // a zero byte inside is a character
  EXPECT_FALSE(compare("A?B", std::string("A\0B", 3)));  // but "?" never takes it
}

TEST_F(Strings, StrMaskAgreesWithTheRecursiveRuleOnEveryShortCase) {
  const std::string maskChars = "ab?*#1";
  const std::string textChars = "ab1";
  std::vector<std::string> masks = {""}, texts = {""};
  for (std::size_t n = 0; n < masks.size() && masks.back().size() < 4; ++n) {
    for (char c : maskChars) masks.push_back(masks[n] + c);
  }
  for (std::size_t n = 0; n < texts.size() && texts.back().size() < 4; ++n) {
    for (char c : textChars) texts.push_back(texts[n] + c);
  }
  texts.push_back(std::string("a\0b", 3));
  int disagreements = 0;
  for (const auto& mask : masks) {
    for (const auto& text : texts) {
      const std::string t = text + '\0';
      const std::string m = mask + '\0';
      if (maskMatches(t, m) != referenceMatch(t, 0, m, 0)) {
        if (++disagreements < 5) ADD_FAILURE() << "mask '" << mask << "' text '" << text << "'";
      }
    }
  }
  EXPECT_EQ(disagreements, 0);
}

TEST_F(Strings, StrMaskCaseRules) {
  EXPECT_FALSE(compare("SZ", "sz", 0));
  EXPECT_FALSE(compare("SZ", "sz", 2));  // only 1 ignores case
  EXPECT_TRUE(compare(cp1251("ЁЖИК"), cp1251("ёжик")));
  EXPECT_TRUE(compare(cp1251("Привет?"), cp1251("пРИВЕТ!")));
  EXPECT_FALSE(compare(cp1251("Ё"), cp1251("е")));  // Ё is its own letter
}

TEST_F(Strings, StrMaskDoMaskTakesTheTextFormOfTheValue) {
  MaskRig rig("SZ", 1);
  fireInteger(makeEventPoint<&THIStrMask::doMask>(1, &rig.m), 12);
  EXPECT_EQ(rig.m.Mask, "12");
  EXPECT_TRUE(rig.yes.seen.empty() && rig.no.seen.empty());  // setting the mask fires nothing
  Source text(makeString("12"));
  rig.m.inText = text.point();
  fireString(makeEventPoint<&THIStrMask::doCompare>(0, &rig.m), "ignored");
  ASSERT_EQ(rig.yes.seen.size(), 1u);
  EXPECT_EQ(toString(rig.yes.seen[0]), "12");
}

// ---- MultiStrPart ----

struct Split {
  std::vector<std::string> parts;
  std::string event;  // "split:rest" or "notfound:text"
};

Split split(THIMultiStrPart& s, const std::string& text) {
  Probe done, missing;
  s.onSplit = done.point();
  s.onNotFound = missing.point();
  fireString(makeEventPoint<&THIMultiStrPart::doSplit>(0, &s), text);
  Split r;
  for (std::uint16_t i = 0; i < s.Count; ++i) {
    TData p;
    s.Part(p, i);
    EXPECT_EQ(p.type, dtString);
    r.parts.push_back(toString(p));
  }
  if (!done.seen.empty()) r.event = "split:" + toString(done.seen[0]);
  if (!missing.seen.empty()) r.event = "notfound:" + toString(missing.seen[0]);
  return r;
}

using Parts = std::vector<std::string>;

TEST_F(Strings, MultiStrPartSplitsAtBlanks) {
  THIMultiStrPart s(3);
  s.Char = " ";
  Split r = split(s, "A B C D");
  EXPECT_EQ(r.parts, (Parts{"A", "B", "C"}));
  EXPECT_EQ(r.event, "split:D");
  r = split(s, "A B");
  EXPECT_EQ(r.parts, (Parts{"A", "B", ""}));
  EXPECT_EQ(r.event, "split:");
  r = split(s, "A  B");  // two blanks in a row: an empty part between them
  EXPECT_EQ(r.parts, (Parts{"A", "", "B"}));
  EXPECT_EQ(r.event, "split:");
  r = split(s, "AB");  // no delimiter: the parts of the last split are gone too
  EXPECT_EQ(r.parts, (Parts{"", "", ""}));
  EXPECT_EQ(r.event, "notfound:AB");
  TData beyond;
  s.Part(beyond, 3);
  EXPECT_EQ(beyond.type, dtNull);
}

TEST_F(Strings, MultiStrPartSkipLongDelimitersAndZeroBytes) {
  THIMultiStrPart s(3);
  s.Char = " ";
  s.Skip = 1;
  Split r = split(s, "TORMISAPLEX T-100 2.07 extra");
  EXPECT_EQ(r.parts, (Parts{"T-100", "2.07", "extra"}));
  EXPECT_EQ(r.event, "split:");

  THIMultiStrPart pair(2);
  pair.Char = ", ";  // the earlier of its characters cuts, and two characters go
  r = split(pair, "x, y, z");
  EXPECT_EQ(r.parts, (Parts{"x", "y"}));
  EXPECT_EQ(r.event, "split:z");

  // The search for the cut stops at a zero byte, though the delimiter occurs after it.
  s.Skip = 0;
  r = split(s, std::string("A\0 B", 4));
  EXPECT_EQ(r.parts, (Parts{std::string("A\0 B", 4), "", ""}));

  s.Char = "";
  r = split(s, "A B");
  EXPECT_EQ(r.event, "notfound:A B");
}

// ---- StrCat ----

TEST_F(Strings, StrCatFallsBackToTheEventThenAppends) {
  THIStrCat cat;
  cat.Str2 = "465A";
  Probe out;
  cat.onStrCat = out.point();
  const EventPoint in = makeEventPoint<&THIStrCat::doStrCat>(0, &cat);
  fireString(in, "4B37");
  EXPECT_EQ(toString(out.seen.at(0)), "4B37465A");

  Source first(makeString("CRC"));
  cat.inStr1 = first.point();
  fireString(in, "ignored");
  EXPECT_EQ(toString(out.seen.at(1)), "CRC465A");

  THIStrCat chain;  // both unconnected and empty: two values of the chain, in order
  chain.onStrCat = out.point();
  fireTextChain(makeEventPoint<&THIStrCat::doStrCat>(0, &chain), "a", "b");
  EXPECT_EQ(toString(out.seen.at(2)), "ab");
}

// ---- Convertor ----

// A Convertor whose results a probe keeps.
struct ConvertorRig {
  ConvertorRig(std::int32_t mode, std::int32_t digits) {
    c.Mode = mode;
    c.Digits = digits;
    c.onResult = out.point();
  }
  EventPoint in() { return makeEventPoint<&THIConvertor::doConvert>(0, &c); }
  THIConvertor c;
  Probe out;
};

std::vector<std::string> convert(std::int32_t mode, std::int32_t digits,
                                 const std::vector<std::int32_t>& values) {
  ConvertorRig rig(mode, digits);
  for (std::int32_t v : values) fireInteger(rig.in(), v);
  std::vector<std::string> r;
  for (const auto& d : rig.out.seen) r.push_back(toString(d));
  return r;
}

TEST_F(Strings, ConvertorCharacterAndHexModes) {
  EXPECT_EQ(convert(4, 1, {65, 0, 256 + 66, -1}), (Parts{"A", std::string(1, '\0'), "B", "\xFF"}));
  EXPECT_EQ(convert(6, 1, {10, 255, 0, 16, -1}), (Parts{"A", "FF", "0", "10", "FFFFFFFF"}));
  EXPECT_EQ(convert(6, 4, {10, 0x12345}), (Parts{"000A", "12345"}));
  EXPECT_EQ(convert(6, 17, {10}), (Parts{"A"}));  // Digits taken modulo 16
  EXPECT_EQ(convert(6, 0, {0}), (Parts{"0"}));
  EXPECT_TRUE(convert(3, 1, {10}).empty());  // not a mode this converter knows

  ConvertorRig hex(6, 1);
  fireString(hex.in(), "200");
  Source data(makeInteger(11));
  hex.c.inData = data.point();
  fireInteger(hex.in(), 99);
  EXPECT_EQ(toString(hex.out.seen.at(0)), "C8");
  EXPECT_EQ(toString(hex.out.seen.at(1)), "B");
}

}  // namespace
