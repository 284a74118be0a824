#include "text/NumberText.h"

namespace numbertext {

int64_t ParseInt64(const std::u16string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i == text.size()) return 0;
  // The magnitude may reach 2^63 for the most negative value.
  const uint64_t limit = negative ? (uint64_t{1} << 63) : static_cast<uint64_t>(INT64_MAX);
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < u'0' || c > u'9') return 0;
    uint64_t d = static_cast<uint64_t>(c - u'0');
    if (v > (limit - d) / 10) return 0;
    v = v * 10 + d;
  }
  return negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

namespace {
// Decimal digits of the magnitude (no sign).
std::u16string Digits(int64_t value) {
  uint64_t m = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::u16string d;
  do {
    d.insert(d.begin(), static_cast<char16_t>(u'0' + m % 10));
    m /= 10;
  } while (m);
  return d;
}
}  // namespace

std::u16string GroupThousands(int64_t value, const std::u16string& sep) {
  if (value == 0) return std::u16string();
  std::u16string d = Digits(value), out;
  for (size_t i = 0; i < d.size(); ++i) {
    if (i > 0 && (d.size() - i) % 3 == 0) out += sep;
    out += d[i];
  }
  if (value < 0) out.insert(out.begin(), u'-');
  return out;
}

std::u16string KanjiUnits(int64_t value) {
  static const char16_t* const kUnits[] = {u"", u"万", u"億", u"兆", u"京", u"垓"};
  const std::u16string d = Digits(value);
  // Groups of four digits from the right; the highest may be shorter.
  std::u16string out;
  if (value < 0) out += u'-';
  const size_t groups = (d.size() + 3) / 4;
  size_t start = 0;
  for (size_t g = groups; g-- > 0;) {
    const size_t len = d.size() - start - 4 * g;
    const std::u16string group = d.substr(start, len);
    start += len;
    const size_t first = group.find_first_not_of(u'0');
    if (first == std::u16string::npos) continue;
    out.append(group, first, std::u16string::npos);
    out.append(kUnits[g]);
  }
  if (d == u"0") out += u'0';
  return out;
}

}  // namespace numbertext
