// The one reading of JIS bytes, on random valid and damaged data (every
// designation, SO/SI runs, 8-bit bytes, lone double-byte bytes, cut escape
// sequences): the reader and the converter give the same text; the text of
// any range between characters, read from the state found before it, is that
// part of the whole text; and text typed, removed or replaced anywhere leaves
// the text around it as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/read_over.h"
#include "text/JisDecode.h"
#include "text/JisEdit.h"
#include "text/JisWrite.h"
#include "text/conv.h"

namespace {

using jisdecode::State;

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string Convert(const std::string& jis) {
  conv::Context c;
  std::string out;
  EXPECT_TRUE(conv::JisToSjis(c, jis.c_str(), &out));
  return out;
}

std::string Text(const std::string& jis) { return jisdecode::Read(U(jis), jis.size(), State()).sjis; }

using testsupport::Over;

// Random JIS-like bytes: designations of every kind (now and then cut short),
// shift-out runs, pairs, lone bytes, line ends, 8-bit bytes; never NUL.
std::string RandomJis(std::mt19937& rng, size_t tokens) {
  static const char* const kPieces[] = {
      "\x1B$B", "\x1B$@", "\x1B(B", "\x1B(J", "\x1B(I", "\x0E", "\x0F", "\x1B&@\x1B$B", "\x1B$(D",
      "\x1B",   "\x1B$",  "\x1B(",  "\x1B&@", "\x1B$(", "\r\n", "\r",   "\n",           " "};
  std::string out;
  for (size_t t = 0; t < tokens; ++t) {
    const unsigned r = rng() % 10;
    if (r < 3) {
      out += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
    } else if (r < 6) {  // a pair of double-byte bytes
      out += static_cast<char>(0x21 + rng() % 0x5E);
      out += static_cast<char>(0x21 + rng() % 0x5E);
    } else if (r < 8) {  // a lone printable byte (kana in a kana run)
      out += static_cast<char>(0x21 + rng() % 0x5E);
    } else if (r < 9) {  // an 8-bit byte
      out += static_cast<char>(0x80 + rng() % 0x80);
    } else {  // a control byte other than NUL
      out += static_cast<char>(1 + rng() % 0x1F);
    }
  }
  return out;
}

// Text the user could type or paste: ASCII, line ends, kana, hiragana, kanji.
std::string RandomSjis(std::mt19937& rng, size_t chars) {
  std::string out;
  for (size_t i = 0; i < chars; ++i) {
    switch (rng() % 5) {
      case 0: out += static_cast<char>('a' + rng() % 26); break;
      case 1: out += rng() % 2 ? "\r\n" : "\n"; break;
      case 2: out += static_cast<char>(0xA1 + rng() % 0x3F); break;
      case 3: out += '\x82'; out += static_cast<char>(0x9F + rng() % 0x50); break;
      default: out += static_cast<char>(0x88 + rng() % 8); out += static_cast<char>(0x9F + rng() % 0x5D); break;
    }
  }
  return out;
}

// The text indices where characters begin and end.
std::vector<size_t> Borders(const jisdecode::Text& t) {
  std::vector<size_t> b{0};
  for (size_t k = 1; k < t.ends.size(); ++k)
    if (k + 1 == t.ends.size() || t.ends[k] != t.ends[k + 1]) b.push_back(k);
  return b;
}

std::string Apply(std::string data, const jisedit::Change& c) {
  return data.replace(static_cast<size_t>(c.at), static_cast<size_t>(c.length), c.bytes);
}

TEST(JisDecode, ReaderAndConverterReadTheSame) {
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    const std::string data = RandomJis(rng, 1 + rng() % 40);
    const jisdecode::Text t = jisdecode::Read(U(data), data.size(), State());
    ASSERT_EQ(t.sjis, Convert(data)) << round;
    ASSERT_EQ(t.ends.size(), t.sjis.size() + 1);
  }
  // A double-byte character cut off at the end gives the substitute twice in both.
  EXPECT_EQ(Text("\x1B$@\x2B"), "??");
  EXPECT_EQ(Convert("\x1B$@\x2B"), "??");
}

TEST(JisDecode, RangesReadFromTheStateBeforeThemAreTheirPartOfTheText) {
  std::mt19937 rng(12);
  for (int round = 0; round < 400; ++round) {
    const std::string data = RandomJis(rng, 1 + rng() % 30);
    const jisdecode::Text t = jisdecode::Read(U(data), data.size(), State());
    const std::vector<size_t> b = Borders(t);
    for (size_t i = 0; i < b.size(); ++i) {
      const size_t from = t.ends[b[i]];
      State found;
      bool aligned = false;
      ASSERT_TRUE(jisdecode::StateBefore(Over(data), static_cast<int64_t>(from), jisdecode::kStateWindow, &found,
                                         &aligned));
      const State walked = jisdecode::StateAt(U(data), data.size(), State(), from, nullptr);
      ASSERT_TRUE(aligned);
      ASSERT_TRUE(jisdecode::Same(found, walked)) << round << " at " << from;
      ASSERT_EQ(found.openLead, walked.openLead);
      ASSERT_EQ(jisdecode::IndexAt(t, from), b[i]);
      for (size_t j = i; j < b.size(); ++j) {
        const size_t to = t.ends[b[j]];
        const std::string range = jisdecode::Prefix(found) + data.substr(from, to - from);
        ASSERT_EQ(Convert(range), t.sjis.substr(b[i], b[j] - b[i])) << round << ": " << from << "-" << to;
      }
    }
    // Every offset, a character's middle too, maps to the text in front of it.
    for (size_t off = 0; off <= data.size(); ++off) {
      const size_t k = jisdecode::IndexAt(t, off);
      ASSERT_LE(t.ends[k], off);
      ASSERT_TRUE(k + 1 == t.ends.size() || t.ends[k + 1] > off);
    }
  }
}

TEST(JisDecode, TheStateIsFoundFarBackAndAcrossTheReadsBorders) {
  // A kanji designation 64 KiB and a few bytes before the offset, cut by the
  // border of the backward reads in each of its places; pairs behind it.
  for (size_t pairs = 32766; pairs <= 32770; ++pairs) {
    for (size_t lead = 0; lead < 3; ++lead) {
      std::string data = std::string(10 + lead, 'a') + "\x1B$B";
      for (size_t i = 0; i < pairs; ++i) data += "0!";
      for (size_t k = 0; k < 2; ++k) {
        const int64_t at = static_cast<int64_t>(data.size() - k);
        State s;
        bool aligned = false;
        ASSERT_TRUE(jisdecode::StateBefore(Over(data), at, jisdecode::kStateWindow, &s, &aligned));
        EXPECT_EQ(s.mode, 1) << pairs << " " << lead;
        EXPECT_EQ(aligned, k == 0) << pairs << " " << lead;
      }
    }
  }
  // Further back than the window looks: single-byte.
  State s;
  bool aligned = false;
  const std::string far = "\x1B$B" + std::string(100, '0');
  ASSERT_TRUE(jisdecode::StateBefore(Over(far), 100, 50, &s, &aligned));
  EXPECT_EQ(s.mode, 0);
}

TEST(JisDecode, TypingAnywhereKeepsTheTextOnBothSides) {
  std::mt19937 rng(13);
  const std::string kLineEnd = "\r\n";
  for (int round = 0; round < 400; ++round) {
    const std::string data = RandomJis(rng, 1 + rng() % 30);
    const jisdecode::Text t = jisdecode::Read(U(data), data.size(), State());
    for (size_t k = 0; k <= t.sjis.size(); ++k) {
      const jisedit::Point p = jisedit::Locate(U(data), data.size(), State(), static_cast<int64_t>(k));
      const size_t at = jisdecode::IndexAt(t, static_cast<size_t>(p.caret));
      ASSERT_GE(at, k);
      for (const std::string& typed : {kLineEnd, RandomSjis(rng, 1 + rng() % 3)}) {
        const std::string after = Apply(data, jisedit::Typed(U(data), data.size(), State(), p, typed, rng() % 2));
        ASSERT_EQ(Text(after), t.sjis.substr(0, at) + typed + t.sjis.substr(at))
            << round << " at " << k << " in " << testing::PrintToString(data);
      }
    }
  }
}

TEST(JisDecode, RemovingCharactersKeepsTheTextOnBothSides) {
  std::mt19937 rng(14);
  for (int round = 0; round < 400; ++round) {
    const std::string data = RandomJis(rng, 1 + rng() % 30);
    const jisdecode::Text t = jisdecode::Read(U(data), data.size(), State());
    const std::vector<size_t> b = Borders(t);
    for (size_t i = 0; i + 1 < b.size(); ++i) {
      for (size_t j = i + 1; j < b.size() && j <= i + 2; ++j) {
        const jisedit::Change c = jisedit::Removal(U(data), data.size(), State(), static_cast<int64_t>(b[i]),
                                                   static_cast<int64_t>(b[j]));
        ASSERT_GT(c.length, 0);
        ASSERT_EQ(Text(Apply(data, c)), t.sjis.substr(0, b[i]) + t.sjis.substr(b[j]))
            << round << " removing " << b[i] << "-" << b[j] << " of " << testing::PrintToString(data);
      }
    }
  }
}

TEST(JisDecode, ReplacedRangesKeepTheTextOnBothSides) {
  std::mt19937 rng(15);
  for (int round = 0; round < 3000; ++round) {
    const std::string data = RandomJis(rng, 1 + rng() % 30);
    const jisdecode::Text t = jisdecode::Read(U(data), data.size(), State());
    const std::vector<size_t> b = Borders(t);
    size_t i = rng() % b.size(), j = rng() % b.size();
    if (i > j) std::swap(i, j);
    const std::string text = rng() % 4 ? RandomSjis(rng, rng() % 4) : std::string();
    const size_t begin = t.ends[b[i]], end = t.ends[b[j]];
    const std::string bytes =
        jiswrite::Replacement(U(data), data.size(), State(), begin, end, text, rng() % 2, "?", nullptr);
    const std::string after = data.substr(0, begin) + bytes + data.substr(end);
    ASSERT_EQ(Text(after), t.sjis.substr(0, b[i]) + text + t.sjis.substr(b[j]))
        << round << ": " << begin << "-" << end << " of " << testing::PrintToString(data);
    // Unchanged text in its place writes nothing new.
    if (i == j && text.empty()) ASSERT_EQ(bytes, "");
  }
}

TEST(JisDecode, DamagedTextAroundTheCaret) {
  struct Case {
    std::string data;
    int64_t caret;
    std::string expected;
  } cases[] = {
      // A lone double-byte byte before ESC ( J: the line end goes behind the escape.
      {std::string("\x1B$Ba\x1B(J\x1B(B", 10), 2, std::string("\x1B$Ba\x1B(J\r\n\x1B(B", 12)},
      // The pair behind an 8-bit byte in a run stays a pair.
      {"MMM\x1B&@\x1B$BMn\x8AMM\xFF", 6, "MMM\x1B&@\x1B$BMn\x8A\x1B(B\r\n\x1B&@\x1B$BMM\xFF"},
      // A shift-out run ended by CR: the line end is typed in single-byte mode.
      {"\x0E\r\n", 1, "\x0E\r\r\n\n"},
  };
  for (const Case& c : cases) {
    const jisedit::Point p = jisedit::Locate(U(c.data), c.data.size(), State(), c.caret);
    EXPECT_EQ(Apply(c.data, jisedit::Typed(U(c.data), c.data.size(), State(), p, "\r\n", true)), c.expected);
  }
}

}  // namespace
