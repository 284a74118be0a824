// Exact multiply-divide and the slider's and progress bar's position maths.
#include <gtest/gtest.h>
#include <climits>
#include <cstdint>
#include "text/MulDiv64.h"

using namespace muldiv;

namespace {
const uint64_t k2p50 = uint64_t(1) << 50;
const int64_t kMax63 = INT64_MAX;  // 2^63 - 1, the viewer's size of files over 1024 TB
const uint64_t kMax64 = UINT64_MAX;

// A small fixed pseudo-random sequence for cross checks.
struct Lcg {
  uint64_t s;
  uint64_t Next() {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    return s ^ (s >> 29);
  }
};
}  // namespace

TEST(MulDivU64, Table) {
  struct Case {
    uint64_t a;
    uint32_t b;
    uint64_t c;
    uint64_t q, r;
    bool overflow;
  } cases[] = {
      {0, 5, 7, 0, 0, false},
      {10, 3, 4, 7, 2, false},
      {k2p50, 1000, k2p50, 1000, 0, false},
      {k2p50 - 1, 1000, k2p50, 999, k2p50 - 1000, false},
      {uint64_t(kMax63), 1000, uint64_t(kMax63), 1000, 0, false},
      {uint64_t(kMax63) - 1, 1000, uint64_t(kMax63), 999, uint64_t(kMax63) - 1000, false},
      {uint64_t(kMax63), 17, uint64_t(kMax63), 17, 0, false},
      {kMax64, 100, kMax64, 100, 0, false},
      {kMax64 - 1, 100, kMax64, 99, kMax64 - 100, false},
      {kMax64, 2, 2, kMax64, 0, false},             // product 2^65 - 2, quotient just fits
      {kMax64, 3, 2, kMax64, 0, true},              // quotient needs 65 bits
      {kMax64, 0xFFFFFFFFu, 1, kMax64, 0, true},
      {kMax64, 0xFFFFFFFFu, 0xFFFFFFFFu, kMax64, 0, false},
      {5, 1, 0, kMax64, 0, true},                   // division by zero
  };
  for (const Case& t : cases) {
    UQuot q = MulDivU64(t.a, t.b, t.c);
    EXPECT_EQ(q.overflow, t.overflow) << t.a << " * " << t.b << " / " << t.c;
    EXPECT_EQ(q.quotient, t.q) << t.a << " * " << t.b << " / " << t.c;
    if (!t.overflow) EXPECT_EQ(q.remainder, t.r) << t.a << " * " << t.b << " / " << t.c;
  }
}

TEST(MulDivU64, AgreesWithPlainProductWhereItFitsAndWithDecompositionBeyond) {
  Lcg g{12345};
  for (int i = 0; i < 20000; ++i) {
    // Where the plain product fits: identical to a * b / c.
    uint64_t a = g.Next() >> (g.Next() % 64);
    uint32_t b = static_cast<uint32_t>(g.Next() >> (32 + g.Next() % 32));
    uint64_t c = (g.Next() >> (g.Next() % 64)) | 1;
    if (b == 0 || a <= kMax64 / b) {
      UQuot q = MulDivU64(a, b, c);
      ASSERT_FALSE(q.overflow);
      ASSERT_EQ(q.quotient, a * b / c) << a << " " << b << " " << c;
      ASSERT_EQ(q.remainder, a * b % c) << a << " " << b << " " << c;
    }
    // Beyond, with a divisor below 2^32: q*b + (r*b)/c with q = a/c, r = a%c.
    uint64_t a2 = g.Next() | (uint64_t(1) << 63);
    uint32_t b2 = static_cast<uint32_t>(g.Next()) | 1;
    uint64_t c2 = (g.Next() >> 32) | 1;
    uint64_t qa = a2 / c2, ra = a2 % c2;
    UQuot q2 = MulDivU64(a2, b2, c2);
    // qa * b2 may itself overflow 64 bits; only compare where the answer fits.
    if (qa <= (kMax64 - (ra * b2) / c2) / b2) {
      ASSERT_FALSE(q2.overflow);
      ASSERT_EQ(q2.quotient, qa * b2 + (ra * b2) / c2) << a2 << " " << b2 << " " << c2;
      ASSERT_EQ(q2.remainder, (ra * b2) % c2);
    } else {
      ASSERT_TRUE(q2.overflow);
    }
  }
}

TEST(MulDivS64, SignsTruncateTowardZeroAndSaturate) {
  struct Case {
    int64_t a;
    int32_t b;
    int64_t c, expected;
  } cases[] = {
      {-7, 3, 2, -10},  {7, -3, 2, -10},  {7, 3, -2, -10},  {-7, -3, -2, -10}, {-7, -3, 2, 10},
      {7, 3, 2, 10},    {0, 5, -3, 0},    {5, 0, 3, 0},     {5, 3, 0, 0},
      {INT64_MIN, 1, 1, INT64_MIN},       {INT64_MIN, 2, 1, INT64_MIN},       {INT64_MAX, 2, 1, INT64_MAX},
      {INT64_MIN, -1, 1, INT64_MAX},      {kMax63, 1000, kMax63, 1000},       {-kMax63, 1000, kMax63, -1000},
      {kMax63, INT32_MIN, INT64_MIN, 2147483647},
  };
  for (const Case& t : cases) {
    EXPECT_EQ(MulDivS64(t.a, t.b, t.c), t.expected) << t.a << " * " << t.b << " / " << t.c;
  }
  Lcg g{99};
  for (int i = 0; i < 20000; ++i) {
    int64_t a = static_cast<int64_t>(g.Next()) >> (g.Next() % 64);
    int32_t b = static_cast<int32_t>(static_cast<uint32_t>(g.Next())) >> (g.Next() % 32);
    int64_t c = static_cast<int64_t>(g.Next()) >> (g.Next() % 64);
    if (c == 0 || (c == -1 && a == INT64_MIN)) continue;
    int64_t product = 0;
    bool fits = !__builtin_mul_overflow(a, static_cast<int64_t>(b), &product);
    if (fits) ASSERT_EQ(MulDivS64(a, b, c), product / c) << a << " " << b << " " << c;
  }
}

TEST(SaturatingAdd, EndsOfTheRange) {
  EXPECT_EQ(SatAdd64(INT64_MAX, 1), INT64_MAX);
  EXPECT_EQ(SatAdd64(INT64_MAX - 5, 3), INT64_MAX - 2);
  EXPECT_EQ(SatAdd64(INT64_MIN, -1), INT64_MIN);
  EXPECT_EQ(SatAdd64(-3, 5), 2);
  EXPECT_EQ(SatSub64(INT64_MIN, 5), INT64_MIN);
  EXPECT_EQ(SatSub64(INT64_MAX, -1), INT64_MAX);
  EXPECT_EQ(SatSub64(0, INT64_MIN), INT64_MAX);
  EXPECT_EQ(SatSub64(10, 3), 7);
}

TEST(TrackThumb, OffsetAlongTheTrack) {
  struct Case {
    int64_t position;
    int length;
    int64_t max;
    int expected;
  } cases[] = {
      {50, 120, 100, 60},
      {0, 120, 100, 0},
      {100, 120, 100, 120},
      {100, 120, 0, 0},                                  // Max 0: start of the track
      {static_cast<int64_t>(k2p50), 1000, static_cast<int64_t>(k2p50), 1000},
      {static_cast<int64_t>(k2p50 / 2), 1000, static_cast<int64_t>(k2p50), 500},
      {kMax63, 1000, kMax63, 1000},                      // plain product overflows
      {kMax63 / 2, 1000, kMax63, 499},
      {kMax63 - 1, 835, kMax63, 834},
      {kMax63 / 1000 * 999, 1000, kMax63, 998},
      {7, 0, 100, 0},                                    // track length 0
      {100, 1, 100, 1},                                  // track length 1
      {99, 1, 100, 0},
      {50, -14, 100, 0},                                 // track shorter than its insets
      {200, 120, 100, 240},                              // Max lowered below Position
      {-50, 120, 100, -60},                              // negative Min and Position
  };
  for (const Case& t : cases) {
    EXPECT_EQ(TrackThumbOffset(t.position, t.length, t.max), t.expected)
        << t.position << " * " << t.length << " / " << t.max;
  }
}

TEST(TrackThumb, BitIdenticalToThePlainExpressionWhereItFits) {
  Lcg g{7};
  for (int i = 0; i < 20000; ++i) {
    int64_t max = static_cast<int64_t>(g.Next() >> (1 + g.Next() % 63));
    int64_t pos = max == 0 ? 0 : static_cast<int64_t>(g.Next() % static_cast<uint64_t>(max));
    int len = static_cast<int>(g.Next() % 4000) + 1;
    int64_t product = 0;
    if (max == 0 || __builtin_mul_overflow(pos, static_cast<int64_t>(len), &product)) continue;
    ASSERT_EQ(TrackThumbOffset(pos, len, max), static_cast<int>(product / max)) << pos << " " << len << " " << max;
  }
}

TEST(TrackDrag, PointerToPosition) {
  struct Case {
    int64_t max;
    int pointer, barPrs, length;
    bool moves;
    int64_t expected;
  } cases[] = {
      {100, 15, 15, 120, true, 0},
      {100, 135, 15, 120, true, 100},
      {100, 75, 15, 120, true, 50},
      {100, 3, 15, 120, true, 0},                // before the track: 0
      {100, 500, 15, 120, true, 100},            // beyond: Max
      {100, 76, 15, 120, true, 50},              // 100 * 61 / 120 = 50.8
      {kMax63, 75, 15, 120, true, kMax63 / 2},   // plain product overflows
      {kMax63, 135, 15, 120, true, kMax63},
      {kMax63, 16, 15, 120, true, kMax63 / 120},
      {static_cast<int64_t>(k2p50), 45, 15, 120, true, static_cast<int64_t>(k2p50 / 4)},
      {100, 50, 15, 0, false, 0},                // track length 0: no drag
      {100, 15, 15, 1, true, 0},                 // track length 1
      {100, 16, 15, 1, true, 100},
      {100, 50, 15, -14, false, 0},
      {-5, 20, 15, 120, false, 0},               // Max below 0: nothing lies in 0..Max
  };
  for (const Case& t : cases) {
    int64_t p = -12345;
    bool moved = TrackDragPosition(t.max, t.pointer, t.barPrs, t.length, &p);
    EXPECT_EQ(moved, t.moves) << t.max << " " << t.pointer << " " << t.length;
    if (t.moves) EXPECT_EQ(p, t.expected) << t.max << " " << t.pointer << " " << t.length;
  }
}

TEST(Percent, CalcPercent64) {
  struct Case {
    uint64_t value, range;
    int expected;
  } cases[] = {
      {5, 0, 0},
      {1, 3, 33},
      {2, 3, 66},
      {kMax64, kMax64, 100},
      {kMax64 - 1, kMax64, 99},
      {kMax64 / 2, kMax64, 49},
      {0, 7, 0},
      {k2p50, k2p50 * 2, 50},
      {k2p50 - 1, k2p50, 99},
      {uint64_t(kMax63), uint64_t(kMax63), 100},
      {uint64_t(kMax63) / 5 * 2, uint64_t(kMax63), 39},
      {300, 100, 300},
      {kMax64, 1, INT_MAX},       // far beyond the int range: saturates
      {uint64_t(INT_MAX), 100, INT_MAX},
      {uint64_t(INT_MAX) / 100 * 100 + 99, 100 * 1, INT_MAX},
  };
  for (const Case& t : cases) EXPECT_EQ(CalcPercent64(t.value, t.range), t.expected) << t.value << " / " << t.range;
}

TEST(Percent, ProgressPercentages) {
  // Min 50, Max 150, position 100: 50 % done, but the text says 66.
  EXPECT_EQ(ProgressPercentDone(100, 50, 150), 50);
  EXPECT_EQ(ProgressParValue(100, 150), 66);
  // A position below Min (after SetMin above it) counts as 0 % done.
  EXPECT_EQ(ProgressPercentDone(3, 10, 100), 0);
  EXPECT_EQ(ProgressPercentDone(10, 10, 10), 0);
  EXPECT_EQ(ProgressPercentDone(kMax64, 0, kMax64), 100);
  EXPECT_EQ(ProgressParValue(uint64_t(kMax63) / 10 * 4, uint64_t(kMax63)), 39);
  EXPECT_EQ(ProgressParValue(uint64_t(kMax63) / 10 * 4 + 1000, uint64_t(kMax63)), 40);
  EXPECT_EQ(ProgressParValue(7, 0), 0);
}

TEST(Percent, FilledLength) {
  struct Case {
    int length;
    uint64_t position, max;
    int64_t whole;
    bool fraction;
  } cases[] = {
      {99, 50, 100, 49, true},
      {99, 100, 100, 99, false},
      {98, 50, 100, 49, false},
      {99, 0, 100, 0, false},
      {99, kMax64, kMax64, 99, false},
      {99, kMax64 / 2, kMax64, 49, true},
      {99, uint64_t(kMax63), uint64_t(kMax63), 99, false},
      {0, 50, 100, 0, false},
      {-3, 50, 100, 0, false},
      {99, 50, 0, 0, false},
  };
  for (const Case& t : cases) {
    Filled f = ProgressFilled(t.length, t.position, t.max);
    EXPECT_EQ(f.whole, t.whole) << t.length << " " << t.position << " " << t.max;
    EXPECT_EQ(f.fraction, t.fraction) << t.length << " " << t.position << " " << t.max;
  }
}

TEST(Percent, BlockCounts) {
  struct Case {
    int blocks;
    uint64_t position, max;
    int shown;
  } cases[] = {
      {10, 0, 100, 0},    {10, 9, 100, 0},    {10, 10, 100, 1},   {10, 19, 100, 1},
      {10, 20, 100, 2},   {10, 99, 100, 9},   {10, 100, 100, 10}, {10, 99, 1000, 0},
      {10, 100, 1000, 1}, {3, 33, 100, 1},    {3, 65, 100, 1},    {3, 66, 100, 2},
      {3, 99, 100, 2},    {3, 100, 100, 3},   {1, 99, 100, 0},    {1, 100, 100, 1},
      {10, uint64_t(1) << 63, kMax64, 5},     {10, kMax64, kMax64, 10},
      {10, uint64_t(kMax63) / 10 * 4 + 1000, uint64_t(kMax63), 4},
  };
  for (const Case& t : cases) {
    EXPECT_EQ(ProgressBlocksShown(t.blocks, t.position, t.max), t.shown)
        << t.blocks << " " << t.position << " " << t.max;
  }
}
