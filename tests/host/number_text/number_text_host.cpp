// The line-number box's readings of a typed number.
#include <gtest/gtest.h>
#include <string>
#include "text/NumberText.h"

using numbertext::GroupThousands;
using numbertext::KanjiUnits;
using numbertext::ParseInt64;

TEST(NumberText, ParsesSignedDecimalOrGivesZero) {
  struct Case {
    std::u16string text;
    int64_t value;
  } cases[] = {
      {u"12345678", 12345678},
      {u"0001234", 1234},
      {u"-12345678", -12345678},
      {u"+7", 7},
      {u"  42", 42},
      {u"000000000000000000000000001", 1},  // longer than any 64-bit number, still 1
      {u"9223372036854775807", INT64_MAX},
      {u"-9223372036854775808", INT64_MIN},
      {u"9223372036854775808", 0},  // does not fit
      {u"abc", 0},
      {u"12a", 0},
      {u"", 0},
      {u"-", 0},
      {u"1 2", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, ParseInt64(c.text)) << std::string(c.text.begin(), c.text.end());
}

TEST(NumberText, KanjiUnitsFromTheValuesDigits) {
  struct Case {
    std::u16string typed;
    std::u16string kanji;
  } cases[] = {
      {u"123456789", u"1億2345万6789"},
      {u"100000000", u"1億"},
      {u"12345678", u"1234万5678"},
      {u"10000", u"1万"},
      {u"100010000", u"1億1万"},
      {u"9223372036854775807", u"922京3372兆368億5477万5807"},
      {u"0001234", u"1234"},
      {u"-12345678", u"-1234万5678"},
      {u"000000000000000000000000001", u"1"},
      {u"-9223372036854775808", u"-922京3372兆368億5477万5808"},
      {u"7", u"7"},
  };
  for (const Case& c : cases) EXPECT_TRUE(KanjiUnits(ParseInt64(c.typed)) == c.kanji) << std::string(c.typed.begin(), c.typed.end());
}

TEST(NumberText, ThousandsSeparators) {
  EXPECT_TRUE(GroupThousands(12345678, u",") == u"12,345,678");
  EXPECT_TRUE(GroupThousands(123, u",") == u"123");
  EXPECT_TRUE(GroupThousands(1000, u".") == u"1.000");
  EXPECT_TRUE(GroupThousands(-1234567, u",") == u"-1,234,567");
  EXPECT_TRUE(GroupThousands(INT64_MIN, u",") == u"-9,223,372,036,854,775,808");
}
