#include "text/PageText.h"

#include <algorithm>

namespace pagetext {

namespace {
constexpr uint8_t kCR = 0x0D;
constexpr uint8_t kLF = 0x0A;

inline uint16_t UnitAt(const uint8_t* p, int byteOrder) {
  return byteOrder == 0 ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline bool IsSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
}  // namespace

PageCut CutPageNarrow(const uint8_t* t, size_t len, int linesPerPage) {
  if (linesPerPage < 1) linesPerPage = 1;
  PageCut cut;
  size_t k = 0;
  while (k < len) {
    size_t last;  // last byte of the line end at k
    if (t[k] == kCR && k + 1 < len && t[k + 1] == kLF) {
      last = k + 1;
    } else if (t[k] == kCR || t[k] == kLF) {
      last = k;
    } else {
      ++k;
      continue;
    }
    ++cut.lineEnds;
    if (cut.lineEnds >= linesPerPage) {
      cut.end = last;
      return cut;
    }
    k = last + 1;
    if (len - k == 1) break;  // one byte after a line end: taken in
  }
  cut.end = len;
  return cut;
}

PageCut CutPageWide(const uint8_t* t, size_t lenBytes, int linesPerPage, int byteOrder, bool loneLineEnds) {
  if (linesPerPage < 1) linesPerPage = 1;
  const size_t len = lenBytes & ~size_t(1);
  PageCut cut;
  size_t k = 0;
  if (len >= 2) {
    const uint16_t first = UnitAt(t, byteOrder);
    if (first == 0xFEFF || first == 0xFFFE) k = 2;
  }
  for (; k + 2 <= len; k += 2) {
    const uint16_t u = UnitAt(t + k, byteOrder);
    const bool pair = u == 0x000D && k + 4 <= len && UnitAt(t + k + 2, byteOrder) == 0x000A;
    const bool lone = !pair && loneLineEnds && (u == 0x000D || u == 0x000A);
    if (!pair && !lone) continue;
    ++cut.lineEnds;
    if (cut.lineEnds >= linesPerPage) {
      cut.end = k;
      return cut;
    }
    if (pair) k += 2;
  }
  cut.end = len;
  return cut;
}

size_t DropFinalCrNarrow(const uint8_t* t, size_t end) {
  if (end > 0 && t[end - 1] == kCR) return end - 1;
  return end;
}

size_t DropFinalCrWide(const uint8_t* t, size_t end, int byteOrder) {
  end &= ~size_t(1);
  if (end >= 2 && UnitAt(t + end - 2, byteOrder) == 0x000D) return end - 2;
  return end;
}

int LinesPerPage(int viewHeight, int hScrollHeight, int charHeight, bool csvColumnRow) {
  if (charHeight <= 0) return 1;
  const int n = (viewHeight - hScrollHeight) / charHeight - (csvColumnRow ? 2 : 1);
  return std::max(1, n);
}

int64_t CharsPerPage(int viewWidth, int viewHeight, int charWidth, int charHeight, int* charsPerLine) {
  const int perLine = charWidth > 0 ? std::max(1, viewWidth / charWidth) : 1;
  const int lines = charHeight > 0 ? std::max(1, viewHeight / charHeight) : 1;
  if (charsPerLine) *charsPerLine = perLine;
  return static_cast<int64_t>(perLine) * lines;
}

size_t NarrowCutAt(const uint8_t* t, size_t len, int64_t chars) {
  if (chars <= 0) return 0;
  if (static_cast<uint64_t>(chars) >= len) return len;
  const size_t o = static_cast<size_t>(chars);
  size_t k = 0;
  while (k < o) {
    if (IsSjisLead(t[k]) && k + 1 < len) {
      if (k + 1 == o) return k;  // o would fall between lead and trail
      k += 2;
    } else {
      ++k;
    }
  }
  return o;
}

int64_t CountLineEndsNarrow(const uint8_t* t, size_t len) {
  int64_t n = 0;
  for (size_t k = 0; k < len; ++k) {
    if (t[k] == kCR) {
      if (k + 1 < len && t[k + 1] == kLF) {
        ++k;
        continue;
      }
      ++n;
    } else if (t[k] == kLF) {
      ++n;
    }
  }
  return n;
}

int64_t CountLineEndsWide(const uint8_t* t, size_t lenBytes, int byteOrder) {
  const size_t len = lenBytes & ~size_t(1);
  int64_t n = 0;
  for (size_t k = 0; k + 2 <= len; k += 2) {
    const uint16_t u = UnitAt(t + k, byteOrder);
    if (u == 0x000D) {
      if (k + 4 <= len && UnitAt(t + k + 2, byteOrder) == 0x000A) {
        k += 2;
        continue;
      }
      ++n;
    } else if (u == 0x000A) {
      ++n;
    }
  }
  return n;
}

bool HasNulByte(const uint8_t* buf, size_t len) { return std::find(buf, buf + len, uint8_t(0)) != buf + len; }

bool HasNulWord(const uint8_t* buf, size_t units) {
  for (size_t k = 0; k < units; ++k)
    if (buf[2 * k] == 0 && buf[2 * k + 1] == 0) return true;
  return false;
}

size_t ReplaceNulBytes(uint8_t* buf, size_t len, uint8_t newValue, uint8_t key) {
  size_t n = 0;
  for (size_t k = 0; k < len; ++k) {
    if (buf[k] == key) {
      buf[k] = newValue;
      ++n;
    }
  }
  return n;
}

size_t ReplaceNulWords(uint8_t* buf, size_t units, uint16_t newValue, uint16_t key) {
  size_t n = 0;
  for (size_t k = 0; k < units; ++k) {
    uint8_t* p = buf + 2 * k;
    if (static_cast<uint16_t>(p[0] | (p[1] << 8)) == key) {
      p[0] = static_cast<uint8_t>(newValue & 0xFF);
      p[1] = static_cast<uint8_t>(newValue >> 8);
      ++n;
    }
  }
  return n;
}

size_t ShowNulsAsAt(uint8_t* buf, size_t lenBytes, int unit, int byteOrder) {
  if (unit != 2) return ReplaceNulBytes(buf, lenBytes, '@', 0);
  // "@" as stored in the text's byte order, read little endian.
  const uint16_t at = byteOrder == 0 ? 0x4000 : 0x0040;
  return ReplaceNulWords(buf, lenBytes / 2, at, 0);
}

NulSafeResult MakeNulSafe(uint8_t* buf, size_t lenBytes, int unit) {
  NulSafeResult r;
  if (unit != 2) {
    for (size_t k = 0; k < lenBytes; ++k) {
      if (buf[k] == 0) {
        buf[k] = 1;
        ++r.nulCount;
      } else if (buf[k] == 1) {
        r.hadPlaceholder = true;
      }
    }
    return r;
  }
  for (size_t k = 0; k + 2 <= lenBytes; k += 2) {
    if (buf[k] == 0 && buf[k + 1] == 0) {
      buf[k] = 1;
      ++r.nulCount;
    } else if (buf[k] == 1 && buf[k + 1] == 0) {
      r.hadPlaceholder = true;
    }
  }
  return r;
}

size_t RestoreNuls(uint8_t* buf, size_t lenBytes, int unit) {
  if (unit != 2) return ReplaceNulBytes(buf, lenBytes, 0, 1);
  size_t n = 0;
  for (size_t k = 0; k + 2 <= lenBytes; k += 2) {
    if (buf[k] == 1 && buf[k + 1] == 0) {
      buf[k] = 0;
      ++n;
    }
  }
  return n;
}

}  // namespace pagetext
