// Bookmark offsets after an insertion or deletion: entries before, inside and
// after a removed range, at an insertion point, and names that carry no offset.
#include <gtest/gtest.h>

#include <string>

#include "text/BookmarkShift.h"

namespace {

TEST(BookmarkShift, OffsetsMoveByTheRule) {
  struct Case {
    int64_t offset, pivot, delta, expected;
  } cases[] = {
      // insertion of 3 at 10: (10, 3)
      {9, 10, 3, 9},
      {10, 10, 3, 13},  // at the insertion point: behind the new text
      {11, 10, 3, 14},
      // deletion of [10, 14): (14, -4)
      {9, 14, -4, 9},
      {10, 14, -4, 10},  // the range's start
      {11, 14, -4, 10},  // inside: to the start
      {13, 14, -4, 10},
      {14, 14, -4, 10},  // first byte behind the range
      {20, 14, -4, 16},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bookmarks::ShiftedOffset(c.offset, c.pivot, c.delta), c.expected)
        << c.offset << " pivot " << c.pivot << " delta " << c.delta;
  }
}

TEST(BookmarkShift, EntriesAreRewrittenInPlace) {
  std::wstring e = L"120@150#7=some text @ 99 # 5";
  EXPECT_TRUE(bookmarks::ShiftEntryOffset(e, 100, 2));
  EXPECT_EQ(e, L"122@152#7=some text @ 99 # 5");  // A moves with B
  e = L"120@150=no line";
  EXPECT_TRUE(bookmarks::ShiftEntryOffset(e, 160, -20));
  EXPECT_EQ(e, L"110@140=no line");
  e = L"5@1000";
  EXPECT_TRUE(bookmarks::ShiftEntryOffset(e, 1000, 1));
  EXPECT_EQ(e, L"6@1001");
  // An A that is no number stays; A is held at 0.
  e = L"x@10#0=t";
  EXPECT_TRUE(bookmarks::ShiftEntryOffset(e, 5, 3));
  EXPECT_EQ(e, L"x@13#0=t");
  e = L"3@10#0=t";
  EXPECT_TRUE(bookmarks::ShiftEntryOffset(e, 12, -8));
  EXPECT_EQ(e, L"0@4#0=t");
  // Unchanged: before the pivot, no "@" in the name, an offset that is no number.
  for (const wchar_t* s : {L"1@5#0=x", L"150=a@200#1", L"1@x5#0=y", L"1@#0=y"}) {
    std::wstring t = s;
    EXPECT_FALSE(bookmarks::ShiftEntryOffset(t, 10, 4)) << std::string(t.begin(), t.end());
    EXPECT_EQ(t, s);
  }
}

}  // namespace
