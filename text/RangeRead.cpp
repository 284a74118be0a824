#include "text/RangeRead.h"

namespace rangeread {

ByteRange RangeBytes(const RangeInput& in) {
  int64_t start = in.selStart;
  int64_t length = in.selLength;
  if (in.narrowReader && in.code == 4) {
    if (in.jisShiftState != 3) start -= 3;
    else if (in.jisRunStart) length += 3;
  }
  if (length < 0) {
    start += length;
    length = -length;
  }
  if (in.code == 1) {
    start *= 2;
    length *= 2;
  }
  if (start < 0) {
    length += start;
    start = 0;
  }
  if (length < 0) length = 0;
  return {start, length};
}

ReadCount CountToRead(int64_t length, int64_t cap, bool win9x) {
  ReadCount r;
  if (length < 0) return r;
  int64_t n = length;
  if (win9x) {
    if (n > 0x10000) n = 0x10000;
  } else if (cap > 0) {
    if (n > cap) n = cap;
  }
  if (n > kUncappedCeiling) return r;
  r.ok = true;
  r.count = static_cast<size_t>(n);
  return r;
}

int DominantLineEnd(const unsigned char* b, size_t len, bool wide, bool bigEndian) {
  int64_t pairs = 0, cr = 0, lf = 0;
  const size_t step = wide ? 2 : 1;
  auto unit = [&](size_t i) -> unsigned {
    if (!wide) return b[i];
    return bigEndian ? (b[i] << 8 | b[i + 1]) : (b[i + 1] << 8 | b[i]);
  };
  for (size_t i = 0; i + step <= len; i += step) {
    const unsigned u = unit(i);
    if (u == 0x0D) {
      if (i + 2 * step <= len && unit(i + step) == 0x0A) {
        ++pairs;
        i += step;
      } else {
        ++cr;
      }
    } else if (u == 0x0A) {
      ++lf;
    }
  }
  if (pairs >= cr + lf) return 0;
  return lf < cr ? 1 : 2;
}

}  // namespace rangeread
