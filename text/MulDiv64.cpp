#include "text/MulDiv64.h"
#include <climits>

namespace muldiv {

UQuot MulDivU64(uint64_t a, uint32_t b, uint64_t c) {
  if (c == 0) return UQuot{UINT64_MAX, 0, true};
  // a * b = hi * 2^64 + lo, with hi < 2^32.
  uint64_t p0 = (a & 0xFFFFFFFFu) * b;
  uint64_t p1 = (a >> 32) * b;
  uint64_t lo = p0 + (p1 << 32);
  uint64_t hi = (p1 >> 32) + (lo < p0 ? 1 : 0);
  if (hi == 0) return UQuot{lo / c, lo % c, false};
  if (hi >= c) return UQuot{UINT64_MAX, 0, true};
  // Shift-subtract division of hi:lo by c; the remainder stays below c, so the
  // quotient's 64 bits come from the 64 bits of lo.
  uint64_t r = hi, q = 0;
  for (int i = 63; i >= 0; --i) {
    uint64_t carry = r >> 63;
    r = (r << 1) | ((lo >> i) & 1u);
    q <<= 1;
    if (carry || r >= c) {
      r -= c;
      q |= 1u;
    }
  }
  return UQuot{q, r, false};
}

namespace {
uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }
}  // namespace

int64_t MulDivS64(int64_t a, int32_t b, int64_t c) {
  if (c == 0) return 0;
  bool negative = (a < 0) != (b < 0);
  if (c < 0) negative = !negative;
  uint32_t mb = b < 0 ? 0u - static_cast<uint32_t>(b) : static_cast<uint32_t>(b);
  UQuot q = MulDivU64(Magnitude(a), mb, Magnitude(c));
  if (q.quotient == 0) return 0;
  if (negative) {
    if (q.overflow || q.quotient > static_cast<uint64_t>(INT64_MAX) + 1u) return INT64_MIN;
    return static_cast<int64_t>(0 - q.quotient);
  }
  if (q.overflow || q.quotient > static_cast<uint64_t>(INT64_MAX)) return INT64_MAX;
  return static_cast<int64_t>(q.quotient);
}

int64_t SatAdd64(int64_t a, int64_t b) {
  if (b > 0 && a > INT64_MAX - b) return INT64_MAX;
  if (b < 0 && a < INT64_MIN - b) return INT64_MIN;
  return a + b;
}

int64_t SatSub64(int64_t a, int64_t b) {
  if (b < 0 && a > INT64_MAX + b) return INT64_MAX;
  if (b > 0 && a < INT64_MIN + b) return INT64_MIN;
  return a - b;
}

int TrackThumbOffset(int64_t position, int trackLength, int64_t max) {
  if (max == 0 || trackLength <= 0) return 0;
  int64_t q = MulDivS64(position, trackLength, max);
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(q)));
}

bool TrackDragPosition(int64_t max, int pointer, int barPrs, int trackLength, int64_t* position) {
  if (trackLength <= 0) return false;
  int64_t v = static_cast<int64_t>(pointer) - barPrs;
  if (v < 0) v = 0;
  if (v > trackLength) v = trackLength;
  int64_t p = MulDivS64(max, static_cast<int32_t>(v), trackLength);
  if (p < 0 || p > max) return false;
  *position = p;
  return true;
}

int CalcPercent64(uint64_t value, uint64_t range) {
  if (range == 0) return 0;
  UQuot q = MulDivU64(value, 100u, range);
  if (q.overflow || q.quotient > static_cast<uint64_t>(INT_MAX)) return INT_MAX;
  return static_cast<int>(q.quotient);
}

int ProgressPercentDone(uint64_t position, uint64_t min, uint64_t max) {
  if (position < min) return 0;
  return CalcPercent64(position - min, max - min);
}

int ProgressParValue(uint64_t position, uint64_t max) { return CalcPercent64(position, max); }

Filled ProgressFilled(int barLength, uint64_t position, uint64_t max) {
  if (barLength <= 0 || max == 0) return Filled{0, false};
  UQuot q = MulDivU64(position, static_cast<uint32_t>(barLength), max);
  if (q.overflow || q.quotient > static_cast<uint64_t>(INT64_MAX)) return Filled{INT64_MAX, false};
  return Filled{static_cast<int64_t>(q.quotient), q.remainder != 0};
}

bool ProgressBlockShown(int i, int blockCount, uint64_t position, uint64_t max) {
  if (blockCount <= 0 || max == 0) return false;
  int64_t need = static_cast<int64_t>(i) * 100 / blockCount;
  UQuot have = MulDivU64(position, 100u, max);
  if (have.overflow) return true;
  return need < 0 || static_cast<uint64_t>(need) <= have.quotient;
}

int ProgressBlocksShown(int blockCount, uint64_t position, uint64_t max) {
  int n = 0;
  for (int i = 1; i <= blockCount; ++i) {
    if (ProgressBlockShown(i, blockCount, position, max)) ++n;
  }
  return n;
}

}  // namespace muldiv
