// One character in the file's code: the view's text, the file's bytes, and the
// boundary a range end must move back to.
#include <gtest/gtest.h>

#include <string>

#include "text/CharLength.h"

using namespace charlen;

namespace {

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

struct NarrowCase {
  int code;
  size_t caret;
  int before, at;
};

TEST(CharLength, MemoTextPerCode) {
  // a, kanji 88 9F, so 83 5C (trail byte looks like a backslash), half-width B1, CR LF, b
  const std::string t("a\x88\x9f\x83\x5c\xb1\r\nb", 9);
  const NarrowCase cases[] = {
      {0, 0, 0, 1}, {0, 1, 1, 2}, {0, 3, 2, 2}, {0, 5, 2, 1}, {0, 6, 1, 1}, {0, 8, 1, 1}, {0, 9, 1, 0},
      {0, 10, 0, 0},
      // EUC-JP: double-byte 2, half-width katakana 2 (8E B1), others 1.
      {3, 3, 2, 2}, {3, 5, 2, 2}, {3, 6, 2, 1}, {3, 1, 1, 2},
      // JIS: a pair inside a double-byte run is 2, kana and ASCII 1.
      {4, 3, 2, 2}, {4, 5, 2, 1}, {4, 6, 1, 1}, {4, 9, 1, 0},
  };
  for (const NarrowCase& c : cases) {
    EXPECT_EQ(ViewLengthBefore(c.code, t, c.caret), c.before) << "code " << c.code << " caret " << c.caret;
    EXPECT_EQ(ViewLengthAt(c.code, t, c.caret), c.at) << "code " << c.code << " caret " << c.caret;
  }
}

TEST(CharLength, SjisStartCountsFromTheTextStart) {
  // 88 9F 9F 40: the second 9F is a lead byte of its own pair, not a trail.
  const std::string t("\x88\x9f\x9f\x40", 4);
  EXPECT_EQ(SjisCharStart(t.data(), t.size(), 1), 0u);
  EXPECT_EQ(SjisCharStart(t.data(), t.size(), 2), 2u);
  EXPECT_EQ(SjisCharStart(t.data(), t.size(), 3), 2u);
  EXPECT_EQ(ViewLengthBefore(0, t, 4), 2);
  // A lead byte before a CR is no pair: the CR is not taken with it.
  const std::string cut("\x88\r\n", 3);
  EXPECT_EQ(ViewLengthAt(0, cut, 0), 1);
}

struct WideCase {
  int code;
  size_t caret;
  int before, at;
};

TEST(CharLength, PaneTextPerCode) {
  // a, e-acute, hiragana a, a surrogate pair, b
  const std::wstring t{L'a', 0x00E9, 0x3042, 0xD83D, 0xDE00, L'b'};
  const WideCase cases[] = {
      {1, 0, 0, 1}, {1, 1, 1, 1}, {1, 3, 1, 2}, {1, 5, 2, 1}, {1, 6, 1, 0},
      {2, 1, 1, 2}, {2, 2, 2, 3}, {2, 3, 3, 4}, {2, 5, 4, 1}, {2, 6, 1, 0},
  };
  for (const WideCase& c : cases) {
    EXPECT_EQ(ViewLengthBefore(c.code, t, c.caret), c.before) << "code " << c.code << " caret " << c.caret;
    EXPECT_EQ(ViewLengthAt(c.code, t, c.caret), c.at) << "code " << c.code << " caret " << c.caret;
  }
}

TEST(CharLength, PaneRawByteUnitsAreOneUtf8Byte) {
  // A byte that started no UTF-8 sequence is shown as U+DC80-U+DCFF; a lone
  // surrogate outside that range is a three-byte sequence.
  const std::wstring t{L'a', 0xDC93, 0xD800, L'b'};
  EXPECT_EQ(ViewLengthBefore(2, t, 2), 1);
  EXPECT_EQ(ViewLengthAt(2, t, 1), 1);
  EXPECT_EQ(ViewLengthAt(2, t, 2), 3);
  EXPECT_EQ(ViewLengthAt(1, t, 1), 1);
}

TEST(CharLength, ViewTextLengthsInFileCode) {
  const std::wstring w{L'a', 0x00E9, 0x3042, 0xD83D, 0xDE00, 0xDC93};
  EXPECT_EQ(Utf8LengthOfWide(w.data(), w.size()), 1 + 2 + 3 + 4 + 1);
  // a, kanji, half-width B1, kanji kanji, b
  const std::string s("a\x88\x9f\xb1\x88\x9f\x88\xa0" "b");
  EXPECT_EQ(EucLengthOfSjis(s.data(), s.size()), 1 + 2 + 2 + 4 + 1);
  // a ESC$B kk ESC(B ESC(I k ESC(B ESC$B kkkk ESC(B b
  EXPECT_EQ(JisLengthOfSjis(s.data(), s.size(), false), 1 + 8 + 7 + 10 + 1);
  // With SO/SI kana: SO k SI.
  EXPECT_EQ(JisLengthOfSjis(s.data(), s.size(), true), 1 + 8 + 3 + 10 + 1);
  // A kana run still open at the end is closed.
  EXPECT_EQ(JisLengthOfSjis("\xb1\xb2", 2, false), 3 + 2 + 3);
  EXPECT_EQ(JisLengthOfSjis("ab", 2, false), 2);
}

TEST(CharLength, EucFileBytes) {
  // A, 8F B0 A1 (three bytes), B0 A1, 8E B1, B
  const std::string b("A\x8f\xb0\xa1\xb0\xa1\x8e\xb1" "B", 9);
  EXPECT_EQ(EucLengthAt(U(b), b.size()), 1);
  EXPECT_EQ(EucLengthAt(U(b) + 1, 8), 3);
  EXPECT_EQ(EucLengthAt(U(b) + 4, 5), 2);
  EXPECT_EQ(EucLengthAt(U(b) + 6, 3), 2);
  EXPECT_EQ(EucLengthAt(U(b) + 1, 2), 2);  // cut by the end of the data
  EXPECT_EQ(EucLengthBefore(U(b), 1), 1);
  EXPECT_EQ(EucLengthBefore(U(b), 4), 3);
  EXPECT_EQ(EucLengthBefore(U(b), 6), 2);
  EXPECT_EQ(EucLengthBefore(U(b), 8), 2);
  EXPECT_EQ(EucLengthBefore(U(b), 9), 1);
  EXPECT_EQ(EucLengthBefore(U(b) + 4, 2), 2);  // from a boundary inside the data
}

TEST(CharLength, Utf8FileBytes) {
  const std::string b("A\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80", 10);
  EXPECT_EQ(Utf8LengthAt(U(b), 10), 1);
  EXPECT_EQ(Utf8LengthAt(U(b) + 1, 9), 2);
  EXPECT_EQ(Utf8LengthAt(U(b) + 3, 7), 3);
  EXPECT_EQ(Utf8LengthAt(U(b) + 6, 4), 4);
  EXPECT_EQ(Utf8LengthAt(U(b) + 2, 8), 1);  // a stray continuation byte
  EXPECT_EQ(Utf8LengthBefore(U(b), 1), 1);
  EXPECT_EQ(Utf8LengthBefore(U(b), 3), 2);
  EXPECT_EQ(Utf8LengthBefore(U(b), 6), 3);
  EXPECT_EQ(Utf8LengthBefore(U(b), 10), 4);
}

struct BoundaryCase {
  int code;
  bool bigEndian;
  std::string bytes;
  int back;
};

TEST(CharLength, StepBackToBoundaryPerCode) {
  const BoundaryCase cases[] = {
      {0, false, "ab", 0},
      {0, false, std::string("a\x88", 2), 1},
      {0, false, std::string("a\x88\x9f", 3), 0},
      {0, false, std::string("a\x88\x9f\x88", 4), 1},
      {0, false, std::string("a\x88\x9f\x9f\x88\x9f", 6), 1},  // lead-range trails pair up from 'a'
      {0, false, std::string("\xb1\x88\x9f", 3), 0},
      {1, false, std::string("a\0b\0", 4), 0},
      {1, false, std::string("a\0b", 3), 1},
      {1, false, std::string("a\0\x3d\xd8", 4), 2},  // high surrogate without its low
      {1, true, std::string("\0a\xd8\x3d", 4), 2},
      {1, false, std::string("\x3d\xd8\x00\xde", 4), 0},
      {1, false, std::string("a\0\x3d\xd8\x00", 5), 3},
      {2, false, "ab", 0},
      {2, false, std::string("a\xe3\x81", 3), 2},
      {2, false, std::string("a\xe3", 2), 1},
      {2, false, std::string("a\xe3\x81\x82", 4), 0},
      {2, false, std::string("\xf0\x9f\x98", 3), 3},
      {3, false, std::string("a\xb0\xa1", 3), 0},
      {3, false, std::string("a\xb0", 2), 1},
      {3, false, std::string("a\x8f\xb0", 3), 2},
      {3, false, std::string("a\x8f\xb0\xa1", 4), 0},
      {3, false, std::string("a\x8e", 2), 1},
      {3, false, std::string("a\x8e\xb1\xb0", 4), 1},
      {4, false, "abc", 0},
      {4, false, "\x1b$B0!0", 1},
      {4, false, "\x1b$B0!0\"", 0},
      {4, false, "\x1b$B0!0\"\x1b(Bab", 0},
      {4, false, "a\x1b$", 2},
      {4, false, "\x1b$B0!\r\n0", 1},  // a line end inside the run stands alone
  };
  for (const BoundaryCase& c : cases) {
    EXPECT_EQ(StepBackToBoundary(c.code, c.bigEndian, U(c.bytes), c.bytes.size()), c.back)
        << "code " << c.code << " bytes " << testing::PrintToString(c.bytes);
  }
}

}  // namespace
