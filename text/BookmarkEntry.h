// Bookmark entries: one line "A@B#L=value", the same in the bookmark list
// and in bookdata.ini. A is the page position plus the caret index, B the
// selection start, L the 0-based line of the caret; the value is
// [title "\@\"] text ["@\@" digit], the digit being the JIS shift state.
// Pure text handling, no <windows.h>.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace bookmark {

// The separators of a value.
extern const wchar_t* const kTitleMark;  // "\@\" between title and text
extern const wchar_t* const kJisMark;    // "@\@" before the JIS digit

// Splits an entry at its first "=": the name before, the value after (the
// whole entry is the name when it has no "=").
void SplitEntry(const std::wstring& entry, std::wstring& name, std::wstring& value);

// A decimal signed 64-bit number; 0 for anything else (empty, stray
// characters, out of range).
int64_t ReadNumber(const std::wstring& text);

struct Name {
  int64_t a = 0;       // page position + caret index
  int64_t b = 0;       // selection start
  int64_t line = 0;    // 0-based line of the caret
  bool hasLine = false;
};
// The numbers of a name "A@B#L": the separators are the first "@" and the
// first "#"; a part that does not read as a number is 0. Without "@", A is
// the part before "#" and B is 0.
Name ParseName(const std::wstring& name);
std::wstring MakeName(int64_t a, int64_t b, int64_t line);

struct Value {
  std::wstring title;  // empty when none was given
  std::wstring text;   // the line text
  int jis = -1;        // the JIS digit; -1 when the value has none
};
// The parts of a value. A value that ends in "@\@" and one character loses
// those four (the character is the JIS digit when it is a digit), one that
// ends in "@\@" alone loses the three; the rest is split at its first "\@\"
// into title and text.
Value ParseValue(const std::wstring& value);
// The title as a value can hold it: a "\" that would begin "\@\" inside the
// title, or "\@" at its end (which would run into the mark), becomes U+FF3C.
std::wstring StoredTitle(const std::wstring& title);
// The value stored for a title and a text; ParseValue gives them back (the
// title as StoredTitle has it): the title is kept only when it is not empty
// and differs from the text; a text holding "\@\" gets an empty title in
// front; jis >= 0 appends "@\@" and the digit, and without one a value that
// would end like a JIS digit gets "@\@-".
std::wstring MakeValue(const std::wstring& title, const std::wstring& text, int jis);
// What the list shows of a value: the title when it is not empty, else the text.
std::wstring ShownText(const std::wstring& value);

// The first `max` UTF-16 units of text, one less when the cut would keep
// the high half of a surrogate pair without its partner.
std::wstring CutText(const std::wstring& text, size_t max);

// The sort key of an entry: A, read from the part before the first "=" and
// then before the first "@" (0 when absent or not a number).
int64_t SortKey(const std::wstring& entry);
// The order of entries by their keys as signed 64-bit numbers; entries with
// equal keys keep their order.
std::vector<size_t> SortOrder(const std::vector<std::wstring>& entries);

// The text of a bookmark at caret index `caret` of a view's text whose lines
// end with CR LF: the rest of the caret's line from the caret on; while that
// is empty and lines follow, the next line whole. `line` receives the
// 0-based index of the caret's line (CR LF counted before the caret).
std::wstring CaretLineText(const std::wstring& view, size_t caret, int64_t* line);

}  // namespace bookmark
