// Selvane's routines with an injected locale mapping (failing, expanding, recording).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "conversion/selvane_core.h"

namespace {

// A mapping that upper-cases ASCII letters, repeats each byte `factor` times and
// records the texts it was asked for; it can fail the sizing or the mapping call.
struct FakeMap {
  bool failSizing = false, failMapping = false;
  int factor = 1;
  std::vector<std::string> asked;
  uint32_t lastFlags = 0;

  static int Map(void* user, uint32_t flags, const char* src, int srcLen, char* dst, int dstLen) {
    auto* self = static_cast<FakeMap*>(user);
    self->lastFlags = flags;
    std::string in(src, static_cast<size_t>(srcLen)), out;
    for (char c : in) {
      char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      out.append(static_cast<size_t>(self->factor), u);
    }
    if (dstLen == 0) {
      self->asked.push_back(in);
      return self->failSizing ? 0 : static_cast<int>(out.size());
    }
    if (self->failMapping || dstLen < static_cast<int>(out.size())) return 0;
    std::memcpy(dst, out.data(), out.size());
    return static_cast<int>(out.size());
  }
  selvane::Mapper mapper() {
    selvane::Mapper m;
    m.map = &FakeMap::Map;
    m.user = this;
    return m;
  }
};

}  // namespace

TEST(SelvaneCore, MapKindFlags) {
  EXPECT_EQ(selvane::MapKindFlags(0), 0x00800000u);
  EXPECT_EQ(selvane::MapKindFlags(1), 0x00400000u);
  EXPECT_EQ(selvane::MapKindFlags(2), 0x00100000u);
  EXPECT_EQ(selvane::MapKindFlags(3), 0x00200000u);
  EXPECT_EQ(selvane::MapKindFlags(4), 0x00600000u);
}

// A failed mapping keeps the text whole.
TEST(SelvaneCore, FailedMappingKeepsTextWhole) {
  FakeMap f;
  f.failSizing = true;
  EXPECT_EQ(selvane::MapStringKind(f.mapper(), "abc", 1), "abc");
  f.failSizing = false;
  f.failMapping = true;
  EXPECT_EQ(selvane::MapStringKind(f.mapper(), "abc", 1), "abc");
  EXPECT_EQ(selvane::ConvertKatakanaWidth(f.mapper(), "x\xB6\xDEy", 0), "x\xB6\xDEy");
  f.failMapping = false;
  EXPECT_EQ(selvane::MapStringKind(f.mapper(), "abc", 1), "ABC");
  EXPECT_EQ(f.lastFlags, 0x00400000u);
  f.asked.clear();
  EXPECT_EQ(selvane::MapStringKind(f.mapper(), "", 1), "");
  EXPECT_TRUE(f.asked.empty());
}

// A mapping that grows more than twice is kept whole.
TEST(SelvaneCore, ExpandingMappingIsNotCut) {
  FakeMap f;
  f.factor = 3;
  EXPECT_EQ(selvane::MapStringKind(f.mapper(), "ab", 0), "AAABBB");
  EXPECT_EQ(selvane::ConvertSymbolWidth(f.mapper(), "x!!y", 0), "x!!!!!!y");
}

TEST(SelvaneCore, RunsAreMappedWhole) {
  FakeMap f;
  // Half-width ｶ and the voiced mark ﾞ go to the mapping together.
  EXPECT_EQ(selvane::ConvertKatakanaWidth(f.mapper(), "a\xB6\xDE" "b\xB1", 0), "a\xB6\xDE" "b\xB1");
  ASSERT_EQ(f.asked.size(), 2u);
  EXPECT_EQ(f.asked[0], "\xB6\xDE");
  EXPECT_EQ(f.asked[1], "\xB1");
  // Full-width katakana runs (lead 0x83, trail 0x40-0x96) for half width.
  f.asked.clear();
  selvane::ConvertKatakanaWidth(f.mapper(), "\x83\x41\x83\x96\x83\x97\x82\xA0\x83\x40", 1);
  ASSERT_EQ(f.asked.size(), 2u);
  EXPECT_EQ(f.asked[0], "\x83\x41\x83\x96");
  EXPECT_EQ(f.asked[1], "\x83\x40");
  // HalfKataToHira maps each run twice (full width, then hiragana).
  f.asked.clear();
  selvane::ConvertHiraHalfKata(f.mapper(), "\xB1x", 0);
  ASSERT_EQ(f.asked.size(), 2u);
  EXPECT_EQ(f.lastFlags, 0x00100000u);
  // HiraToHalfKata: hiragana ぁ-ん (0x829F-0x82F1).
  f.asked.clear();
  selvane::ConvertHiraHalfKata(f.mapper(), "\x82\x9F\x82\xF1\x82\xF2", 1);
  ASSERT_EQ(f.asked.size(), 1u);
  EXPECT_EQ(f.asked[0], "\x82\x9F\x82\xF1");
  EXPECT_EQ(f.lastFlags, 0x00600000u);
  // Symbols to half width: 0x8140-0x8197 and 0xFA56.
  f.asked.clear();
  selvane::ConvertSymbolWidth(f.mapper(), "\x81\x40\x81\x97\x81\x98\xFA\x56", 1);
  ASSERT_EQ(f.asked.size(), 2u);
  EXPECT_EQ(f.asked[0], "\x81\x40\x81\x97");
  EXPECT_EQ(f.asked[1], "\xFA\x56");
  // A text shorter than 2 bytes is a plain copy with flag 1.
  f.asked.clear();
  EXPECT_EQ(selvane::ConvertSymbolWidth(f.mapper(), "!", 1), "!");
  EXPECT_TRUE(f.asked.empty());
}

TEST(SelvaneCore, AlphaNumWidth) {
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("aZ9", 0, false), "\x82\x81\x82\x79" "9");
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("aZ9", 0, true), "aZ\x82\x58");
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("\x82\x81\x82\x79\x82\x58", 1, false), "aZ\x82\x58");
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("\x82\x81\x82\x79\x82\x4F", 1, true), "\x82\x81\x82\x79" "0");
  // The trail byte 'A' of ア (83 41) is not a letter.
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("\x83\x41", 0, false), "\x83\x41");
}

// A lead byte before the terminator is a single byte.
TEST(SelvaneCore, LoneLeadByteAtEnd) {
  FakeMap f;
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("a\x82", 1, false), "a\x82");
  EXPECT_EQ(selvane::ConvertAlphaNumWidth("\x82", 0, true), "\x82");
  EXPECT_EQ(selvane::ConvertKatakanaWidth(f.mapper(), "\x83", 1), "\x83");
  EXPECT_EQ(selvane::ConvertSymbolWidth(f.mapper(), "!\x81", 1), "!\x81");
  EXPECT_EQ(selvane::ConvertHiraHalfKata(f.mapper(), "\x82", 1), "\x82");
  EXPECT_EQ(selvane::CapitalizeWordTops("AB\x82", ""), "Ab\x82");
  EXPECT_EQ(selvane::CapitalizeWordTops("A\x82", ""), "A\x82");
}

TEST(SelvaneCore, CapitalizeWordTops) {
  EXPECT_EQ(selvane::CapitalizeWordTops("HELLO WORLD", ""), "Hello World");
  // Full-width letters separated by the full-width space.
  EXPECT_EQ(selvane::CapitalizeWordTops("\x82\x60\x82\x61\x81\x40\x82\x62\x82\x63", ""),
            "\x82\x60\x82\x82\x81\x40\x82\x62\x82\x84");
  // A letter after a digit or punctuation stays capital.
  EXPECT_EQ(selvane::CapitalizeWordTops("A1BC.DE", ""), "A1Bc.De");
  // extra: characters after which a letter is inside a word.
  EXPECT_EQ(selvane::CapitalizeWordTops("X-AB", "-"), "X-ab");
  EXPECT_EQ(selvane::CapitalizeWordTops("\x82\x60-\x82\x61", "-"), "\x82\x60-\x82\x82");
  // Full-width letter after an ASCII space stays.
  EXPECT_EQ(selvane::CapitalizeWordTops("\x82\x60 \x82\x61", ""), "\x82\x60 \x82\x61");
  // Byte 0 is never changed; small letters stay small.
  EXPECT_EQ(selvane::CapitalizeWordTops("a", ""), "a");
  EXPECT_EQ(selvane::CapitalizeWordTops("ab", ""), "ab");
}

// P is the previous character by byte class. In "≠`Ａ" the trail byte of ≠
// (81 82) and '`' (60) are not the letter Ａ (82 60), so Ａ is a word top.
TEST(SelvaneCore, PreviousCharacterTakenByByteClass) {
  EXPECT_EQ(selvane::CapitalizeWordTops("\x81\x82`\x82\x60", ""), "\x81\x82`\x82\x60");
}

TEST(SelvaneCore, DispatchOrder) {
  FakeMap f;
  std::string out = "untouched";
  EXPECT_FALSE(selvane::StringConversion(f.mapper(), "AB", "topbigabc", 0, false, "", &out));
  EXPECT_EQ(out, "untouched");
  EXPECT_FALSE(selvane::StringConversion(f.mapper(), "AB", "", 0, false, "", &out));
  EXPECT_FALSE(selvane::StringConversion(f.mapper(), "AB", "", 8, false, "", &out));
  // TopBigABC wins over any type.
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "AB", "TopBigABC", 7, false, "", &out));
  EXPECT_EQ(out, "Ab");
  // Types 3-7 win over kana modes.
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "ab1", "KataToHira", 5, false, "", &out));
  EXPECT_EQ(out, "ab\x82\x50");
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "ab", "KataToHira", 0, false, "", &out));
  EXPECT_EQ(f.lastFlags, 0x00100000u);
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "ab", "HiraToKata", 0, true, "", &out));
  EXPECT_EQ(f.lastFlags, 0x00200000u);
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "ab", "", 7, true, "", &out));
  EXPECT_EQ(f.lastFlags, 0x00400000u);
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "ab", "", 7, false, "", &out));
  EXPECT_EQ(f.lastFlags, 0x00800000u);
  // Null pointers are the empty text.
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), nullptr, nullptr, 7, false, nullptr, &out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(selvane::StringConversion(f.mapper(), nullptr, nullptr, 0, false, nullptr, &out));
  ASSERT_TRUE(selvane::StringConversion(f.mapper(), "AB", "TopBigABC", 0, false, nullptr, &out));
  EXPECT_EQ(out, "Ab");
}
