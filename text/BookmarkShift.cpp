#include "text/BookmarkShift.h"

#include <algorithm>
#include <cstdint>

namespace bookmarks {

namespace {

// The signed decimal number that fills [from, to) of text.
bool ReadDecimal(const std::wstring& text, size_t from, size_t to, int64_t* out) {
  size_t i = from;
  bool negative = false;
  if (i < to && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  if (i == to) return false;
  uint64_t v = 0;
  for (; i < to; ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return false;
    if (v > (static_cast<uint64_t>(INT64_MAX) - (c - L'0')) / 10) return false;
    v = v * 10 + static_cast<uint64_t>(c - L'0');
  }
  *out = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

int64_t ShiftedOffset(int64_t offset, int64_t pivot, int64_t delta) {
  if (offset >= pivot) return offset + delta;
  if (delta < 0 && offset > pivot + delta) return pivot + delta;  // inside the removed range
  return offset;
}

bool ShiftEntryOffset(std::wstring& entry, int64_t pivot, int64_t delta) {
  const size_t eq = entry.find(L'=');
  const size_t nameEnd = eq == std::wstring::npos ? entry.size() : eq;
  const size_t at = entry.find(L'@');
  if (at == std::wstring::npos || at >= nameEnd) return false;
  size_t hash = entry.find(L'#', at + 1);
  if (hash == std::wstring::npos || hash > nameEnd) hash = nameEnd;
  int64_t offset = 0;
  if (!ReadDecimal(entry, at + 1, hash, &offset)) return false;
  const int64_t moved = ShiftedOffset(offset, pivot, delta);
  if (moved == offset) return false;
  const std::string digits = std::to_string(moved);
  entry.replace(at + 1, hash - at - 1, std::wstring(digits.begin(), digits.end()));
  // A (the position the entry was made at) moves as far as B did; an A that
  // is no number stays as it is.
  int64_t a = 0;
  if (ReadDecimal(entry, 0, at, &a)) {
    const int64_t movedA = std::max<int64_t>(0, a + (moved - offset));
    const std::string aDigits = std::to_string(movedA);
    entry.replace(0, at, std::wstring(aDigits.begin(), aDigits.end()));
  }
  return true;
}

}  // namespace bookmarks
