#include "text/LineScan.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "text/Cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace linescan {

namespace {

constexpr uint8_t kCR = 0x0D;
constexpr uint8_t kLF = 0x0A;

inline uint16_t Unit(const uint8_t* b, int byteOrder) {
  return byteOrder == 0 ? static_cast<uint16_t>((b[0] << 8) | b[1]) : static_cast<uint16_t>(b[0] | (b[1] << 8));
}

// A window of the file held in memory. Bytes at or past realSize read as 0
// and are never fetched.
class Window {
 public:
  Window(const textio::ReadAt& read, int64_t realSize, const ScanOptions& opt)
      : read_(read), realSize_(realSize), next_(std::max<size_t>(opt.firstBlock, 8)),
        max_(std::max(opt.maxBlock, std::max<size_t>(opt.firstBlock, 8))) {}

  // Whether the bytes [lo, hi) below realSize are all in the window.
  bool Has(int64_t lo, int64_t hi) const {
    lo = std::max<int64_t>(lo, 0);
    hi = std::min(hi, realSize_);
    if (hi <= lo) return true;
    return lo >= lo_ && hi <= hi_;
  }
  // A block that ends at hi; its start is made even when `even` is set.
  bool LoadEndingAt(int64_t hi, bool even) {
    hi = std::min(hi, realSize_);
    int64_t lo = std::max<int64_t>(0, hi - static_cast<int64_t>(next_));
    if (even) lo &= ~int64_t(1);
    return Load(lo, hi);
  }
  bool LoadStartingAt(int64_t lo) {
    lo = std::max<int64_t>(lo, 0);
    const int64_t hi = std::min(realSize_, lo + static_cast<int64_t>(next_));
    return Load(lo, hi);
  }
  uint8_t Byte(int64_t pos) const {
    if (pos < 0 || pos >= realSize_) return 0;
    return buf_[static_cast<size_t>(pos - lo_)];
  }
  // Pointer such that Base()[pos] is the byte at pos, for lo() <= pos < hi(),
  // and 0 for up to 8 bytes after hi() when hi() is realSize.
  const uint8_t* Base() const { return buf_.data() - lo_; }
  int64_t lo() const { return lo_; }
  int64_t hi() const { return hi_; }
  int64_t realSize() const { return realSize_; }

 private:
  bool Load(int64_t lo, int64_t hi) {
    if (hi < lo) hi = lo;
    const size_t len = static_cast<size_t>(hi - lo);
    if (buf_.size() < len + kPad) buf_.resize(len + kPad);
    int64_t got = len ? read_(lo, buf_.data(), len) : 0;
    if (got < 0) return false;
    // A short read means the data ended early: the rest reads as zeros, and so
    // do the few bytes after the window (used only when it ends at realSize).
    std::memset(buf_.data() + got, 0, len + kPad - static_cast<size_t>(got));
    lo_ = lo;
    hi_ = hi;
    next_ = std::min(max_, next_ * 2);
    return true;
  }

  static constexpr size_t kPad = 8;
  const textio::ReadAt& read_;
  int64_t realSize_;
  size_t next_;
  size_t max_;
  std::vector<uint8_t> buf_;
  int64_t lo_ = 0;
  int64_t hi_ = 0;
};

// Word-at-a-time test for a CR or LF byte among four.
inline bool HasCrOrLf(uint32_t x) {
  const uint32_t a = x ^ 0x0D0D0D0Du, b = x ^ 0x0A0A0A0Au;
  return (((a - 0x01010101u) & ~a) | ((b - 0x01010101u) & ~b)) & 0x80808080u;
}

#if defined(__i386__) || defined(__x86_64__)
#define LINESCAN_SSE2 1
// Sixteen bytes at a time where the processor has SSE2 (every processor that
// runs a current system); the word-at-a-time loops serve otherwise.
__attribute__((target("sse2"))) inline bool Has16CrOrLf(const uint8_t* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x0D)), _mm_cmpeq_epi8(v, _mm_set1_epi8(0x0A)));
  return _mm_movemask_epi8(m) != 0;
}

// Steps q down (up) in whole blocks of 16 bytes that hold no CR or LF and
// lie within [lo, q] ([q, hi]); returns where the first other block begins
// (ends), the rest being left to the caller's finer loop.
__attribute__((target("sse2"))) int64_t SkipBack16(const uint8_t* base, int64_t q, int64_t lo) {
  while (q - 15 >= lo && !Has16CrOrLf(base + q - 15)) q -= 16;
  return q;
}
__attribute__((target("sse2"))) int64_t SkipForward16(const uint8_t* base, int64_t q, int64_t hi) {
  while (q + 15 <= hi && !Has16CrOrLf(base + q)) q += 16;
  return q;
}

#endif

// Highest position in [lo, hi] whose byte is CR or LF; lo - 1 when none.
int64_t SkipBackNarrow(const uint8_t* base, int64_t hi, int64_t lo) {
  int64_t q = hi;
#ifdef LINESCAN_SSE2
  if (cpu::HasSse2()) q = SkipBack16(base, q, lo);
#endif
  while (q >= lo) {
    if (q - 3 >= lo) {
      uint32_t w;
      std::memcpy(&w, base + q - 3, 4);
      if (!HasCrOrLf(w)) {
        q -= 4;
        continue;
      }
    }
    const uint8_t c = base[q];
    if (c == kCR || c == kLF) return q;
    --q;
  }
  return lo - 1;
}

// Lowest position in [lo, hi] whose byte is CR or LF; hi + 1 when none.
int64_t SkipForwardNarrow(const uint8_t* base, int64_t lo, int64_t hi) {
  int64_t q = lo;
#ifdef LINESCAN_SSE2
  if (cpu::HasSse2()) q = SkipForward16(base, q, hi);
#endif
  while (q <= hi) {
    if (q + 3 <= hi) {
      uint32_t w;
      std::memcpy(&w, base + q, 4);
      if (!HasCrOrLf(w)) {
        q += 4;
        continue;
      }
    }
    const uint8_t c = base[q];
    if (c == kCR || c == kLF) return q;
    ++q;
  }
  return hi + 1;
}

inline bool IsEolUnit(uint16_t u) { return u == 0x000D || u == 0x000A; }

// Highest even position in [lo, hi] (both even) whose unit is CR or LF; lo - 2 when none.
int64_t SkipBackWide(const uint8_t* base, int64_t hi, int64_t lo, int byteOrder) {
  int64_t start = hi;
#ifdef LINESCAN_SSE2
  // Blocks of 16 bytes ending with the unit at start (start + 1 is its last byte).
  if (cpu::HasSse2()) start = SkipBack16(base, start + 1, lo) - 1;
#endif
  for (int64_t q = start; q >= lo; q -= 2) {
    if (q - 2 >= lo) {
      uint32_t w;
      std::memcpy(&w, base + q - 2, 4);
      if (!HasCrOrLf(w)) {
        q -= 2;
        continue;
      }
    }
    if (IsEolUnit(Unit(base + q, byteOrder))) return q;
  }
  return lo - 2;
}

// Lowest even position in [lo, hi] whose unit is CR or LF; past hi when none.
int64_t SkipForwardWide(const uint8_t* base, int64_t lo, int64_t hi, int byteOrder) {
  int64_t q = lo;
#ifdef LINESCAN_SSE2
  // Blocks of 16 bytes starting with the unit at q, within the units up to hi.
  if (cpu::HasSse2()) q = SkipForward16(base, q, hi + 1);
#endif
  for (; q <= hi; q += 2) {
    if (q + 2 <= hi) {
      uint32_t w;
      std::memcpy(&w, base + q, 4);
      if (!HasCrOrLf(w)) {
        q += 2;
        continue;
      }
    }
    if (IsEolUnit(Unit(base + q, byteOrder))) return q;
  }
  return q;
}

// The step rule of the narrow backward scan: whenever the first line number
// is 1 after a step, the page is on line 0.
inline void ResetFromLineOne(LineState& st) {
  if (st.firstLineNumber == 1) {
    st.firstLineNumber = 0;
    st.lastLineStart = 0;
  }
}

inline int64_t EndBackScan(LineState& st, int64_t result) {
  if (st.firstLineNumber > 0) --st.firstLineNumber;
  st.lastLineStart = 0;
  return result;
}

inline int64_t EndForwardScan(LineState& st, int64_t q, int64_t pageStartLimit) {
  if (q != st.lastLineStart && q < pageStartLimit) ++st.firstLineNumber;
  st.lastLineStart = q;
  return q;
}

}  // namespace

int64_t EvenPosition(int64_t p) {
  if (p & 1) return p == 1 ? 2 : p - 1;
  return p;
}

// ---------------------------------------------------------------- block scans

int64_t FindLineStartBack(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t p,
                          const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  int64_t count = 0;
  int64_t q = p;
  if (q >= realSize) {
    // Positions at or past the end hold no line end: one step each.
    ResetFromLineOne(st);
    if (realSize <= 0) return 0;
    q = realSize - 1;
  }
  Window w(read, realSize, opt);
  for (;;) {
    if (!w.Has(q - 1, q + 2) && !w.LoadEndingAt(q + 2, false)) return -1;
    const int64_t minq = w.lo() == 0 ? 0 : w.lo() + 1;  // its byte before is in the window too
    const int64_t r = SkipBackNarrow(w.Base(), q, minq);
    if (r < q) {
      ResetFromLineOne(st);
      if (r < 0) return 0;  // ran through offset 0
      q = r;
      if (r < minq) continue;
    }
    const uint8_t cur = w.Byte(q), next = w.Byte(q + 1);
    int adv = 0;
    if (cur == kCR && next == kLF) {
      adv = 2;
    } else if (opt.loneLineEnds) {
      if (cur == kCR || (cur == kLF && (q == 0 || w.Byte(q - 1) != kCR))) adv = 1;
    }
    if (adv) {
      if (count >= n) return EndBackScan(st, q + adv);
      ++count;
    }
    ResetFromLineOne(st);
    if (q == 0) return 0;
    --q;
  }
}

int64_t FindLineStartBackWide(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t p,
                              const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  p = EvenPosition(p);
  if (p == 0) return 0;
  const int bo = opt.byteOrder;
  int64_t count = 0;
  int64_t q = p;
  if (q >= realSize) {
    // Units at or past the end are 0: no line end, and no step effect.
    if (realSize <= 0) return 0;
    q = (realSize - 1) & ~int64_t(1);
  }
  Window w(read, realSize, opt);
  auto unitAt = [&](int64_t pos) -> uint16_t {
    const uint8_t b0 = w.Byte(pos), b1 = w.Byte(pos + 1);
    return bo == 0 ? static_cast<uint16_t>((b0 << 8) | b1) : static_cast<uint16_t>(b0 | (b1 << 8));
  };
  for (;;) {
    if (!w.Has(q - 2, q + 4) && !w.LoadEndingAt(q + 4, true)) return -1;
    const int64_t minq = w.lo() == 0 ? 0 : w.lo() + 2;  // its unit before is in the window too
    const int64_t r = SkipBackWide(w.Base(), q, minq, bo);
    if (r < q) {
      if (r < 0) return 0;  // ran through offset 0
      q = r;
      if (r < minq) continue;
    }
    const uint16_t cur = unitAt(q), next = unitAt(q + 2);
    int adv = 0;
    if (cur == 0x000D && next == 0x000A) {
      adv = 4;
    } else if (opt.loneLineEnds) {
      if (cur == 0x000D || (cur == 0x000A && q > 0 && unitAt(q - 2) != 0x000D)) adv = 2;
    }
    if (adv) {
      if (count >= n) return EndBackScan(st, q + adv);
      ++count;
      ResetFromLineOne(st);
    }
    if (q == 0) return 0;
    q -= 2;
  }
}

int64_t FindLineStartForward(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t limit,
                             int64_t pageStartLimit, int64_t p, const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  if (p >= limit) return p;
  if (p == 0) return 0;
  int64_t count = 0;
  int64_t q = p;
  Window w(read, realSize, opt);
  for (;;) {
    if (q >= limit) return q;
    if (q >= realSize) return limit;  // only zeros up to the limit
    if (!w.Has(q, q + 2) && !w.LoadStartingAt(q)) return -1;
    // Positions whose next byte is in the window (or past the end).
    int64_t maxq = w.hi() == realSize ? realSize - 1 : w.hi() - 2;
    maxq = std::min(maxq, limit - 1);
    const int64_t r = SkipForwardNarrow(w.Base(), q, maxq);
    if (r > maxq) {
      q = maxq + 1;
      continue;
    }
    q = r;
    const uint8_t cur = w.Byte(q), next = w.Byte(q + 1);
    int adv = 0;
    if (cur == kCR && next == kLF) {
      adv = 2;
    } else if (opt.loneLineEnds && (cur == kCR || cur == kLF)) {
      adv = 1;
    }
    if (adv) {
      if (count >= n) return EndForwardScan(st, q + adv, pageStartLimit);
      ++count;
    }
    ++q;
  }
}

int64_t FindLineStartForwardWide(const textio::ReadAt& read, int64_t realSize, int64_t n, int64_t limit,
                                 int64_t pageStartLimit, int64_t p, const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  p = EvenPosition(p);
  if (p >= limit) return p;
  if (p == 0) return 0;
  const int bo = opt.byteOrder;
  int64_t count = 0;
  int64_t q = p;
  Window w(read, realSize, opt);
  auto unitAt = [&](int64_t pos) -> uint16_t {
    const uint8_t b0 = w.Byte(pos), b1 = w.Byte(pos + 1);
    return bo == 0 ? static_cast<uint16_t>((b0 << 8) | b1) : static_cast<uint16_t>(b0 | (b1 << 8));
  };
  for (;;) {
    if (q >= limit) return q;
    if (q >= realSize) return q + ((limit - q + 1) / 2) * 2;  // zero units up to the limit
    if (!w.Has(q - 2, q + 4) && !w.LoadStartingAt(q - 2)) return -1;
    // Units whose successor is in the window (or past the end of the data).
    int64_t maxq = w.hi() == realSize ? realSize - 1 : w.hi() - 4;
    maxq = std::min(maxq, limit - 1) & ~int64_t(1);
    const int64_t r = SkipForwardWide(w.Base(), q, maxq, bo);
    if (r > maxq) {
      q = maxq + 2;
      continue;
    }
    q = r;
    const uint16_t cur = unitAt(q), next = unitAt(q + 2);
    int adv = 0;
    if (cur == 0x000D && next == 0x000A) {
      adv = 4;
    } else if (opt.loneLineEnds) {
      if (cur == 0x000D || (cur == 0x000A && unitAt(q - 2) != 0x000D)) adv = 2;
    }
    if (adv) {
      if (count >= n) return EndForwardScan(st, q + adv, pageStartLimit);
      ++count;
    }
    q += 2;
  }
}

// ------------------------------------------------------------ reference scans

namespace reference {

int64_t FindLineStartBack(const textio::ReadAt& read, int64_t n, int64_t p, const ScanOptions& opt,
                          LineState& st) {
  if (p < 0) return -1;
  int64_t count = 0;
  while (p >= 0) {
    uint8_t b[3] = {0, 0, 0};
    if (read(p > 0 ? p - 1 : 0, b, 3) < 0) return -1;
    const bool hasPrev = p > 0;
    const uint8_t prev = hasPrev ? b[0] : 0;
    const uint8_t cur = hasPrev ? b[1] : b[0];
    const uint8_t next = hasPrev ? b[2] : b[1];
    int adv = 0;
    if (cur == kCR && next == kLF) {
      adv = 2;
    } else if (opt.loneLineEnds) {
      if (cur == kCR) adv = 1;
      else if (cur == kLF && (!hasPrev || prev != kCR)) adv = 1;
    }
    if (adv) {
      if (count >= n) {
        if (st.firstLineNumber > 0) --st.firstLineNumber;
        st.lastLineStart = 0;
        return p + adv;
      }
      ++count;
    }
    if (st.firstLineNumber == 1) {
      st.firstLineNumber = 0;
      st.lastLineStart = 0;
    }
    if (p == 0) return 0;
    --p;
  }
  return 0;
}

int64_t FindLineStartBackWide(const textio::ReadAt& read, int64_t n, int64_t p, const ScanOptions& opt,
                              LineState& st) {
  if (p < 0) return -1;
  p = EvenPosition(p);
  if (p == 0) return 0;
  int64_t count = 0;
  while (p >= 0) {
    uint8_t b[6] = {0, 0, 0, 0, 0, 0};
    uint16_t prev = 0, cur, next;
    if (p >= 2) {
      if (read(p - 2, b, 6) < 0) return -1;
      prev = Unit(b, opt.byteOrder);
      cur = Unit(b + 2, opt.byteOrder);
      next = Unit(b + 4, opt.byteOrder);
    } else {
      if (read(0, b, 4) < 0) return -1;
      cur = Unit(b, opt.byteOrder);
      next = Unit(b + 2, opt.byteOrder);
    }
    int adv = 0;
    if (cur == 0x000D && next == 0x000A) {
      adv = 4;
    } else if (opt.loneLineEnds) {
      if (cur == 0x000D) adv = 2;
      else if (cur == 0x000A && p > 0 && prev != 0x000D) adv = 2;
    }
    if (adv) {
      if (count >= n) {
        if (st.firstLineNumber > 0) --st.firstLineNumber;
        st.lastLineStart = 0;
        return p + adv;
      }
      ++count;
      if (st.firstLineNumber == 1) {
        st.firstLineNumber = 0;
        st.lastLineStart = 0;
      }
    }
    if (p == 0) return 0;
    p -= 2;
  }
  return 0;
}

int64_t FindLineStartForward(const textio::ReadAt& read, int64_t n, int64_t limit, int64_t pageStartLimit,
                             int64_t p, const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  int64_t count = 0;
  while (p < limit) {
    if (p <= 0) return p;
    uint8_t b[2] = {0, 0};
    if (read(p, b, 2) < 0) return -1;
    int adv = 0;
    if (b[0] == kCR && b[1] == kLF) adv = 2;
    else if (opt.loneLineEnds && (b[0] == kCR || b[0] == kLF)) adv = 1;
    if (adv) {
      if (count >= n) {
        p += adv;
        if (p != st.lastLineStart && p < pageStartLimit) ++st.firstLineNumber;
        st.lastLineStart = p;
        return p;
      }
      ++count;
    }
    p += 1;
  }
  return p;
}

int64_t FindLineStartForwardWide(const textio::ReadAt& read, int64_t n, int64_t limit, int64_t pageStartLimit,
                                 int64_t p, const ScanOptions& opt, LineState& st) {
  if (p < 0) return -1;
  p = EvenPosition(p);
  int64_t count = 0;
  while (p < limit) {
    if (p <= 0) return p;
    uint8_t b[6] = {0, 0, 0, 0, 0, 0};
    if (read(p - 2, b, 6) < 0) return -1;
    const uint16_t prev = Unit(b, opt.byteOrder), cur = Unit(b + 2, opt.byteOrder), next = Unit(b + 4, opt.byteOrder);
    int adv = 0;
    if (cur == 0x000D && next == 0x000A) {
      adv = 4;
    } else if (opt.loneLineEnds) {
      if (cur == 0x000D) adv = 2;
      else if (cur == 0x000A && prev != 0x000D) adv = 2;
    }
    if (adv) {
      if (count >= n) {
        p += adv;
        if (p != st.lastLineStart && p < pageStartLimit) ++st.firstLineNumber;
        st.lastLineStart = p;
        return p;
      }
      ++count;
    }
    p += 2;
  }
  return p;
}

}  // namespace reference

}  // namespace linescan
