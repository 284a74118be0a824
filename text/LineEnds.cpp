#include "text/LineEnds.h"

#include <emmintrin.h>

#include <algorithm>

namespace lineends {
namespace {

constexpr unsigned kCr = 0x0D, kLf = 0x0A;

inline unsigned UnitAt(const uint8_t* buf, size_t at, const Rule& r) {
  if (!r.wide) return buf[at];
  return r.bigEndian ? (unsigned(buf[at]) << 8 | buf[at + 1]) : (buf[at] | unsigned(buf[at + 1]) << 8);
}

inline int PopCount(unsigned v) {
  v = v - ((v >> 1) & 0x55555555u);
  v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
  return int((((v + (v >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24);
}

// The first bytes (units) of the line ends that begin in the 16 bytes at p,
// as 0xFF bytes (0xFFFF units). p - 1 (p - 2 for wide units) must be readable
// when lone is set; p + 16 + unit must be readable.
__attribute__((target("sse2"))) inline __m128i BeginVec(const uint8_t* p, const Rule& r) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  if (!r.wide) {
    const __m128i cr = _mm_cmpeq_epi8(v, _mm_set1_epi8(kCr));
    if (!r.lone) {
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
      return _mm_and_si128(cr, _mm_cmpeq_epi8(next, _mm_set1_epi8(kLf)));
    }
    const __m128i prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i lf = _mm_andnot_si128(_mm_cmpeq_epi8(prev, _mm_set1_epi8(kCr)), _mm_cmpeq_epi8(v, _mm_set1_epi8(kLf)));
    return _mm_or_si128(cr, lf);
  }
  // Units as little-endian 16-bit lanes: a big-endian CR reads as 0x0D00.
  const short crUnit = short(r.bigEndian ? 0x0D00 : 0x000D), lfUnit = short(r.bigEndian ? 0x0A00 : 0x000A);
  const __m128i cr = _mm_cmpeq_epi16(v, _mm_set1_epi16(crUnit));
  if (!r.lone) {
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
    return _mm_and_si128(cr, _mm_cmpeq_epi16(next, _mm_set1_epi16(lfUnit)));
  }
  const __m128i prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 2));
  const __m128i lf =
      _mm_andnot_si128(_mm_cmpeq_epi16(prev, _mm_set1_epi16(crUnit)), _mm_cmpeq_epi16(v, _mm_set1_epi16(lfUnit)));
  return _mm_or_si128(cr, lf);
}

// Bit k: a line end begins at p + k.
__attribute__((target("sse2"))) inline unsigned BeginMask(const uint8_t* p, const Rule& r) {
  const unsigned m = unsigned(_mm_movemask_epi8(BeginVec(p, r)));
  return r.wide ? (m & 0x5555u) : m;
}

// Line ends beginning in the kStretch bytes at p, counted without branches
// (byte counters, summed once at the end).
constexpr size_t kStretch = 255 * 16;
__attribute__((target("sse2"))) inline int64_t StretchCount(const uint8_t* p, const Rule& r) {
  __m128i acc = _mm_setzero_si128();
  for (size_t i = 0; i < kStretch; i += 16) acc = _mm_sub_epi8(acc, BeginVec(p + i, r));
  const __m128i sums = _mm_sad_epu8(acc, _mm_setzero_si128());
  const int64_t n = _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
  return r.wide ? n / 2 : n;
}

}  // namespace

Count CountLineEnds(const uint8_t* buf, size_t from, size_t n, size_t avail, size_t limit, int64_t maxEnds,
                    const Rule& r) {
  Count c;
  const size_t u = r.wide ? 2 : 1;
  if (n > avail) n = avail;
  if (from >= n) {
    c.pos = from;
    return c;
  }
  const size_t end = r.wide ? from + ((n - from) & ~size_t(1)) : n;
  size_t b = from;
  size_t slowUntil = 0;  // a block near a stop is walked unit by unit
  // Whole stretches of 64 bytes while no stop can fall inside them: every
  // line end there begins and ends inside [b, b + 64 + unit].
  size_t fastEnd = end;
  if (avail < u || fastEnd > avail - u) fastEnd = avail >= u ? avail - u : 0;
  if (limit != SIZE_MAX) fastEnd = std::min(fastEnd, limit >= u ? limit - u : 0);
  size_t stretchSlowUntil = 0;
  while (b < end) {
    if (b > from && b + kStretch <= fastEnd && b >= stretchSlowUntil) {
      const int64_t k = StretchCount(buf + b, r);
      if (maxEnds <= 0 || c.ends + k < maxEnds) {
        c.ends += k;
        b += kStretch;
        continue;
      }
      stretchSlowUntil = b + kStretch;
    }
    if (b > from && b + 64 <= fastEnd && b >= slowUntil) {
      const unsigned m01 = BeginMask(buf + b, r) | BeginMask(buf + b + 16, r) << 16;
      const unsigned m23 = BeginMask(buf + b + 32, r) | BeginMask(buf + b + 48, r) << 16;
      if ((m01 | m23) == 0) {
        b += 64;
        continue;
      }
      const int k = PopCount(m01) + PopCount(m23);
      if (maxEnds <= 0 || c.ends + k < maxEnds) {
        c.ends += k;
        b += 64;
        continue;
      }
      slowUntil = b + 64;
    }
    if (b >= slowUntil && b > from && b + 16 <= end && b + 16 + u <= avail) {
      const unsigned m = BeginMask(buf + b, r);
      if (m == 0) {
        b += 16;
        continue;
      }
      // Every line end of the block ends at most 16 + unit bytes on.
      const int k = PopCount(m);
      if ((maxEnds <= 0 || c.ends + k < maxEnds) && b + 16 + u <= limit) {
        c.ends += k;
        b += 16;
        continue;
      }
      slowUntil = b + 16;
    }
    const unsigned unit = UnitAt(buf, b, r);
    size_t e = 0;
    if (unit == kCr) {
      if (b + 2 * u <= avail && UnitAt(buf, b + u, r) == kLf)
        e = b + 2 * u;
      else if (r.lone)
        e = b + u;
    } else if (unit == kLf && r.lone) {
      if (b == from || UnitAt(buf, b - u, r) != kCr) e = b + u;
    }
    if (e == 0) {
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
  // A pair taken in a whole block may end one unit past the range.
  if (b == end && end > from && end + u <= avail && UnitAt(buf, end - u, r) == kCr && UnitAt(buf, end, r) == kLf)
    b = end + u;
  c.pos = b;
  return c;
}

}  // namespace lineends
