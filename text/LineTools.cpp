#include "text/LineTools.h"

#include <algorithm>
#include <cstdlib>

namespace linetools {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

template <class S>
std::vector<S> Split(const S& text) {
  std::vector<S> lines;
  size_t from = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      lines.push_back(text.substr(from, i - from));
      from = i + 2;
      ++i;
    }
  }
  lines.push_back(text.substr(from));
  return lines;
}

template <class S>
S Join(const std::vector<S>& lines) {
  size_t total = 0;
  for (const S& l : lines) total += l.size() + 2;
  S out;
  out.reserve(total);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) {
      out.push_back('\r');
      out.push_back('\n');
    }
    out += lines[i];
  }
  return out;
}

// Line starts and content ends, CR LF only.
template <class S>
void LineBounds(const S& text, std::vector<size_t>& starts, std::vector<size_t>& ends) {
  size_t from = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      starts.push_back(from);
      ends.push_back(i);
      from = i + 2;
      ++i;
    }
  }
  starts.push_back(from);
  ends.push_back(text.size());
}

template <class S>
std::vector<S> IndentT(std::vector<S> lines, const S& prefix) {
  for (S& l : lines) l.insert(0, prefix);
  return lines;
}

template <class S>
std::vector<S> OutdentT(std::vector<S> lines, const S& prefix) {
  if (prefix.empty()) return lines;
  for (S& l : lines)
    if (l.compare(0, prefix.size(), prefix) == 0) l.erase(0, prefix.size());
  return lines;
}

// Digits only, optional sign; false for anything else.
template <class S>
bool ReadInt(const S& s, long long& value) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    if (v < 1000000000000LL) v = v * 10 + (s[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

template <class S>
S Decimal(int n) {
  std::string d = std::to_string(n);
  return S(d.begin(), d.end());
}

template <class S>
std::vector<S> NumberT(std::vector<S> lines, const S& separator, const Numbering& how,
                       bool (*skip)(const S&)) {
  const long long last = static_cast<long long>(lines.size()) + how.start;  // N of the mask rule
  size_t width = 1;
  for (long long bound : {10LL, 100LL, 1000LL, 10000LL})
    if (last > bound) ++width;
  int n = how.start;
  for (S& l : lines) {
    if (how.skipBlankLed && skip && skip(l)) continue;
    S num = Decimal<S>(n);
    if (how.align == 1 && num.size() < width) num.insert(0, width - num.size(), ' ');
    if (how.align == 2 && num.size() < width) num.insert(0, width - num.size(), '0');
    l.insert(0, num + separator);
    ++n;
  }
  return lines;
}

bool NeverSkip(const std::string&) { return false; }

template <class S, class Less>
std::vector<S> StableSortT(std::vector<S> lines, bool descending, Less less) {
  if (descending)
    std::stable_sort(lines.begin(), lines.end(), [&](const S& a, const S& b) { return less(b, a); });
  else
    std::stable_sort(lines.begin(), lines.end(), less);
  return lines;
}

}  // namespace

std::vector<std::string> SplitCrLf(const std::string& text) { return Split(text); }
std::vector<std::wstring> SplitCrLf(const std::wstring& text) { return Split(text); }
std::string JoinCrLf(const std::vector<std::string>& lines) { return Join(lines); }
std::wstring JoinCrLf(const std::vector<std::wstring>& lines) { return Join(lines); }

bool TouchedLines(const std::string& text, size_t selStart, size_t selLength, Block& block) {
  std::vector<size_t> starts, ends;
  LineBounds(text, starts, ends);
  const size_t selEnd = selStart + selLength;
  size_t first = starts.size(), last = starts.size();
  for (size_t i = 0; i < starts.size(); ++i) {
    const size_t runningEnd = ends[i] + 2;
    if (first == starts.size() && runningEnd > selStart) first = i;
    if (runningEnd >= selEnd) {
      last = i;
      break;
    }
  }
  if (first == starts.size() || last == starts.size() || last < first) return false;
  block.start = starts[first];
  block.end = ends[last];
  return true;
}

bool WholeLineSelection(const std::wstring& text, size_t selStart, size_t selLength) {
  if (selLength == 0 || selStart + selLength > text.size()) return false;
  std::vector<size_t> starts, ends;
  LineBounds(text, starts, ends);
  const size_t selEnd = selStart + selLength;
  return std::find(starts.begin(), starts.end(), selStart) != starts.end() &&
         std::find(ends.begin(), ends.end(), selEnd) != ends.end();
}

std::string NarrowIndentPrefix(int item) {
  switch (item) {
    case 0: return "\t";
    case 1: return "\x81\x40";
    default: return " ";
  }
}
std::wstring WideIndentPrefix(int item) {
  switch (item) {
    case 0: return L"\t";
    case 1: return std::wstring(1, wchar_t(0x3000));
    default: return L" ";
  }
}

std::vector<std::string> Indent(std::vector<std::string> lines, const std::string& prefix) {
  return IndentT(std::move(lines), prefix);
}
std::vector<std::wstring> Indent(std::vector<std::wstring> lines, const std::wstring& prefix) {
  return IndentT(std::move(lines), prefix);
}
std::vector<std::string> Outdent(std::vector<std::string> lines, const std::string& prefix) {
  return OutdentT(std::move(lines), prefix);
}
std::vector<std::wstring> Outdent(std::vector<std::wstring> lines, const std::wstring& prefix) {
  return OutdentT(std::move(lines), prefix);
}

std::vector<std::string> RemoveLeadingBlanks(std::vector<std::string> lines) {
  for (std::string& l : lines) {
    size_t i = 0;
    for (;;) {
      if (i < l.size() && (l[i] == '\t' || l[i] == ' ')) {
        ++i;
      } else if (i + 1 < l.size() && static_cast<unsigned char>(l[i]) == 0x81 && l[i + 1] == 0x40) {
        i += 2;
      } else {
        break;
      }
    }
    l.erase(0, i);
  }
  return lines;
}
std::vector<std::wstring> RemoveLeadingBlanks(std::vector<std::wstring> lines) {
  for (std::wstring& l : lines) {
    size_t i = 0;
    while (i < l.size() && (l[i] == L'\t' || l[i] == L' ' || l[i] == wchar_t(0x3000))) ++i;
    l.erase(0, i);
  }
  return lines;
}

bool IsBlankLed(const std::wstring& line) {
  return line.empty() || line[0] == L' ' || line[0] == L'\t' || line[0] == wchar_t(0x3000);
}

std::vector<std::string> InsertAtStarts(std::vector<std::string> lines, const std::string& text) {
  return IndentT(std::move(lines), text);
}
std::vector<std::wstring> InsertAtStarts(std::vector<std::wstring> lines, const std::wstring& text,
                                         bool skipBlankLed) {
  for (std::wstring& l : lines)
    if (!(skipBlankLed && IsBlankLed(l))) l.insert(0, text);
  return lines;
}

std::vector<std::string> DeleteAtStarts(std::vector<std::string> lines, const std::string& answer) {
  if (answer.empty()) return lines;
  long long count = 0;
  if (ReadInt(answer, count) && count != -1) {
    for (std::string& l : lines) {
      size_t i = 0;
      for (long long k = 0; k < count && i < l.size(); ++k)
        i += (IsLead(static_cast<unsigned char>(l[i])) && i + 1 < l.size()) ? 2 : 1;
      l.erase(0, i);
    }
    return lines;
  }
  const bool answerLead = IsLead(static_cast<unsigned char>(answer[0]));
  for (std::string& l : lines) {
    // Walk the line's characters: an occurrence counts only at a boundary.
    for (size_t i = 0; i < l.size();) {
      const bool lead = IsLead(static_cast<unsigned char>(l[i])) && i + 1 < l.size();
      if (lead == answerLead && l.compare(i, answer.size(), answer) == 0) {
        l.erase(0, i + answer.size());
        break;
      }
      i += lead ? 2 : 1;
    }
  }
  return lines;
}

std::vector<std::wstring> DeleteAtStarts(std::vector<std::wstring> lines, const std::wstring& answer) {
  if (answer.empty()) return lines;
  long long count = 0;
  if (ReadInt(answer, count) && count != -1) {
    for (std::wstring& l : lines) {
      size_t i = 0;
      for (long long k = 0; k < count && i < l.size(); ++k) {
        const bool pair = l[i] >= 0xD800 && l[i] <= 0xDBFF && i + 1 < l.size() && l[i + 1] >= 0xDC00 &&
                          l[i + 1] <= 0xDFFF;
        i += pair ? 2 : 1;
      }
      l.erase(0, i);
    }
    return lines;
  }
  for (std::wstring& l : lines) {
    const size_t at = l.find(answer);
    if (at != std::wstring::npos) l.erase(0, at + answer.size());
  }
  return lines;
}

std::vector<std::string> NumberLines(std::vector<std::string> lines, const std::string& separator,
                                     const Numbering& how) {
  Numbering narrow = how;
  narrow.skipBlankLed = false;  // the narrow dialog numbers every line
  return NumberT<std::string>(std::move(lines), separator, narrow, &NeverSkip);
}
std::vector<std::wstring> NumberLines(std::vector<std::wstring> lines, const std::wstring& separator,
                                      const Numbering& how) {
  return NumberT<std::wstring>(std::move(lines), separator, how, &IsBlankLed);
}

std::string RemoveEmptyLinesNarrow(const std::string& text, size_t selStart, size_t selLength) {
  std::vector<size_t> starts, ends;
  LineBounds(text, starts, ends);
  auto lineOf = [&](size_t pos) {
    for (size_t i = 0; i < starts.size(); ++i)
      if (ends[i] + 2 > pos) return i;
    return starts.size();
  };
  const size_t first = lineOf(selStart);
  const size_t stop = std::min(lineOf(selStart + selLength), starts.size() - 1);
  if (first >= stop) return text;
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  for (size_t i = first; i < stop; ++i) {
    if (starts[i] == ends[i]) {  // empty: drop its CR LF
      out.append(text, copied, starts[i] - copied);
      copied = starts[i] + 2;
    }
  }
  out.append(text, copied, std::string::npos);
  return out;
}

std::vector<std::wstring> RemoveEmptyLines(const std::vector<std::wstring>& lines) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < lines.size(); ++i)
    if (!lines[i].empty() || i + 1 == lines.size()) out.push_back(lines[i]);
  return out;
}

std::vector<std::string> SortNarrow(std::vector<std::string> lines, bool descending) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  auto less = [&](const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      const int x = lower(static_cast<unsigned char>(a[i])), y = lower(static_cast<unsigned char>(b[i]));
      if (x != y) return x < y;
    }
    return a.size() < b.size();
  };
  return StableSortT(std::move(lines), descending, less);
}

std::vector<std::wstring> SortWide(std::vector<std::wstring> lines, bool descending,
                                   const std::function<std::wstring(const std::wstring&)>& upper) {
  // Each line is upper-cased once; the order is sorted as indices.
  std::vector<std::wstring> keys;
  keys.reserve(lines.size());
  for (const std::wstring& l : lines) keys.push_back(upper ? upper(l) : l);
  std::vector<size_t> order(lines.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto less = [&](size_t a, size_t b) {
    const std::wstring& x = keys[a];
    const std::wstring& y = keys[b];
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
      const unsigned p = static_cast<unsigned>(x[i]) & 0xFFFF, q = static_cast<unsigned>(y[i]) & 0xFFFF;
      if (p != q) return p < q;
    }
    return x.size() < y.size();
  };
  if (descending)
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(b, a); });
  else
    std::stable_sort(order.begin(), order.end(), less);
  std::vector<std::wstring> out;
  out.reserve(lines.size());
  for (size_t i : order) out.push_back(std::move(lines[i]));
  return out;
}

}  // namespace linetools
