#include "text/JisWrite.h"

#include <algorithm>
#include <vector>

#include "text/conv.h"
#include "text/conv_bytes.h"

namespace jiswrite {

namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
const char kAscii[] = "\x1B(B";
const char kKanji[] = "\x1B$B";
const char kKanaEsc[] = "\x1B(I";
const std::string kAnnouncer("\x1B&@\x1B$B", 6);

// The designation as the character sets go: single-byte from the start is ASCII.
std::string Canonical(const State& s) {
  switch (s.mode) {
    case 0:
      return s.designation.empty() ? std::string(kAscii) : s.designation;
    case 2:
      return kKanaEsc;
    case 3:
      return "\x0E";
    default:
      return s.designation.empty() ? std::string(kKanji) : s.designation;
  }
}

// A double-byte run that holds JIS X 0208 (any edition).
bool HoldsKanji(const State& s) {
  return s.mode == 1 && (s.designation == kKanji || s.designation == "\x1B$@" || s.designation == kAnnouncer);
}

bool Announcer(const unsigned char* b) {
  return b[0] == kEsc && b[1] == '&' && b[2] == '@' && b[3] == kEsc && b[4] == '$' && b[5] == 'B';
}

}  // namespace

bool Same(const State& a, const State& b) { return a.mode == b.mode && Canonical(a) == Canonical(b); }

bool Reader::Next(Step* step) {
  if (pos_ >= size_) return false;
  *step = Step();
  const size_t i = pos_;
  step->start = i;
  unsigned char b[6];
  for (size_t k = 0; k < 6; ++k) b[k] = At(i + k);
  // The sequences first, in every mode, as the converter reads them.
  size_t control = 0;
  int mode = 0;
  if (Announcer(b)) {
    control = 6;
    mode = 1;
  } else if (const int n = conv::JisSequenceAt(b, &mode)) {
    control = static_cast<size_t>(n);
  }
  if (control) {
    state_.mode = mode;
    state_.designation.assign(reinterpret_cast<const char*>(b), control);
    step->control = true;
    step->length = control;
    pos_ += control;
    return true;
  }
  // A shift-out run ends at SI (taken) or at a byte that is no kana (read on
  // as single-byte).
  if (state_.mode == 3 && (b[0] == kSI || b[0] < 0x21 || b[0] > 0x5F)) {
    state_ = State();
    if (b[0] == kSI) {
      step->control = true;
      step->length = 1;
      pos_ += 1;
      return true;
    }
  }
  step->length = 1;
  step->sjisLength = 1;
  if (state_.mode == 1 && b[0] >= 0x21 && b[0] <= 0x7E) {
    if (b[1] >= 0x21 && b[1] <= 0x7E && i + 1 < size_) {
      conv::JisToSjisPair(b[0], b[1], &step->sjis[0], &step->sjis[1]);
      step->length = 2;
      step->sjisLength = 2;
    } else {
      step->sjis[0] = '?';
      step->broken = true;
    }
  } else if ((state_.mode == 2 || state_.mode == 3) && b[0] > 0x20) {
    step->sjis[0] = static_cast<unsigned char>(b[0] | 0x80);
  } else {
    step->sjis[0] = b[0];
  }
  pos_ += step->length;
  return true;
}

State StateAt(const unsigned char* data, size_t size, const State& start, size_t offset, bool* aligned) {
  Reader r(data, size, start);
  Step s;
  while (r.pos() < offset && r.Next(&s)) {
  }
  if (aligned) *aligned = r.pos() == offset;
  return r.state();
}

Cut CutAt(const unsigned char* data, size_t size, size_t limit, const State& start, size_t first, size_t last) {
  Cut cut;
  cut.from = start;
  Reader r(data, size, start);
  Step s;
  size_t index = 0;  // characters read so far
  bool haveEnd = false, haveBegin = first == 0;
  while (r.pos() < limit && r.Next(&s)) {
    if (s.start + s.length > limit) return cut;
    if (s.control) continue;
    if (index == last) {
      cut.end = s.start;
      cut.to = r.state();
      haveEnd = true;
      break;
    }
    ++index;
    if (index == first) {
      cut.begin = s.start + s.length;
      cut.from = r.state();
      haveBegin = true;
    }
  }
  if (!haveEnd) {
    if (r.pos() != limit) return cut;
    cut.end = limit;
    cut.to = r.state();
    // The sequences right behind the range go with the replaced bytes too,
    // when they are in the data whole: they set nothing the tail needs.
    while (r.Next(&s) && s.control && s.start + s.length <= size) {
      cut.end = s.start + s.length;
      cut.to = r.state();
    }
  }
  cut.ok = haveBegin && first <= last && cut.begin <= cut.end;
  return cut;
}

bool StateBefore(const textio::ReadAt& read, int64_t offset, int64_t window, State* state, bool* aligned) {
  *state = State();
  *aligned = true;
  if (offset <= 0) return true;
  const int64_t lo = std::max<int64_t>(0, offset - window);
  constexpr size_t kAfter = 8;  // a character or sequence that runs over the offset is read whole
  std::vector<unsigned char> buf(static_cast<size_t>(offset - lo) + kAfter, 0);
  const int64_t got = read(lo, buf.data(), buf.size());
  if (got < offset - lo) return false;
  const size_t size = static_cast<size_t>(got);
  const size_t end = static_cast<size_t>(offset - lo);
  // An escape or shift-out is never part of a character, so the last one
  // before the offset is read from where it starts.
  size_t q = end;
  bool found = false;
  while (q > 0 && !found) {
    --q;
    const unsigned char* p = &buf[q];
    int mode = 0;
    if (p[0] == kSO || (p[0] == kEsc && conv::JisSequenceAt(p, &mode) > 0)) {
      found = true;
      if (q >= 3 && Announcer(&buf[q - 3])) q -= 3;
    } else if (p[0] == kEsc && q + 6 <= buf.size() && Announcer(p)) {
      found = true;
    }
  }
  if (!found) return true;  // single-byte throughout
  *state = StateAt(buf.data() + q, size - q, State(), end - q, aligned);
  return true;
}

bool Encodable(const unsigned char* sjis, int length) {
  if (length == 2) {
    unsigned char j1, j2;
    return conv::SjisToJisPair(sjis[0], sjis[1], &j1, &j2);
  }
  return length == 1 && !conv::IsSjisLead(sjis[0]);
}

std::string Encode(const std::string& sjis, const State& from, const State& to, bool kanaByShiftOut,
                   const std::string& substitute, size_t* substituted) {
  std::string out;
  out.reserve(sjis.size() + sjis.size() / 4 + 16);
  State cur = from;
  auto set = [&](int mode, const std::string& designation) {
    out += designation;
    cur.mode = mode;
    cur.designation = designation;
  };
  auto leaveShiftOut = [&] {
    if (cur.mode == 3) {
      out += static_cast<char>(kSI);
      cur = State();
    }
  };
  auto put = [&](const unsigned char* c, int n) -> bool {
    if (n == 2) {
      unsigned char j1, j2;
      if (!conv::SjisToJisPair(c[0], c[1], &j1, &j2)) return false;
      if (!HoldsKanji(cur)) {
        leaveShiftOut();
        set(1, kKanji);
      }
      out += static_cast<char>(j1);
      out += static_cast<char>(j2);
      return true;
    }
    if (conv::IsSjisLead(c[0])) return false;  // a lead byte without its partner
    if (conv::IsHalfKana(c[0])) {
      if (cur.mode != 2 && cur.mode != 3) {
        if (cur.mode == 1) set(0, kAscii);
        if (kanaByShiftOut)
          set(3, "\x0E");
        else
          set(2, kKanaEsc);
      }
      out += static_cast<char>(c[0] & 0x7F);
      return true;
    }
    leaveShiftOut();
    if (cur.mode != 0) set(0, kAscii);
    out += static_cast<char>(c[0]);
    return true;
  };
  const auto* s = reinterpret_cast<const unsigned char*>(sjis.data());
  const size_t n = sjis.size();
  for (size_t i = 0; i < n;) {
    const int len = (i + 1 < n && conv::IsSjisLead(s[i]) && conv::IsSjisTrail(s[i + 1])) ? 2 : 1;
    if (!put(s + i, len)) {
      if (substituted) ++*substituted;
      const auto* sub = reinterpret_cast<const unsigned char*>(substitute.data());
      const int subLength = static_cast<int>(std::min<size_t>(substitute.size(), 2));
      if (subLength == 0 || !put(sub, subLength)) put(reinterpret_cast<const unsigned char*>("?"), 1);
    }
    i += static_cast<size_t>(len);
  }
  // Behind the text the decoder must be as the bytes that follow expect.
  if (!Same(cur, to)) {
    if (to.mode != 3) leaveShiftOut();
    switch (to.mode) {
      case 0:
        if (!Same(cur, to)) set(0, to.designation.empty() ? std::string(kAscii) : to.designation);
        break;
      case 1:
        set(1, to.designation.empty() ? std::string(kKanji) : to.designation);
        break;
      case 2:
        set(2, kKanaEsc);
        break;
      default:
        if (cur.mode != 0) set(0, kAscii);
        set(3, "\x0E");
        break;
    }
  }
  return out;
}

}  // namespace jiswrite
