// Rows, lines and selections of the CSV column view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/CsvView.h"

using namespace csvview;

namespace {
std::vector<std::pair<int64_t, int64_t>> Spans(const std::vector<LineSpan>& v) {
  std::vector<std::pair<int64_t, int64_t>> out;
  for (const LineSpan& s : v) out.push_back({s.start, s.length});
  return out;
}
}  // namespace

TEST(CsvViewLines, BreaksAsTheViewDoes) {
  struct Case {
    std::u16string text;
    std::vector<std::pair<int64_t, int64_t>> spans;
  };
  const std::vector<Case> cases = {
      {u"", {{0, 0}}},
      {u"a,b", {{0, 3}}},
      {u"a\r\nbc\r\n", {{0, 1}, {3, 2}, {7, 0}}},
      {u"a\nb\rc\r\nd", {{0, 1}, {2, 1}, {4, 1}, {7, 1}}},  // lone LF, lone CR, CR LF
      {u"\r\n\r\n", {{0, 0}, {2, 0}, {4, 0}}},
      {u"a\n\rb", {{0, 1}, {2, 0}, {3, 1}}},                // LF CR is two breaks
  };
  for (const Case& c : cases) EXPECT_EQ(Spans(SplitLines(c.text)), c.spans) << std::string(c.text.begin(), c.text.end());
  // Narrow text the same way, bytes counted.
  EXPECT_EQ(Spans(SplitLines(std::string("\x82\xa0,x\r\ny"))), (std::vector<std::pair<int64_t, int64_t>>{{0, 4}, {6, 1}}));
  EXPECT_EQ(LineTexts(std::u16string(u"a\r\n\"b\nc\",d")), (std::vector<std::u16string>{u"a", u"\"b", u"c\",d"}));
}

TEST(CsvViewLines, SelectionToRowsAndBack) {
  //                                     0123 4 5678 9 0123 4 5
  const std::vector<LineSpan> lines = SplitLines(std::u16string(u"aaa\r\nbbb\r\nccc\r\nd"));
  struct Case {
    int64_t start, length;
    bool any;
    int first, last;
  };
  const std::vector<Case> cases = {
      {0, 0, false, 0, 0},   // a caret is no selection
      {0, 1, true, 0, 0},
      {1, 6, true, 0, 1},
      {5, 3, true, 1, 1},
      {5, 5, true, 1, 2},    // ends at the start of line 2: touches it
      {4, 1, true, 0, 1},    // from inside a CR LF
      {12, -7, true, 1, 2},  // made backwards
      {10, 100, true, 2, 3},  // beyond the text: the last line
  };
  for (const Case& c : cases) {
    int first = -9, last = -9;
    EXPECT_EQ(SelectedLines(lines, c.start, c.length, &first, &last), c.any) << c.start << "+" << c.length;
    if (c.any) {
      EXPECT_EQ(first, c.first) << c.start << "+" << c.length;
      EXPECT_EQ(last, c.last) << c.start << "+" << c.length;
    }
  }
  int64_t s = 0, e = 0;
  ASSERT_TRUE(RowsSelection(lines, 1, 2, &s, &e));
  EXPECT_EQ(s, 5);
  EXPECT_EQ(e, 13);  // the end of row 2's line, not its line end
  // And back: the selection of rows 1..2 touches exactly rows 1..2.
  int first = 0, last = 0;
  ASSERT_TRUE(SelectedLines(lines, s, e - s, &first, &last));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 2);
  EXPECT_FALSE(RowsSelection(lines, 2, 1, &s, &e));
  EXPECT_FALSE(RowsSelection(lines, 0, 4, &s, &e));
  EXPECT_FALSE(RowsSelection(lines, -1, 0, &s, &e));
  EXPECT_EQ(LineOfIndex(lines, -1), -1);
  EXPECT_EQ(LineOfIndex({}, 0), -1);
}

TEST(CsvViewRows, CopyTextDragBlockAndColumns) {
  const std::vector<std::u16string> rows = {u"a,b", u"", u"c"};
  EXPECT_EQ(JoinRows(rows, 0, 2), u"a,b\r\n\r\nc");
  EXPECT_EQ(JoinRows(rows, 2, 2), u"c");
  EXPECT_EQ(JoinRows(rows, 1, 9), u"\r\nc");

  int lo = 0, hi = 0;
  EXPECT_TRUE(DragBlock(5, 2, &lo, &hi));
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 5);
  EXPECT_FALSE(DragBlock(-1, 2, &lo, &hi));
  EXPECT_FALSE(DragBlock(1, -1, &lo, &hi));

  struct Case {
    int have, fields;
    bool taken;
    int max, want;
  };
  const std::vector<Case> cases = {
      {0, 3, false, 10, 3},  {0, 15, false, 10, 10},  // capped
      {3, 5, false, 10, 5},  {3, 5, true, 10, 3},     // captions taken: no more columns
      {0, 5, true, 10, 5},   {4, 2, false, 10, 4},    // never fewer
      {0, 0, false, 10, 0},  {12, 15, false, 10, 12},
  };
  for (const Case& c : cases) EXPECT_EQ(ColumnTarget(c.have, c.fields, c.taken, c.max), c.want);
}
