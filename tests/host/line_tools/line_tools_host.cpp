// The edit dialogs' line tools on copies of the text: the CR LF line model,
// the scopes of a selection, and each rewrite of whole lines.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "text/LineTools.h"

using namespace linetools;
using SV = std::vector<std::string>;
using WV = std::vector<std::wstring>;

namespace {
// Applies a per-line rewrite to the touched block, as the narrow dialog does.
std::string OnTouched(const std::string& text, size_t start, size_t length,
                      SV (*rewrite)(SV, const std::string&), const std::string& arg) {
  Block b;
  if (!TouchedLines(text, start, length, b)) return text;
  const std::string joined = JoinCrLf(rewrite(SplitCrLf(text.substr(b.start, b.end - b.start)), arg));
  return text.substr(0, b.start) + joined + text.substr(b.end);
}
SV IndentFn(SV l, const std::string& p) { return Indent(std::move(l), p); }
SV OutdentFn(SV l, const std::string& p) { return Outdent(std::move(l), p); }
std::wstring AsciiUpper(const std::wstring& s) {
  std::wstring u = s;
  for (wchar_t& c : u)
    if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
  return u;
}
}  // namespace

TEST(LineTools, SplitsAndJoinsAtCrLfOnly) {
  EXPECT_EQ(SplitCrLf(std::string("a\rb\nc\r\nd")), (SV{"a\rb\nc", "d"}));
  EXPECT_EQ(SplitCrLf(std::string("a\r\n")), (SV{"a", ""}));
  EXPECT_EQ(SplitCrLf(std::wstring(L"x\r\n\r\ny")), (WV{L"x", L"", L"y"}));
  for (std::string t : {"", "a", "a\r\n", "\r\n\r\n", "a\rb\nc\r\nd"}) EXPECT_EQ(JoinCrLf(SplitCrLf(t)), t);
}

TEST(LineTools, NarrowScopeIsTheTouchedLines) {
  struct Case {
    std::string text;
    size_t start, length;
    bool found;
    size_t blockStart, blockEnd;
  } cases[] = {
      {"ab\r\ncd\r\nef", 0, 1, true, 0, 2},      // inside the first line
      {"ab\r\ncd\r\nef", 4, 5, true, 4, 10},     // from a line start into the last line (no line end)
      {"ab\r\ncd\r\nef", 4, 4, true, 4, 6},      // ending at the next line's start
      {"ab\r\ncd\r\nef", 1, 3, true, 0, 2},      // ending at the next line's start: only the first line
      {"ab\r\ncd\r\nef", 3, 2, true, 0, 6},      // from inside the CR LF into line 2
      {"a\nb\r\nc", 5, 1, true, 5, 6},           // a lone LF belongs to line 1
      {"a\nb\r\nc", 0, 2, true, 0, 3},
      {"ab", 0, 9, false, 0, 0},                 // past the text
  };
  for (const Case& c : cases) {
    Block b;
    ASSERT_EQ(TouchedLines(c.text, c.start, c.length, b), c.found) << c.text << " " << c.start;
    if (c.found) {
      EXPECT_EQ(b.start, c.blockStart) << c.text << " " << c.start;
      EXPECT_EQ(b.end, c.blockEnd) << c.text << " " << c.start;
    }
  }
}

TEST(LineTools, IndentChangesOnlyTheScopeAndKeepsLoneLineEnds) {
  // Line 2 of "a\nb\r\nc" is "c": the lone LF stays inside line 1.
  EXPECT_EQ(OnTouched("a\nb\r\nc", 5, 1, IndentFn, "\t"), "a\nb\r\n\tc");
  EXPECT_EQ(OnTouched("a\nb\r\nc", 0, 1, IndentFn, "\t"), "\ta\nb\r\nc");
  // The final line end is kept as it was, none added.
  EXPECT_EQ(OnTouched("x\r\ny\r\n", 0, 4, IndentFn, NarrowIndentPrefix(1)), "\x81\x40x\r\n\x81\x40y\r\n");
  EXPECT_EQ(OnTouched("x\r\ny", 0, 4, IndentFn, " "), " x\r\n y");
  // Outdent of a first-line-only selection.
  EXPECT_EQ(OnTouched("\tx\r\n\ty", 1, 1, OutdentFn, "\t"), "x\r\n\ty");
  EXPECT_EQ(Outdent(SV{"\t\ta", "a\t", "\x81\x40" "b"}, "\t"), (SV{"\ta", "a\t", "\x81\x40" "b"}));
  EXPECT_EQ(Outdent(WV{L"\x3000\x3000z", L" z"}, WideIndentPrefix(1)), (WV{L"\x3000z", L" z"}));
}

TEST(LineTools, RemovesEveryLeadingBlank) {
  EXPECT_EQ(RemoveLeadingBlanks(SV{" \t\x81\x40 a b", "\x81\x41x", ""}), (SV{"a b", "\x81\x41x", ""}));
  EXPECT_EQ(RemoveLeadingBlanks(WV{L"\t \x3000q \x3000", L"q"}), (WV{L"q \x3000", L"q"}));
}

TEST(LineTools, WideScopeNeedsWholeLines) {
  const std::wstring t = L"ab\r\ncd\r\nef";
  EXPECT_TRUE(WholeLineSelection(t, 0, 2));
  EXPECT_TRUE(WholeLineSelection(t, 4, 6));
  EXPECT_TRUE(WholeLineSelection(t, 0, 10));
  EXPECT_FALSE(WholeLineSelection(t, 0, 0));
  EXPECT_FALSE(WholeLineSelection(t, 1, 1));
  EXPECT_FALSE(WholeLineSelection(t, 0, 3));   // ends inside the CR LF
  EXPECT_FALSE(WholeLineSelection(L"a\nb", 2, 1));  // a lone LF is no line start
}

TEST(LineTools, NumbersWithTheMaskRule) {
  SV nine(9, "x"), ten(10, "x");
  const std::string sep = "\x81\x44";  // "．"
  SV r = NumberLines(nine, sep, {1, 2, false});
  EXPECT_EQ(r.front(), "1" + sep + "x");
  EXPECT_EQ(r.back(), "9" + sep + "x");
  r = NumberLines(ten, sep, {1, 2, false});
  EXPECT_EQ(r.front(), "01" + sep + "x");
  EXPECT_EQ(r.back(), "10" + sep + "x");
  r = NumberLines(ten, sep, {1, 1, false});
  EXPECT_EQ(r.front(), " 1" + sep + "x");
  EXPECT_EQ(r.back(), "10" + sep + "x");
  r = NumberLines(ten, ".", {1, 0, false});
  EXPECT_EQ(r.front(), "1.x");
  // Narrow numbers every line, even with the skip switch.
  EXPECT_EQ(NumberLines(SV{"a", "", " b"}, ".", {0, 0, true}), (SV{"0.a", "1.", "2. b"}));
  // Wide skips empty and blank-led lines, which use no number.
  EXPECT_EQ(NumberLines(WV{L"a", L"", L" b", L"\tc", L"\x3000" L"d", L"e"}, L".", {5, 0, true}),
            (WV{L"5.a", L"", L" b", L"\tc", L"\x3000" L"d", L"6.e"}));
}

TEST(LineTools, InsertsAtLineStarts) {
  EXPECT_EQ(InsertAtStarts(SV{"a", ""}, "> "), (SV{"> a", "> "}));
  EXPECT_EQ(InsertAtStarts(WV{L"a", L"", L" b"}, L">", true), (WV{L">a", L"", L" b"}));
  EXPECT_EQ(InsertAtStarts(WV{L"a", L""}, L">", false), (WV{L">a", L">"}));
}

TEST(LineTools, DeletesByCountOrByText) {
  const std::string colon = "\x81\x46";             // "："
  const std::string aiu = "\x82\xa0\x82\xa2\x82\xa4";  // "あいう"
  struct Case {
    SV lines;
    std::string answer;
    SV expected;
  } cases[] = {
      {{"ab" + colon + "cd", colon + "cd"}, colon, {"cd", "cd"}},
      {{aiu}, "2", {"\x82\xa4"}},
      {{"abc"}, "0", {"abc"}},
      {{"abc"}, "-5", {"abc"}},
      {{"abc", ""}, "9", {"", ""}},
      {{"a-1b", "x"}, "-1", {"b", "x"}},             // -1 is text
      {{"\x83\x40@x"}, "@", {"x"}},                  // "@" as the trail of ァ is no match
      {{"\x83\x40x"}, "@", {"\x83\x40x"}},
      {{"abc"}, "", {"abc"}},
  };
  for (const Case& c : cases) EXPECT_EQ(DeleteAtStarts(c.lines, c.answer), c.expected) << c.answer;
  // A surrogate pair counts as one character.
  const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
  EXPECT_EQ(DeleteAtStarts(WV{pair + L"ab", L"\x3042\x3044\x3046"}, L"2"), (WV{L"b", L"\x3046"}));
  EXPECT_EQ(DeleteAtStarts(WV{L"ab:cd", L":cd", L"zz"}, L":"), (WV{L"cd", L"cd", L"zz"}));
}

TEST(LineTools, RemovesEmptyLines) {
  // Narrow: from the line of the start up to, not including, the line of the end.
  EXPECT_EQ(RemoveEmptyLinesNarrow("a\r\n\r\n\r\nb\r\n\r\nc", 0, 7), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(RemoveEmptyLinesNarrow("a\r\n\r\nb", 0, 1), "a\r\n\r\nb");  // one line: nothing
  EXPECT_EQ(RemoveEmptyLinesNarrow("a\r\n \r\nb", 0, 7), "a\r\n \r\nb");  // a blank is not empty
  EXPECT_EQ(RemoveEmptyLines(WV{L"a", L"", L"", L"b", L""}), (WV{L"a", L"b", L""}));
  EXPECT_EQ(RemoveEmptyLines(WV{L"", L"a"}), (WV{L"a"}));
}

TEST(LineTools, SortsStablyBothWays) {
  EXPECT_EQ(SortNarrow(SV{"b", "A", "a", "ab", "abc"}, false), (SV{"A", "a", "ab", "abc", "b"}));
  EXPECT_EQ(SortNarrow(SV{"b", "A", "a", "ab", "abc"}, true), (SV{"b", "abc", "ab", "A", "a"}));
  EXPECT_EQ(SortWide(WV{L"b", L"A", L"a", L"ab", L"abc"}, false, AsciiUpper),
            (WV{L"A", L"a", L"ab", L"abc", L"b"}));
  EXPECT_EQ(SortWide(WV{L"b", L"A", L"a", L"ab", L"abc"}, true, AsciiUpper),
            (WV{L"b", L"abc", L"ab", L"A", L"a"}));
  // Double-byte text sorts by byte.
  EXPECT_EQ(SortNarrow(SV{"\x82\xa2", "\x82\xa0", "z"}, false), (SV{"z", "\x82\xa0", "\x82\xa2"}));
}

TEST(LineTools, LinearOnALargeText) {
  // 3 MB of short lines: each rewrite is one pass (a quadratic one would not finish).
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "line text\r\n";
  Block b;
  ASSERT_TRUE(TouchedLines(text, 0, text.size(), b));
  SV lines = SplitCrLf(text.substr(b.start, b.end - b.start));
  EXPECT_EQ(JoinCrLf(Outdent(Indent(lines, "\t"), "\t")).size(), b.end);
  EXPECT_EQ(RemoveEmptyLinesNarrow(text, 0, text.size()), text);
  EXPECT_EQ(SortNarrow(lines, false).size(), lines.size());
}
