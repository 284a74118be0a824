// The row arithmetic of the CSV column view: one row per line of the page
// text the view shows, the lines a text selection touches, the text selection
// that a block of rows stands for, and the columns to add for a first line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace csvview {

// A line of a text: where it starts and how long it is, without its line end.
struct LineSpan {
  int64_t start = 0;
  int64_t length = 0;
  int64_t End() const { return start + length; }
};

// The lines of a text as the text view breaks them: at CR LF, a lone CR and a
// lone LF (with the CR/LF switch on every break of the shown text is CR LF
// already). An empty text is one empty line; a text that ends with a line end
// has an empty last line.
template <class S>
std::vector<LineSpan> SplitLines(const S& t) {
  std::vector<LineSpan> out;
  size_t start = 0;
  for (size_t i = 0; i < t.size();) {
    const auto c = t[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    out.push_back({static_cast<int64_t>(start), static_cast<int64_t>(i - start)});
    i += (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  out.push_back({static_cast<int64_t>(start), static_cast<int64_t>(t.size() - start)});
  return out;
}

// The texts of those lines.
template <class S>
std::vector<S> LineTexts(const S& t) {
  std::vector<S> out;
  for (const LineSpan& s : SplitLines(t)) out.push_back(t.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)));
  return out;
}

// The line that holds a character index: the last line starting at or before
// it (an index on a line end belongs to the line it ends). -1 for no lines or
// a negative index.
int LineOfIndex(const std::vector<LineSpan>& lines, int64_t index);

// The first and last line that the selection [start, start + length) touches
// (a negative length is a selection made backwards). False when it is empty.
bool SelectedLines(const std::vector<LineSpan>& lines, int64_t start, int64_t length, int* first, int* last);

// The text selection that rows first..last stand for: from the start of the
// first row's line to the end of the last row's line. False when a row lies
// outside the lines or last < first.
bool RowsSelection(const std::vector<LineSpan>& lines, int first, int last, int64_t* start, int64_t* end);

// Lines first..last joined with CR LF (what the rows copy to the clipboard).
std::u16string JoinRows(const std::vector<std::u16string>& lines, int first, int last);

// The rows a drag from anchor to current selects: the block between them,
// lo..hi. False when either index is negative.
bool DragBlock(int anchor, int current, int* lo, int* hi);

// The column count after a page whose first line has `fields` fields, with
// `have` columns present: columns are added only while the captions have not
// been taken yet or no column exists, and never beyond `max`.
int ColumnTarget(int have, int fields, bool headerTaken, int max);

}  // namespace csvview
