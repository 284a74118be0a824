// Replace-all and case-insensitive compare and find of the viewer. The case mapping
// and the locale compare are the platform's (conv::Platform).
#pragma once
#include <cstddef>
#include <string>

#include "text/conv.h"

namespace conv {

// Byte class of every byte of a NUL-terminated code page 932 text, counted from its
// start. A lead byte whose next byte cannot trail (or is the terminator) is a
// character of its own: the next byte is classed on its own.
std::basic_string<ByteClass> SjisByteClasses(const char* text);

// The replace-all loop that every replacing routine shares: text[start, n)
// with every place i where matchAt(i) holds (a match of pn units) replaced by
// replacement[0, rn), left to right, each match skipped whole. matchAt gets
// indices into text and may look before start. A counting pass sizes the
// result, then one copy fills it. *count, when given, gets the number of
// replacements. The text before start is not part of the result.
template <class Char, class Match>
std::basic_string<Char> ReplaceMatches(const Char* text, size_t n, size_t start, size_t pn, const Char* replacement,
                                       size_t rn, Match matchAt, int* count) {
  size_t size = 0;
  for (size_t i = start; i < n;) {
    if (matchAt(i)) {
      size += rn;
      i += pn;
    } else {
      ++size;
      ++i;
    }
  }
  std::basic_string<Char> out;
  out.reserve(size);
  int replaced = 0;
  for (size_t i = start; i < n;) {
    if (matchAt(i)) {
      out.append(replacement, rn);
      ++replaced;
      i += pn;
    } else {
      out += text[i];
      ++i;
    }
  }
  if (count) *count = replaced;
  return out;
}

// Every match of pattern in text replaced by replacement, left to right, each match
// skipped whole. A match lies wholly within the text and starts at a byte of the
// same class as the pattern's first byte (never on a trail byte). An empty pattern
// gives the text unchanged (no caller passes one). Null texts count as empty.
std::string ReplaceAllNarrow(const char* text, const char* pattern, const char* replacement);

// The same for UTF-16 units, except that a lone "\r" pattern is not replaced before
// an LF and a lone "\n" pattern not after a CR. *count gets the number of
// replacements when given.
std::u16string ReplaceAllWide(const char16_t* text, const char16_t* pattern, const char16_t* replacement,
                              int* count = nullptr);

std::u16string UpperCaseWide(Platform& platform, const char16_t* text);
std::u16string LowerCaseWide(Platform& platform, const char16_t* text);

// The platform's three-way compare: 1 less, 2 equal, 3 greater, 0 failure.
int CompareLocale(Platform& platform, unsigned flags, const char16_t* a, int countA, const char16_t* b,
                  int countB);

// True when the first n characters of a and b compare equal ignoring case (flag 1).
// Each count is clamped to its own text's length (so a text shorter than n does not
// equal a text that has n characters); false when either text is empty or n <= 0.
bool CompareNoCase(Platform& platform, const char16_t* a, const char16_t* b, int n);

// 1-based position of part in text ignoring case (upper-cased copies), 0 when absent
// or when either is empty.
size_t PosNoCase(Platform& platform, const char16_t* text, const char16_t* part);

}  // namespace conv
