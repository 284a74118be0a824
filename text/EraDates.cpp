#include "text/EraDates.h"

#include <vector>

namespace eradates {
namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct Era {
  char letter;
  const char* kanji;  // two characters
  int base;
  int first;
};
const Era kEras[] = {
    {'m', "\x96\xbe\x8e\xa1", 1867, 1868},  // 明治
    {'t', "\x91\xe5\x90\xb3", 1911, 1912},  // 大正
    {'s', "\x8f\xba\x98\x61", 1925, 1926},  // 昭和
    {'h', "\x95\xbd\x90\xac", 1988, 1989},  // 平成
    {'r', "\x97\xdf\x98\x61", 2018, 2019},  // 令和
};

bool IsMarkLetter(unsigned char c) {
  for (char m : std::string("mtshrMTSHR"))
    if (c == static_cast<unsigned char>(m)) return true;
  return false;
}
// The era's index for a double-byte kanji mark, else -1.
int KanjiEra(unsigned char a, unsigned char b) {
  for (int i = 0; i < 5; ++i)
    if (static_cast<unsigned char>(kEras[i].kanji[0]) == a && static_cast<unsigned char>(kEras[i].kanji[1]) == b)
      return i;
  return -1;
}
bool IsFullWidthMarkLetter(unsigned char a, unsigned char b) {
  if (a != 0x82) return false;
  for (unsigned char c : {0x8D, 0x94, 0x93, 0x88, 0x92, 0x6C, 0x73, 0x72, 0x67, 0x71})
    if (b == c) return true;
  return false;
}

// The text's characters as (start, length): a lead byte with a following byte
// is one character of two bytes.
struct Chars {
  std::vector<size_t> start;
};

bool IsDigitAt(const std::string& s, size_t i, size_t& len) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c >= '0' && c <= '9') {
    len = 1;
    return true;
  }
  if (c == 0x82 && i + 1 < s.size()) {
    const unsigned char d = static_cast<unsigned char>(s[i + 1]);
    if (d >= 0x4F && d <= 0x58) {
      len = 2;
      return true;
    }
  }
  return false;
}

size_t CharLen(const std::string& s, size_t i) {
  return (IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Reads a decimal of ASCII digits; false when empty, not digits, or too long.
bool ReadDecimal(const std::string& s, long long& v) {
  if (s.empty() || s.size() > 12) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

// Appends text to out, recording its character starts (as positions in out).
void AppendChars(std::string& out, std::vector<size_t>& starts, const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = CharLen(text, i);
    starts.push_back(out.size() + i);
    i += n;
  }
  out += text;
}

}  // namespace

std::string EraToYear(const std::string& text, bool fullWidth, const WidthFn& width) {
  std::string out;
  out.reserve(text.size());
  std::vector<size_t> starts;  // character starts in out
  size_t i = 0;
  while (i < text.size()) {
    size_t dl = 0;
    if (!IsDigitAt(text, i, dl)) {
      const size_t n = CharLen(text, i);
      starts.push_back(out.size());
      out.append(text, i, n);
      i += n;
      continue;
    }
    size_t end = i;
    while (end < text.size() && IsDigitAt(text, end, dl)) end += dl;
    const std::string number = text.substr(i, end - i);
    // The nearest mark among the characters that start in the six bytes before.
    size_t mark = std::string::npos;
    for (size_t k = starts.size(); k-- > 0;) {
      const size_t p = starts[k];
      if (out.size() - p > 6) break;
      const unsigned char a = static_cast<unsigned char>(out[p]);
      const bool twoBytes = p + 1 < out.size() && IsLead(a);
      if (!twoBytes && IsMarkLetter(a)) {
        mark = p;
        break;
      }
      if (twoBytes) {
        const unsigned char b = static_cast<unsigned char>(out[p + 1]);
        if (KanjiEra(a, b) >= 0 || IsFullWidthMarkLetter(a, b)) {
          mark = p;
          break;
        }
      }
    }
    long long value = 0;
    if (mark != std::string::npos && ReadDecimal(width ? width(number, true) : number, value)) {
      std::string era = width ? width(out.substr(mark), true) : out.substr(mark);
      int base = -1;
      for (size_t p = 0; p < era.size();) {
        const size_t n = CharLen(era, p);
        const unsigned char a = static_cast<unsigned char>(era[p]);
        for (int e = 0; e < 5; ++e) {
          if (n == 1 && (a | 0x20) == static_cast<unsigned char>(kEras[e].letter)) base = kEras[e].base;
          if (n == 2 && KanjiEra(a, static_cast<unsigned char>(era[p + 1])) == e) base = kEras[e].base;
        }
        p += n;
      }
      if (base >= 0) {
        std::string year = std::to_string(value + base);
        if (fullWidth && width) year = width(year, false);
        out.resize(mark);
        while (!starts.empty() && starts.back() >= mark) starts.pop_back();
        AppendChars(out, starts, year);  // the scan goes on right behind the year
        i = end;
        continue;
      }
    }
    AppendChars(out, starts, number);
    i = end;
  }
  return out;
}

std::string YearToEra(const std::string& text, int form, bool fullWidth, const WidthFn& width) {
  std::string out;
  out.reserve(text.size());
  std::vector<size_t> starts;
  size_t i = 0;
  while (i < text.size()) {
    size_t dl = 0;
    if (!IsDigitAt(text, i, dl)) {
      const size_t n = CharLen(text, i);
      starts.push_back(out.size());
      out.append(text, i, n);
      i += n;
      continue;
    }
    // The digits, then spaces, then the terminator, within 13 bytes.
    size_t p = i, digits = 0;
    while (p < text.size() && IsDigitAt(text, p, dl)) {
      p += dl;
      ++digits;
    }
    const size_t digitsEnd = p;
    bool year = digits == 4;
    if (year) {
      while (p < text.size() && (text[p] == ' ' || (static_cast<unsigned char>(text[p]) == 0x81 &&
                                                    p + 1 < text.size() && text[p + 1] == 0x40)))
        p += text[p] == ' ' ? 1 : 2;
      const bool slash = p < text.size() && text[p] == '/';
      const bool twoByteEnd = p + 1 < text.size() && ((static_cast<unsigned char>(text[p]) == 0x94 &&
                                                       static_cast<unsigned char>(text[p + 1]) == 0x4E) ||
                                                      (static_cast<unsigned char>(text[p]) == 0x81 &&
                                                       static_cast<unsigned char>(text[p + 1]) == 0x5E));
      year = (slash || twoByteEnd) && p - i < 13;
    }
    // No era mark already before it (looking back stops at 年).
    if (year) {
      for (size_t k = starts.size(); k-- > 0;) {
        const size_t q = starts[k];
        if (out.size() - q > 6) break;
        const unsigned char a = static_cast<unsigned char>(out[q]);
        const bool twoBytes = q + 1 < out.size() && IsLead(a);
        if (twoBytes) {
          const unsigned char b = static_cast<unsigned char>(out[q + 1]);
          if (a == 0x94 && b == 0x4E) break;
          if (KanjiEra(a, b) >= 0) {
            year = false;
            break;
          }
        } else if (IsMarkLetter(a)) {
          year = false;
          break;
        }
      }
    }
    const std::string number = text.substr(i, digitsEnd - i);
    long long value = 0;
    if (year && ReadDecimal(width ? width(number, true) : number, value) && value >= 1868) {
      int e = 0;
      for (int k = 0; k < 5; ++k)
        if (kEras[k].first <= value) e = k;
      const std::string eraYear = std::to_string(value - kEras[e].base);
      std::string result;
      switch (form) {
        case 0: result = std::string(1, kEras[e].letter) + eraYear; break;
        case 1: result = std::string(1, static_cast<char>(kEras[e].letter - 32)) + eraYear; break;
        case 2: result = std::string(kEras[e].kanji, 2) + eraYear; break;
        default: result = std::string(kEras[e].kanji, 4) + eraYear; break;
      }
      if (fullWidth && width) result = width(result, false);
      AppendChars(out, starts, result);
    } else {
      AppendChars(out, starts, number);
    }
    i = digitsEnd;
  }
  return out;
}

}  // namespace eradates
