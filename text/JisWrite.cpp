#include "text/JisWrite.h"

#include <algorithm>
#include <vector>

#include "text/conv.h"
#include "text/conv_bytes.h"

namespace jiswrite {

namespace {

constexpr unsigned char kEsc = 0x1B, kSI = 0x0F;
const char kAscii[] = "\x1B(B";
const char kKanji[] = "\x1B$B";
const char kKanaEsc[] = "\x1B(I";
const std::string kAnnouncer("\x1B&@\x1B$B", 6);

using jisdecode::Canonical;

// A double-byte run that holds JIS X 0208 (any edition).
bool HoldsKanji(const State& s) {
  return s.mode == 1 && (s.designation == kKanji || s.designation == "\x1B$@" || s.designation == kAnnouncer);
}

// The length of the start of an escape sequence that ends the bytes (a
// sequence's first bytes, read as text), 0 when there is none: whatever
// follows them could complete it.
size_t OpenSequenceAtEnd(const std::string& bytes) {
  static const char* const kSequences[] = {"\x1B$@", "\x1B$B", "\x1B$(D", "\x1B(B", "\x1B(J", "\x1B(I", "\x1B&@\x1B$B"};
  for (size_t len = std::min<size_t>(5, bytes.size()); len > 0; --len) {
    const char* tail = bytes.data() + bytes.size() - len;
    if (tail[0] != static_cast<char>(kEsc)) continue;
    for (const char* seq : kSequences)
      if (std::char_traits<char>::length(seq) > len && std::equal(tail, tail + len, seq)) return len;
  }
  return 0;
}

// The sequence that sets the state, put where `before` ends in the start of a
// sequence: after ESC & @ read as text an ESC $ B would make the announcer of
// both, so single-byte is set first.
std::string Guard(const State& s, const std::string& before) {
  const std::string seq = Canonical(s);
  const bool announcer = before.size() >= 3 && before.compare(before.size() - 3, 3, "\x1B&@") == 0;
  return announcer && seq.compare(0, 3, kKanji) == 0 ? kAscii + seq : seq;
}

}  // namespace

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

std::string Join(const std::string& before, const std::string& sjis, const State& from, const State& to,
                 bool kanaByShiftOut, const std::string& substitute, size_t* substituted) {
  const std::string text = Encode(sjis, from, to, kanaByShiftOut, substitute, substituted);
  // A first byte left alone in front pairs with a double-byte byte behind it.
  const unsigned char first = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  const bool pairs = from.openLead && (text.empty() ? to.mode == 1 : first >= 0x21 && first <= 0x7E);
  std::string out;
  if (pairs || OpenSequenceAtEnd(before) > 0) out = Guard(from, before);
  out += text;
  if (!text.empty() && OpenSequenceAtEnd(text) > 0) out += Guard(to, out);
  return out;
}

std::string Replacement(const unsigned char* data, size_t size, const State& start, size_t begin, size_t end,
                        const std::string& sjis, bool kanaByShiftOut, const std::string& substitute,
                        size_t* substituted) {
  if (begin == end && sjis.empty()) return std::string();  // nothing changes: the bytes stay as they join
  const State from = StateAt(data, size, start, begin, nullptr);
  const State to = StateAt(data, size, start, end, nullptr);
  const size_t keep = std::min<size_t>(begin, 5);
  const std::string before(reinterpret_cast<const char*>(data) + begin - keep, keep);
  return Join(before, sjis, from, to, kanaByShiftOut, substitute, substituted);
}

}  // namespace jiswrite
