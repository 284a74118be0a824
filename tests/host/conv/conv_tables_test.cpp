// Tables of the code conversions with their edge cases: substitutes and the
// unconvertible list, byte orders, surrogates, cut and rejected sequences, JIS
// kana conventions (host build, code page 932 from iconv).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "host_platform.h"
#include "text/conv.h"

using conv::ByteOrder;
using conv::Context;

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string Hex(const std::string& s) {
  static const char* d = "0123456789ABCDEF";
  std::string h;
  for (unsigned char c : s) {
    if (!h.empty()) h += ' ';
    h += d[c >> 4];
    h += d[c & 15];
  }
  return h;
}

Context Ctx() {
  Context c;
  c.platform = &hosttest::Platform();
  return c;
}

std::string W2S(Context& c, const std::u16string& w, ByteOrder o = ByteOrder::Little) {
  std::string out = "unset";
  EXPECT_TRUE(conv::WideToSjis(c, w.c_str(), o, &out));
  return out;
}

#define EXPECT_BYTES(expected, actual) EXPECT_EQ(Hex(expected), Hex(actual))

}  // namespace

// --- UTF-16 to Shift_JIS ---------------------------------------------------------

TEST(WideToSjis, UnconvertibleBecomesSubstituteAndIsListed) {
  Context c = Ctx();
  EXPECT_BYTES("a??c", W2S(c, u"a\uAC00c"));
  EXPECT_EQ(c.UnconvertibleList, u"[\uAC00]");
  EXPECT_EQ(c.UnconvertibleCount, 1u);
}

TEST(WideToSjis, MergeUnconvertibleListsEachCharacterOnce) {
  Context off = Ctx();
  W2S(off, u"\uAC00\uAC00\uAC00");
  EXPECT_EQ(off.UnconvertibleList, u"[\uAC00][\uAC00][\uAC00]");
  EXPECT_EQ(off.UnconvertibleCount, 3u);
  Context on = Ctx();
  on.MergeUnconvertible = true;
  EXPECT_BYTES("??????", W2S(on, u"\uAC00\uAC00\uAC00"));
  EXPECT_EQ(on.UnconvertibleList, u"[\uAC00]");
  EXPECT_EQ(on.UnconvertibleCount, 3u);
}

TEST(WideToSjis, MergeFollowsTheListAcrossClears) {
  Context c = Ctx();
  c.MergeUnconvertible = true;
  W2S(c, u"\uAC00\U0001F600\uAC00\U0001F600");
  EXPECT_EQ(c.UnconvertibleList, u"[\uAC00][\U0001F600]");
  EXPECT_EQ(c.UnconvertibleCount, 6u);  // each pair counts its two substitutes
  // A lone high surrogate is another character than the pair it could start.
  W2S(c, std::u16string(1, char16_t(0xD83D)));
  EXPECT_EQ(c.UnconvertibleList, u"[\uAC00][\U0001F600][\xD83D]");
  // The caller clears the list before the next conversion: entries come again.
  c.UnconvertibleList.clear();
  c.UnconvertibleCount = 0;
  W2S(c, u"\uAC00\uAC00");
  EXPECT_EQ(c.UnconvertibleList, u"[\uAC00]");
  EXPECT_EQ(c.UnconvertibleCount, 2u);
  // A list set from outside is read again.
  c.UnconvertibleList = u"[\uAC01]";
  W2S(c, u"\uAC01\uAC00");
  EXPECT_EQ(c.UnconvertibleList, u"[\uAC01][\uAC00]");
}

TEST(WideToSjis, ListOnlyGrows) {
  Context c = Ctx();
  c.UnconvertibleList = u"[x]";
  c.UnconvertibleCount = 5;
  W2S(c, u"\uAC00");
  EXPECT_EQ(c.UnconvertibleList, u"[x][\uAC00]");
  EXPECT_EQ(c.UnconvertibleCount, 6u);
}

TEST(WideToSjis, SubstituteForms) {
  Context c = Ctx();
  c.SubstituteChar = "\x81\x48";  // full-width question mark
  EXPECT_BYTES(B({'a', 0x81, 0x48, 0x81, 0x48, 'b'}), W2S(c, u"a\uAC00\uAC01b"));
  c.SubstituteChar = "";
  EXPECT_BYTES("??", W2S(c, u"\uAC00"));
  c.SubstituteChar = "*";
  EXPECT_BYTES("**", W2S(c, u"\uAC00"));
  c.SubstituteChar = "\xB1";  // half-width katakana: its byte twice
  EXPECT_BYTES(B({0xB1, 0xB1}), W2S(c, u"\uAC00"));
  c.SubstituteChar = "\x81";  // a lone lead byte would pair with what follows
  EXPECT_BYTES("??a", W2S(c, u"\uAC00a"));
  c.SubstituteChar = "\x81\x0D";  // lead byte without a trail byte
  EXPECT_BYTES("??", W2S(c, u"\uAC00"));
}

TEST(WideToSjis, ConvertsEveryClass) {
  Context c = Ctx();
  EXPECT_BYTES(B({'A', 0xB1, 0x82, 0xA0, 0x8A, 0xBF, 0x81, 0x40, 0x82, 0x60}),
               W2S(c, u"A\uFF71\u3042\u6F22\u3000\uFF21"));
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

TEST(WideToSjis, SkipsMark) {
  Context c = Ctx();
  EXPECT_BYTES("A", W2S(c, u"\uFEFFA"));
  EXPECT_BYTES("A", W2S(c, u"\uFFFEA"));
}

// Big-endian input with the big-endian flag converts correctly and the caller's
// buffer stays as it was (it is never swapped in place).
TEST(WideToSjis, BigEndianInputIsReadNotSwapped) {
  Context c = Ctx();
  std::u16string be = {0x4100, 0x4230, 0x71FF, 0};  // "A", U+3042, U+FF71 stored big endian
  be.pop_back();
  const std::u16string before = be;
  EXPECT_BYTES(B({'A', 0x82, 0xA0, 0xB1}), W2S(c, be, ByteOrder::Big));
  EXPECT_EQ(be, before);
  // A big-endian mark (FE FF, read as 0xFFFE) is skipped.
  std::u16string beMark = {0xFFFE, 0x4100};
  EXPECT_BYTES("A", W2S(c, beMark, ByteOrder::Big));
}

// A valid surrogate pair is listed as one character and counted as the two
// substitutes written for it.
TEST(WideToSjis, SurrogatePairIsListedOnceAndCountedAsItsSubstitutes) {
  Context c = Ctx();
  EXPECT_BYTES("a????b", W2S(c, u"a\U0001F600b"));
  EXPECT_EQ(c.UnconvertibleList, u"[\U0001F600]");
  EXPECT_EQ(c.UnconvertibleCount, 2u);
  Context lone = Ctx();
  EXPECT_BYTES("??", W2S(lone, std::u16string(1, char16_t(0xD83D))));
  EXPECT_EQ(lone.UnconvertibleCount, 1u);
}

TEST(WideToSjis, NullInputGivesNoResult) {
  Context c = Ctx();
  std::string out = "keep";
  EXPECT_FALSE(conv::WideToSjis(c, nullptr, ByteOrder::Little, &out));
  EXPECT_EQ(out, "keep");
  EXPECT_TRUE(conv::WideToSjis(c, u"", ByteOrder::Little, &out));
  EXPECT_EQ(out, "");
}

// --- Shift_JIS to UTF-16 ---------------------------------------------------------

TEST(SjisToWide, ConvertsInEitherByteOrder) {
  Context c = Ctx();
  std::u16string w;
  ASSERT_TRUE(conv::SjisToWide(c, "\x82\xA0" "A\xB1", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"\u3042A\uFF71");
  ASSERT_TRUE(conv::SjisToWide(c, "\x82\xA0" "A", ByteOrder::Big, &w));
  EXPECT_EQ(w, (std::u16string{0x4230, 0x4100}));
}

TEST(SjisToWide, LoneLeadByteDoesNotSwallowLineEnd) {
  Context c = Ctx();
  std::u16string w;
  ASSERT_TRUE(conv::SjisToWide(c, "a\x82\r\n", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"a?\r\n");
  EXPECT_EQ(c.UnconvertibleCount, 1u);
  ASSERT_TRUE(conv::SjisToWide(c, "\x82", ByteOrder::Little, &w));  // cut by the terminator
  EXPECT_EQ(w, u"?");
  c.SubstituteChar = "\x81\x48";
  ASSERT_TRUE(conv::SjisToWide(c, "\x82", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"\uFF1F");
}

TEST(SjisToWide, IbmExtensionKanjiAreOrdinaryCharacters) {
  Context c = Ctx();
  std::u16string w;
  ASSERT_TRUE(conv::SjisToWide(c, "\xFB\xFC\xFA\xB1", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"\u9AD9\uFA11");
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

// --- UTF-8 -------------------------------------------------------------------------

TEST(Utf8, BasicForms) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::Utf8ToSjis(c, "\xEF\xBB\xBF\x41", &s));
  EXPECT_BYTES("A", s);
  ASSERT_TRUE(conv::WideToUtf8(u"\u00E9\u3042", ByteOrder::Little, &s));
  EXPECT_BYTES(B({0xC3, 0xA9, 0xE3, 0x81, 0x82}), s);
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide("\xC3\xA9\xE3\x81\x82" "a", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"\u00E9\u3042a");
}

TEST(Utf8, BigEndianUnitsAreStoredSwapped) {
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide("\xE3\x81\x82\xEF\xBD\xB1", ByteOrder::Big, &w));
  // U+3042 as the bytes 30 42, U+FF71 as FF 71.
  std::string bytes = hosttest::BytesLEFromU16(w);
  EXPECT_BYTES(B({0x30, 0x42, 0xFF, 0x71}), bytes);
  std::string back;
  ASSERT_TRUE(conv::WideToUtf8(w.c_str(), ByteOrder::Big, &back));
  EXPECT_BYTES("\xE3\x81\x82\xEF\xBD\xB1", back);
}

// Four-byte sequences and surrogate pairs.
TEST(Utf8, FourByteSequencesAreSurrogatePairs) {
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide("a\xF0\x9F\x98\x80" "b\xF0\xA0\xAE\xB7", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"a\U0001F600b\U00020BB7");
  std::string s;
  ASSERT_TRUE(conv::WideToUtf8(w.c_str(), ByteOrder::Little, &s));
  EXPECT_BYTES("a\xF0\x9F\x98\x80" "b\xF0\xA0\xAE\xB7", s);
  ASSERT_TRUE(conv::Utf8ToWide("\xF4\x8F\xBF\xBF", ByteOrder::Little, &w));
  EXPECT_EQ(w, u"\U0010FFFF");
}

// Invalid bytes decode to U+DC00 + byte and encode back to the byte.
TEST(Utf8, InvalidBytesRoundTripAsEscapes) {
  struct Case {
    std::string in;
    std::u16string units;
  } cases[] = {
      {B({0x80}), {0xDC80}},
      {B({0xBF, 'a'}), {0xDCBF, 'a'}},                  // stray continuation byte
      {B({0xC3, 'A'}), {0xDCC3, 'A'}},                  // lead without continuation
      {B({0xE3, 0x81}), {0xDCE3, 0xDC81}},              // cut by the terminator
      {B({0xE3, 0x81, '\r', '\n'}), {0xDCE3, 0xDC81, '\r', '\n'}},
      {B({0xC0, 0x80}), {0xDCC0, 0xDC80}},              // overlong NUL: no NUL made
      {B({0xC1, 0x81}), {0xDCC1, 0xDC81}},              // overlong 'A'
      {B({0xE0, 0x80, 0x80}), {0xDCE0, 0xDC80, 0xDC80}},  // overlong three-byte
      {B({0xED, 0xA0, 0x80}), {0xDCED, 0xDCA0, 0xDC80}},  // encoded surrogate
      {B({0xF0, 0x80, 0x80, 0x80}), {0xDCF0, 0xDC80, 0xDC80, 0xDC80}},
      {B({0xF4, 0x90, 0x80, 0x80}), {0xDCF4, 0xDC90, 0xDC80, 0xDC80}},  // above U+10FFFF
      {B({0xF5, 'x'}), {0xDCF5, 'x'}},
      {B({0xFF, 0xFE}), {0xDCFF, 0xDCFE}},
      {B({0xF0, 0x9F, 0x98}), {0xDCF0, 0xDC9F, 0xDC98}},  // four-byte cut
      {B({0xF0, 0x9F, 0x98, 'a'}), {0xDCF0, 0xDC9F, 0xDC98, 'a'}},
  };
  for (const auto& k : cases) {
    std::u16string w;
    ASSERT_TRUE(conv::Utf8ToWide(k.in.c_str(), ByteOrder::Little, &w));
    EXPECT_EQ(w, k.units) << Hex(k.in);
    std::string back;
    ASSERT_TRUE(conv::WideToUtf8(w.c_str(), ByteOrder::Little, &back));
    EXPECT_BYTES(k.in, back);
  }
}

TEST(Utf8, LoneSurrogatesFromUtf16) {
  std::string s;
  ASSERT_TRUE(conv::WideToUtf8(std::u16string{0xD800, 'a'}.c_str(), ByteOrder::Little, &s));
  EXPECT_BYTES(B({0xED, 0xA0, 0x80, 'a'}), s);  // keeps its three-byte form
  ASSERT_TRUE(conv::WideToUtf8(std::u16string{0xDE00}.c_str(), ByteOrder::Little, &s));
  EXPECT_BYTES(B({0xED, 0xB8, 0x80}), s);
  ASSERT_TRUE(conv::WideToUtf8(std::u16string{0xDC85}.c_str(), ByteOrder::Little, &s));
  EXPECT_BYTES(B({0x85}), s);  // an escaped byte
  ASSERT_TRUE(conv::WideToUtf8(std::u16string{0xD83D}.c_str(), ByteOrder::Little, &s));
  EXPECT_BYTES(B({0xED, 0xA0, 0xBD}), s);  // high surrogate cut by the terminator
}

TEST(Utf8, ToSjisReportsInvalidBytesAndNonBmp) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::Utf8ToSjis(c, "a\x80" "b\xF0\x9F\x98\x80\xE3\x81\x82", &s));
  EXPECT_BYTES(B({'a', '?', '?', 'b', '?', '?', '?', '?', 0x82, 0xA0}), s);
  EXPECT_EQ(c.UnconvertibleCount, 3u);  // the invalid byte, and the pair's two substitutes
  ASSERT_TRUE(conv::SjisToUtf8(c, "\x82\xA0\xB1" "a", &s));
  EXPECT_BYTES("\xE3\x81\x82\xEF\xBD\xB1" "a", s);
}

// The intermediates of Utf8ToSjis and SjisToUtf8 are native little endian, so a
// big-endian file order elsewhere cannot garble them (they take no byte order).
TEST(Utf8, SjisRoutesIgnoreFileByteOrder) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToUtf8(c, "\x93\xFA\x96\x7B", &s));
  EXPECT_EQ(s, "\xE6\x97\xA5\xE6\x9C\xAC");
  ASSERT_TRUE(conv::Utf8ToSjis(c, s.c_str(), &s));
  EXPECT_BYTES("\x93\xFA\x96\x7B", s);
}

// --- EUC-JP ----------------------------------------------------------------------

TEST(Euc, HiraganaAndKana) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToEuc(c, "\x82\xA0\xB1", &s));
  EXPECT_BYTES(B({0xA4, 0xA2, 0x8E, 0xB1}), s);
  ASSERT_TRUE(conv::EucToSjis(c, s.c_str(), &s));
  EXPECT_BYTES(B({0x82, 0xA0, 0xB1}), s);
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

TEST(Euc, PairArithmeticCorners) {
  Context c = Ctx();
  std::string s;
  // First and last cells of row 1, rows 13 (NEC special), 47/48 boundary, 84, and the
  // Shift_JIS lead E0 and EF.
  ASSERT_TRUE(conv::SjisToEuc(c, "\x81\x40\x81\xFC\x87\x40\x98\x72\x98\x9F\xEA\xA4\xE0\x40\xEF\xFC", &s));
  EXPECT_BYTES(B({0xA1, 0xA1, 0xA2, 0xFE, 0xAD, 0xA1, 0xCF, 0xD3, 0xD0, 0xA1, 0xF4, 0xA6, 0xDF, 0xA1, 0xFE, 0xFE}), s);
  ASSERT_TRUE(conv::EucToSjis(c, s.c_str(), &s));
  EXPECT_BYTES("\x81\x40\x81\xFC\x87\x40\x98\x72\x98\x9F\xEA\xA4\xE0\x40\xEF\xFC", s);
  // Trail bytes 0x7E and 0x80 (the gap at 0x7F).
  ASSERT_TRUE(conv::SjisToEuc(c, "\x81\x7E\x81\x80", &s));
  EXPECT_BYTES(B({0xA1, 0xDF, 0xA1, 0xE0}), s);
}

// Rejected pairs become the substitute in EUC-JP and are reported.
TEST(Euc, RejectedPairsBecomeSubstitute) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToEuc(c, "a\xFB\xFC" "b\xFA\xB1\xF0\x40", &s));
  EXPECT_BYTES("a??b????", s);
  EXPECT_EQ(c.UnconvertibleCount, 3u);
  EXPECT_EQ(c.UnconvertibleList, u"[\u9AD9][\uFA11][\uE000]");
  // A double-byte substitute keeps its JIS cell: full-width ? (81 48) is A1 A9.
  Context d = Ctx();
  d.SubstituteChar = "\x81\x48";
  ASSERT_TRUE(conv::SjisToEuc(d, "\xFB\xFC", &s));
  EXPECT_BYTES(B({0xA1, 0xA9}), s);
  // A substitute with no EUC-JP form of two bytes falls back to "??".
  d.SubstituteChar = "\xF0\x40";
  ASSERT_TRUE(conv::SjisToEuc(d, "\xFB\xFC", &s));
  EXPECT_BYTES("??", s);
}

TEST(Euc, LoneLeadByteIsConvertedAlone) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToEuc(c, "\x82\r\n", &s));
  EXPECT_BYTES("??\r\n", s);
  ASSERT_TRUE(conv::SjisToEuc(c, "x\x82", &s));
  EXPECT_BYTES("x??", s);
  EXPECT_EQ(c.UnconvertibleCount, 2u);
}

TEST(Euc, EucToSjisNeverWritesNul) {
  Context c = Ctx();
  std::string s;
  struct Case {
    std::string in, out;
  } cases[] = {
      {B({0xA4}), "??"},                          // pair cut by the terminator
      {B({0xA4, '\r', '\n'}), "??\r\n"},          // pair without its second byte
      {B({0x8E}), "??"},                          // kana prefix cut
      {B({0x8E, 'A'}), "??A"},                    // kana prefix before a non-kana byte
      {B({0x8E, 0xE0, 0xA1}), B({0x3F, 0x3F, 0xE0, 0x9F})},
      {B({0x8F, 0xB0, 0xA1, 'x'}), "??x"},        // JIS X 0212: no code page 932 row
      {B({0x8F, 0xB0}), "???\?"},                 // cut three-byte sequence
      {B({'a', 0x0D, 0x0A}), "a\r\n"},
  };
  for (const auto& k : cases) {
    ASSERT_TRUE(conv::EucToSjis(c, k.in.c_str(), &s));
    EXPECT_BYTES(k.out, s) << Hex(k.in);
  }
}

// --- JIS -------------------------------------------------------------------------

TEST(Jis, DoubleByteAndBothKanaConventions) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B\x24\x22\x1B(B", &s));
  EXPECT_BYTES(B({0x82, 0xA0}), s);
  EXPECT_FALSE(c.KanaByShiftOut);
  ASSERT_TRUE(conv::JisToSjis(c, "\x0E\x31\x0F", &s));
  EXPECT_BYTES(B({0xB1}), s);
  EXPECT_TRUE(c.KanaByShiftOut);
  ASSERT_TRUE(conv::SjisToJis(c, "\xB1", &s));
  EXPECT_BYTES("\x0E\x31\x0F", s);
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B(I\x31\x1B(B", &s));
  EXPECT_BYTES(B({0xB1}), s);
  EXPECT_FALSE(c.KanaByShiftOut);
  ASSERT_TRUE(conv::SjisToJis(c, "\xB1", &s));
  EXPECT_BYTES("\x1B(I\x31\x1B(B", s);
}

TEST(Jis, OneRunForConsecutiveDoubleByteCharacters) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToJis(c, "\x8A\xBF\x8E\x9A" "a\x82\xA0\r\n", &s));
  EXPECT_BYTES("\x1B$B\x34\x41\x3B\x7A\x1B(Ba\x1B$B\x24\x22\x1B(B\r\n", s);
  ASSERT_TRUE(conv::JisToSjis(c, s.c_str(), &s));
  EXPECT_BYTES("\x8A\xBF\x8E\x9A" "a\x82\xA0\r\n", s);
}

TEST(Jis, KanaRunsBothConventions) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToJis(c, "\xB1\xB2" "a\x82\xA0\xB3", &s));
  EXPECT_BYTES("\x1B(I\x31\x32\x1B(Ba\x1B$B\x24\x22\x1B(B\x1B(I\x33\x1B(B", s);
  c.KanaByShiftOut = true;
  ASSERT_TRUE(conv::SjisToJis(c, "\xB1\xB2" "a\x82\xA0\xB3", &s));
  EXPECT_BYTES("\x0E\x31\x32\x0F" "a\x1B$B\x24\x22\x1B(B\x0E\x33\x0F", s);
  ASSERT_TRUE(conv::JisToSjis(c, s.c_str(), &s));
  EXPECT_BYTES("\xB1\xB2" "a\x82\xA0\xB3", s);
  EXPECT_TRUE(c.KanaByShiftOut);
}

TEST(Jis, AllDesignations) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$@\x24\x22\x1B(J" "a\x1B$(D\x24\x22\x1B(B\x1B&@\x1B$B\x24\x22\x1B(B", &s));
  EXPECT_BYTES(B({0x82, 0xA0, 'a', 0x82, 0xA0, 0x82, 0xA0}), s);
  // SO run ended by a byte outside 0x21-0x5F (examined again in mode 0).
  ASSERT_TRUE(conv::JisToSjis(c, "\x0E\x31\r\nA", &s));
  EXPECT_BYTES(B({0xB1, '\r', '\n', 'A'}), s);
  EXPECT_TRUE(c.KanaByShiftOut);
}

TEST(Jis, ModeOneCarriesLineEndsAndSpaces) {
  Context c = Ctx();
  std::string s;
  // In a double-byte run a line end is written unchanged and the mode stays.
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B\x24\x22\r\n\x24\x24\x1B(B", &s));
  EXPECT_BYTES(B({0x82, 0xA0, '\r', '\n', 0x82, 0xA2}), s);
  // A space in a double-byte run is a space (the arithmetic rejects 0x20).
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B \x24\x22\x1B(B", &s));
  EXPECT_BYTES(B({' ', 0x82, 0xA0}), s);
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

// A pair cut by the terminator or by a
// byte that cannot be its second half.
TEST(Jis, CutPairsBecomeSubstitute) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B\x24", &s));
  EXPECT_BYTES("??", s);
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B\x24\r\n", &s));
  EXPECT_BYTES("??\r\n", s);
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B$B\x24\x1B(Ba", &s));
  EXPECT_BYTES("??a", s);
  EXPECT_EQ(c.UnconvertibleCount, 3u);
  // Escape sequences cut by the terminator are plain bytes.
  ASSERT_TRUE(conv::JisToSjis(c, "a\x1B$", &s));
  EXPECT_BYTES("a\x1B$", s);
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B&@\x1B$", &s));
  EXPECT_BYTES("\x1B&@\x1B$", s);
}

TEST(Jis, KanaRunKeepsLineEnds) {
  Context c = Ctx();
  std::string s;
  // Control bytes and the space stay themselves inside an ESC ( I run (setting their
  // top bit would turn CR LF into the kanji 8D 8A); kana bytes get their top bit.
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B(I\x31\r\n\x32 \x33\x1B(B", &s));
  EXPECT_BYTES(B({0xB1, '\r', '\n', 0xB2, ' ', 0xB3}), s);
}

TEST(Jis, SjisToJisRejectedPairs) {
  Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::SjisToJis(c, "\x8A\xBF\xFB\xFC\x8E\x9A", &s));
  EXPECT_BYTES("\x1B$B\x34\x41\x1B(B??\x1B$B\x3B\x7A\x1B(B", s);
  EXPECT_EQ(c.UnconvertibleCount, 1u);
  EXPECT_EQ(c.UnconvertibleList, u"[\u9AD9]");
  c.SubstituteChar = "\x81\x48";  // double-byte substitute stays inside the run
  ASSERT_TRUE(conv::SjisToJis(c, "\x8A\xBF\xFB\xFC\x8E\x9A", &s));
  EXPECT_BYTES("\x1B$B\x34\x41\x21\x29\x3B\x7A\x1B(B", s);
  ASSERT_TRUE(conv::SjisToJis(c, "\x82", &s));  // lead byte cut by the terminator
  EXPECT_BYTES("\x1B$B\x21\x29\x1B(B", s);
  c.SubstituteChar = "?";
  ASSERT_TRUE(conv::SjisToJis(c, "\x82\r\n", &s));
  EXPECT_BYTES("??\r\n", s);
}

// --- byte swapping ---------------------------------------------------------------

TEST(SwapUtf16Bytes, ByOrderOrForce) {
  unsigned char b[] = {1, 2, 3, 4, 5, 6, 7};
  conv::SwapUtf16Bytes(b, 6, false, 0, ByteOrder::Little);
  EXPECT_EQ(Hex(std::string(b, b + 7)), "01 02 03 04 05 06 07");
  conv::SwapUtf16Bytes(b, 6, false, 2, ByteOrder::Big);
  EXPECT_EQ(Hex(std::string(b, b + 7)), "01 02 04 03 06 05 07");
  conv::SwapUtf16Bytes(b, 7, true, 0, ByteOrder::Little);  // odd length: last byte alone
  EXPECT_EQ(Hex(std::string(b, b + 7)), "02 01 03 04 05 06 07");
}
