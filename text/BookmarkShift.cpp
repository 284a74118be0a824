#include "text/BookmarkShift.h"

namespace bookmarks {

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
  size_t i = at + 1;
  bool negative = false;
  if (i < hash && (entry[i] == L'-' || entry[i] == L'+')) negative = entry[i++] == L'-';
  if (i == hash) return false;
  uint64_t v = 0;
  for (; i < hash; ++i) {
    const wchar_t c = entry[i];
    if (c < L'0' || c > L'9') return false;
    if (v > (static_cast<uint64_t>(INT64_MAX) - (c - L'0')) / 10) return false;
    v = v * 10 + static_cast<uint64_t>(c - L'0');
  }
  const int64_t offset = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  const int64_t moved = ShiftedOffset(offset, pivot, delta);
  if (moved == offset) return false;
  const std::string digits = std::to_string(moved);
  entry.replace(at + 1, hash - at - 1, std::wstring(digits.begin(), digits.end()));
  return true;
}

}  // namespace bookmarks
