// Bookmark entries: the name and value parts, the surrogate-safe cut, the
// sort order, the caret line text and the store escapes of line ends.
#include <gtest/gtest.h>

#include <random>

#include "text/BookmarkEntry.h"
#include "text/IniText.h"

using namespace bookmark;

TEST(BookmarkEntry, NamesReadBack) {
  struct Case {
    const wchar_t* name;
    int64_t a, b, line;
  } cases[] = {
      {L"1005@1005#13", 1005, 1005, 13},
      {L"3000000000@2999999999#4000000000", 3000000000LL, 2999999999LL, 4000000000LL},
      {L"x@12#y", 0, 12, 0},        // numbers that do not read take 0
      {L"12@ 5#3", 12, 0, 3},       // no blanks inside a number
      {L"99999999999999999999@1#1", 0, 1, 1},  // out of range
      {L"-5@-7#-1", -5, -7, -1},
      {L"42", 42, 0, 0},            // no "@": the whole name is A
      {L"7@8@9#1#2", 7, 0, 0},      // the first "@" and the first "#"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Name n = ParseName(c.name);
    EXPECT_EQ(n.a, c.a);
    EXPECT_EQ(n.b, c.b);
    EXPECT_EQ(n.line, c.line);
  }
  EXPECT_EQ(MakeName(1000 + 5, 1005, 10 + 3), L"1005@1005#13");
  EXPECT_EQ(ReadNumber(L"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ReadNumber(L"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ReadNumber(L"9223372036854775808"), 0);
}

TEST(BookmarkEntry, ValuesReadBack) {
  struct Case {
    const wchar_t* value;
    const wchar_t* title;
    const wchar_t* text;
    int jis;
    const wchar_t* shown;
  } cases[] = {
      {L"line text", L"", L"line text", -1, L"line text"},
      {L"My title\\@\\line text", L"My title", L"line text", -1, L"My title"},
      {L"JIS line@\\@1", L"", L"JIS line", 1, L"JIS line"},
      {L"T\\@\\JIS line@\\@0", L"T", L"JIS line", 0, L"T"},
      {L"-----", L"", L"-----", -1, L"-----"},
      {L"back\\slash \"quoted\"", L"", L"back\\slash \"quoted\"", -1, L"back\\slash \"quoted\""},
      // The JIS digit is found at the value's end, the title at the first mark.
      {L"x@\\@\\t", L"x@", L"t", -1, L"x@"},
      {L"a\\@\\@\\@7", L"a", L"", 7, L"a"},
      {L"\\@\\p\\@\\q", L"", L"p\\@\\q", -1, L"p\\@\\q"},
      {L"a@\\@5@\\@-", L"", L"a@\\@5", -1, L"a@\\@5"},
      // Stores of the mark without a digit read as they always did.
      {L"end@\\@x", L"", L"end", -1, L"end"},
      {L"end@\\@", L"", L"end", -1, L"end"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    Value v = ParseValue(c.value);
    EXPECT_EQ(v.title, c.title);
    EXPECT_EQ(v.text, c.text);
    EXPECT_EQ(v.jis, c.jis);
    EXPECT_EQ(ShownText(c.value), c.shown);
  }
  EXPECT_EQ(MakeValue(L"", L"text", -1), L"text");
  EXPECT_EQ(MakeValue(L"text", L"text", -1), L"text");  // a title equal to the text is not stored
  EXPECT_EQ(MakeValue(L"T", L"text", -1), L"T\\@\\text");
  EXPECT_EQ(MakeValue(L"T", L"text", 1), L"T\\@\\text@\\@1");
  EXPECT_EQ(MakeValue(L"x@", L"t", -1), L"x@\\@\\t");
  EXPECT_EQ(MakeValue(L"a", L"", 7), L"a\\@\\@\\@7");
  EXPECT_EQ(MakeValue(L"", L"p\\@\\q", -1), L"\\@\\p\\@\\q");
  EXPECT_EQ(MakeValue(L"x\\@", L"t", -1), L"x\xFF3C@\\@\\t");  // the title cannot end in "\\@"
  std::wstring name, value;
  SplitEntry(L"1@2#3=a=b", name, value);
  EXPECT_EQ(name, L"1@2#3");
  EXPECT_EQ(value, L"a=b");
}

TEST(BookmarkEntry, CutKeepsSurrogatePairsWhole) {
  const std::wstring pair = L"\xD842\xDFB7";  // one character outside the BMP
  EXPECT_EQ(CutText(L"abcdef", 4), L"abcd");
  EXPECT_EQ(CutText(L"abc", 4), L"abc");
  EXPECT_EQ(CutText(L"abc" + pair + L"x", 4), L"abc");          // would keep the high half only
  EXPECT_EQ(CutText(L"ab" + pair + L"x", 4), L"ab" + pair);      // the pair fits whole
  EXPECT_EQ(CutText(pair + pair, 1), L"");
}

TEST(BookmarkEntry, SortByPositionIsStable) {
  std::vector<std::wstring> entries = {L"3000000000@1#0=big", L"5@5#0=small", L"7@1#0=first seven",
                                       L"junk=no number", L"7@2#0=second seven"};
  std::vector<size_t> order = SortOrder(entries);
  EXPECT_EQ(order, (std::vector<size_t>{3, 1, 2, 4, 0}));
  EXPECT_EQ(SortKey(L"3000000000@1#0=x"), 3000000000LL);
  EXPECT_EQ(SortKey(L"12#0=a@b"), 0);  // no "@" in the name
}

TEST(BookmarkEntry, CaretLineText) {
  struct Case {
    const wchar_t* view;
    size_t caret;
    const wchar_t* text;
    int64_t line;
  } cases[] = {
      {L"first\r\nsecond line\r\nthird", 11, L"nd line", 1},
      {L"first\r\nsecond\r\n", 5, L"second", 0},           // at a line end: the next line
      {L"a\r\n\r\n\r\nlast", 1, L"last", 0},              // empty lines skipped
      {L"one\ntwo\r\nthree", 2, L"e\ntwo", 0},             // a lone LF does not end a line
      {L"end", 3, L"", 0},
      {L"", 0, L"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.view);
    int64_t line = -1;
    EXPECT_EQ(CaretLineText(c.view, c.caret, &line), c.text);
    EXPECT_EQ(line, c.line);
  }
}

TEST(BookmarkEntry, StoreEscapesRoundTrip) {
  using initext::QuoteStoreLine;
  using initext::UnquoteStoreLine;
  const std::wstring esc(1, L'\x10');
  struct Case {
    std::wstring line, stored;
  } cases[] = {
      {L"1@1#0=a\rb", L"1@1#0=\"a" + esc + L"rb\""},
      {L"1@1#0=a\nb", L"1@1#0=\"a" + esc + L"nb\""},
      {L"1@1#0=a\r\nb", L"1@1#0=\"a" + esc + L"r" + esc + L"nb\""},
      {L"1@1#0=a" + esc + L"b", L"1@1#0=\"a" + esc + esc + L"b\""},
      {L"1@1#0= lead\r\n\"q\"", L"1@1#0=\" lead" + esc + L"r" + esc + L"n\"q\"\""},
      {L"1@1#0=\"q\"", L"1@1#0=\"\"q\"\""},
      {L"1@1#0=T\\@\\x\ny@\\@1", L"1@1#0=\"T\\@\\x" + esc + L"ny@\\@1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.line));
    const std::wstring stored = QuoteStoreLine(c.line);
    EXPECT_EQ(stored, c.stored);
    EXPECT_EQ(stored.find_first_of(L"\r\n"), std::wstring::npos);
    EXPECT_EQ(UnquoteStoreLine(stored), c.line);
  }
  // Entries stored before escapes existed read as they always did.
  for (const wchar_t* old : {L"1@1#0=c:\\path\\file", L"1@1#0=x@\\@1", L"1@1#0=T\\@\\text", L"1@1#0=\"\"q\"\"",
                             L"1@1#0=\" lead\"", L"1@1#0=\\r\\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(old)));
    const std::wstring back = UnquoteStoreLine(old);
    EXPECT_EQ(QuoteStoreLine(back), old);
  }
  EXPECT_EQ(UnquoteStoreLine(L"1@1#0=\\r\\n"), L"1@1#0=\\r\\n");
}

namespace {

// Random texts over the characters that the marks are made of, with the
// characters that the store quotes.
std::wstring RandomText(std::mt19937& rng) {
  static const wchar_t kChars[] = {L'\\', L'@', L'\\', L'@', L'a', L'7', L'-', L' ', L'"', L'=', L'\r', L'\n', L'\xFF3C'};
  std::uniform_int_distribution<int> length(0, 9), pick(0, static_cast<int>(sizeof kChars / sizeof kChars[0]) - 1);
  std::wstring s;
  for (int n = length(rng); n > 0; --n) s += kChars[pick(rng)];
  return s;
}

// How values were written and read before the JIS digit was looked for at the
// value's end.
std::wstring OldValue(const std::wstring& title, const std::wstring& text, int jis) {
  std::wstring v = (!title.empty() && title != text) ? title + L"\\@\\" + text : text;
  if (jis >= 0) v += L"@\\@" + std::to_wstring(jis);
  return v;
}
Value OldParse(const std::wstring& value) {
  Value v;
  std::wstring rest = value;
  const auto j = rest.find(L"@\\@");
  if (j != std::wstring::npos) {
    if (j + 3 < rest.size() && rest[j + 3] >= L'0' && rest[j + 3] <= L'9') v.jis = rest[j + 3] - L'0';
    rest.erase(j, std::min<size_t>(4, rest.size() - j));
  }
  const auto t = rest.find(L"\\@\\");
  if (t == std::wstring::npos) {
    v.text = rest;
  } else {
    v.title = rest.substr(0, t);
    v.text = rest.substr(t + 3);
  }
  return v;
}

}  // namespace

// Every value written reads back as written, through the store's quoting as
// well; every value of an old store that read right then reads the same now.
TEST(BookmarkEntry, ValuesSurviveTheStoreRoundTrip) {
  std::mt19937 rng(20261211);
  std::uniform_int_distribution<int> digit(-1, 9);
  int oldOnesReadRight = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::wstring title = RandomText(rng), text = RandomText(rng);
    const int jis = digit(rng);
    SCOPED_TRACE(testing::PrintToString(title) + " " + testing::PrintToString(text) + " " + std::to_string(jis));
    const std::wstring stored = initext::QuoteStoreLine(L"1@2#3=" + MakeValue(title, text, jis));
    ASSERT_EQ(stored.find_first_of(L"\r\n"), std::wstring::npos);
    std::wstring name, value;
    SplitEntry(initext::UnquoteStoreLine(stored), name, value);
    ASSERT_EQ(name, L"1@2#3");
    const Value v = ParseValue(value);
    const std::wstring kept = StoredTitle(title);
    ASSERT_EQ(v.title, kept != text ? kept : L"");
    ASSERT_EQ(v.text, text);
    ASSERT_EQ(v.jis, jis);
    ASSERT_EQ(ShownText(value), v.title.empty() ? text : v.title);
    ASSERT_EQ(MakeValue(v.title, v.text, v.jis), value);

    const std::wstring old = OldValue(title, text, jis);
    const Value before = OldParse(old);
    if (before.title == (title != text ? title : L"") && before.text == text && before.jis == jis) {
      ++oldOnesReadRight;
      const Value now = ParseValue(old);
      ASSERT_EQ(now.title, before.title);
      ASSERT_EQ(now.text, before.text);
      ASSERT_EQ(now.jis, before.jis);
    }
  }
  EXPECT_GT(oldOnesReadRight, 1000);  // the comparison with old stores did take place
}
