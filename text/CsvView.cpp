#include "text/CsvView.h"

#include <algorithm>

namespace csvview {

int LineOfIndex(const std::vector<LineSpan>& lines, int64_t index) {
  if (lines.empty() || index < 0) return -1;
  // The last line whose start is at or before index.
  auto it = std::upper_bound(lines.begin(), lines.end(), index,
                             [](int64_t v, const LineSpan& s) { return v < s.start; });
  if (it == lines.begin()) return -1;
  return static_cast<int>(it - lines.begin()) - 1;
}

bool SelectedLines(const std::vector<LineSpan>& lines, int64_t start, int64_t length, int* first, int* last) {
  if (length == 0 || lines.empty()) return false;
  if (length < 0) {
    start += length;
    length = -length;
  }
  *first = LineOfIndex(lines, std::max<int64_t>(start, 0));
  *last = LineOfIndex(lines, start + length);
  return *first >= 0 && *last >= 0;
}

bool RowsSelection(const std::vector<LineSpan>& lines, int first, int last, int64_t* start, int64_t* end) {
  if (first < 0 || last < first || last >= static_cast<int>(lines.size())) return false;
  *start = lines[static_cast<size_t>(first)].start;
  *end = lines[static_cast<size_t>(last)].End();
  return true;
}

std::u16string JoinRows(const std::vector<std::u16string>& lines, int first, int last) {
  std::u16string out;
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(lines.size()) - 1);
  for (int i = first; i <= last; ++i) {
    if (i > first) out += u"\r\n";
    out += lines[static_cast<size_t>(i)];
  }
  return out;
}

bool DragBlock(int anchor, int current, int* lo, int* hi) {
  if (anchor < 0 || current < 0) return false;
  *lo = std::min(anchor, current);
  *hi = std::max(anchor, current);
  return true;
}

int ColumnTarget(int have, int fields, bool headerTaken, int max) {
  if (have >= fields || (headerTaken && have > 0)) return have;
  return std::max(have, std::min(fields, max));
}

}  // namespace csvview
