// Range reads: byte range per code and reader, read counts with caps and the
// ceiling, and the dominant line end.
#include <gtest/gtest.h>

#include <string>

#include "text/RangeRead.h"

using namespace rangeread;

namespace {

constexpr int64_t GiB = int64_t{1} << 30;

struct RangeCase {
  const char* what;
  RangeInput in;
  int64_t start, length;
};

TEST(RangeRead, ByteRangePerCodeAndReader) {
  const RangeCase cases[] = {
      {"Shift_JIS", {0, true, 100, 20}, 100, 20},
      {"backward", {0, true, 100, -20}, 80, 20},
      {"UTF-16 wide reader doubles", {1, false, 5 * GiB, 3 * GiB}, 10 * GiB, 6 * GiB},
      {"UTF-16 narrow reader doubles too", {1, true, 50, -10}, 80, 20},
      {"UTF-8 stays bytes", {2, false, 5 * GiB + 1, 7}, 5 * GiB + 1, 7},
      {"JIS inside a run starts 3 back", {4, true, 100, 10, 0, false}, 97, 10},
      {"JIS at a run's first character", {4, true, 100, 10, 3, true}, 100, 13},
      {"JIS outside runs", {4, true, 100, 10, 3, false}, 100, 10},
      {"JIS wide reader unchanged", {4, false, 100, 10, 0, false}, 100, 10},
      {"never before the file", {4, true, 1, 10, 0, false}, 0, 8},
  };
  for (const RangeCase& c : cases) {
    const ByteRange r = RangeBytes(c.in);
    EXPECT_EQ(r.start, c.start) << c.what;
    EXPECT_EQ(r.length, c.length) << c.what;
  }
}

TEST(RangeRead, CountsAreCappedAndUncappedReadsHaveACeiling) {
  const int64_t editMax = int64_t{30} << 20;
  ReadCount r = CountToRead(6 * GiB, editMax, false);  // select-all of a big file, copied
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.count, static_cast<size_t>(editMax));
  r = CountToRead(6 * GiB, 0, true);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.count, 0x10000u);
  r = CountToRead(4 * GiB + 5, 0, false);  // would wrap to 5 in 32 bits
  EXPECT_FALSE(r.ok);
  r = CountToRead(kUncappedCeiling, 0, false);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.count, static_cast<size_t>(kUncappedCeiling));
  EXPECT_FALSE(CountToRead(kUncappedCeiling + 1, 0, false).ok);
  r = CountToRead(12, editMax, false);
  EXPECT_EQ(r.count, 12u);
}

TEST(RangeRead, DominantLineEnd) {
  auto narrow = [](const std::string& s) {
    return DominantLineEnd(reinterpret_cast<const unsigned char*>(s.data()), s.size(), false, false);
  };
  EXPECT_EQ(narrow("a\r\nb\r\nc\n"), 0);
  EXPECT_EQ(narrow("a\nb\nc\r\n"), 2);
  EXPECT_EQ(narrow("a\rb\rc\n"), 1);
  EXPECT_EQ(narrow("a\rb\nc\n"), 2);  // as many lone LFs as CRs: LF
  EXPECT_EQ(narrow("abc"), 0);
  EXPECT_EQ(narrow("a\r"), 1);  // a CR at the end has no LF after it
  const std::string le("a\0\n\0b\0\n\0", 8);
  EXPECT_EQ(DominantLineEnd(reinterpret_cast<const unsigned char*>(le.data()), le.size(), true, false), 2);
  const std::string be("\0a\0\r\0\n\0b", 8);
  EXPECT_EQ(DominantLineEnd(reinterpret_cast<const unsigned char*>(be.data()), be.size(), true, true), 0);
  // Read in the wrong order the same bytes hold no line end at all.
  EXPECT_EQ(DominantLineEnd(reinterpret_cast<const unsigned char*>(be.data()), be.size(), true, false), 0);
}

}  // namespace
