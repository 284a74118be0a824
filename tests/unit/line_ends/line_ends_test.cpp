// The line-end count over buffers: the vector path against a unit-by-unit
// count, for every rule, start, range, look-ahead, limit and stop.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "text/LineEnds.h"

namespace {

lineends::Count Reference(const std::vector<uint8_t>& buf, size_t from, size_t n, size_t avail, size_t limit,
                          int64_t maxEnds, const lineends::Rule& r) {
  const size_t u = r.wide ? 2 : 1;
  auto unit = [&](size_t i) -> unsigned {
    if (!r.wide) return buf[i];
    return r.bigEndian ? unsigned(buf[i] << 8 | buf[i + 1]) : unsigned(buf[i] | buf[i + 1] << 8);
  };
  lineends::Count c;
  const size_t end = from + (n - from) / u * u;
  size_t b = from;
  while (b < end) {
    size_t e = 0;
    if (unit(b) == 13) {
      if (b + 2 * u <= avail && unit(b + u) == 10)
        e = b + 2 * u;
      else if (r.lone)
        e = b + u;
    } else if (unit(b) == 10 && r.lone && (b == from || unit(b - u) != 13)) {
      e = b + u;
    }
    if (!e) {
      b += u;
      continue;
    }
    if (e > limit) {
      c.pos = b;
      c.held = true;
      return c;
    }
    ++c.ends;
    b = e;
    if (maxEnds > 0 && c.ends >= maxEnds) {
      c.pos = b;
      c.reached = true;
      return c;
    }
  }
  c.pos = b;
  return c;
}

TEST(LineEnds, VectorPathMatchesUnitByUnitCount) {
  std::mt19937 g(5);
  for (int round = 0; round < 4000; ++round) {
    lineends::Rule r;
    r.wide = round % 2;
    r.bigEndian = r.wide && (round / 2) % 2;
    r.lone = (round / 4) % 2;
    // Sparse or dense line ends, so that both whole blocks and stops inside them occur.
    const unsigned density = 2 + g() % 40;
    std::vector<uint8_t> buf(round % 50 == 0 ? 9000 + g() % 4000 : g() % 400);
    for (auto& b : buf) {
      const unsigned k = g() % density;
      b = k == 0 ? 13 : k == 1 ? 10 : (r.wide && g() % 2 ? 0 : 'a');
    }
    const size_t avail = buf.size();
    const size_t n = avail ? avail - g() % std::min<size_t>(avail, 6) : 0;
    const size_t from = n ? g() % (n / 2 + 1) & (r.wide ? ~size_t(1) : ~size_t(0)) : 0;
    const size_t limit = g() % 3 == 0 ? SIZE_MAX : g() % (avail + 2);
    const int64_t maxEnds = g() % 3 == 0 ? 0 : int64_t(1 + g() % 30);
    const lineends::Count want = Reference(buf, from, n, avail, limit, maxEnds, r);
    const lineends::Count got = lineends::CountLineEnds(buf.data(), from, n, avail, limit, maxEnds, r);
    ASSERT_EQ(got.ends, want.ends) << "round " << round;
    ASSERT_EQ(got.pos, want.pos) << "round " << round;
    ASSERT_EQ(got.reached, want.reached) << "round " << round;
    ASSERT_EQ(got.held, want.held) << "round " << round;
  }
}

TEST(LineEnds, PairsAndLoneEnds) {
  struct Case {
    std::string text;
    bool lone;
    int64_t ends;
  };
  const Case cases[] = {
      {"a\r\nb", false, 1}, {"a\rb\nc", false, 0}, {"a\rb\nc", true, 2},
      {"a\r\nb", true, 1},  {"\r\r\n\n", true, 3}, {std::string(40, 'x') + "\r\n" + std::string(40, 'y'), false, 1},
  };
  for (const Case& c : cases) {
    lineends::Rule r;
    r.lone = c.lone;
    const auto* p = reinterpret_cast<const uint8_t*>(c.text.data());
    EXPECT_EQ(lineends::CountLineEnds(p, 0, c.text.size(), c.text.size(), SIZE_MAX, 0, r).ends, c.ends) << c.text;
  }
}

}  // namespace
