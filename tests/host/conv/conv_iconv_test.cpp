// Round trips over the fixtures (every character class) and the differential check
// against glibc's iconv (CP932, EUC-JP, ISO-2022-JP, UTF-8), an independent decoder.
#include <gtest/gtest.h>

#include <string>

#include "host_platform.h"
#include "text/conv.h"

using conv::ByteOrder;
using hosttest::Iconv;
using hosttest::ReadFixture;

namespace {
conv::Context Ctx() {
  conv::Context c;
  c.platform = &hosttest::Platform();
  return c;
}
}  // namespace

// The fixtures were made with iconv from classes_bmp.utf8.txt / classes.utf8.txt
// (tests/fixtures/conv/README.md); here the project's conversions must give the
// same bytes.
TEST(ConvFixtures, Utf8AndUtf16AgreeWithIconv) {
  std::string utf8 = ReadFixture("conv/classes.utf8.txt");
  std::string le = ReadFixture("conv/classes.utf16le.txt");
  std::string be = ReadFixture("conv/classes.utf16be.txt");
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide(utf8.c_str(), ByteOrder::Little, &w));
  EXPECT_EQ(hosttest::BytesLEFromU16(w), le);
  ASSERT_TRUE(conv::Utf8ToWide(utf8.c_str(), ByteOrder::Big, &w));
  EXPECT_EQ(hosttest::BytesLEFromU16(w), be);
  std::string back;
  ASSERT_TRUE(conv::WideToUtf8(hosttest::U16FromBytesLE(be).c_str(), ByteOrder::Big, &back));
  EXPECT_EQ(back, utf8);
  ASSERT_TRUE(conv::WideToUtf8(hosttest::U16FromBytesLE(le).c_str(), ByteOrder::Little, &back));
  EXPECT_EQ(back, utf8);
}

TEST(ConvFixtures, SjisEucJisAgreeWithIconv) {
  std::string utf8 = ReadFixture("conv/classes_bmp.utf8.txt");
  std::string sjis = ReadFixture("conv/classes_bmp.sjis.txt");
  std::string euc = ReadFixture("conv/classes_bmp.euc.txt");
  std::string jis = ReadFixture("conv/classes_bmp.jis.txt");
  conv::Context c = Ctx();
  std::string s;
  ASSERT_TRUE(conv::Utf8ToSjis(c, utf8.c_str(), &s));
  EXPECT_EQ(s, sjis);
  ASSERT_TRUE(conv::SjisToUtf8(c, sjis.c_str(), &s));
  EXPECT_EQ(s, utf8);
  ASSERT_TRUE(conv::SjisToEuc(c, sjis.c_str(), &s));
  EXPECT_EQ(s, euc);
  ASSERT_TRUE(conv::EucToSjis(c, euc.c_str(), &s));
  EXPECT_EQ(s, sjis);
  // iconv's ISO-2022-JP-3 marks half-width kana with ESC ( I, as KanaByShiftOut false.
  ASSERT_TRUE(conv::JisToSjis(c, jis.c_str(), &s));
  EXPECT_EQ(s, sjis);
  EXPECT_FALSE(c.KanaByShiftOut);
  ASSERT_TRUE(conv::SjisToJis(c, sjis.c_str(), &s));
  EXPECT_EQ(s, jis);
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

TEST(ConvFixtures, RoundTripsOverEveryClass) {
  std::string utf8 = ReadFixture("conv/classes.utf8.txt");
  conv::Context c = Ctx();
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide(utf8.c_str(), ByteOrder::Little, &w));
  std::string sjis;
  ASSERT_TRUE(conv::WideToSjis(c, w.c_str(), ByteOrder::Little, &sjis));
  // The non-BMP line has four characters outside code page 932: each pair
  // is written as two substitutes and counted as them.
  EXPECT_EQ(c.UnconvertibleCount, 8u);
  EXPECT_EQ(c.UnconvertibleList, u"[\U00020BB7][\U0001F600][\U0001F363][\U00029E3D]");
  c.UnconvertibleCount = 0;
  for (bool shiftOut : {false, true}) {
    c.KanaByShiftOut = shiftOut;
    std::string e, j, back;
    ASSERT_TRUE(conv::SjisToEuc(c, sjis.c_str(), &e));
    ASSERT_TRUE(conv::EucToSjis(c, e.c_str(), &back));
    EXPECT_EQ(back, sjis);
    ASSERT_TRUE(conv::SjisToJis(c, sjis.c_str(), &j));
    ASSERT_TRUE(conv::JisToSjis(c, j.c_str(), &back));
    EXPECT_EQ(back, sjis);
    EXPECT_EQ(c.KanaByShiftOut, shiftOut);
  }
  std::u16string wb;
  ASSERT_TRUE(conv::SjisToWide(c, sjis.c_str(), ByteOrder::Big, &wb));
  std::string again;
  ASSERT_TRUE(conv::WideToSjis(c, wb.c_str(), ByteOrder::Big, &again));
  EXPECT_EQ(again, sjis);
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

// Every double-byte cell that the pair arithmetic covers (Shift_JIS leads below
// 0xF0 with every trail byte: JIS rows and cells 0x21-0x7E), against iconv.
// Where iconv has no character for a cell (unassigned JIS X 0208 cells, the NEC row
// 13 and the NEC-selected IBM rows 89-92, which JIS X 0208 leaves empty), the
// arithmetic still maps the cell one to one (the published JIS X 0208 to Shift_JIS rule); those
// cells are compared for the round trip only.
TEST(ConvDifferential, EveryDoubleByteCellAgreesWithIconv) {
  conv::Context c = Ctx();
  int compared = 0, arithmeticOnly = 0;
  for (int s1 = 0x81; s1 < 0xF0; ++s1) {
    if (!conv::IsSjisLead(static_cast<unsigned char>(s1))) continue;
    for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
      if (!conv::IsSjisTrail(static_cast<unsigned char>(s2))) continue;
      std::string pair{static_cast<char>(s1), static_cast<char>(s2)};
      std::string euc, jis, back;
      ASSERT_TRUE(conv::SjisToEuc(c, pair.c_str(), &euc));
      ASSERT_TRUE(conv::SjisToJis(c, pair.c_str(), &jis));
      ASSERT_EQ(euc.size(), 2u);
      ASSERT_TRUE(conv::EucToSjis(c, euc.c_str(), &back));
      ASSERT_EQ(back, pair);
      ASSERT_TRUE(conv::JisToSjis(c, jis.c_str(), &back));
      ASSERT_EQ(back, pair);
      std::string ie, ij;
      // glibc's SHIFT_JIS is plain JIS X 0208 (no vendor rows): the independent table.
      if (Iconv("SHIFT_JIS", "EUC-JP", pair, &ie)) {
        EXPECT_EQ(euc, ie) << std::hex << s1 << " " << s2;
        ASSERT_TRUE(Iconv("SHIFT_JIS", "ISO-2022-JP", pair, &ij));
        EXPECT_EQ(jis, ij) << std::hex << s1 << " " << s2;
        ++compared;
      } else {
        ++arithmeticOnly;
      }
    }
  }
  EXPECT_EQ(compared, 6879);  // the JIS X 0208 characters
  EXPECT_EQ(compared + arithmeticOnly, 94 * 94);  // leads 81-9F and E0-EF: rows 1-94, 94 cells each
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

// Every UTF-16 unit and code point against iconv's UTF-8 (valid input agrees; lone
// surrogates differ by design: iconv rejects them, here they keep the three-byte
// form or, for U+DC80-U+DCFF, stand for a raw byte).
TEST(ConvDifferential, Utf8AgreesWithIconvForEveryCodePoint) {
  for (uint32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 97)) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::u16string w;
    if (cp < 0x10000) {
      w = std::u16string(1, static_cast<char16_t>(cp));
    } else {
      w += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      w += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    std::string mine, theirs;
    ASSERT_TRUE(conv::WideToUtf8(w.c_str(), ByteOrder::Little, &mine));
    ASSERT_TRUE(Iconv("UTF-16LE", "UTF-8", hosttest::BytesLEFromU16(w), &theirs));
    ASSERT_EQ(mine, theirs) << std::hex << cp;
    std::u16string back;
    ASSERT_TRUE(conv::Utf8ToWide(mine.c_str(), ByteOrder::Little, &back));
    ASSERT_EQ(back, w) << std::hex << cp;
  }
}

// Code page 932 single and double bytes through SjisToWide/WideToSjis agree with
// iconv's CP932 (the host platform's table comes from it, so this checks the
// walking and the byte classes rather than the table).
TEST(ConvDifferential, Cp932TextAgreesWithIconv) {
  std::string all;
  for (int b = 0x20; b < 0x7F; ++b) all += static_cast<char>(b);
  for (int b = 0xA1; b <= 0xDF; ++b) all += static_cast<char>(b);
  for (int s1 = 0x81; s1 <= 0xFC; ++s1) {
    if (!conv::IsSjisLead(static_cast<unsigned char>(s1))) continue;
    for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
      if (!conv::IsSjisTrail(static_cast<unsigned char>(s2))) continue;
      std::string p{static_cast<char>(s1), static_cast<char>(s2)}, tmp;
      if (Iconv("CP932", "UTF-16LE", p, &tmp)) all += p;
    }
  }
  std::string theirs;
  ASSERT_TRUE(Iconv("CP932", "UTF-16LE", all, &theirs));
  conv::Context c = Ctx();
  std::u16string w;
  ASSERT_TRUE(conv::SjisToWide(c, all.c_str(), ByteOrder::Little, &w));
  EXPECT_EQ(hosttest::BytesLEFromU16(w), theirs);
  std::string utf8, theirs8;
  ASSERT_TRUE(conv::SjisToUtf8(c, all.c_str(), &utf8));
  ASSERT_TRUE(Iconv("CP932", "UTF-8", all, &theirs8));
  EXPECT_EQ(utf8, theirs8);
  EXPECT_EQ(c.UnconvertibleCount, 0u);
}

// Where the conversions and iconv differ by design.
TEST(ConvDifferential, DifferencesByDesign) {
  conv::Context c = Ctx();
  std::string s, theirs;
  // Invalid UTF-8: iconv refuses the text; here each stray byte becomes U+DC00 + byte
  // so that re-encoding gives the file's bytes back (offsets stay exact).
  EXPECT_FALSE(Iconv("UTF-8", "UTF-16LE", "a\x80" "b", &theirs));
  std::u16string w;
  ASSERT_TRUE(conv::Utf8ToWide("a\x80" "b", ByteOrder::Little, &w));
  EXPECT_EQ(w, (std::u16string{u'a', 0xDC80, u'b'}));
  // JIS X 0212 in EUC-JP (8F xx xx): iconv decodes it; code page 932 has no such
  // rows, so it becomes the substitute and is reported.
  EXPECT_TRUE(Iconv("EUC-JP", "UTF-16LE", "\x8F\xB0\xA1", &theirs));
  ASSERT_TRUE(conv::EucToSjis(c, "\x8F\xB0\xA1", &s));
  EXPECT_EQ(s, "??");
  EXPECT_EQ(c.UnconvertibleCount, 1u);
  // Half-width kana in JIS: plain ISO-2022-JP has none, and iconv passes ESC ( I and
  // SO/SI through as control characters; the viewer reads them as kana runs (as
  // ISO-2022-JP-3 and CP50221 files use them).
  ASSERT_TRUE(Iconv("ISO-2022-JP", "UTF-8", "\x1B(I\x31\x1B(B", &theirs));
  EXPECT_EQ(theirs, "\x1B(I\x31");
  ASSERT_TRUE(Iconv("ISO-2022-JP", "UTF-8", "\x0E\x31\x0F", &theirs));
  EXPECT_EQ(theirs, "\x0E\x31\x0F");
  ASSERT_TRUE(conv::JisToSjis(c, "\x1B(I\x31\x1B(B", &s));
  EXPECT_EQ(s, "\xB1");
  ASSERT_TRUE(conv::JisToSjis(c, "\x0E\x31\x0F", &s));
  EXPECT_EQ(s, "\xB1");
  // The IBM extension kanji (FA-FC leads): iconv's CP932 maps them to Unicode, but
  // they have no JIS X 0208 cell: EUC-JP and JIS get the substitute, reported.
  EXPECT_TRUE(Iconv("CP932", "UTF-16LE", "\xFB\xFC", &theirs));
  EXPECT_FALSE(Iconv("CP932", "EUC-JP", "\xFB\xFC", &theirs));
  ASSERT_TRUE(conv::SjisToEuc(c, "\xFB\xFC", &s));
  EXPECT_EQ(s, "??");
  EXPECT_EQ(c.UnconvertibleCount, 2u);
}
