// Bookmark entries: the name and value parts, the surrogate-safe cut, the
// sort order, the caret line text and the store escapes of line ends.
#include <gtest/gtest.h>

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
