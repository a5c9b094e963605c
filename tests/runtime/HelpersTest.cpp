#include <gtest/gtest.h>

#include "runtime/Cp1251.h"
#include "runtime/If_arg.h"
#include "runtime/Share.h"

using namespace hi;

TEST(CompareValues, TheLeftTagChoosesTheRule) {
  const TData abc = makeString("abc"), ABC = makeString("ABC");
  EXPECT_FALSE(compareValues(abc, ABC, cmpEqual));
  EXPECT_TRUE(compareValues(abc, ABC, cmpNotEqual));
  EXPECT_TRUE(compareValues(abc, ABC, cmpLessOrEqual));
  EXPECT_TRUE(compareValues(abc, ABC, cmpGreaterOrEqual));
  EXPECT_FALSE(compareValues(abc, ABC, cmpLess));
  EXPECT_FALSE(compareValues(abc, ABC, cmpGreater));

  EXPECT_TRUE(compareValues(makeInteger(10), makeString("9"), cmpGreater));
  EXPECT_FALSE(compareValues(makeString("10"), makeInteger(9), cmpGreater));
  for (std::uint8_t m = 0; m <= 5; ++m) EXPECT_TRUE(compareValues(makeNull(), makeNull(), m));
  EXPECT_FALSE(compareValues(makeNull(), makeInteger(0), cmpEqual));
  EXPECT_FALSE(compareValues(makeInteger(1), makeInteger(1), 6));  // unknown mode
  EXPECT_TRUE(compareValues(makeReal(1.5), makeString("1.5"), cmpEqual));
  EXPECT_TRUE(compareValues(makeInteger(-1), makeInteger(0), cmpLess));
  TData stream;
  stream.type = dtStream;
  EXPECT_FALSE(compareValues(stream, stream, cmpEqual));
  EXPECT_TRUE(compareValues(makeString("0"), makeInteger(0), cmpEqual));
}

TEST(TextHelpers, CompareTextNoCaseFoldsOnlyAscii) {
  EXPECT_EQ(compareTextNoCase("abc", "ABC"), 0);
  EXPECT_LT(compareTextNoCase("ab", "abc"), 0);
  EXPECT_GT(compareTextNoCase("abc", "ab"), 0);
  EXPECT_EQ(compareTextNoCase("x", "X"), 0);
  EXPECT_NE(compareTextNoCase("\xE0", "\xC0"), 0);               // Cyrillic а/А: not folded here
  EXPECT_EQ(compareTextNoCase(std::string("a\0b", 3), "A"), 0);  // ends at the zero byte
  EXPECT_EQ(compareTextNoCase("\xFF", "a"), 0xFF - 'A');
}

TEST(TextHelpers, FindFromAndReplaceFiltered) {
  EXPECT_EQ(findFrom("abcabc", "bc"), 2u);
  EXPECT_EQ(findFrom("abcabc", "bc", 3), 5u);
  EXPECT_EQ(findFrom("abc", ""), 0u);
  EXPECT_EQ(findFrom("abc", "x"), 0u);

  std::string s = "aaa";
  replaceFiltered(s, "a", "aa");  // the search goes on after the inserted text
  EXPECT_EQ(s, "aaaaaa");

  s = "%1 %10 %1";
  replaceFiltered(
      s, "%1", "X",
      [](void*, const std::string& text, std::size_t p) {
        const std::size_t after = p - 1 + 2;
        return after >= text.size() || text[after] < '0' || text[after] > '9';
      },
      nullptr);
  EXPECT_EQ(s, "X %10 X");

  s = "a b$c";
  replaceFiltered(s, " ", "");
  replaceFiltered(s, "$", "");
  EXPECT_EQ(s, "abc");
  replaceFiltered(s, "", "x");
  EXPECT_EQ(s, "abc");
}

TEST(Fonts, HeightFromPointsAt96PixelsPerInch) {
  setPixelsPerInchSource(nullptr);
  EXPECT_EQ(fontHeightFromPoints(8), -11);
  EXPECT_EQ(fontHeightFromPoints(10), -13);
  setPixelsPerInchSource([] { return 120; });
  EXPECT_EQ(fontHeightFromPoints(8), -13);
  setPixelsPerInchSource(nullptr);
}

TEST(Seams, DefaultsWithoutALayerInstalled) {
  EXPECT_EQ(loadResourceStream("STREAM0"), nullptr);
}

TEST(Cp1251, RoundTripsAndTheTextsOfTheProgram) {
  EXPECT_EQ(cp1251("Записать"), "\xC7\xE0\xEF\xE8\xF1\xE0\xF2\xFC");
  EXPECT_EQ(cp1251ToUtf8(cp1251("Проверьте все соединения и попробуйте ещё раз.")),
            "Проверьте все соединения и попробуйте ещё раз.");
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(one)), one) << b;
  }
  EXPECT_EQ(utf8ToCp1251("日"), "?");
  EXPECT_EQ(utf8ToCp1251("\xC3"), "?");  // truncated sequence
}

TEST(Cp1251, LowerCoversAsciiAndCyrillic) {
  EXPECT_EQ(cp1251ToLower(cp1251("TORMISAPLEX Ёлка ЯЖ")), cp1251("tormisaplex ёлка яж"));
  EXPECT_EQ(cp1251ToLower(cp1251("ЂЃЉЊЌЋЏЎЈҐЄЇІЅ")), cp1251("ђѓљњќћџўјґєїіѕ"));
  EXPECT_EQ(cp1251ToLower("123 $#"), "123 $#");
}
