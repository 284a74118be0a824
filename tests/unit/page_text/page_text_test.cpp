// The page cut, line-end counts, NUL handling and the page measures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/utf16_bytes.h"
#include "text/PageText.h"

using namespace std::string_literals;

namespace {

const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string Le(const std::u16string& s) { return testsupport::Utf16Le(s); }
std::string Be(const std::u16string& s) { return testsupport::Utf16Be(s); }

// The text a narrow page shows: cut, then a final CR dropped.
std::string ShownNarrow(const std::string& t, int lines, int64_t* lineEnds = nullptr) {
  const auto cut = pagetext::CutPageNarrow(U(t), t.size(), lines);
  if (lineEnds) *lineEnds = cut.lineEnds;
  return t.substr(0, pagetext::DropFinalCrNarrow(U(t), cut.end));
}

TEST(PageCut, NarrowWholeLinesThatFit) {
  struct Row {
    const char* name;
    std::string text;
    int lines;
    std::string shown;
    int64_t lineEnds;
  } rows[] = {
      {"stops at the line end that fills the page", "a\r\nb\r\nc\r\nd"s, 2, "a\r\nb"s, 2},
      {"short page runs to the end", "a\r\nb"s, 5, "a\r\nb"s, 1},
      {"lone LF and lone CR count", "a\nb\rc\r\nd"s, 2, "a\nb"s, 2},
      {"lone CR at the limit", "a\nb\rc"s, 2, "a\nb"s, 2},
      {"page ending between CR and LF loses the CR", "a\r\nb\r"s, 5, "a\r\nb"s, 2},
      {"a final CR of the whole text is dropped", "abc\r"s, 5, "abc"s, 1},
      {"one byte after a line end is taken in", "a\n\n"s, 2, "a\n\n"s, 1},
      {"one letter after a line end", "a\r\nb"s, 1, "a"s, 1},
      {"two bytes after a line end are not", "a\n\n\n"s, 2, "a\n"s, 2},
      {"lines per page below 1 count as 1", "a\r\nb\r\nc"s, 0, "a"s, 1},
      {"empty text", ""s, 3, ""s, 0},
      {"no line end", "abcdef"s, 3, "abcdef"s, 0},
      {"Shift_JIS text", "\x82\xa0\x82\xa2\r\n\x82\xa4\r\n\x82\xa6"s, 1, "\x82\xa0\x82\xa2"s, 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    int64_t ends = -1;
    EXPECT_EQ(ShownNarrow(r.text, r.lines, &ends), r.shown);
    EXPECT_EQ(ends, r.lineEnds);
  }
  // The cut itself lies on the last byte of the line end that filled the page.
  const std::string t = "ab\r\ncd\r\n";
  EXPECT_EQ(pagetext::CutPageNarrow(U(t), t.size(), 1).end, 3u);
  // Short: the text ran out before the page held its lines.
  EXPECT_TRUE(pagetext::IsShortPage(3, 2));
  EXPECT_FALSE(pagetext::IsShortPage(3, 3));
  EXPECT_TRUE(pagetext::IsShortPage(0, 0));
  EXPECT_FALSE(pagetext::IsShortPage(0, 1));
  const std::string full = "a\r\nb\r\nc\r\nd";
  const std::string two = "a\r\nb";
  EXPECT_FALSE(pagetext::IsShortPage(3, pagetext::CutPageNarrow(U(full), full.size(), 3).lineEnds));
  EXPECT_TRUE(pagetext::IsShortPage(3, pagetext::CutPageNarrow(U(two), two.size(), 3).lineEnds));
}

TEST(PageCut, WideCountsOnlyCrLfPairsAndStepsOverTheMark) {
  struct Row {
    const char* name;
    std::u16string text;
    int lines;
    std::u16string shown;
    int64_t lineEnds;
  } rows[] = {
      {"stops on the CR", u"a\r\nb\r\nc", 1, u"a", 1},
      {"two lines", u"a\r\nb\r\nc", 2, u"a\r\nb", 2},
      {"mark stepped over", u"\xFEFF\r\nb\r\nc", 1, u"\xFEFF", 1},
      {"lone LF and CR do not count", u"a\nb\rc\r\nd", 1, u"a\nb\rc", 1},
      {"final CR dropped", u"a\r\nb\r", 5, u"a\r\nb", 1},
      {"short page", u"ab", 3, u"ab", 0},
  };
  for (int bo : {0, 1}) {
    for (const auto& r : rows) {
      SCOPED_TRACE(testing::Message() << r.name << ", byte order " << bo);
      const std::string t = bo ? Le(r.text) : Be(r.text);
      const auto cut = pagetext::CutPageWide(U(t), t.size(), r.lines, bo);
      EXPECT_EQ(cut.lineEnds, r.lineEnds);
      const std::string shown = t.substr(0, pagetext::DropFinalCrWide(U(t), cut.end, bo));
      EXPECT_EQ(shown, bo ? Le(r.shown) : Be(r.shown));
    }
  }
  // An odd last byte is not part of the page; a CR LF of the other byte order is no line end.
  const std::string odd = Le(u"ab") + "x";
  EXPECT_EQ(pagetext::CutPageWide(U(odd), odd.size(), 3, 1).end, 4u);
  const std::string other = Be(u"a\r\nb");
  EXPECT_EQ(pagetext::CutPageWide(U(other), other.size(), 1, 1).lineEnds, 0);
  // Lone line ends asked for: each lone CR or LF is a line of its own, a pair one.
  struct Lone {
    std::u16string text;
    int lines;
    std::u16string shown;
    int64_t lineEnds;
  } lone[] = {
      {u"a\nb\rc\r\nd", 1, u"a", 1},
      {u"a\nb\rc\r\nd", 2, u"a\nb", 2},
      {u"a\nb\rc\r\nd", 3, u"a\nb\rc", 3},
      {u"a\nb\rc\r\nd", 9, u"a\nb\rc\r\nd", 3},
      {u"a\n", 1, u"a", 1},
  };
  for (int bo : {0, 1}) {
    for (const auto& r : lone) {
      const std::string t = bo ? Le(r.text) : Be(r.text);
      const auto cut = pagetext::CutPageWide(U(t), t.size(), r.lines, bo, true);
      EXPECT_EQ(cut.lineEnds, r.lineEnds) << r.lines;
      EXPECT_EQ(t.substr(0, pagetext::DropFinalCrWide(U(t), cut.end, bo)), bo ? Le(r.shown) : Be(r.shown)) << r.lines;
    }
  }
}

TEST(PageCut, WrappedNarrowCutNeverSplitsADoubleByteCharacter) {
  // "aあいb": a lead byte at index 1 and 3; their trail bytes 0xA0 and 0xA2
  // look like lead bytes of nothing, 0x82 trail bytes like leads.
  const std::string t = "a\x82\xa0\x82\xa2" "b"s;
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 1), 1u);
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 2), 1u);  // between lead and trail: one less
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 3), 3u);
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 4), 3u);
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 5), 5u);
  EXPECT_EQ(pagetext::NarrowCutAt(U(t), t.size(), 99), t.size());  // at most the text
  // A trail byte in the lead range: "ゼ" is 83 5B, "Ⅰ" is 87 54, "亜" is 88 9F;
  // "亜亜" = 88 9F 88 9F: the byte at index 1 (9F) is in the lead range but a trail.
  const std::string a = "\x88\x9f\x88\x9f"s;
  EXPECT_EQ(pagetext::NarrowCutAt(U(a), a.size(), 2), 2u);
  EXPECT_EQ(pagetext::NarrowCutAt(U(a), a.size(), 3), 2u);
}

TEST(PageMeasure, LinesPerPageHeldAtOneOrMore) {
  struct Row {
    int height, hscroll, charHeight;
    bool csv;
    int lines;
  } rows[] = {
      {417, 17, 20, false, 19},  // 400 / 20 - 1
      {563, 17, 14, false, 38},  // a 14-pixel line pitch
      {563, 17, 19, false, 27},  // a 19-pixel one: fewer lines
      {417, 17, 20, true, 18},
      {417, 17, 0, false, 1},    // font height 0 from a hand-edited setting
      {417, 17, -5, false, 1},
      {10, 17, 20, false, 1},    // minimised or tiny view
      {37, 17, 20, false, 1},    // exactly one line: 1 - 1 = 0, held at 1
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.height << "/" << r.charHeight);
    EXPECT_EQ(pagetext::LinesPerPage(r.height, r.hscroll, r.charHeight, r.csv), r.lines);
  }
}

TEST(PageMeasure, CharsPerPageFromExtents) {
  struct Row {
    int w, h, cw, ch;
    int64_t chars;
    int perLine;
  } rows[] = {
      {400, 300, 8, 16, 50 * 18, 50},
      {399, 300, 8, 16, 49 * 18, 49},
      {4, 300, 8, 16, 1 * 18, 1},   // narrower than one character: held at 1 per line
      {400, 10, 8, 16, 50, 50},     // lower than one line: held at 1 line
      {400, 300, 0, 0, 1, 1},       // no measure
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " / " << r.cw << "x" << r.ch);
    int perLine = 0;
    EXPECT_EQ(pagetext::CharsPerPage(r.w, r.h, r.cw, r.ch, &perLine), r.chars);
    EXPECT_EQ(perLine, r.perLine);
  }
  EXPECT_EQ(pagetext::CharsPerPageWideBytes(900), 1800);
}

TEST(PageLineEnds, CountLoneCrAndLf) {
  struct Row {
    std::string text;
    int64_t n;
  } rows[] = {
      {"a\r\nb"s, 0}, {"a\rb"s, 1}, {"a\nb"s, 1}, {"\n\r"s, 2}, {"\r\r\n"s, 1}, {"\r\n\n"s, 1}, {""s, 0}, {"\r"s, 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.text));
    EXPECT_EQ(pagetext::CountLineEndsNarrow(U(r.text), r.text.size()), r.n);
    // The same line ends in UTF-16 of both byte orders.
    std::u16string w(r.text.begin(), r.text.end());
    EXPECT_EQ(pagetext::CountLineEndsWide(U(Le(w)), w.size() * 2, 1), r.n);
    EXPECT_EQ(pagetext::CountLineEndsWide(U(Be(w)), w.size() * 2, 0), r.n);
  }
  // Walking whole units: "A」" is 41 00 0D 30 in UTF-16 LE; its bytes 00 0D
  // are no big-endian CR, and U+0D0A is no line end.
  const std::string aKagi = Le(u"A\x300D\x0D0A" "b");
  EXPECT_EQ(pagetext::CountLineEndsWide(U(aKagi), aKagi.size(), 1), 0);
}

TEST(PageNulUnits, PageShowsNulsAsAtInTheTextsByteOrder) {
  std::string b = "a\0b\0\0c"s;
  EXPECT_TRUE(pagetext::HasNulByte(U(b), b.size()));
  EXPECT_EQ(pagetext::ShowNulsAsAt(reinterpret_cast<uint8_t*>(&b[0]), b.size(), 1, 1), 3u);
  EXPECT_EQ(b, "a@b@@c");
  EXPECT_FALSE(pagetext::HasNulByte(U(b), b.size()));

  for (int bo : {0, 1}) {
    SCOPED_TRACE(bo);
    std::string w = bo ? Le(u"a\0b\0"s) : Be(u"a\0b\0"s);
    // A unit's single zero byte is no NUL unit.
    EXPECT_TRUE(pagetext::HasNulWord(U(w), w.size() / 2));
    EXPECT_EQ(pagetext::ShowNulsAsAt(reinterpret_cast<uint8_t*>(&w[0]), w.size(), 2, bo), 2u);
    EXPECT_EQ(w, bo ? Le(u"a@b@") : Be(u"a@b@"));
    EXPECT_FALSE(pagetext::HasNulWord(U(w), w.size() / 2));
  }
  std::string k = "xyxx";
  EXPECT_EQ(pagetext::ReplaceNulBytes(reinterpret_cast<uint8_t*>(&k[0]), k.size(), 'z', 'x'), 3u);
  EXPECT_EQ(k, "zyzz");
  std::string u = Le(u"\x1234\x5678\x1234");
  EXPECT_EQ(pagetext::ReplaceNulWords(reinterpret_cast<uint8_t*>(&u[0]), 3, 0x0041, 0x1234), 2u);
  EXPECT_EQ(u, Le(u"A\x5678" "A"));
}

TEST(PageNulUnits, NulSafeFormCountsAndReportsGenuinePlaceholders) {
  struct Row {
    const char* name;
    std::string in;
    int unit;
    std::string out;
    size_t nuls;
    bool placeholder;
  } rows[] = {
      {"bytes", "a\0b\0"s, 1, "a\x01" "b\x01"s, 2, false},
      {"bytes with a genuine 0x01", "a\0b\x01"s, 1, "a\x01" "b\x01"s, 1, true},
      {"no NUL", "abc"s, 1, "abc"s, 0, false},
      {"units LE", Le(u"a\0"s), 2, Le(u"a\x0001"), 1, false},
      {"units BE: placeholder bytes 01 00", Be(u"a\0"s), 2, Be(u"a") + "\x01\0"s, 1, false},
      {"units: U+0100 in big endian is a genuine placeholder", Be(u"\x0100\0"s), 2, "\x01\0\x01\0"s, 1, true},
      {"units: a zero byte inside a unit stays", Le(u"\x3000"), 2, Le(u"\x3000"), 0, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::string t = r.in;
    const auto res = pagetext::MakeNulSafe(reinterpret_cast<uint8_t*>(&t[0]), t.size(), r.unit);
    EXPECT_EQ(t, r.out);
    EXPECT_EQ(res.nulCount, r.nuls);
    EXPECT_EQ(res.hadPlaceholder, r.placeholder);
    if (!r.placeholder) {
      // Without a genuine placeholder the way back is exact.
      EXPECT_EQ(pagetext::RestoreNuls(reinterpret_cast<uint8_t*>(&t[0]), t.size(), r.unit), r.nuls);
      EXPECT_EQ(t, r.in);
    }
  }
}

}  // namespace
