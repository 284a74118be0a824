// Splitting and joining at CR LF, the key of a list line, the bounded
// character pointer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/TextLists.h"

namespace {

TEST(TextLists, SplitAtCrLf) {
  using V = std::vector<std::wstring>;
  struct Row {
    std::wstring text;
    bool skipEmpty;
    V lines;
  } rows[] = {
      {L"a\r\n\r\nb", false, V{L"a", L"", L"b"}},
      {L"a\r\n\r\nb", true, V{L"a", L"b"}},
      {L"a\r\n", false, V{L"a", L""}},   // a text ending in CR LF: a last empty line
      {L"a\r\n", true, V{L"a", L""}},    // the last line stays even when empty
      {L"", false, V{}},
      {L"a\nb\rc", false, V{L"a\nb\rc"}},  // only CR LF splits
      {L"\r\n", false, V{L"", L""}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.text));
    EXPECT_EQ(textlists::SplitLines(r.text, r.skipEmpty), r.lines);
  }
  EXPECT_EQ(textlists::JoinLines({L"a", L"", L"b"}), L"a\r\n\r\nb");
  EXPECT_EQ(textlists::JoinLines({}), L"");
  std::wstring big;
  for (int i = 0; i < 5000; ++i) big += L"line " + std::to_wstring(i) + L"\r\n";
  EXPECT_EQ(textlists::JoinLines(textlists::SplitLines(big, false)), big);
}

TEST(TextLists, KeyOfALine) {
  EXPECT_EQ(textlists::ItemKey(L"100@205#12=title"), L"205");
  EXPECT_EQ(textlists::ItemKey(L"100@205#12=a@b#c"), L"205");  // the value does not count
  EXPECT_EQ(textlists::ItemKey(L"205"), L"205");
  EXPECT_EQ(textlists::ItemKey(L"x=1"), L"x");
  EXPECT_EQ(textlists::ItemKey(L"@#"), L"");
}

TEST(TextLists, CharacterPointersAreNeverNullNorPastTheText) {
  const std::wstring t = L"abc";
  EXPECT_EQ(*textlists::WideCharAt(t, 1), L'a');
  EXPECT_EQ(*textlists::WideCharAt(t, 3), L'c');
  EXPECT_EQ(*textlists::WideCharAt(t, 0), L'\0');
  EXPECT_EQ(*textlists::WideCharAt(t, 4), L'\0');
  EXPECT_EQ(*textlists::WideCharAt(std::wstring(), 1), L'\0');
  EXPECT_EQ(*textlists::WidePtr(std::wstring()), L'\0');
  EXPECT_EQ(textlists::WidePtr(t), t.c_str());
}

}  // namespace
