#include "text/CharLength.h"

#include "text/JisDecode.h"

namespace charlen {
namespace {

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool IsHalfKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
bool IsEucHigh(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }
bool IsCont(unsigned char b) { return (b & 0xC0) == 0x80; }
bool IsHigh(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

unsigned char B(const char* t, size_t i) { return static_cast<unsigned char>(t[i]); }

// Bytes of the Shift_JIS character that starts at i.
size_t SjisLengthAt(const char* t, size_t length, size_t i) {
  if (i + 1 < length && IsLead(B(t, i)) && IsTrail(B(t, i + 1))) return 2;
  return 1;
}

// The file-code length of the Shift_JIS character [start, start + n) of the memo.
int NarrowFileLength(int code, const char* t, size_t start, size_t n) {
  if (n == 2) return 2;  // double-byte in Shift_JIS, EUC-JP and JIS alike
  if (code == 3 && IsHalfKana(B(t, start))) return 2;  // 8E xx
  return 1;
}

int Utf8Expected(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC0 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF7) return 4;
  return 1;  // a continuation byte or an invalid byte stands alone
}

// UTF-8 bytes of one unit that is not part of a surrogate pair. A lone unit
// U+DC80-U+DCFF stands for one raw byte that was no UTF-8 sequence in the file
// (the pane shows such bytes that way and writes them back as the byte).
int Utf8OfUnit(unsigned u) {
  if (u <= 0x7F) return 1;
  if (u <= 0x7FF) return 2;
  if (u >= 0xDC80 && u <= 0xDCFF) return 1;
  return 3;
}

}  // namespace

size_t SjisCharStart(const char* text, size_t length, size_t i) {
  size_t p = 0;
  while (p < i) {
    const size_t n = SjisLengthAt(text, length, p);
    if (p + n > i) return p;
    p += n;
  }
  return p;
}

int NarrowViewLengthBefore(int code, const char* text, size_t length, size_t caret) {
  if (caret == 0 || caret > length) return 0;
  const size_t start = SjisCharStart(text, length, caret - 1);
  return NarrowFileLength(code, text, start, caret - start);
}

int NarrowViewLengthAt(int code, const char* text, size_t length, size_t caret) {
  if (caret >= length || text[caret] == 0) return 0;
  return NarrowFileLength(code, text, caret, SjisLengthAt(text, length, caret));
}

int WideViewLengthBefore(int code, const wchar_t* text, size_t length, size_t caret) {
  if (caret == 0 || caret > length) return 0;
  const unsigned last = static_cast<unsigned>(text[caret - 1]) & 0xFFFF;
  const bool pair = caret >= 2 && IsLow(last) && IsHigh(static_cast<unsigned>(text[caret - 2]) & 0xFFFF);
  if (code == 1) return pair ? 2 : 1;
  return pair ? 4 : Utf8OfUnit(last);
}

int WideViewLengthAt(int code, const wchar_t* text, size_t length, size_t caret) {
  if (caret >= length || text[caret] == 0) return 0;
  const unsigned u = static_cast<unsigned>(text[caret]) & 0xFFFF;
  const bool pair = caret + 1 < length && IsHigh(u) && IsLow(static_cast<unsigned>(text[caret + 1]) & 0xFFFF);
  if (code == 1) return pair ? 2 : 1;
  return pair ? 4 : Utf8OfUnit(u);
}

int64_t Utf8LengthOfWide(const wchar_t* t, size_t n) {
  int64_t sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned u = static_cast<unsigned>(t[i]) & 0xFFFF;
    if (IsHigh(u) && i + 1 < n && IsLow(static_cast<unsigned>(t[i + 1]) & 0xFFFF)) {
      sum += 4;
      ++i;
    } else {
      sum += Utf8OfUnit(u);
    }
  }
  return sum;
}

int64_t EucLengthOfSjis(const char* t, size_t n) {
  int64_t sum = 0;
  for (size_t i = 0; i < n;) {
    const size_t len = SjisLengthAt(t, n, i);
    sum += NarrowFileLength(3, t, i, len);
    i += len;
  }
  return sum;
}

int64_t JisLengthOfSjis(const char* t, size_t n, bool kanaByShiftOut) {
  const int kanaOpen = kanaByShiftOut ? 1 : 3, kanaClose = kanaByShiftOut ? 1 : 3;
  int64_t sum = 0;
  int mode = 0;  // 0 single-byte, 1 double-byte run, 2 kana run
  for (size_t i = 0; i < n;) {
    const size_t len = SjisLengthAt(t, n, i);
    const bool kana = len == 1 && IsHalfKana(B(t, i));
    if (mode == 2 && !kana) {
      sum += kanaClose;
      mode = 0;
    }
    if (len == 2) {
      if (mode == 0) sum += 3;  // ESC $ B
      sum += 2;
      mode = 1;
      i += 2;
      const bool nextDouble = i < n && SjisLengthAt(t, n, i) == 2;
      if (!nextDouble) {
        sum += 3;  // ESC ( B
        mode = 0;
      }
      continue;
    }
    if (kana && mode != 2) {
      sum += kanaOpen;
      mode = 2;
    }
    sum += 1;
    ++i;
  }
  if (mode == 2) sum += kanaClose;
  return sum;
}

int EucLengthAt(const unsigned char* p, size_t avail) {
  if (avail == 0) return 0;
  int n = 1;
  if (p[0] == 0x8F) n = 3;
  else if (p[0] == 0x8E || IsEucHigh(p[0])) n = 2;
  return n > static_cast<int>(avail) ? static_cast<int>(avail) : n;
}

namespace {
// EUC-JP: the bytes after the last byte below A1 at the end of buf, and what they
// leave over once the lead byte before them (8E, 8F) has taken its share.
// Returns the number of trailing bytes that do not form whole characters, with
// *lastLength the length of the last whole character (0 when none).
int EucTail(const unsigned char* buf, size_t len, int* lastLength) {
  size_t j = len;
  while (j > 0 && IsEucHigh(buf[j - 1])) --j;
  const int run = static_cast<int>(len - j);
  const unsigned char before = j > 0 ? buf[j - 1] : 0;
  *lastLength = 0;
  if (run == 0) {
    if (len > 0 && (before == 0x8E || before == 0x8F)) return 1;  // a lead byte alone
    if (len > 0) *lastLength = 1;
    return 0;
  }
  int rest = run;
  int leadShare = 0;
  if (before == 0x8E) leadShare = 1;
  else if (before == 0x8F) leadShare = 2;
  if (rest < leadShare) return rest + 1;  // the lead's own character is cut
  rest -= leadShare;
  if (rest % 2 == 1) return 1;
  *lastLength = rest > 0 ? 2 : leadShare + 1;
  return 0;
}
}  // namespace

int EucLengthBefore(const unsigned char* buf, size_t len) {
  if (len == 0) return 0;
  int last = 0;
  if (EucTail(buf, len, &last) != 0) return 1;  // not on a boundary: one byte
  return last;
}

int Utf8LengthAt(const unsigned char* p, size_t avail) {
  if (avail == 0) return 0;
  const int expected = Utf8Expected(p[0]);
  int n = 1;
  while (n < expected && static_cast<size_t>(n) < avail && IsCont(p[n])) ++n;
  return n;
}

int Utf8LengthBefore(const unsigned char* buf, size_t len) {
  if (len == 0) return 0;
  int c = 0;
  while (c < 3 && static_cast<size_t>(c) < len - 1 && IsCont(buf[len - 1 - c])) ++c;
  const unsigned char lead = buf[len - 1 - c];
  if (c > 0 && Utf8Expected(lead) == c + 1) return c + 1;
  return 1;
}

namespace {

// Length of the escape sequence that starts at buf[i] (an ESC): its full length
// when it is one of the JIS designations, -1 when buf ends inside one, 0 when it
// is no known sequence. *doubleByte tells the mode it selects.
int JisEscape(const unsigned char* buf, size_t len, size_t i, bool* doubleByte) {
  static const struct {
    const char* seq;
    bool dbl;
  } kSeqs[] = {{"\x1b$@", true}, {"\x1b$B", true}, {"\x1b$(D", true}, {"\x1b&@\x1b$B", true},
               {"\x1b(B", false}, {"\x1b(J", false}, {"\x1b(I", false}};
  bool prefix = false;
  for (const auto& s : kSeqs) {
    size_t n = 0;
    while (s.seq[n]) ++n;
    size_t k = 0;
    while (k < n && i + k < len && buf[i + k] == static_cast<unsigned char>(s.seq[k])) ++k;
    if (k == n) {
      *doubleByte = s.dbl;
      return static_cast<int>(n);
    }
    if (i + k == len) prefix = true;
  }
  return prefix ? -1 : 0;
}

int JisStepBack(const unsigned char* buf, size_t len) {
  // A sequence cut by the end of buf: the boundary is in front of it.
  for (size_t i = len > 6 ? len - 6 : 0; i < len; ++i) {
    bool dbl = false;
    if (buf[i] == 0x1B && JisEscape(buf, len, i, &dbl) < 0) return static_cast<int>(len - i);
  }
  // The last sequence (or shift-out) decides the mode of the bytes after it;
  // from there the decoder's own reading finds the characters' borders.
  size_t i = len;
  while (i > 0) {
    --i;
    bool dbl = false;
    if (buf[i] == 0x0E || (buf[i] == 0x1B && JisEscape(buf, len, i, &dbl) > 0)) break;
  }
  jisdecode::Reader r(buf + i, len - i, jisdecode::State());
  jisdecode::Step step;
  while (r.Next(&step)) {
    // A first byte of a pair whose second byte lies behind buf is cut.
    if (step.broken && i + step.start + 1 == len) return 1;
  }
  return 0;
}

}  // namespace

int StepBackToBoundary(int code, bool bigEndian, const unsigned char* buf, size_t len) {
  if (len == 0) return 0;
  switch (code) {
    case 0: {
      size_t j = len;
      while (j > 0 && IsLead(buf[j - 1])) --j;
      return (len - j) % 2 == 1 ? 1 : 0;
    }
    case 1: {
      const int odd = static_cast<int>(len % 2);
      const size_t end = len - static_cast<size_t>(odd);
      if (end < 2) return odd;
      const unsigned u = bigEndian ? (buf[end - 2] << 8 | buf[end - 1]) : (buf[end - 1] << 8 | buf[end - 2]);
      return odd + (IsHigh(u) ? 2 : 0);
    }
    case 2: {
      int c = 0;
      while (c < 3 && static_cast<size_t>(c) < len - 1 && IsCont(buf[len - 1 - c])) ++c;
      const int expected = Utf8Expected(buf[len - 1 - c]);
      if (expected > 1 && expected > c + 1) return c + 1;  // a sequence without its end
      return 0;
    }
    case 3: {
      int last = 0;
      return EucTail(buf, len, &last);
    }
    case 4:
      return JisStepBack(buf, len);
  }
  return 0;
}

}  // namespace charlen
