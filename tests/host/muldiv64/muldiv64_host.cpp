// The multiply-divide tables once more on the host under the sanitizers, and a
// cross check against the host compiler's 128-bit integers, which the 32-bit
// target lacks.
#include "unit/muldiv64/muldiv64_test.cpp"

#if defined(__SIZEOF_INT128__)
TEST(MulDivHost, AgreesWith128BitArithmetic) {
  Lcg g{2024};
  for (int i = 0; i < 200000; ++i) {
    uint64_t a = g.Next() >> (g.Next() % 64);
    uint32_t b = static_cast<uint32_t>(g.Next() >> (32 + g.Next() % 32));
    uint64_t c = (g.Next() >> (g.Next() % 64)) | (i & 1);
    if (c == 0) continue;
    unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    unsigned __int128 q = p / c;
    UQuot r = MulDivU64(a, b, c);
    if (q > UINT64_MAX) {
      ASSERT_TRUE(r.overflow) << a << " " << b << " " << c;
    } else {
      ASSERT_FALSE(r.overflow) << a << " " << b << " " << c;
      ASSERT_EQ(r.quotient, static_cast<uint64_t>(q)) << a << " " << b << " " << c;
      ASSERT_EQ(r.remainder, static_cast<uint64_t>(p % c)) << a << " " << b << " " << c;
    }

    int64_t sa = static_cast<int64_t>(g.Next()) >> (g.Next() % 64);
    int32_t sb = static_cast<int32_t>(static_cast<uint32_t>(g.Next())) >> (g.Next() % 32);
    int64_t sc = static_cast<int64_t>(g.Next()) >> (g.Next() % 64);
    if (sc == 0) continue;
    __int128 sq = static_cast<__int128>(sa) * sb / sc;  // truncates toward zero
    int64_t expect = sq > INT64_MAX ? INT64_MAX : sq < INT64_MIN ? INT64_MIN : static_cast<int64_t>(sq);
    ASSERT_EQ(MulDivS64(sa, sb, sc), expect) << sa << " " << sb << " " << sc;
  }
}

TEST(MulDivHost, PercentAgreesWith128BitArithmetic) {
  Lcg g{77};
  for (int i = 0; i < 100000; ++i) {
    uint64_t range = g.Next() >> (g.Next() % 64);
    uint64_t value = range == 0 ? g.Next() : g.Next() % (range + (range < UINT64_MAX ? 1 : 0));
    if (range == 0) {
      ASSERT_EQ(CalcPercent64(value, range), 0);
      continue;
    }
    unsigned __int128 q = static_cast<unsigned __int128>(value) * 100 / range;
    ASSERT_EQ(CalcPercent64(value, range), static_cast<int>(q)) << value << " " << range;
  }
}
#endif
