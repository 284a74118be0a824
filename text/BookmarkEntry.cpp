#include "text/BookmarkEntry.h"

#include <algorithm>
#include <limits>

namespace bookmark {

const wchar_t* const kTitleMark = L"\\@\\";
const wchar_t* const kJisMark = L"@\\@";

void SplitEntry(const std::wstring& entry, std::wstring& name, std::wstring& value) {
  const auto eq = entry.find(L'=');
  if (eq == std::wstring::npos) {
    name = entry;
    value.clear();
    return;
  }
  name = entry.substr(0, eq);
  value = entry.substr(eq + 1);
}

int64_t ReadNumber(const std::wstring& text) {
  size_t i = 0;
  bool neg = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) neg = text[i++] == L'-';
  if (i == text.size()) return 0;
  // Magnitudes up to 2^63 (the negative limit) are accumulated unsigned.
  uint64_t v = 0;
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (neg ? 1 : 0);
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c < L'0' || c > L'9') return 0;
    const unsigned d = static_cast<unsigned>(c - L'0');
    if (v > (limit - d) / 10) return 0;
    v = v * 10 + d;
  }
  if (neg) return v == 0 ? 0 : static_cast<int64_t>(0 - v);
  return static_cast<int64_t>(v);
}

Name ParseName(const std::wstring& name) {
  Name n;
  std::wstring rest = name;
  const auto hash = rest.find(L'#');
  if (hash != std::wstring::npos) {
    n.hasLine = true;
    n.line = ReadNumber(rest.substr(hash + 1));
    rest.erase(hash);
  }
  const auto at = rest.find(L'@');
  if (at == std::wstring::npos) {
    n.a = ReadNumber(rest);
  } else {
    n.a = ReadNumber(rest.substr(0, at));
    n.b = ReadNumber(rest.substr(at + 1));
  }
  return n;
}

std::wstring MakeName(int64_t a, int64_t b, int64_t line) {
  return std::to_wstring(a) + L"@" + std::to_wstring(b) + L"#" + std::to_wstring(line);
}

namespace {
// Whether the value ends in the JIS mark and one character after it, or in
// the mark alone (how stores of the mark without its digit end).
size_t JisSuffixLength(const std::wstring& v) {
  const size_t n = v.size();
  if (n >= 4 && v.compare(n - 4, 3, kJisMark) == 0) return 4;
  if (n >= 3 && v.compare(n - 3, 3, kJisMark) == 0) return 3;
  return 0;
}
}  // namespace

Value ParseValue(const std::wstring& value) {
  Value v;
  std::wstring rest = value;
  // The JIS digit is the value's last character, after the mark.
  if (const size_t k = JisSuffixLength(rest)) {
    if (k == 4) {
      const wchar_t d = rest.back();
      if (d >= L'0' && d <= L'9') v.jis = d - L'0';
    }
    rest.erase(rest.size() - k);
  }
  // The title ends at the first title mark: a title never holds one.
  const auto t = rest.find(kTitleMark);
  if (t == std::wstring::npos) {
    v.text = rest;
  } else {
    v.title = rest.substr(0, t);
    v.text = rest.substr(t + 3);
  }
  return v;
}

std::wstring StoredTitle(const std::wstring& title) {
  // A "\" that would begin a title mark inside the title, or one across its
  // end ("\@" before the mark), becomes the full-width backslash.
  std::wstring t = title;
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i] == L'\\' && t[i + 1] == L'@' && (i + 2 == t.size() || t[i + 2] == L'\\')) t[i] = L'\xFF3C';
  }
  return t;
}

std::wstring MakeValue(const std::wstring& title, const std::wstring& text, int jis) {
  const std::wstring t = StoredTitle(title);
  std::wstring v;
  if (!t.empty() && t != text) {
    v = t + kTitleMark + text;
  } else if (text.find(kTitleMark) != std::wstring::npos) {
    v = kTitleMark + text;  // an empty title, so that the text's own mark stays in the text
  } else {
    v = text;
  }
  if (jis >= 0) {
    v += kJisMark + std::to_wstring(jis % 10);
  } else if (JisSuffixLength(v) != 0) {
    // A text that ends like a JIS digit gets a mark without one, which reading removes.
    v += kJisMark;
    v += L'-';
  }
  return v;
}

std::wstring ShownText(const std::wstring& value) {
  Value v = ParseValue(value);
  return v.title.empty() ? v.text : v.title;
}

std::wstring CutText(const std::wstring& text, size_t max) {
  if (text.size() <= max) return text;
  size_t n = max;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}

int64_t SortKey(const std::wstring& entry) {
  std::wstring name = entry.substr(0, entry.find(L'='));
  const auto at = name.find(L'@');
  if (at == std::wstring::npos) return 0;
  return ReadNumber(name.substr(0, at));
}

std::vector<size_t> SortOrder(const std::vector<std::wstring>& entries) {
  std::vector<int64_t> keys;
  keys.reserve(entries.size());
  for (auto& e : entries) keys.push_back(SortKey(e));
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return keys[x] < keys[y]; });
  return order;
}

std::wstring CaretLineText(const std::wstring& view, size_t caret, int64_t* line) {
  caret = std::min(caret, view.size());
  int64_t n = 0;
  for (size_t p = view.find(L"\r\n"); p != std::wstring::npos && p + 2 <= caret; p = view.find(L"\r\n", p + 2)) {
    ++n;
  }
  if (line) *line = n;
  size_t end = view.find(L"\r\n", caret);
  if (end == std::wstring::npos) end = view.size();
  std::wstring text = view.substr(caret, end - caret);
  while (text.empty() && end < view.size()) {
    const size_t from = end + 2;
    end = view.find(L"\r\n", from);
    if (end == std::wstring::npos) end = view.size();
    text = view.substr(from, end - from);
  }
  return text;
}

}  // namespace bookmark
