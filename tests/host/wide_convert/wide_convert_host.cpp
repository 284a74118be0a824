// The UTF-16 conversions by Tag over a scripted mapper: which parts of the
// text reach the mapper and with which kinds, the arithmetic conversions, and
// a failing mapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/WideConvert.h"

using namespace wideconv;

namespace {

// Upper and lower case of ASCII; a mapping wraps its text in brackets ("[" for
// the code page 932 path, "{" for the UTF-16 one) and records the call.
class ScriptedMapper : public Mapper {
 public:
  struct Call {
    std::wstring text;
    unsigned kinds;
    bool cp932;
  };
  std::vector<Call> calls;
  size_t mappedUnits = 0;
  int failAt = -1;  // the call that fails
  bool record = true;

  void Upper(std::wstring& t) override {
    for (wchar_t& c : t)
      if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
  }
  void Lower(std::wstring& t) override {
    for (wchar_t& c : t)
      if (c >= L'A' && c <= L'Z') c = wchar_t(c + 32);
  }
  bool Map(std::wstring& t, unsigned kinds) override { return Do(t, kinds, false); }
  bool MapCp932(std::wstring& t, unsigned kinds) override { return Do(t, kinds, true); }

 private:
  bool Do(std::wstring& t, unsigned kinds, bool cp932) {
    mappedUnits += t.size();
    if (record) calls.push_back({t, kinds, cp932});
    if (failAt >= 0 && static_cast<int>(calls.size()) - 1 == failAt) return false;
    if (record) t = (cp932 ? L"[" : L"{") + t + (cp932 ? L"]" : L"}");
    return true;
  }
};

std::wstring Conv(const std::wstring& text, int tag) {
  ScriptedMapper m;
  return Convert(text, tag, m);
}

}  // namespace

TEST(WideConvert, CaseAndWordCapitals) {
  EXPECT_EQ(Conv(L"HeLLo 1", 0), L"hello 1");
  EXPECT_EQ(Conv(L"HeLLo 1", 1), L"HELLO 1");
  EXPECT_EQ(Conv(L"hello WORLD", 2), L"Hello World");
  // Full-width letters after full-width ones; a letter after one of the other width stays a capital.
  EXPECT_EQ(Conv(L"\xFF21\xFF22\xFF23 a\xFF22" L"c", 2), L"\xFF21\xFF42\xFF43 A\xFF22" L"C");
  EXPECT_EQ(Conv(L"x", 2), L"X");
  EXPECT_EQ(Conv(L"", 2), L"");
}

TEST(WideConvert, LettersAndDigitsBy0xFEE0) {
  const std::wstring half = L"aZ09-";
  const std::wstring full = L"\xFF41\xFF3A\xFF10\xFF19-";
  EXPECT_EQ(Conv(half, 10), L"\xFF41\xFF3A" L"09-");
  EXPECT_EQ(Conv(half, 11), L"aZ\xFF10\xFF19-");
  EXPECT_EQ(Conv(full, 5), L"aZ\xFF10\xFF19-");
  EXPECT_EQ(Conv(full, 6), L"\xFF41\xFF3A" L"09-");
  // Characters beside the ranges stay: @ [ ` { and their full-width forms.
  EXPECT_EQ(Conv(L"@[`{", 10), L"@[`{");
  EXPECT_EQ(Conv(L"\xFF20\xFF3B\xFF40\xFF5B", 5), L"\xFF20\xFF3B\xFF40\xFF5B");
}

TEST(WideConvert, RunsReachTheMapperWithTheirKinds) {
  struct Case {
    std::wstring in;
    int tag;
    std::wstring out;
    unsigned kinds;
  };
  const Case cases[] = {
      // Half-width katakana runs include the prolonged sound mark and the voiced marks.
      {L"a\xFF76\xFF9E\xFF70" L"b\xFF83\xFF9F", 9, L"a[\xFF76\xFF9E\xFF70]b[\xFF83\xFF9F]", kFullWidth},
      {L"\x30A2x\x30F6\x30FC", 4, L"[\x30A2]x[\x30F6]\x30FC", kHalfWidth},
      {L"a!b c\x00B0\x00B1", 12, L"a{!}b{ }c{\x00B0}\x00B1", kFullWidth},
      {L"\xFF01\xFF0F\x3000\xFF70\xFF61", 7, L"{\xFF01\xFF0F}\x3000{\xFF70\xFF61}", kHalfWidth},
      {L"\x3041\x3093x\x3094", 15, L"[\x3041\x3093]x\x3094", kKatakana | kHalfWidth},
      {L"abc", 3, L"{abc}", kHalfWidth},
      {L"abc", 8, L"{abc}", kFullWidth},
      {L"abc", 13, L"{abc}", kHiragana},
      {L"abc", 14, L"{abc}", kKatakana},
  };
  for (const Case& c : cases) {
    ScriptedMapper m;
    EXPECT_EQ(Convert(c.in, c.tag, m), c.out) << c.tag;
    ASSERT_FALSE(m.calls.empty()) << c.tag;
    for (const auto& call : m.calls) EXPECT_EQ(call.kinds, c.kinds) << c.tag;
  }
  // Half-width katakana to hiragana: full width first, then hiragana, on the code page 932 path.
  ScriptedMapper m;
  EXPECT_EQ(Convert(L"x\xFF76\xFF9E", 16, m), L"x[[\xFF76\xFF9E]]");
  ASSERT_EQ(m.calls.size(), 2u);
  EXPECT_EQ(m.calls[0].kinds, unsigned(kFullWidth));
  EXPECT_EQ(m.calls[1].kinds, unsigned(kHiragana));
  EXPECT_TRUE(m.calls[0].cp932 && m.calls[1].cp932);
  // No run, no mapping; an unknown Tag changes nothing.
  ScriptedMapper none;
  EXPECT_EQ(Convert(L"abc", 9, none), L"abc");
  EXPECT_TRUE(none.calls.empty());
  EXPECT_EQ(Conv(L"abc", 17), L"abc");
}

TEST(WideConvert, AFailingMappingLeavesTheText) {
  const std::wstring text = L"\xFF76 a \xFF77";
  for (int failAt : {0, 1}) {
    ScriptedMapper m;
    m.failAt = failAt;
    EXPECT_EQ(Convert(text, 9, m), text) << failAt;
  }
  ScriptedMapper m;
  m.failAt = 0;
  EXPECT_EQ(Convert(L"abc", 8, m), L"abc");
}

TEST(WideConvert, EachUnitReachesTheMapperOnceOn30MB) {
  // 15M units (30 MB) of runs and gaps: every run is mapped once, and nothing else.
  std::wstring text;
  const std::wstring piece = L"\xFF76\xFF9E\xFF70xy";
  while (text.size() < 15000000) text += piece;
  ScriptedMapper m;
  m.record = false;
  const std::wstring out = Convert(text, 9, m);
  EXPECT_EQ(out, text);
  EXPECT_EQ(m.mappedUnits, text.size() / piece.size() * 3);
  ScriptedMapper letters;
  EXPECT_EQ(Convert(text, 10, letters).size(), text.size());
  EXPECT_EQ(letters.mappedUnits, 0u);
}
