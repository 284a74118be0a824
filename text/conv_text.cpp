// Replace-all, compare and find; see text/conv_text.h.
#include "text/conv_text.h"

#include <cstring>

namespace conv {

std::basic_string<ByteClass> SjisByteClasses(const char* text) {
  std::basic_string<ByteClass> cls;
  if (!text) return cls;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t n = std::strlen(text);
  cls.resize(n, ByteClass::Single);
  for (size_t i = 0; i < n;) {
    if (SjisCharLength(s + i) == 2) {
      cls[i] = ByteClass::Lead;
      cls[i + 1] = ByteClass::Trail;
      i += 2;
    } else {
      cls[i] = IsSjisLead(s[i]) ? ByteClass::Lead : ByteClass::Single;
      ++i;
    }
  }
  return cls;
}

std::string ReplaceAllNarrow(const char* text, const char* pattern, const char* replacement) {
  if (!text) text = "";
  if (!pattern) pattern = "";
  if (!replacement) replacement = "";
  size_t n = std::strlen(text), pn = std::strlen(pattern), rn = std::strlen(replacement);
  if (pn == 0 || pn > n) return std::string(text, n);
  const auto pcls = SjisByteClasses(pattern);
  const ByteClass first = pcls[0];
  const auto cls = SjisByteClasses(text);
  auto matchAt = [&](size_t i) {
    return i + pn <= n && cls[i] == first && std::memcmp(text + i, pattern, pn) == 0;
  };
  return ReplaceMatches(text, n, 0, pn, replacement, rn, matchAt, nullptr);
}

std::u16string ReplaceAllWide(const char16_t* text, const char16_t* pattern, const char16_t* replacement,
                              int* count) {
  if (count) *count = 0;
  if (!text) text = u"";
  if (!pattern) pattern = u"";
  if (!replacement) replacement = u"";
  size_t n = WideLength(text), pn = WideLength(pattern), rn = WideLength(replacement);
  if (pn == 0 || pn > n) return std::u16string(text, n);
  const bool lonelyCr = pn == 1 && pattern[0] == u'\r';
  const bool lonelyLf = pn == 1 && pattern[0] == u'\n';
  auto matchAt = [&](size_t i) {
    if (i + pn > n || std::char_traits<char16_t>::compare(text + i, pattern, pn) != 0) return false;
    if (lonelyCr && text[i + 1] == u'\n') return false;  // text[i + 1] is at most the terminator
    if (lonelyLf && i > 0 && text[i - 1] == u'\r') return false;
    return true;
  };
  return ReplaceMatches(text, n, 0, pn, replacement, rn, matchAt, count);
}

std::u16string UpperCaseWide(Platform& platform, const char16_t* text) {
  if (!text) return std::u16string();
  return platform.UpperCase(text, WideLength(text));
}

std::u16string LowerCaseWide(Platform& platform, const char16_t* text) {
  if (!text) return std::u16string();
  return platform.LowerCase(text, WideLength(text));
}

int CompareLocale(Platform& platform, unsigned flags, const char16_t* a, int countA, const char16_t* b,
                  int countB) {
  if (!a) a = u"";
  if (!b) b = u"";
  return platform.CompareLocale(flags, a, countA, b, countB);
}

namespace {
// Length of text, counted no further than limit units.
int ClampedLength(const char16_t* text, int limit) {
  int k = 0;
  while (k < limit && text[k]) ++k;
  return k;
}
}  // namespace

bool CompareNoCase(Platform& platform, const char16_t* a, const char16_t* b, int n) {
  if (!a || !b || !a[0] || !b[0] || n <= 0) return false;
  int na = ClampedLength(a, n), nb = ClampedLength(b, n);
  return platform.CompareLocale(1, a, na, b, nb) == 2;
}

size_t PosNoCase(Platform& platform, const char16_t* text, const char16_t* part) {
  if (!text || !part || !text[0] || !part[0]) return 0;
  std::u16string t = UpperCaseWide(platform, text), p = UpperCaseWide(platform, part);
  if (p.empty()) return 0;
  size_t k = t.find(p);
  return k == std::u16string::npos ? 0 : k + 1;
}

}  // namespace conv
