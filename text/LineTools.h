// The line tools of the edit dialogs, on a copy of the text: the line model
// (lines end at CR LF only; a lone CR or LF belongs to its line), the line
// scopes of a selection, and the rewrites of whole lines: indent, outdent,
// removal of leading blanks, insertion and deletion at line starts, numbering,
// removal of empty lines and a stable sort. Narrow texts are code page 932
// bytes (std::string), wide ones UTF-16 units (std::wstring).
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace linetools {

// A block of whole lines: from the first line's start to the last line's end,
// its CR LF not included.
struct Block {
  size_t start = 0;
  size_t end = 0;
};

// The lines of text split at CR LF only; the rest after the last CR LF is the
// last line (empty when the text ends in CR LF). An empty text is one empty line.
std::vector<std::string> SplitCrLf(const std::string& text);
std::vector<std::wstring> SplitCrLf(const std::wstring& text);
std::string JoinCrLf(const std::vector<std::string>& lines);
std::wstring JoinCrLf(const std::vector<std::wstring>& lines);

// Narrow scope: the lines that the selection [selStart, selStart + selLength)
// touches. The first line is the one whose end, CR LF included, passes the
// selection start; the last the one whose end reaches the selection end.
// False when either is not found.
bool TouchedLines(const std::string& text, size_t selStart, size_t selLength, Block& block);
// Wide scope: true when the selection is not empty, starts at a line start and
// ends at a line's end (before its CR LF).
bool WholeLineSelection(const std::wstring& text, size_t selStart, size_t selLength);

// The indent prefixes by menu item: 0 tab, 1 full-width space, 2 space.
std::string NarrowIndentPrefix(int item);
std::wstring WideIndentPrefix(int item);

// Each line with prefix in front.
std::vector<std::string> Indent(std::vector<std::string> lines, const std::string& prefix);
std::vector<std::wstring> Indent(std::vector<std::wstring> lines, const std::wstring& prefix);
// Each line that begins with prefix loses one prefix.
std::vector<std::string> Outdent(std::vector<std::string> lines, const std::string& prefix);
std::vector<std::wstring> Outdent(std::vector<std::wstring> lines, const std::wstring& prefix);
// Tabs, full-width spaces and spaces removed from each line's start.
std::vector<std::string> RemoveLeadingBlanks(std::vector<std::string> lines);
std::vector<std::wstring> RemoveLeadingBlanks(std::vector<std::wstring> lines);

// True for an empty line or one that begins with a space, a full-width space
// or a tab.
bool IsBlankLed(const std::wstring& line);

// Insertion at line starts; with skipBlankLed, blank-led lines stay.
std::vector<std::string> InsertAtStarts(std::vector<std::string> lines, const std::string& text);
std::vector<std::wstring> InsertAtStarts(std::vector<std::wstring> lines, const std::wstring& text,
                                         bool skipBlankLed);

// Deletion at line starts by an answer: a decimal integer other than -1
// removes that many characters (a double-byte character or a surrogate pair
// counts as one; 0 or less removes nothing); any other answer is sought in the
// line (narrow: only at a character boundary) and everything from the line
// start through its first occurrence is removed. An empty answer changes
// nothing.
std::vector<std::string> DeleteAtStarts(std::vector<std::string> lines, const std::string& answer);
std::vector<std::wstring> DeleteAtStarts(std::vector<std::wstring> lines, const std::wstring& answer);

// Numbering: each line gets its number and then the separator in front.
// align 0 plain, 1 padded with spaces to the mask's width, 2 zero-filled to
// it. The mask has one digit, one more when the last number + 1 passes 10,
// 100, 1000 and 10000. With skipBlankLed, blank-led lines get no number and
// use none.
struct Numbering {
  int start = 0;
  int align = 0;
  bool skipBlankLed = false;
};
std::vector<std::string> NumberLines(std::vector<std::string> lines, const std::string& separator,
                                     const Numbering& how);
std::vector<std::wstring> NumberLines(std::vector<std::wstring> lines, const std::wstring& separator,
                                      const Numbering& how);

// Narrow removal of empty lines: the lines from the one holding the selection
// start up to, not including, the one holding the selection end are checked;
// each empty one is removed with its CR LF. Returns the new text.
std::string RemoveEmptyLinesNarrow(const std::string& text, size_t selStart, size_t selLength);
// Wide: the lines without the empty ones before the last line.
std::vector<std::wstring> RemoveEmptyLines(const std::vector<std::wstring>& lines);

// Stable sorts. Narrow: ASCII letters without case, otherwise by byte. Wide:
// each line upper-cased once by upper, then by unit; a line that is a prefix
// of the other comes first. Descending reverses the order, equal lines keep
// their order.
std::vector<std::string> SortNarrow(std::vector<std::string> lines, bool descending);
std::vector<std::wstring> SortWide(std::vector<std::wstring> lines, bool descending,
                                   const std::function<std::wstring(const std::wstring&)>& upper);

}  // namespace linetools
