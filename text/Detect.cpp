#include "text/Detect.h"

#include <algorithm>
#include <vector>

namespace detect {

StartDecision DecideByStart(const uint8_t* b, size_t n) {
  StartDecision d;
  if (n < 2) return d;
  if (b[0] == 0xFF && b[1] == 0xFE) {
    d = {true, kCodeUtf16, kLittleEndian, 2, true};
  } else if (b[0] == 0xFE && b[1] == 0xFF) {
    d = {true, kCodeUtf16, kBigEndian, 2, true};
  } else if (n >= 4 && b[0] == 0x0D && b[1] == 0x00 && b[2] == 0x0A && b[3] == 0x00) {
    d = {true, kCodeUtf16, kLittleEndian, 0, false};
  } else if (n >= 4 && b[0] == 0x00 && b[1] == 0x0D && b[2] == 0x00 && b[3] == 0x0A) {
    d = {true, kCodeUtf16, kBigEndian, 0, false};
  } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    d = {true, kCodeUtf8, kLittleEndian, 3, true};
  }
  return d;
}

int64_t ScanLimit(int64_t fileSize, int detectSizeMB) {
  if (fileSize <= 0 || detectSizeMB <= 0) return 0;
  return std::min<int64_t>(fileSize, static_cast<int64_t>(detectSizeMB) * kChunk);
}

namespace {

// The walk of one read: buf holds r bytes, sequence starts are examined below
// `end`. Returns how far the walk got (where the next chunk starts, relative
// to this one), or -1 when the scan is over.
using Walk = std::function<int64_t(const uint8_t* buf, int64_t r, int64_t end)>;

void WalkChunks(const textio::ReadAt& read, int64_t limit, int64_t chunk, int64_t extra, const Walk& walk) {
  if (chunk < 1) chunk = 1;
  std::vector<uint8_t> buf(static_cast<size_t>(chunk + extra + 10), 0);
  int64_t start = 0;
  while (start < limit) {
    const int64_t r = read(start, buf.data(), static_cast<size_t>(chunk + extra));
    if (r <= 0) return;
    const bool last = start + chunk >= limit;
    const int64_t end = last ? r : std::min(r, chunk);
    const int64_t reached = walk(buf.data(), r, end);
    if (reached < 0) return;
    start += std::max<int64_t>(reached, 1);
  }
}

inline bool InRange(uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; }

}  // namespace

bool ScanJis(const textio::ReadAt& read, int64_t limit, int64_t chunk) {
  bool found = false;
  bool shiftOut = false;  // SO seen somewhere before
  WalkChunks(read, limit, chunk, 5, [&](const uint8_t* b, int64_t r, int64_t end) -> int64_t {
    for (int64_t i = 0; i < end; ++i) {
      const uint8_t c = b[i];
      if (c >= 0x80) return -1;
      if (c == 0x0E) {
        shiftOut = true;
      } else if (c == 0x0F) {
        if (shiftOut) { found = true; return -1; }
      } else if (c == 0x1B) {
        if (i + 2 < r) {
          const uint8_t c1 = b[i + 1], c2 = b[i + 2];
          if ((c1 == '(' && (c2 == 'B' || c2 == 'J' || c2 == 'I')) || (c1 == '$' && (c2 == '@' || c2 == 'B'))) {
            found = true;
            return -1;
          }
        }
        if (i + 3 < r && b[i + 1] == '$' && b[i + 2] == '(' && b[i + 3] == 'D') { found = true; return -1; }
        if (i + 5 < r && b[i + 1] == '&' && b[i + 2] == '@' && b[i + 3] == 0x1B && b[i + 4] == '$' &&
            b[i + 5] == 'B') {
          found = true;
          return -1;
        }
      }
    }
    return end;
  });
  return found;
}

bool ScanUtf16(const textio::ReadAt& read, int64_t limit, int* byteOrder, int64_t chunk) {
  if (chunk < 2) chunk = 2;
  chunk += chunk & 1;
  bool found = false;
  // Three bytes of overlap, so that a pair of units that starts on the
  // chunk's last unit is seen whole.
  WalkChunks(read, limit, chunk, 3, [&](const uint8_t* b, int64_t r, int64_t end) -> int64_t {
    for (int64_t i = 0; i < end && i + 3 < r; i += 2) {
      if (b[i] == 0x0D && b[i + 1] == 0x00 && b[i + 2] == 0x0A && b[i + 3] == 0x00) {
        found = true;
        break;
      }
      if (b[i] == 0x00 && b[i + 1] == 0x0D && b[i + 2] == 0x00 && b[i + 3] == 0x0A) {
        found = true;
        if (byteOrder) *byteOrder = kBigEndian;
        break;
      }
    }
    // A hit ends this chunk only; the next one starts a whole chunk on.
    return end < chunk ? std::max<int64_t>(end & ~int64_t(1), 2) : chunk;
  });
  return found;
}

bool ScanUtf8(const textio::ReadAt& read, int64_t limit, uint32_t* countOut, int64_t chunk) {
  uint32_t count = 0;
  bool zeroed = false;
  auto trail = [](uint8_t c) { return InRange(c, 0x80, 0xBF); };
  WalkChunks(read, limit, chunk, 3, [&](const uint8_t* b, int64_t r, int64_t end) -> int64_t {
    int64_t i = 0;
    while (i < end) {
      const uint8_t c = b[i];
      if (c >= 0x80 && i + 1 < r) {
        if (InRange(c, 0xC0, 0xDF) && trail(b[i + 1])) {
          ++count;
          i += 2;
          continue;
        }
        if (InRange(c, 0xE0, 0xEF) && i + 2 < r && trail(b[i + 1]) && trail(b[i + 2])) {
          ++count;
          i += 3;
          continue;
        }
        if (InRange(c, 0xF0, 0xF7) && i + 3 < r && trail(b[i + 1]) && trail(b[i + 2]) && trail(b[i + 3])) {
          ++count;
          i += 4;
          continue;
        }
        if (i == r - 3) {
          zeroed = true;
          return -1;
        }
      }
      ++i;
    }
    return i;
  });
  if (zeroed) count = 0;
  if (countOut) *countOut = count;
  return count > 0;
}

bool ScanSjis(const textio::ReadAt& read, int64_t limit, uint32_t* countOut, int64_t chunk) {
  uint32_t count = 0;
  bool zeroed = false;
  WalkChunks(read, limit, chunk, 1, [&](const uint8_t* b, int64_t r, int64_t end) -> int64_t {
    int64_t i = 0;
    while (i < end) {
      const uint8_t c = b[i];
      if (c >= 0x80 && !InRange(c, 0xA1, 0xDF) && i + 1 < r) {
        const uint8_t t = b[i + 1];
        if ((InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xFC)) && (InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC))) {
          ++count;
          i += 2;
          continue;
        }
        zeroed = true;
        return -1;
      }
      ++i;
    }
    return i;
  });
  if (zeroed) count = 0;
  if (countOut) *countOut = count;
  return count > 0;
}

bool ScanEuc(const textio::ReadAt& read, int64_t limit, uint32_t* countOut, int64_t chunk) {
  uint32_t count = 0;
  bool zeroed = false;
  WalkChunks(read, limit, chunk, 2, [&](const uint8_t* b, int64_t r, int64_t end) -> int64_t {
    int64_t i = 0;
    while (i < end) {
      const uint8_t c = b[i];
      if (c >= 0x80 && i + 1 < r) {
        const uint8_t t = b[i + 1];
        if (InRange(c, 0xA1, 0xFE) && InRange(t, 0xA1, 0xFE)) {
          ++count;
          i += 2;
          continue;
        }
        if (c == 0x8E && InRange(t, 0xA1, 0xDF)) {
          ++count;
          i += 2;
          continue;
        }
        if (c == 0x8F && i + 2 < r && InRange(t, 0xA1, 0xFE) && InRange(b[i + 2], 0xA1, 0xFE)) {
          ++count;
          i += 3;
          continue;
        }
        zeroed = true;
        return -1;
      }
      ++i;
    }
    return i;
  });
  if (zeroed) count = 0;
  if (countOut) *countOut = count;
  return count > 0;
}

int DecideByCounts(const Counts& k) {
  const uint32_t u = k.utf8, s = k.sjis, e = k.euc;
  if (u == 0 && s == 0 && e == 0) return kDetectNothing;
  if (u < s && e < s) return kDetectSjis;
  if (s < u && u >= e) return kDetectUtf8;
  if (s < e && e >= u) return kDetectEuc;
  return kDetectNothing;
}

int DetectTextCode(const textio::ReadAt& read, int64_t fileSize, int detectSizeMB, int* byteOrder, Counts* countsOut,
                   const std::function<void(bool)>& busy, int64_t chunk) {
  const int64_t limit = ScanLimit(fileSize, detectSizeMB);
  if (countsOut) *countsOut = Counts();
  if (ScanJis(read, limit, chunk)) return kDetectJis;
  if (ScanUtf16(read, limit, byteOrder, chunk)) return kDetectUtf16;
  Counts k;
  if (busy) busy(true);
  const bool u = ScanUtf8(read, limit, &k.utf8, chunk);
  const bool s = ScanSjis(read, limit, &k.sjis, chunk);
  const bool e = ScanEuc(read, limit, &k.euc, chunk);
  if (busy) busy(false);
  if (countsOut) *countsOut = k;
  if (!u && !s && !e) return kDetectNothing;
  return DecideByCounts(k);
}

int TextCodeOfResult(int result) {
  switch (result) {
    case kDetectUtf8: return kCodeUtf8;
    case kDetectEuc: return kCodeEuc;
    case kDetectJis: return kCodeJis;
    case kDetectUtf16: return kCodeUtf16;
    default: return kCodeSjis;
  }
}

}  // namespace detect
