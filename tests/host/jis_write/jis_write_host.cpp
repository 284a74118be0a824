// Replacing characters inside a JIS file: the reader agrees with the
// converter's decoding; for random files (kanji, kana by SO/SI and by ESC ( I,
// ASCII and JIS-Roman runs, older kanji designations, redundant escapes) and
// random replaced spans, head + encoded text + tail decodes to the head's
// text, the new text and the tail's text; the state found from the bytes
// before an offset is the state read from the file's start.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/JisWrite.h"
#include "text/conv.h"

namespace {

using jiswrite::State;

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// The characters of JIS bytes as Shift_JIS, and each character's end.
struct Decoded {
  std::string sjis;
  std::vector<std::string> chars;
  std::vector<size_t> ends;
};
Decoded Decode(const std::string& jis, const State& start = State()) {
  Decoded d;
  jiswrite::Reader r(U(jis), jis.size(), start);
  jiswrite::Step s;
  while (r.Next(&s)) {
    if (s.control) continue;
    const std::string c(reinterpret_cast<const char*>(s.sjis), static_cast<size_t>(s.sjisLength));
    d.sjis += c;
    d.chars.push_back(c);
    d.ends.push_back(s.start + s.length);
  }
  return d;
}

std::string Conv(const std::string& jis) {
  conv::Context c;
  std::string out;
  EXPECT_TRUE(conv::JisToSjis(c, jis.c_str(), &out));
  return out;
}

textio::ReadAt Over(const std::string& data) {
  return [&data](int64_t offset, void* buf, size_t len) -> int64_t {
    if (offset >= static_cast<int64_t>(data.size())) return 0;
    const size_t n = std::min(len, data.size() - static_cast<size_t>(offset));
    std::memcpy(buf, data.data() + offset, n);
    return static_cast<int64_t>(n);
  };
}

// A random Shift_JIS character: ASCII, a line end, hiragana, a kanji, half-width kana.
std::string RandomSjis(std::mt19937& rng) {
  switch (rng() % 6) {
    case 0:
      return std::string(1, static_cast<char>('a' + rng() % 26));
    case 1:
      return rng() % 2 ? " " : rng() % 2 ? "\r" : "\n";
    case 2:
      return {'\x82', static_cast<char>(0x9F + rng() % 0x50)};
    case 3:
      return {static_cast<char>(0x88 + rng() % 8), static_cast<char>(0x9F + rng() % 0x5D)};
    default:
      return std::string(1, static_cast<char>(0xA1 + rng() % 0x3F));
  }
}

// Encodes Shift_JIS characters as JIS the way files out there do it: kana by
// SO/SI or by ESC ( I, kanji after ESC $ B, ESC $ @ or the announcer, single
// bytes after ESC ( B or ESC ( J, now and then a designation repeated.
std::string ToJis(const std::vector<std::string>& chars, std::mt19937& rng) {
  std::string out;
  int mode = 0;  // 0 single, 1 kanji, 2 kana ESC ( I, 3 kana SO
  const bool shiftOut = rng() % 2;
  for (const std::string& c : chars) {
    const unsigned char b = static_cast<unsigned char>(c[0]);
    const int want = c.size() == 2 ? 1 : (b >= 0xA1 && b <= 0xDF) ? (shiftOut ? 3 : 2) : 0;
    if (want != mode || rng() % 16 == 0) {
      if (mode == 3) out += "\x0F";
      static const char* kKanji[] = {"\x1B$B", "\x1B$@", "\x1B&@\x1B$B"};
      switch (want) {
        case 0:
          if (mode != 3 || rng() % 2) out += rng() % 3 ? "\x1B(B" : "\x1B(J";
          break;
        case 1:
          out += kKanji[rng() % 3];
          break;
        case 2:
          out += "\x1B(I";
          break;
        default:
          out += "\x0E";
          break;
      }
      mode = want;
    }
    if (want == 1) {
      unsigned char j1, j2;
      conv::SjisToJisPair(b, static_cast<unsigned char>(c[1]), &j1, &j2);
      out += static_cast<char>(j1);
      out += static_cast<char>(j2);
    } else if (want >= 2) {
      out += static_cast<char>(b & 0x7F);
    } else {
      out += c;
    }
  }
  if (mode == 3) out += "\x0F";
  if (mode == 1 || mode == 2) out += "\x1B(B";
  return out;
}

TEST(JisWrite, ReplacedSpansDecodeAsHeadNewTextAndTail) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> chars(rng() % 40);
    for (auto& c : chars) c = RandomSjis(rng);
    const std::string file = ToJis(chars, rng);
    const Decoded d = Decode(file);
    ASSERT_EQ(d.sjis, Conv(file)) << round;
    ASSERT_EQ(d.chars, chars) << round;
    // A range [r0, r1) of the file at character borders, read from the state
    // before it, and a span of its characters replaced.
    const size_t n = chars.size();
    const size_t c0 = rng() % (n + 1), c1 = c0 + rng() % (n - c0 + 1);
    const size_t r0 = c0 ? d.ends[c0 - 1] : 0, r1 = c1 ? d.ends[c1 - 1] : 0;
    if (r1 < r0) continue;
    State start;
    bool aligned = false;
    ASSERT_TRUE(jiswrite::StateBefore(Over(file), static_cast<int64_t>(r0), 1 << 20, &start, &aligned));
    ASSERT_TRUE(aligned);
    const std::string range = file.substr(r0);
    const size_t inRange = c1 - c0;
    const size_t first = rng() % (inRange + 1), last = first + rng() % (inRange - first + 1);
    const jiswrite::Cut cut = jiswrite::CutAt(U(range), range.size(), r1 - r0, start, first, last);
    ASSERT_TRUE(cut.ok) << round;
    std::string now;
    for (int k = rng() % 6; k > 0; --k) now += RandomSjis(rng);
    size_t substituted = 0;
    const std::string bytes = jiswrite::Encode(now, cut.from, cut.to, rng() % 2, "?", &substituted);
    EXPECT_EQ(substituted, 0u);
    const std::string result = file.substr(0, r0 + cut.begin) + bytes + file.substr(r0 + cut.end);
    std::string expected;
    for (size_t k = 0; k < c0 + first; ++k) expected += chars[k];
    expected += now;
    for (size_t k = c0 + last; k < n; ++k) expected += chars[k];
    EXPECT_EQ(Decode(result).sjis, expected) << round;
    EXPECT_EQ(Conv(result), expected) << round;
  }
}

TEST(JisWrite, TheStateBeforeAnOffsetIsTheStateFromTheStart) {
  std::mt19937 rng(7);
  for (int round = 0; round < 100; ++round) {
    std::vector<std::string> chars(1 + rng() % 30);
    for (auto& c : chars) c = RandomSjis(rng);
    const std::string file = ToJis(chars, rng);
    for (size_t off = 0; off <= file.size(); ++off) {
      bool fromStart = false, before = false;
      const State a = jiswrite::StateAt(U(file), file.size(), State(), off, &fromStart);
      State b;
      ASSERT_TRUE(jiswrite::StateBefore(Over(file), static_cast<int64_t>(off), 1 << 20, &b, &before));
      EXPECT_EQ(before, fromStart) << round << " at " << off;
      if (fromStart) EXPECT_TRUE(jiswrite::Same(a, b)) << round << " at " << off;
    }
  }
}

TEST(JisWrite, ExactBytesAtTheEdgesOfRuns) {
  const std::string kanji = "\x1B$B\x24\x22\x24\x24\x1B(B";  // あい
  struct Case {
    const char* what;
    std::string file;
    size_t first, last;  // characters replaced (the whole file is the range)
    std::string now;     // Shift_JIS
    std::string expected;
  } cases[] = {
      {"a kanji for ASCII inside a run", "ab" + kanji + "cd", 3, 4, "x", "ab\x1B$B\x24\x22\x1B(Bxcd"},
      {"ASCII for the run's first kanji", "ab" + kanji + "cd", 2, 3, "x", "abx\x1B$B\x24\x24\x1B(Bcd"},
      {"a kanji into a run keeps the run", "ab" + kanji + "cd", 3, 3, "\x88\x9F",
       "ab\x1B$B\x24\x22\x30\x21\x24\x24\x1B(Bcd"},
      {"the whole run deleted", "ab" + kanji + "cd", 2, 4, "", "abcd"},
      {"ASCII after the run", "ab" + kanji + "cd", 4, 4, "x", "ab" + kanji + "xcd"},
      {"an older designation comes back", "a\x1B$@\x24\x22\x24\x24\x1B(Bz", 2, 2, "x",
       "a\x1B$@\x24\x22\x1B(Bx\x1B$@\x24\x24\x1B(Bz"},
      {"kana by SO/SI around new ASCII", "a\x0E\x31\x32\x0Fz", 2, 2, "x", "a\x0E\x31\x0Fx\x0E\x32\x0Fz"},
      {"JIS-Roman restored", "a\x1B(Jbc", 1, 1, "\x88\x9F", "a\x1B$B\x30\x21\x1B(Jbc"},
      {"a supplementary kanji run is not written into", "\x1B$(D\x30\x21\x1B(B", 1, 1, "\x88\x9F",
       "\x1B$(D\x30\x21\x1B$B\x30\x21\x1B(B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const jiswrite::Cut cut = jiswrite::CutAt(U(c.file), c.file.size(), c.file.size(), State(), c.first, c.last);
    ASSERT_TRUE(cut.ok);
    const std::string bytes = jiswrite::Encode(c.now, cut.from, cut.to, false, "?", nullptr);
    EXPECT_EQ(c.file.substr(0, cut.begin) + bytes + c.file.substr(cut.end), c.expected);
  }
}

TEST(JisWrite, RangeEdgesInsideACharacterOrSequenceAreFound) {
  const std::string file = "ab\x1B$B\x24\x22\x24\x24\x1B(Bcd";
  bool aligned = true;
  State s;
  // inside the escape, inside a kanji
  for (int64_t off : {3, 6}) {
    ASSERT_TRUE(jiswrite::StateBefore(Over(file), off, 1 << 20, &s, &aligned));
    EXPECT_FALSE(aligned) << off;
  }
  ASSERT_TRUE(jiswrite::StateBefore(Over(file), 7, 1 << 20, &s, &aligned));
  EXPECT_TRUE(aligned);
  EXPECT_EQ(s.mode, 1);
  // a range that ends inside a kanji cannot be cut
  EXPECT_FALSE(jiswrite::CutAt(U(file), file.size(), 6, State(), 0, 2).ok);
  // a read that fails
  const textio::ReadAt failing = [](int64_t, void*, size_t) -> int64_t { return -1; };
  EXPECT_FALSE(jiswrite::StateBefore(failing, 5, 1 << 20, &s, &aligned));
}

TEST(JisWrite, CharactersJisLacksAreSubstitutedAndCounted) {
  // FA 40 (an IBM extension) and a lone lead byte have no JIS code.
  size_t substituted = 0;
  const std::string bytes =
      jiswrite::Encode(std::string("a\xFA\x40\x81", 4), State(), State(), false, "\x81\xAC", &substituted);
  EXPECT_EQ(substituted, 2u);
  EXPECT_EQ(bytes, "a\x1B$B\x22\x2E\x22\x2E\x1B(B");
  const unsigned char ibm[] = {0xFA, 0x40}, nec[] = {0xED, 0x40}, kana[] = {0xB1};
  EXPECT_FALSE(jiswrite::Encodable(ibm, 2));
  EXPECT_TRUE(jiswrite::Encodable(nec, 2));
  EXPECT_TRUE(jiswrite::Encodable(kana, 1));
}

}  // namespace
