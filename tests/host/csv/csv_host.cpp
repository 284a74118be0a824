// The CSV field splitter, as a table.
#include <gtest/gtest.h>

#include <vector>

#include "text/Csv.h"

using csvtext::CsvField;

namespace {
struct Case {
  std::u16string line;
  int count;
  std::vector<std::u16string> fields;
};
}  // namespace

TEST(CsvField, Table) {
  std::u16string fifty;
  for (int i = 0; i < 51; ++i) fifty += (i ? u"," : u"") + std::u16string(1, char16_t(u'A' + i % 26));
  const std::vector<Case> cases = {
      {u"a,\"b,c\",d", 3, {u"a", u"b,c", u"d"}},
      {u"x\"ab\"y,z", 2, {u"ab", u"z"}},         // text around a quoted field is dropped
      {u"a,,b", 3, {u"a", u"", u"b"}},
      {u"a,", 1, {u"a"}},                        // a trailing comma adds no field
      {u"", 0, {}},
      {u"\"a\"\"b\",c", 2, {u"a\"b", u"c"}},     // "" is one quote inside a quoted field
      {u"\"\",x", 2, {u"", u"x"}},
      {u"\"\"\"\"", 1, {u"\""}},
      {u"漢字,\"か,な\"", 2, {u"漢字", u"か,な"}},
      {fifty, 51, {u"A", u"B"}},
  };
  for (const Case& c : cases) {
    std::u16string line = c.line;
    EXPECT_EQ(CsvField(&line, -1), c.count);
    EXPECT_EQ(line, c.line);  // counting leaves the line alone
    for (size_t i = 0; i < c.fields.size(); ++i) {
      std::u16string s = c.line;
      EXPECT_EQ(CsvField(&s, static_cast<int>(i)), static_cast<int>(i));
      EXPECT_EQ(s, c.fields[i]);
    }
    std::u16string past = c.line;
    EXPECT_EQ(CsvField(&past, c.count), -1);  // n past the last field
    EXPECT_TRUE(past.empty());
  }
}

TEST(CsvField, AQuoteOpenAtTheLineEndClosesThere) {
  std::u16string s = u"\"abc";
  EXPECT_EQ(CsvField(&s, -1), 0);  // as the first line it counts no field
  for (int n : {0, 1, 5}) {
    s = u"\"abc";
    EXPECT_EQ(CsvField(&s, n), -1);
    EXPECT_EQ(s, u"abc");  // every field shows the text after the quote
  }
  s = u"a,\"b,c";
  EXPECT_EQ(CsvField(&s, -1), 1);
  s = u"a,\"b,c";
  EXPECT_EQ(CsvField(&s, 0), 0);
  EXPECT_EQ(s, u"a");
}
