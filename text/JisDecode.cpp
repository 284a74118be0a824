#include "text/JisDecode.h"

#include <algorithm>

#include "text/conv.h"
#include "text/conv_bytes.h"

namespace jisdecode {

namespace {

constexpr unsigned char kEsc = 0x1B, kSO = 0x0E, kSI = 0x0F;
const char kAscii[] = "\x1B(B";
const char kKanji[] = "\x1B$B";
const char kKanaEsc[] = "\x1B(I";

bool Announcer(const unsigned char* b) {
  return b[0] == kEsc && b[1] == '&' && b[2] == '@' && b[3] == kEsc && b[4] == '$' && b[5] == 'B';
}

}  // namespace

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

std::string Prefix(const State& s) { return s.mode == 0 ? std::string() : Canonical(s); }

bool Same(const State& a, const State& b) { return a.mode == b.mode && Canonical(a) == Canonical(b); }

bool Reader::Next(Step* step) {
  if (pos_ >= size_) return false;
  *step = Step();
  const size_t i = pos_;
  step->start = i;
  const unsigned char b0 = At(i);
  // The sequences first, in every mode.
  if (b0 == kEsc || b0 == kSO) {
    unsigned char b[6];
    for (size_t k = 0; k < 6; ++k) b[k] = At(i + k);
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
      state_.openLead = false;
      step->control = true;
      step->length = control;
      pos_ += control;
      return true;
    }
  }
  state_.openLead = false;
  // A shift-out run ends at SI (taken) or at a byte that is no kana (read on
  // as single-byte).
  if (state_.mode == 3 && (b0 == kSI || b0 < 0x21 || b0 > 0x5F)) {
    state_ = State();
    if (b0 == kSI) {
      step->control = true;
      step->length = 1;
      pos_ += 1;
      return true;
    }
  }
  step->length = 1;
  step->sjisLength = 1;
  if (state_.mode == 1 && b0 >= 0x21 && b0 <= 0x7E) {
    const unsigned char b1 = At(i + 1);
    if (b1 >= 0x21 && b1 <= 0x7E && i + 1 < size_) {
      conv::JisToSjisPair(b0, b1, &step->sjis[0], &step->sjis[1]);
      step->length = 2;
    } else {
      step->sjis[0] = step->sjis[1] = '?';
      step->broken = true;
      state_.openLead = true;
    }
    step->sjisLength = 2;
  } else if ((state_.mode == 2 || state_.mode == 3) && b0 > 0x20) {
    step->sjis[0] = static_cast<unsigned char>(b0 | 0x80);
  } else {
    step->sjis[0] = b0;
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

bool StateBefore(const textio::ReadAt& read, int64_t offset, int64_t window, State* state, bool* aligned) {
  *state = State();
  *aligned = true;
  if (offset <= 0) return true;
  const int64_t lo = std::max<int64_t>(0, offset - window);
  // An escape or shift-out is never part of a character, so the last one
  // before the offset is read from where it starts. The bytes are looked at
  // backwards a block at a time; a sequence that a block's start cuts is
  // found whole in the next block back.
  constexpr int64_t kBlock = 65536, kAfter = 8;
  std::vector<unsigned char> buf;
  int64_t found = -1;
  for (int64_t end = offset; end > lo && found < 0;) {
    const int64_t from = std::max(lo, end - kBlock);
    buf.assign(static_cast<size_t>(end - from + kAfter), 0);
    const int64_t got = read(from, buf.data(), buf.size());
    if (got < end - from) return false;
    for (size_t q = static_cast<size_t>(end - from); q > 0 && found < 0;) {
      --q;
      const unsigned char* p = &buf[q];
      int mode = 0;
      if (p[0] == kSO || (p[0] == kEsc && (conv::JisSequenceAt(p, &mode) > 0 || Announcer(p))))
        found = from + static_cast<int64_t>(q);
    }
    end = from;
  }
  if (found < 0) return true;  // single-byte throughout
  // The announcer's own ESC $ B is read from the announcer.
  if (found >= 3) {
    unsigned char head[6] = {};
    if (read(found - 3, head, 6) == 6 && Announcer(head)) found -= 3;
  }
  buf.assign(static_cast<size_t>(offset - found + kAfter), 0);
  const int64_t got = read(found, buf.data(), buf.size());
  if (got < offset - found) return false;
  *state = StateAt(buf.data(), static_cast<size_t>(got), State(), static_cast<size_t>(offset - found), aligned);
  return true;
}

Text Read(const unsigned char* data, size_t size, const State& start) {
  Text t;
  t.sjis.reserve(size);
  t.ends.reserve(size + 1);
  t.ends.push_back(0);
  Reader r(data, size, start);
  Step s;
  while (r.Next(&s)) {
    if (s.control) continue;
    const uint32_t end = static_cast<uint32_t>(s.start + s.length);
    for (int k = 0; k < s.sjisLength; ++k) {
      t.sjis += static_cast<char>(s.sjis[k]);
      t.ends.push_back(end);
    }
  }
  t.end = r.state();
  return t;
}

size_t IndexAt(const Text& t, size_t offset) {
  const auto it = std::upper_bound(t.ends.begin(), t.ends.end(), static_cast<uint32_t>(std::min<size_t>(offset, UINT32_MAX)));
  return static_cast<size_t>(it - t.ends.begin()) - 1;
}

}  // namespace jisdecode
