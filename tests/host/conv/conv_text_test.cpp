// Replace-all, case-insensitive compare and find, and JisShiftAt.
#include <gtest/gtest.h>

#include <string>

#include "host_platform.h"
#include "text/conv_jisshift.h"
#include "text/conv_text.h"

namespace {

class MemoryFile : public conv::JisByteSource {
 public:
  explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
  int ReadAt(int64_t pos, unsigned char* buf, int count) override {
    ++reads;
    if (pos < 0) return -1;
    int n = 0;
    while (n < count && static_cast<size_t>(pos) + n < bytes_.size()) {
      buf[n] = static_cast<unsigned char>(bytes_[static_cast<size_t>(pos) + n]);
      ++n;
    }
    return n;
  }
  void Pump() override { ++pumps; }
  int reads = 0, pumps = 0;

 private:
  std::string bytes_;
};

}  // namespace

// --- ReplaceAllNarrow ------------------------------------------------------------

TEST(ReplaceAllNarrow, NeverMatchesOnTrailByte) {
  // 0x95 0x5C is one character; the backslash pattern must not match its trail byte.
  EXPECT_EQ(conv::ReplaceAllNarrow("\x95\x5C\\a\\", "\\", "/"), "\x95\x5C/a/");
  EXPECT_EQ(conv::ReplaceAllNarrow("\x83\x41" "A", "A", "b"), "\x83\x41" "b");
}

TEST(ReplaceAllNarrow, MatchesDoubleByteAndSkipsMatchesWhole) {
  EXPECT_EQ(conv::ReplaceAllNarrow("\x82\xA0\x82\xA0x", "\x82\xA0", "A"), "AAx");
  EXPECT_EQ(conv::ReplaceAllNarrow("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(conv::ReplaceAllNarrow("aaa", "aa", "xyz"), "xyza");
  EXPECT_EQ(conv::ReplaceAllNarrow("abc", "abcd", "x"), "abc");  // pattern longer than text
  EXPECT_EQ(conv::ReplaceAllNarrow("abc", "b", ""), "ac");
  EXPECT_EQ(conv::ReplaceAllNarrow("abc", "", "x"), "abc");      // empty pattern: unchanged
  EXPECT_EQ(conv::ReplaceAllNarrow(nullptr, "a", "b"), "");
  // A pattern pair does not match across two characters (trail + lead).
  EXPECT_EQ(conv::ReplaceAllNarrow("\x82\xA0\x82\xA2", "\xA0\x82", "X"), "\x82\xA0\x82\xA2");
}

TEST(ReplaceAllNarrow, LoneLeadByteDoesNotHideNextCharacter) {
  // A lead byte before a line end is a character of its own, so the LF is found.
  EXPECT_EQ(conv::ReplaceAllNarrow("\x82\n", "\n", "|"), "\x82|");
}

// --- ReplaceAllWide --------------------------------------------------------------

TEST(ReplaceAllWide, LoneLineEndsNeverSplitPairs) {
  int n = -1;
  EXPECT_EQ(conv::ReplaceAllWide(u"a\r\nb\nc\n", u"\n", u"\r\n", &n), u"a\r\nb\r\nc\r\n");
  EXPECT_EQ(n, 2);
  EXPECT_EQ(conv::ReplaceAllWide(u"\ra\r\nb\r", u"\r", u"\r\n", &n), u"\r\na\r\nb\r\n");
  EXPECT_EQ(n, 2);
  EXPECT_EQ(conv::ReplaceAllWide(u"\n\n", u"\n", u"x", &n), u"xx");
  EXPECT_EQ(conv::ReplaceAllWide(u"\r\n\r\n", u"\r\n", u"\n", &n), u"\n\n");
  EXPECT_EQ(n, 2);
}

TEST(ReplaceAllWide, Edges) {
  int n = -1;
  EXPECT_EQ(conv::ReplaceAllWide(u"ab", u"abc", u"x", &n), u"ab");
  EXPECT_EQ(n, 0);
  EXPECT_EQ(conv::ReplaceAllWide(u"aaa", u"aa", u"", &n), u"a");
  EXPECT_EQ(n, 1);
  EXPECT_EQ(conv::ReplaceAllWide(u"", u"a", u"b", &n), u"");
  EXPECT_EQ(conv::ReplaceAllWide(u"\U0001F600x", u"x", u"y"), u"\U0001F600y");
}

// --- case -------------------------------------------------------------------------

TEST(CompareNoCase, ClampsEachTextToItsLength) {
  auto& p = hosttest::Platform();
  EXPECT_TRUE(conv::CompareNoCase(p, u"Hello world", u"hELLO", 5));
  EXPECT_FALSE(conv::CompareNoCase(p, u"Hel", u"hello", 5));   // first text shorter than n
  EXPECT_FALSE(conv::CompareNoCase(p, u"hello", u"he", 5));
  EXPECT_TRUE(conv::CompareNoCase(p, u"he", u"HE", 5));        // both end before n: equal texts
  EXPECT_FALSE(conv::CompareNoCase(p, u"", u"", 3));
  EXPECT_FALSE(conv::CompareNoCase(p, u"a", u"", 1));
  EXPECT_TRUE(conv::CompareNoCase(p, u"\uFF21bc", u"\uFF41BX", 2));
}

TEST(PosNoCase, FindsIgnoringCase) {
  auto& p = hosttest::Platform();
  EXPECT_EQ(conv::PosNoCase(p, u"Hello World", u"wORLD"), 7u);
  EXPECT_EQ(conv::PosNoCase(p, u"abc", u"d"), 0u);
  EXPECT_EQ(conv::PosNoCase(p, u"", u"a"), 0u);
  EXPECT_EQ(conv::PosNoCase(p, u"a", u""), 0u);
  EXPECT_EQ(conv::UpperCaseWide(p, u"ab\uFF41"), u"AB\uFF21");
  EXPECT_EQ(conv::LowerCaseWide(p, u"AB\uFF21"), u"ab\uFF41");
  EXPECT_EQ(conv::CompareLocale(p, 0, u"a", 1, u"b", 1), 1);
  EXPECT_EQ(conv::CompareLocale(p, 1, u"B", 1, u"b", 1), 2);
}

// --- JisShiftAt -------------------------------------------------------------------

TEST(JisShiftAt, InsideDoubleByteRunPrefixesDesignation) {
  // "a" ESC $ B 24 22 24 24 ESC ( B: offset 6 is the second kanji.
  MemoryFile f("a\x1B$B\x24\x22\x24\x24\x1B(B");
  std::string buf = "\x24\x24\x1B(B";
  int64_t count = 5;
  EXPECT_EQ(conv::JisShiftAt(f, 6, &buf, &count, 0), conv::JisRunKind::DoubleByte);
  EXPECT_EQ(buf, "\x1B$B\x24\x24\x1B(B");
  EXPECT_EQ(count, 8);
}

TEST(JisShiftAt, KnowsEveryDesignationJisToSjisKnows) {
  struct Case {
    std::string file;
    int64_t offset;
    std::string prefix;
    conv::JisRunKind kind;
  } cases[] = {
      {"x\x1B$@\x24\x22\x24\x24", 6, "\x1B$@", conv::JisRunKind::DoubleByte},
      {"x\x1B$(D\x24\x22\x24\x24", 7, "\x1B$(D", conv::JisRunKind::DoubleByte},
      {"\x1B&@\x1B$B\x24\x22\x24\x24", 8, "\x1B$B", conv::JisRunKind::DoubleByte},
      {"x\x1B(I\x31\x32", 5, "\x1B(I", conv::JisRunKind::Kana},
      {"x\x0E\x31\x32\x33", 3, "\x0E", conv::JisRunKind::Kana},
      {"x\x0E\x31\x0F" "ab", 4, "", conv::JisRunKind::None},           // SI ended the run
      {"x\x1B$B\x24\x22\x1B(J" "ab", 9, "", conv::JisRunKind::None},    // ESC ( J ended it
      {"x\x1B$B\x24\x22\x1B(B" "ab", 9, "", conv::JisRunKind::None},
      {"\x1B$B\x24\x22\r\n\x24\x24", 6, "", conv::JisRunKind::None},   // stops at CR LF
      {"x\x1B$B\x24\x22", 1, "", conv::JisRunKind::None},               // at the escape itself
  };
  for (const auto& k : cases) {
    MemoryFile f(k.file);
    std::string buf = "DATA";
    int64_t count = 4;
    EXPECT_EQ(conv::JisShiftAt(f, k.offset, &buf, &count, 0), k.kind) << k.offset;
    EXPECT_EQ(buf, k.prefix + "DATA") << k.offset;
    EXPECT_EQ(count, 7) << "3 for the run start in every case";
  }
}

TEST(JisShiftAt, RangeStartingWithSiFindsItsShiftOut) {
  MemoryFile f("x\x0E\x31\x0F" "ab");
  std::string buf = "\x0F" "ab";
  int64_t count = 3;
  EXPECT_EQ(conv::JisShiftAt(f, 3, &buf, &count, 0), conv::JisRunKind::Kana);
  EXPECT_EQ(buf, "\x0E\x0F" "ab");
}

TEST(JisShiftAt, ForwardCountCountsAllSequences) {
  // From offset 0: ESC $ B (3) .. ESC ( B (3) SO (1) .. SI (1) ESC ( I (3) . ESC $ ( D (4)
  std::string file = "a\x1B$B\x24\x22\x1B(B\x0E\x31\x0F\x1B(I\x31\x1B$(D\x24\x22\x1B(Bz";
  MemoryFile f(file);
  int64_t count = 0;
  conv::JisShiftAt(f, 0, nullptr, &count, static_cast<int64_t>(file.size()));
  EXPECT_EQ(count, 3 + 3 + 3 + 1 + 1 + 3 + 4 + 3);
}

TEST(JisShiftAt, StepLimitAndFileStart) {
  std::string file = "\x1B$B" + std::string(1100, '\x24');
  MemoryFile far(file);
  std::string buf = "D";
  int64_t count = 1;
  // 1100 bytes back is beyond the 1025 steps: no run start found.
  EXPECT_EQ(conv::JisShiftAt(far, 1100, &buf, &count, 0), conv::JisRunKind::None);
  EXPECT_EQ(far.reads, 1025);
  EXPECT_EQ(buf, "D");
  MemoryFile near(file);
  EXPECT_EQ(conv::JisShiftAt(near, 1020, &buf, &count, 0), conv::JisRunKind::DoubleByte);
  MemoryFile start("abc");
  count = 0;
  EXPECT_EQ(conv::JisShiftAt(start, 2, nullptr, &count, 0), conv::JisRunKind::None);
  EXPECT_EQ(start.reads, 3);  // offsets 2, 1, 0; the move before 0 fails
  EXPECT_EQ(count, 3);
  // A negative low 32-bit range length counts nothing forward.
  MemoryFile neg("a\x1B(Bb");
  count = 0;
  conv::JisShiftAt(neg, 0, nullptr, &count, int64_t(0xFFFFFFFF));
  EXPECT_EQ(count, 3);
}
