// Character-code arithmetic without any platform call: code page 932
// byte classes, the JIS X 0208 <-> Shift_JIS pair arithmetic, and UTF-8 coding of
// single characters. Pure and header-only so that every text/ unit can use it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace conv {

// Byte order of UTF-16 units (the Overview's `ByteOrder`).
enum class ByteOrder : int { Big = 0, Little = 1 };

// Code page 932 byte classes (the runtime's multibyte type table under "Japanese").
constexpr bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool IsSjisTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
constexpr bool IsHalfKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

// Length of the code page 932 character at s (s[0] not NUL): 2 for a lead byte
// followed by a trail byte, else 1. A lead byte before the terminator or before a
// byte that cannot trail is a character of its own; s[1] is read only when s[0]
// is a lead byte, so nothing past the terminator is touched.
inline int SjisCharLength(const unsigned char* s) {
  return (IsSjisLead(s[0]) && IsSjisTrail(s[1])) ? 2 : 1;
}

// Byte class of each position, counted from the text's start.
enum class ByteClass : unsigned char { Single = 0, Lead = 1, Trail = 2 };

// JIS X 0208 row/cell (j1, j2) to a Shift_JIS pair. Accepts j1, j2 in 0x21-0x7E;
// returns false (and zeros) otherwise.
inline bool JisToSjisPair(unsigned j1, unsigned j2, unsigned char* s1, unsigned char* s2) {
  if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) {
    *s1 = *s2 = 0;
    return false;
  }
  unsigned h = (j1 + 0xE1) >> 1;
  if (h >= 0xA0) h += 0x40;
  unsigned l;
  if (j1 & 1) {
    l = j2 + 0x1F;
    if (l >= 0x7F) ++l;
  } else {
    l = j2 + 0x7E;
  }
  *s1 = static_cast<unsigned char>(h);
  *s2 = static_cast<unsigned char>(l);
  return true;
}

// Shift_JIS pair to JIS X 0208 row/cell. Accepts s1 a lead byte below 0xF0 and s2
// a trail byte; returns false (and zeros) otherwise.
inline bool SjisToJisPair(unsigned char s1, unsigned char s2, unsigned char* j1, unsigned char* j2) {
  if (!IsSjisLead(s1) || s1 >= 0xF0 || !IsSjisTrail(s2)) {
    *j1 = *j2 = 0;
    return false;
  }
  unsigned h = (s1 >= 0xE0) ? 2u * (s1 - 0xB0u) : 2u * (s1 - 0x70u);
  unsigned l;
  if (s2 < 0x9F) {
    --h;
    l = s2 - 0x1Fu;
    if (l >= 0x61) --l;
  } else {
    l = s2 - 0x7Eu;
  }
  *j1 = static_cast<unsigned char>(h);
  *j2 = static_cast<unsigned char>(l);
  return true;
}

constexpr bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
// A byte that UTF-8 decoding could not place becomes U+DC00 + byte (bytes 0x80-0xFF
// only, so U+DC80-U+DCFF); encoding turns such a lone unit back into that byte.
constexpr bool IsEscapedByte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

constexpr char16_t Swap16(char16_t u) { return static_cast<char16_t>(((u & 0xFF) << 8) | (u >> 8)); }

// Decodes one UTF-8 character at s (s[0] not NUL) into one or two UTF-16 units.
// Returns the number of bytes taken (1 to 4) and sets *units to the units made (1 or 2).
// Valid 2-, 3- and 4-byte sequences decode by the usual arithmetic (the 4-byte ones to
// a surrogate pair). A byte that does not begin a complete valid sequence (a stray
// continuation byte, a lead byte whose continuation bytes are missing or wrong, an
// overlong form, an encoded surrogate, a value above U+10FFFF) is taken alone and
// becomes U+DC00 + byte. A continuation byte is read only after its predecessors
// matched, so the terminator stops every sequence.
inline int DecodeUtf8Char(const unsigned char* s, char16_t out[2], int* units) {
  unsigned b0 = s[0];
  *units = 1;
  if (b0 < 0x80) {
    out[0] = static_cast<char16_t>(b0);
    return 1;
  }
  auto cont = [](unsigned b) { return (b & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (cont(s[1])) {
      out[0] = static_cast<char16_t>(((b0 & 0x1F) << 6) | (s[1] & 0x3F));
      return 2;
    }
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    unsigned b1 = s[1];
    bool ok1 = cont(b1) && !(b0 == 0xE0 && b1 < 0xA0) && !(b0 == 0xED && b1 >= 0xA0);
    if (ok1 && cont(s[2])) {
      out[0] = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (s[2] & 0x3F));
      return 3;
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    unsigned b1 = s[1];
    bool ok1 = cont(b1) && !(b0 == 0xF0 && b1 < 0x90) && !(b0 == 0xF4 && b1 >= 0x90);
    if (ok1 && cont(s[2]) && cont(s[3])) {
      uint32_t cp = ((b0 & 0x07u) << 18) | ((b1 & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
      cp -= 0x10000;
      out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      *units = 2;
      return 4;
    }
  }
  out[0] = static_cast<char16_t>(0xDC00 + b0);
  return 1;
}

// Encodes the UTF-16 character at u (u[0] not 0) as UTF-8. Returns the number of
// units taken (1, or 2 for a valid surrogate pair) and sets *len to the bytes made.
// A lone U+DC80-U+DCFF gives back its raw byte; other lone surrogates keep their
// three-byte form.
inline int EncodeUtf8Char(const char16_t* u, unsigned char out[4], int* len) {
  uint32_t c = u[0];
  if (c <= 0x7F) {
    out[0] = static_cast<unsigned char>(c);
    *len = 1;
    return 1;
  }
  if (c <= 0x7FF) {
    out[0] = static_cast<unsigned char>(0xC0 | ((c >> 6) & 0x1F));
    out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    *len = 2;
    return 1;
  }
  if (IsHighSurrogate(u[0]) && IsLowSurrogate(u[1])) {
    uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (u[1] - 0xDC00u);
    out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    *len = 4;
    return 2;
  }
  if (IsEscapedByte(u[0])) {
    out[0] = static_cast<unsigned char>(c - 0xDC00);
    *len = 1;
    return 1;
  }
  out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
  out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  *len = 3;
  return 1;
}

}  // namespace conv
