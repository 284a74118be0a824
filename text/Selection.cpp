#include "text/Selection.h"

#include <algorithm>
#include <vector>

#include "text/CharLength.h"

namespace selection {

FileSelection Normalize(FileSelection s) {
  if (s.length < 0) {
    s.start += s.length;
    s.length = -s.length;
  }
  return s;
}

int64_t PageBase(int code, int64_t sliderPos, int bomLength) {
  const int64_t base = sliderPos + (sliderPos == 0 ? bomLength : 0);
  return code == 1 ? base / 2 : base;
}

int64_t ViewToFileOffset(int code, int64_t sliderPos, int bomLength, int64_t measure,
                         int64_t lineEndCorrection) {
  return measure + PageBase(code, sliderPos, bomLength) - lineEndCorrection;
}

FileSelection ExtendSelection(const FileSelection& current, int64_t a, int64_t n) {
  int64_t e = a;
  if (a >= current.start) e += n;
  return Normalize({current.start, e - current.start});
}

FileSelection PaneSelection(int64_t a, int64_t n) { return {a, n}; }

FileSelection MemoSelection(const FileSelection& current, int64_t a, int64_t n) {
  FileSelection s{current.start, n};
  if (a < s.start) s.start = a;
  return s;
}

int64_t SelectionBytes(int code, int64_t selLength, bool viewHasSelection) {
  if (!viewHasSelection) return 0;
  const int64_t n = selLength < 0 ? -selLength : selLength;
  return n * UnitSize(code);
}

DeletePlan PlanDelete(int code, const FileSelection& sel, int64_t fileSize, int bomLength,
                      bool backspace, int charLength) {
  const int u = UnitSize(code);
  const int64_t first = bomLength / u;  // first unit after the mark
  const int64_t end = fileSize / u;     // one past the last unit
  DeletePlan plan;
  FileSelection s = Normalize(sel);
  if (s.length != 0) {
    // The mark is never removed, and nothing past the end is asked for.
    int64_t from = std::max(s.start, first);
    int64_t to = std::min(s.start + s.length, end);
    if (to <= from) return plan;
    plan = {true, from, to - from, from};
    return plan;
  }
  if (charLength <= 0) return plan;
  if (backspace) {
    if (s.start <= first) return plan;
    const int64_t from = std::max(s.start - charLength, first);
    plan = {true, from, s.start - from, from};
  } else {
    if (s.start >= end || s.start < first) return plan;
    plan = {true, s.start, std::min<int64_t>(charLength, end - s.start), s.start};
  }
  return plan;
}

int64_t PagePositionAfterEdit(int code, int64_t sliderPos, int64_t selStart) {
  const int64_t bytes = selStart * UnitSize(code);
  return bytes < sliderPos ? bytes : sliderPos;
}

JisCaret JisCaretState(const std::string& t, size_t caret, bool release) {
  JisCaret j;
  const int at = charlen::ViewLengthAt(0, t, caret);
  const int before = charlen::ViewLengthBefore(0, t, caret);
  if (at != 2) {
    j.shiftState = 3;
  } else if (before != 2) {
    j.shiftState = 3;
    j.runStart = release;
  }
  return j;
}

int64_t JisCaretMeasure(const std::string& t, size_t caret, bool kanaByShiftOut) {
  if (caret > t.size()) caret = t.size();
  int64_t n = charlen::JisLengthOfSjis(t.data(), caret, kanaByShiftOut);
  auto kanaAt = [&t](size_t i) {
    const unsigned char b = static_cast<unsigned char>(t[i]);
    return b >= 0xA1 && b <= 0xDF;
  };
  // A single-byte character before the caret (not the trail byte of a pair)
  // and one at it, both half-width kana: the run goes on at the caret.
  if (caret > 0 && caret < t.size() && charlen::ViewLengthBefore(0, t, caret) == 1 &&
      charlen::ViewLengthAt(0, t, caret) == 1 && kanaAt(caret - 1) && kanaAt(caret)) {
    n -= kanaByShiftOut ? 1 : 3;
  }
  return n;
}

int64_t JisCharOffset(const std::string& t, size_t caret, bool kanaByShiftOut) {
  if (caret > t.size()) caret = t.size();
  const int64_t n = JisCaretMeasure(t, caret, kanaByShiftOut);
  return JisCaretState(t, caret, false).shiftState == 3 ? n : n - 3;
}

FileSelection SelectAll(int code, int64_t fileSize, int bomLength) {
  const int u = UnitSize(code);
  return {bomLength / u, (fileSize - bomLength) / u};
}

namespace {

constexpr int64_t kReadFailed = -2;

// A block of the file read backwards: bytes at or beyond the end of the data are 0.
class BackWindow {
 public:
  BackWindow(const ReadAt& read, int64_t floor) : read_(read), floor_(floor) {}
  // The byte at off, or -1 when the read failed.
  int At(int64_t off) {
    if (off < 0) return 0;
    if (off < lo_ || off >= hi_) {
      // A line start lies a line back as a rule: the first read is small,
      // and each further one twice the one before, up to a block.
      hi_ = off + 16;
      lo_ = std::max<int64_t>({int64_t{0}, floor_, hi_ - block_});
      block_ = std::min(2 * block_, kBlock);
      if (off < lo_) lo_ = off;
      buf_.assign(static_cast<size_t>(hi_ - lo_), 0);
      const int64_t got = read_(lo_, buf_.data(), buf_.size());
      if (got < 0) {
        lo_ = hi_ = 0;
        return -1;
      }
    }
    return buf_[static_cast<size_t>(off - lo_)];
  }

 private:
  static constexpr int64_t kBlock = 65536;
  int64_t block_ = 4096;
  const ReadAt& read_;
  int64_t floor_;
  int64_t lo_ = 0, hi_ = 0;
  std::vector<unsigned char> buf_;
};

int64_t ScanNarrow(BackWindow& w, bool lone, int64_t n, int64_t p, int64_t bound) {
  int64_t count = 0;
  for (int64_t P = p; P >= bound && P >= 0; --P) {
    const int before = P > 0 ? w.At(P - 1) : 0;
    const int c0 = w.At(P);
    const int c1 = w.At(P + 1);
    if (before < 0 || c0 < 0 || c1 < 0) return kReadFailed;
    int adv = 0;
    if (c0 == 0x0D && c1 == 0x0A) adv = 2;
    else if (lone && c0 == 0x0D) adv = 1;
    else if (lone && c0 == 0x0A && !(P > 0 && before == 0x0D)) adv = 1;
    if (adv) {
      if (count >= n) return P + adv;
      ++count;
    }
  }
  return -1;
}

int64_t ScanWide(BackWindow& w, bool bigEndian, bool lone, int64_t n, int64_t p, int64_t bound) {
  auto unit = [&](int64_t off) -> int {
    if (off < 0) return 0;
    const int a = w.At(off), b = w.At(off + 1);
    if (a < 0 || b < 0) return -1;
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  if (p % 2) --p;
  int64_t count = 0;
  for (int64_t P = p; P >= bound && P >= 0; P -= 2) {
    const int before = unit(P - 2), u0 = unit(P), u1 = unit(P + 2);
    if (before < 0 || u0 < 0 || u1 < 0) return kReadFailed;
    int adv = 0;
    if (u0 == 0x0D && u1 == 0x0A) adv = 4;
    else if (lone && u0 == 0x0D) adv = 2;
    else if (lone && u0 == 0x0A && P > 0 && before != 0x0D) adv = 2;
    if (adv) {
      if (count >= n) return P + adv;
      ++count;
    }
  }
  return -1;
}

}  // namespace

int64_t FindLineStartBackBounded(const ReadAt& read, bool wide, bool bigEndian, bool loneLineEnds,
                                 int64_t n, int64_t p, int64_t bound) {
  if (p < 0) return -1;
  BackWindow w(read, bound - 4);
  const int64_t r = wide ? ScanWide(w, bigEndian, loneLineEnds, n, p, bound)
                         : ScanNarrow(w, loneLineEnds, n, p, bound);
  return r == kReadFailed ? -1 : r;
}

MaxSelectResult SelectUpToEditMax(const MaxSelectInput& in, const ReadAt& read) {
  MaxSelectResult r;
  const int u = UnitSize(in.code);
  r.sel = Normalize(in.sel);
  const int64_t s = r.sel.start * u;
  const int64_t rest = in.fileSize - s;  // the mark lies before s, not after it
  if (in.editMaxBytes >= rest) {
    r.sel.length = std::max<int64_t>(rest, 0) / u;
    return r;
  }
  const int64_t e = s + in.editMaxBytes;
  // Tell a failed read from a scan that found nothing.
  bool failed = false;
  ReadAt guarded = [&](int64_t off, void* buf, size_t len) -> int64_t {
    const int64_t got = read(off, buf, len);
    if (got < 0) failed = true;
    return got;
  };
  const int64_t t = FindLineStartBackBounded(guarded, in.code == 1, in.bigEndian, in.loneLineEnds, 1, e, s);
  if (failed) {
    r.readFailed = true;
    r.sel.length = in.editMaxBytes / u;
    return r;
  }
  if (t > s) {
    r.sel.length = t / u - r.sel.start;
    return r;
  }
  // No line start after s: end at the limit, on a character boundary.
  const int64_t from = std::max(s, e - int64_t{65536});
  std::vector<unsigned char> buf(static_cast<size_t>(e - from));
  const int64_t got = buf.empty() ? 0 : read(from, buf.data(), buf.size());
  if (got < 0) {
    r.readFailed = true;
    r.sel.length = in.editMaxBytes / u;
    return r;
  }
  buf.resize(static_cast<size_t>(got));
  int64_t end = from + got;
  end -= charlen::StepBackToBoundary(in.code, in.bigEndian, buf.data(), buf.size());
  if (in.code == 1 && (end - s) % 2) --end;
  r.sel.length = (end - s) / u;
  return r;
}

size_t LengthToLineBreak(const std::wstring& t) {
  const size_t p = t.find(L"\r\n");
  return p == std::wstring::npos ? t.size() : p + 1;
}

size_t LengthToLineBreak(const std::string& t) {
  const size_t p = t.find("\r\n");
  return p == std::string::npos ? t.size() : p + 1;
}

}  // namespace selection
